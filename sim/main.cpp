// candycane-sim: the game headless at full speed, with the autopilot, replays and figures.
//
//   candycane-sim [--seed N] [--minutes M | --frames N] [--record FILE]
//       one autopilot game; prints its summary, and writes its replay with --record
//   candycane-sim --replay FILE       plays a replay back and checks its hashes
//   candycane-sim --diff REF OTHER    the first frame and field where two replays part
//   candycane-sim --seeds A-B [--minutes M] [--table] [--soak] [--time] [--trace]
//       one autopilot game per seed: a summary each, a markdown table with --table, the worst
//       frame per level with --time, level and life changes with --trace; --soak plays on
//       past the win screen to the time limit and reports memory and the largest lists
//   candycane-sim --watch             the autopilot in the real window at 60 Hz
//   --snapshot F (with a game or seeds) prints every hashed field of frame F, to compare two
//   platforms' games field by field
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sim/autopilot.h"
#include "sim/replay.h"
#include "sim/runner.h"
#ifndef __EMSCRIPTEN__
#include "sim/watch.h"
#endif

namespace {

void Usage() {
    std::fprintf(
        stderr,
        "usage: candycane-sim [--seed N] [--minutes M | --frames N] [--record FILE]\n"
        "       candycane-sim --replay FILE\n"
        "       candycane-sim --diff REF OTHER\n"
        "       candycane-sim --seeds A-B [--minutes M] [--table] [--soak] [--time] [--trace]\n"
        "       candycane-sim --watch\n");
    std::exit(2);
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

sim::Replay LoadReplay(const std::string& path) {
    std::string text, error;
    sim::Replay replay;
    if (!ReadFile(path, text)) {
        std::fprintf(stderr, "candycane-sim: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    if (!sim::ReadReplay(text, replay, error)) {
        std::fprintf(stderr, "candycane-sim: %s: %s\n", path.c_str(), error.c_str());
        std::exit(2);
    }
    return replay;
}

void PrintSummary(int seed, const sim::RunResult& r) {
    std::printf(
        "seed %d: %s, highest level %d, %d levels cleared, %d deaths, %d game overs, %s "
        "simulated, %d frames, %.1f s wall (%.0f frames/s)\n",
        seed, r.won ? "WON" : "not won", r.highestLevel, r.levelsCleared, r.deaths, r.gameOvers,
        sim::FormatGameTime(r.simMillis).c_str(), r.frames, r.wallSeconds,
        r.wallSeconds > 0 ? r.frames / r.wallSeconds : 0.0);
    std::fflush(stdout);
}

// What the command line asks for.
struct Arguments {
    int seed = 1, firstSeed = 0, lastSeed = 0, frames = 0;
    double minutes = 60;
    int snapshotFrame = 0;
    bool trace = false, table = false, soak = false, timeFrames = false, watch = false;
    std::string record, replayPath, diffA, diffB;
};

Arguments ParseArguments(int argc, char** argv) {
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) Usage();
            return argv[++i];
        };
        if (arg == "--seed") {
            a.seed = std::atoi(next().c_str());
        } else if (arg == "--minutes") {
            a.minutes = std::atof(next().c_str());
        } else if (arg == "--frames") {
            a.frames = std::atoi(next().c_str());
        } else if (arg == "--record") {
            a.record = next();
        } else if (arg == "--replay") {
            a.replayPath = next();
        } else if (arg == "--diff") {
            a.diffA = next();
            a.diffB = next();
        } else if (arg == "--seeds") {
            const std::string range = next();
            if (std::sscanf(range.c_str(), "%d-%d", &a.firstSeed, &a.lastSeed) != 2) Usage();
        } else if (arg == "--table") {
            a.table = true;
        } else if (arg == "--soak") {
            a.soak = true;
        } else if (arg == "--time") {
            a.timeFrames = true;
        } else if (arg == "--snapshot") {
            a.snapshotFrame = std::atoi(next().c_str());
        } else if (arg == "--trace") {
            a.trace = true;
        } else if (arg == "--watch") {
            a.watch = true;
        } else {
            Usage();
        }
    }
    if (a.firstSeed == 0) a.firstSeed = a.lastSeed = a.seed;
    return a;
}

using SeedResults = std::vector<std::pair<int, sim::RunResult>>;

// One autopilot game per seed, each summed up as it ends (and recorded when asked); what the
// tables need of each is kept.
SeedResults RunSeeds(const Arguments& a) {
    SeedResults results;
    for (int s = a.firstSeed; s <= a.lastSeed; ++s) {
        sim::RunOptions options;
        options.seed = s;
        options.maxFrames = a.frames;
        options.maxMillis = a.frames > 0 ? 0 : static_cast<long long>(a.minutes * 60000);
        options.timeFrames = a.timeFrames;
        options.trace = a.trace;
        options.snapshotFrame = a.snapshotFrame;
        // A soak plays the whole hour: past the win screen the game starts over.
        options.stopOnWin = !a.soak;
        // Nor does it keep the hour's input, so what memory it watches is the game's.
        options.keepEvents = !a.soak || !a.record.empty();
        sim::Autopilot pilot;
        sim::RunResult r = sim::Run(options, pilot);
        PrintSummary(s, r);
        for (const sim::NamedField& field : r.snapshot)
            std::printf("  %s = %s\n", field.name.c_str(), field.value.c_str());
        if (a.soak) {
            std::printf("  resident memory: %ld kB at the first frame, %ld kB at the last\n",
                        r.residentFirstKb, r.residentLastKb);
        }
        if (!a.record.empty()) {
            std::ofstream out(a.record, std::ios::binary);
            out << sim::WriteReplay(sim::MakeReplay(options, r));
        }
        r.events.clear();
        r.events.shrink_to_fit();
        r.checks.clear();
        r.checks.shrink_to_fit();
        results.emplace_back(s, std::move(r));
    }
    return results;
}

// The markdown table of docs/sim-seeds.md, with deaths and game time by level under it.
void PrintSeedTable(const SeedResults& results) {
    std::printf(
        "\n| seed | levels cleared | highest level | deaths | game overs | simulated time | "
        "frames | won within the hour |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|:---:|\n");
    int wins = 0;
    for (const auto& [s, r] : results) {
        const bool inHour = r.won && r.simMillis <= 3600000;
        wins += inHour;
        std::printf("| %d | %d | %d | %d | %d | %s | %d | %s |\n", s, r.levelsCleared,
                    r.highestLevel, r.deaths, r.gameOvers, sim::FormatGameTime(r.simMillis).c_str(),
                    r.frames, inHour ? "yes" : "no");
    }
    std::printf("\nwon within the hour: %d of %zu\n", wins, results.size());
    std::printf("\ndeaths by level (all seeds):");
    for (int level = 1; level <= game::kLastLevel; ++level) {
        int n = 0;
        for (const auto& [s, r] : results)
            n += r.deathsByLevel[level];
        std::printf(" L%d:%d", level, n);
    }
    std::printf("\n");
    std::printf("game time by level, mean over the seeds (s):");
    for (int level = 1; level <= game::kLastLevel; ++level) {
        long long n = 0;
        for (const auto& [s, r] : results)
            n += r.levelFrames[level];
        std::printf(" L%d:%.0f", level, n / 60.0 / static_cast<double>(results.size()));
    }
    std::printf("\n");
}

// The worst frame per level over the seeds, and the simulation's speed.
void PrintFrameTimes(const SeedResults& results) {
    std::printf("\nworst frame per level over the seeds (ms):\n");
    for (int level = 0; level < sim::kLevels; ++level) {
        double worst = 0;
        long long levelFrames = 0;
        for (const auto& [s, r] : results) {
            worst = std::max(worst, r.worstFrameMs[level]);
            levelFrames += r.levelFrames[level];
        }
        if (levelFrames)
            std::printf("  level %2d: %6.3f ms over %lld frames\n", level, worst, levelFrames);
    }
    double wall = 0;
    long long all = 0;
    for (const auto& [s, r] : results) {
        wall += r.wallSeconds;
        all += r.frames;
    }
    std::printf("simulated frames per second: %.0f\n", wall > 0 ? all / wall : 0.0);
}

// The process's memory from start to end, and the largest lists any seed's game had.
void PrintSoak(const SeedResults& results, long startKb) {
    int enemies = 0, bullets = 0, particles = 0, presents = 0, messages = 0;
    for (const auto& [s, r] : results) {
        enemies = std::max(enemies, r.maxEnemies);
        bullets = std::max(bullets, r.maxBullets);
        particles = std::max(particles, r.maxParticles);
        presents = std::max(presents, r.maxPresents);
        messages = std::max(messages, r.maxMessages);
    }
    std::printf("\nresident memory: %ld kB at start, %ld kB at the end\n", startKb,
                sim::ResidentKb());
    std::printf("largest lists: enemies %d, bullets %d, particles %d, presents %d, messages %d\n",
                enemies, bullets, particles, presents, messages);
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments a = ParseArguments(argc, argv);
    if (a.watch) {
#ifdef __EMSCRIPTEN__
        std::fputs("candycane-sim: --watch needs a window, and under node there is none\n", stderr);
        return 2;
#else
        sim::Autopilot pilot;
        sim::Watch(pilot);
#endif
    }
    if (!a.replayPath.empty()) {
        const sim::Replay replay = LoadReplay(a.replayPath);
        const sim::Divergence d = sim::VerifyReplay(replay);
        std::printf("%s: %d frames, %zu events: %s\n", a.replayPath.c_str(), replay.frames,
                    replay.events.size(), d.diverged ? d.Describe().c_str() : "replays exactly");
        return d.diverged ? 1 : 0;
    }
    if (!a.diffA.empty()) {
        const sim::Divergence d = sim::CompareReplays(LoadReplay(a.diffA), LoadReplay(a.diffB));
        std::printf("%s\n", d.Describe().c_str());
        return d.diverged ? 1 : 0;
    }

    const long startKb = sim::ResidentKb();
    const SeedResults results = RunSeeds(a);
    if (a.table) PrintSeedTable(results);
    if (a.timeFrames) PrintFrameTimes(results);
    if (a.soak) PrintSoak(results, startKb);
    return 0;
}
