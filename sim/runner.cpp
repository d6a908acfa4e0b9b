// The headless runner and the watch mode's flip driver.
#include "sim/runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "collections/list.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/graphics.h"
#include "runtime/program.h"
#include "sim/headless_platform.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/headless_system_driver.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/system_driver.h"

namespace sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Thrown from the flip hook to leave the game.
struct StopRun {};
// Thrown from the exit routine when the game ends the program during a RunLoaded run.
struct QuitRun {};

void Emit(const InputEvent& e) {
    vdl::EmitOSEvent(e.id, nullptr, e.data, 0, e.x, e.y, nullptr);
}

// What one run keeps between flips.
struct Session {
    const RunOptions* options = nullptr;
    InputSource* source = nullptr;
    RunResult* result = nullptr;
    vdl::TVirtualClock* clock = nullptr;  // null in the watch mode
    bool quitEndsRun = false;             // RunLoaded: a program end leaves the run instead
    int flips = 0;
    int lastLevel = -1;
    int lastLives = -1;
    int lastSpin = -1;
    bool deathSinceLevelChange = false;
    SteadyClock::time_point frameStart;
    std::vector<InputEvent> pending;
};

Session* current = nullptr;

void TrackProgress(Session& s) {
    RunResult& r = *s.result;
    const int level = game::levelNumber;
    const int lives = game::player ? game::player->lives : 0;
    if (s.options->trace && s.lastLives >= 0 && (lives != s.lastLives || level != s.lastLevel)) {
        std::fprintf(
            stderr, "frame %d (%s): level %d, lives %d, health %d, weapon %d, enemies %d\n",
            s.flips, FormatGameTime(r.simMillis).c_str(), level, lives, game::player->health,
            game::player->weaponLevel, vdl::ListSize(game::enemyList));
    }
    if (s.lastLives >= 0) {
        if (lives < s.lastLives) {
            r.deaths += s.lastLives - lives;
            s.deathSinceLevelChange = true;
            // The level was already taken back by one when the life went.
            if (level + 1 < kLevels) r.deathsByLevel[std::max(level + 1, 0)] += 1;
        }
    }
    // Game over takes the level to 0 (so does the win screen, once dismissed).
    if (level == 0 && s.lastLevel > 0 && s.lastLevel != game::kWinLevel) r.gameOvers += 1;
    if (s.lastLevel >= 0 && level != s.lastLevel) {
        if (level == s.lastLevel + 1) {
            if (!s.deathSinceLevelChange && s.lastLevel >= 1) {
                r.levelsCleared += 1;
                r.clearsByLevel[s.lastLevel] += 1;
            }
            s.deathSinceLevelChange = false;
        } else if (level > s.lastLevel) {
            s.deathSinceLevelChange = false;
        }
    }
    if (level >= 1 && level <= game::kLastLevel) r.highestLevel = std::max(r.highestLevel, level);
    s.lastLevel = level;
    s.lastLives = lives;
}

void TrackSizes(RunResult& r) {
    r.maxEnemies = std::max(r.maxEnemies, vdl::ListSize(game::enemyList));
    r.maxBullets = std::max(r.maxBullets, vdl::ListSize(game::bulletList));
    r.maxParticles = std::max(r.maxParticles, vdl::ListSize(game::particleList));
    r.maxPresents = std::max(r.maxPresents, vdl::ListSize(game::presentList));
    r.maxMessages = std::max(r.maxMessages, vdl::ListSize(game::messageList));
}

vdl::ObjectRef OnFlip(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
    Session* s = current;
    // Start-up flips twice, unpaced, when it makes the window current; the player is made
    // after that, and the game's frames begin with the title menu.
    if (!s || !game::player) return data;
    const RunOptions& o = *s->options;
    RunResult& r = *s->result;
    // A frame of play turns the present ring by a degree; the other screens do not.
    const int spin = game::player->presentLoop->spin;
    const bool played = spin != s->lastSpin;
    s->lastSpin = spin;
    if (o.timeFrames) {
        const int level = std::clamp(game::levelNumber, 0, kLevels - 1);
        double ms = -1;
        if (s->flips > 0 && played) {
            ms = std::chrono::duration<double, std::milli>(SteadyClock::now() - s->frameStart)
                     .count();
            r.worstFrameMs[level] = std::max(r.worstFrameMs[level], ms);
        }
        r.frameMs.push_back(static_cast<float>(ms));
        r.frameLevel.push_back(static_cast<unsigned char>(level));
    }
    ++s->flips;
    const int frame = s->flips;
    r.frames = frame;
    const int step = frame % 3 == 1 ? 16 : 17;
    r.simMillis += step;
    if (s->clock) s->clock->Advance(step);
    r.levelFrames[std::clamp(game::levelNumber, 0, kLevels - 1)] += 1;
    TrackProgress(*s);
    TrackSizes(r);

    // A fresh program's pointer is at the corner; the last run's may be anywhere.
    if (frame == 1) {
        vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, 0, 0, nullptr);
        r.residentFirstKb = ResidentKb();
    }

    const bool keepCheck = o.checkEvery > 0 && frame % o.checkEvery == 0;
    if (o.keepHashes || keepCheck) {
        const StateHash hash = HashState();
        if (o.keepHashes) r.hashes.push_back(hash);
        if (keepCheck) r.checks.emplace_back(frame, Combined(hash));
    }
    if (frame == o.snapshotFrame) r.snapshot = SnapshotState();

    if (game::levelNumber == game::kWinLevel && !r.won) {
        r.won = true;
        r.winFrame = frame;
    }
    const bool done = (o.maxFrames > 0 && frame >= o.maxFrames) ||
                      (o.maxMillis > 0 && r.simMillis >= o.maxMillis) || (o.stopOnWin && r.won);
    if (done) {
        // The last frame always carries a check, so a replay is verified to its end.
        if (r.checks.empty() || r.checks.back().first != frame) {
            r.checks.emplace_back(frame, Combined(HashState()));
        }
        r.residentLastKb = ResidentKb();
        throw StopRun{};
    }

    s->pending.clear();
    s->source->OnFlip(frame, s->pending);
    for (InputEvent& e : s->pending) {
        e.frame = frame;
        Emit(e);
        if (s->clock && o.keepEvents) r.events.push_back(e);
    }
    if (o.timeFrames) s->frameStart = SteadyClock::now();
    return data;
}

// NOTE: the game ends the program through EndProgram, which runs the exit routines, newest
// first, before it exits; this routine throws out of it while a RunLoaded run is going. It is
// forgotten once it has run, so a run registers it again when it is not registered.
bool quitRoutineRegistered = false;

void LeaveRunOnQuit() {
    quitRoutineRegistered = false;
    if (current && current->quitEndsRun) throw QuitRun{};
}

// The game from its title menu with what LoadGameOnce loaded, as GameMain goes on after its
// loading.
void StartAtTitleMenu() {
    // A fresh program's pointer is at the corner and no close request is pending; an earlier
    // run may have left either.
    vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, 0, 0, nullptr);
    vdl::CloseRequested();
    game::RunFromTitleMenu(HeadlessPlatform());
}

// Runs body, the game from its start or from its title menu, headless on the session's
// virtual clock until the flip hook (or, with quitEndsRun, the exit routine) leaves it.
RunResult RunHeadless(const RunOptions& options, InputSource& source, bool quitEndsRun,
                      void (*body)()) {
    RunResult result;
    vdl::TVirtualClock clock(options.seed);
    Session session;
    session.options = &options;
    session.source = &source;
    session.result = &result;
    session.clock = &clock;
    session.quitEndsRun = quitEndsRun;

    const auto previousDriver =
        vdl::SetSystemDriver(std::make_shared<vdl::THeadlessSystemDriver>());
    vdl::TClock* previousClock = vdl::SetClock(&clock);
    // Every run starts as a fresh program would: no player until start-up makes it.
    game::player = nullptr;
    current = &session;
    if (quitEndsRun && !quitRoutineRegistered) {
        vdl::AddExitRoutine(&LeaveRunOnQuit);
        quitRoutineRegistered = true;
    }
    vdl::AddHook(vdl::FlipHook, &OnFlip, nullptr, 0);
    const auto wallStart = SteadyClock::now();
    try {
        body();
    } catch (const StopRun&) {
    } catch (const QuitRun&) {
        result.quit = true;
    }
    result.wallSeconds = std::chrono::duration<double>(SteadyClock::now() - wallStart).count();
    vdl::RemoveHook(vdl::FlipHook, &OnFlip, nullptr);
    current = nullptr;
    vdl::CloseOpenedGraphics();
    vdl::SetClock(previousClock);
    vdl::SetSystemDriver(previousDriver);
    return result;
}

}  // namespace

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

RunResult Run(const RunOptions& options, InputSource& source) {
    return RunHeadless(options, source, false, [] { game::GameMain(HeadlessPlatform()); });
}

void LoadGameOnce() {
    static const bool loaded =
        (game::LoadGame(HeadlessPlatform()), game::FinishLoadingImages(), true);
    (void)loaded;
}

RunResult RunLoaded(const RunOptions& options, InputSource& source) {
    LoadGameOnce();
    return RunHeadless(options, source, true, &StartAtTitleMenu);
}

std::string FormatGameTime(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", ms / 60000, ms / 1000 % 60);
    return text;
}

void DriveNextGame(InputSource& source) {
    static RunOptions options;
    options.stopOnWin = false;
    options.checkEvery = 0;
    options.trace = true;  // the level and the lives, for whoever watches
    static RunResult result;
    static Session session;
    session.options = &options;
    session.source = &source;
    session.result = &result;
    current = &session;
    vdl::AddHook(vdl::FlipHook, &OnFlip, nullptr, 0);
}

}  // namespace sim
