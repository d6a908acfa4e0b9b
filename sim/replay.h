// Replays: a run's seed and input as text, played back and checked against their hashes, and
// two replays compared frame by frame down to the first field that differs.
//
// A replay is "candycane-replay 1", the seed, the frame count, one "e" line per input event
// (frame, event id, data, x, y) and one "c" line per checkpoint (frame and the combined state
// hash in hexadecimal), then "end".
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/runner.h"
#include "sim/state.h"

namespace sim {

struct Replay {
    int seed = 1;
    int frames = 0;
    std::vector<InputEvent> events;
    std::vector<std::pair<int, std::uint64_t>> checks;
};

// The replay of a finished run.
Replay MakeReplay(const RunOptions& options, const RunResult& result);

std::string WriteReplay(const Replay& replay);
// False with a message in error when text is not a replay. Events are put in frame order;
// those of one frame keep the order they are written in.
bool ReadReplay(const std::string& text, Replay& replay, std::string& error);

// Sends a replay's events at their frames.
class ReplayInput : public InputSource {
public:
    explicit ReplayInput(const Replay& replay) : replay_(replay) {}
    void OnFlip(int frame, std::vector<InputEvent>& events) override;

private:
    const Replay& replay_;
    std::size_t next_ = 0;
};

// Where two runs first part.
struct Divergence {
    bool diverged = false;
    int frame = 0;     // first frame whose state differs
    int lastGood = 0;  // the frame before it, or the last checkpoint that matched
    Group group = Group::kPlayer;
    std::string field;  // e.g. "player.x"
    std::string expected, actual;
    std::string Describe() const;
};

// Plays replay back and compares its stored checkpoints: a divergence names the first
// checkpoint that fails (frame) and the last that held (lastGood).
Divergence VerifyReplay(const Replay& replay);

// Plays both and compares them frame for frame: the first frame and group whose hash differs,
// and the first named field that differs in it.
Divergence CompareReplays(const Replay& reference, const Replay& candidate);

}  // namespace sim
