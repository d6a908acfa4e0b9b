// Replays: their text, playing them back, and comparing two.
#include "sim/replay.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace sim {

Replay MakeReplay(const RunOptions& options, const RunResult& result) {
    Replay replay;
    replay.seed = options.seed;
    replay.frames = result.frames;
    replay.events = result.events;
    replay.checks = result.checks;
    return replay;
}

std::string WriteReplay(const Replay& replay) {
    std::ostringstream out;
    out << "candycane-replay 1\n";
    out << "seed " << replay.seed << "\n";
    out << "frames " << replay.frames << "\n";
    for (const InputEvent& e : replay.events) {
        out << "e " << e.frame << ' ' << e.id << ' ' << e.data << ' ' << e.x << ' ' << e.y << "\n";
    }
    for (const auto& [frame, hash] : replay.checks) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        out << "c " << frame << ' ' << hex << "\n";
    }
    out << "end\n";
    return out.str();
}

bool ReadReplay(const std::string& text, Replay& replay, std::string& error) {
    std::istringstream in(text);
    std::string line;
    replay = Replay{};
    if (!std::getline(in, line) || line != "candycane-replay 1") {
        error = "not a replay (first line is not \"candycane-replay 1\")";
        return false;
    }
    int number = 1;
    bool ended = false;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        bool ok = true;
        if (tag == "seed") {
            ok = static_cast<bool>(fields >> replay.seed);
        } else if (tag == "frames") {
            ok = static_cast<bool>(fields >> replay.frames);
        } else if (tag == "e") {
            InputEvent e;
            ok = static_cast<bool>(fields >> e.frame >> e.id >> e.data >> e.x >> e.y);
            replay.events.push_back(e);
        } else if (tag == "c") {
            int frame = 0;
            std::string hex;
            ok = static_cast<bool>(fields >> frame >> hex) && hex.size() == 16;
            if (ok) replay.checks.emplace_back(frame, std::stoull(hex, nullptr, 16));
        } else if (tag == "end") {
            ended = true;
            break;
        } else if (!tag.empty()) {
            ok = false;
        }
        if (!ok) {
            error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
            return false;
        }
    }
    if (!ended) {
        error = "the replay is cut short (no \"end\" line)";
        return false;
    }
    // A hand-moved event goes with its new frame; events of one frame keep the file's order.
    std::stable_sort(replay.events.begin(), replay.events.end(),
                     [](const InputEvent& a, const InputEvent& b) { return a.frame < b.frame; });
    return true;
}

void ReplayInput::OnFlip(int frame, std::vector<InputEvent>& events) {
    while (next_ < replay_.events.size() && replay_.events[next_].frame <= frame) {
        events.push_back(replay_.events[next_]);
        ++next_;
    }
}

std::string Divergence::Describe() const {
    if (!diverged) return "no divergence";
    std::string text = "diverges at frame " + std::to_string(frame);
    if (!field.empty()) {
        text += " in " + std::string(GroupName(group)) + ": " + field + " is " + actual +
                ", expected " + expected;
    } else {
        text += " (last matching check at frame " + std::to_string(lastGood) + ")";
    }
    return text;
}

Divergence VerifyReplay(const Replay& replay) {
    RunOptions options;
    options.seed = replay.seed;
    options.maxFrames = replay.frames;
    options.stopOnWin = false;
    options.checkEvery = 1;
    ReplayInput input(replay);
    const RunResult result = Run(options, input);
    Divergence d;
    for (const auto& [frame, hash] : replay.checks) {
        const bool reached = frame >= 1 && frame <= static_cast<int>(result.checks.size());
        if (reached && result.checks[frame - 1].second == hash) {
            d.lastGood = frame;
            continue;
        }
        d.diverged = true;
        d.frame = frame;
        return d;
    }
    return d;
}

Divergence CompareReplays(const Replay& reference, const Replay& candidate) {
    auto run = [](const Replay& replay, int frames, int snapshotFrame) {
        RunOptions options;
        options.seed = replay.seed;
        options.maxFrames = frames;
        options.stopOnWin = false;
        options.keepHashes = snapshotFrame == 0;
        options.snapshotFrame = snapshotFrame;
        options.checkEvery = 0;
        ReplayInput input(replay);
        return Run(options, input);
    };
    const int frames = std::max(reference.frames, candidate.frames);
    const RunResult a = run(reference, frames, 0);
    const RunResult b = run(candidate, frames, 0);
    Divergence d;
    const std::size_t n = std::min(a.hashes.size(), b.hashes.size());
    for (std::size_t k = 0; k < n; ++k) {
        if (a.hashes[k] == b.hashes[k]) continue;
        d.diverged = true;
        d.frame = static_cast<int>(k) + 1;
        d.lastGood = d.frame - 1;
        for (int g = 0; g < kGroupCount; ++g) {
            if (a.hashes[k][g] != b.hashes[k][g]) {
                d.group = static_cast<Group>(g);
                break;
            }
        }
        const RunResult sa = run(reference, d.frame, d.frame);
        const RunResult sb = run(candidate, d.frame, d.frame);
        NamedField e, f;
        if (FirstDifference(sa.snapshot, sb.snapshot, e, f)) {
            d.group = e.group;
            d.field = e.name == f.name ? e.name : e.name + " / " + f.name;
            d.expected = e.value;
            d.actual = f.value;
        }
        return d;
    }
    if (a.hashes.size() != b.hashes.size()) {
        d.diverged = true;
        d.frame = static_cast<int>(n) + 1;
        d.lastGood = static_cast<int>(n);
    }
    return d;
}

}  // namespace sim
