// The headless runner: the real game, as fast as the machine allows, on virtual time.
//
// Run starts game::GameMain on a platform without sound whose window is the headless
// renderer, with the headless system driver and a virtual clock that starts at the seed (so
// the game seeds its generator with it) and moves on by the 16, 17, 17 ms that 60 Hz pacing
// waits at every flip. At each flip the runner hashes the state, asks its input source what
// to press, emits that through the engine's event path and records it; it leaves the game by
// throwing out of the flip hook once the frame or time limit is reached or the win screen
// comes up. The watch mode drives the real window on the real clock instead. Replays are in
// sim/replay.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/levels.h"
#include "sim/state.h"

namespace sim {

// One input event sent at a flip. id is vdl::kEventKeyDown, KeyUp, MouseDown, MouseUp or
// MouseMove; data the key or button; x, y the pointer.
struct InputEvent {
    int frame = 0;
    int id = 0;
    int data = 0;
    int x = 0;
    int y = 0;
    bool operator==(const InputEvent&) const = default;
};

// Decides the input at every flip.
class InputSource {
public:
    virtual ~InputSource() = default;
    // Called at flip frame (counting from 1) once the state of that frame is final; appends the
    // events to send before the game goes on.
    virtual void OnFlip(int frame, std::vector<InputEvent>& events) = 0;
};

// Level numbers as the game keeps them: 0 after a reset, 1..21 in play, then the win screen.
constexpr int kLevels = game::kWinLevel + 1;

struct RunOptions {
    int seed = 1;
    int maxFrames = 0;        // 0: no frame limit
    long long maxMillis = 0;  // simulated milliseconds; 0: no limit
    bool stopOnWin = true;    // leave once the win screen is up
    bool keepHashes = false;  // keep every frame's group hashes
    int snapshotFrame = 0;    // keep the named fields of this frame (0: none)
    int checkEvery = 60;      // a combined hash for the replay every so many frames
    bool timeFrames = false;  // measure each frame's logic on the wall clock
    bool trace = false;       // say on stderr when the level or the lives change
    bool keepEvents = true;   // keep the input for a replay
};

struct RunResult {
    int frames = 0;
    long long simMillis = 0;
    bool won = false;
    int winFrame = 0;
    int levelsCleared = 0;
    int deaths = 0;
    int gameOvers = 0;
    int highestLevel = 0;
    std::vector<InputEvent> events;
    std::vector<StateHash> hashes;                      // [frame - 1], with keepHashes
    std::vector<std::pair<int, std::uint64_t>> checks;  // (frame, Combined hash)
    std::vector<NamedField> snapshot;                   // of snapshotFrame
    std::array<double, kLevels> worstFrameMs{};         // with timeFrames
    std::vector<float> frameMs;             // with timeFrames: [frame - 1], -1 outside play
    std::vector<unsigned char> frameLevel;  // with timeFrames: the level of each frame
    std::array<long long, kLevels> levelFrames{};
    std::array<int, kLevels> clearsByLevel{};
    std::array<int, kLevels> deathsByLevel{};
    long residentFirstKb = 0;  // resident memory at the first frame, from /proc
    long residentLastKb = 0;   // and at the last
    int maxEnemies = 0, maxBullets = 0, maxParticles = 0, maxPresents = 0, maxMessages = 0;
    double wallSeconds = 0;
    bool quit = false;  // RunLoaded: the game asked to end the program
};

// The process's resident memory in kB (-1 where /proc cannot tell).
long ResidentKb();

// Runs the game headless from start-up to a limit with source's input.
RunResult Run(const RunOptions& options, InputSource& source);

// Registers the game's assets, starts its loaders and loads every image, font and sound, once
// per process; later calls do nothing. RunLoaded needs it.
void LoadGameOnce();

// Like Run, but without start-up: the game starts at the title menu with what LoadGameOnce
// loaded, as GameMain would after loading, so a run costs only its frames. When the game ends
// the program (Quit, Escape in the menu, a close request) the run ends instead, with quit set.
RunResult RunLoaded(const RunOptions& options, InputSource& source);

// Hands every flip of the game the caller then starts to source, on the real clock, with the
// level and the lives traced on stderr: the watch mode drives the game in its real window.
void DriveNextGame(InputSource& source);

// A game time as minutes and seconds, "6:47".
std::string FormatGameTime(long long ms);

}  // namespace sim
