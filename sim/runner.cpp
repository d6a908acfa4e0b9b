// The headless runner, the watch mode and replays.
#include "sim/runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "collections/list.h"
#include "game/menu.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "runtime/errors.h"
#include "runtime/program.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/headless_system_driver.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/random.h"
#include "system/system_driver.h"

namespace sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Thrown from the flip hook to leave the game.
struct StopRun {};
// Thrown from the exit routine when the game ends the program during a RunLoaded run.
struct QuitRun {};

bool NoSound() {
    return false;
}

std::shared_ptr<vdl::TGraphics> HeadlessWindow() {
    return vdl::OpenHeadlessGraphics(800, 600);
}

const game::GamePlatform kHeadlessPlatform{&NoSound, &HeadlessWindow};

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

std::string Clock(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", ms / 60000, ms / 1000 % 60);
    return text;
}

void TrackProgress(Session& s) {
    RunResult& r = *s.result;
    const int level = game::levelNumber;
    const int lives = game::player ? game::player->lives : 0;
    if (s.options->trace && s.lastLives >= 0 && (lives != s.lastLives || level != s.lastLevel)) {
        std::fprintf(stderr,
                     "frame %d (%s): level %d, lives %d, health %d, weapon %d, enemies %d\n",
                     s.flips, Clock(r.simMillis).c_str(), level, lives, game::player->health,
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
    if (level == 0 && s.lastLevel > 0 && s.lastLevel != 22) r.gameOvers += 1;
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
    if (level >= 1 && level <= 21) r.highestLevel = std::max(r.highestLevel, level);
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

    if (game::levelNumber == 22 && !r.won) {
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

// GameMain after its loading: the world, the window, the drawing state, the player, the
// seed, the title menu.
void StartAtTitleMenu() {
    game::CreateWorld();
    if (!HeadlessWindow()) vdl::RuntimeError("unable to open the 800 x 600 game window");
    // A fresh program's pointer is at the corner and no close request is pending; an earlier
    // run may have left either.
    vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, 0, 0, nullptr);
    vdl::CloseRequested();
    game::SetUpDrawingState();
    game::player = std::make_shared<game::Tplayer>();
    vdl::SeedRandom(vdl::Millis());
    game::TitleMenu();
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
    return RunHeadless(options, source, false, [] { game::GameMain(kHeadlessPlatform); });
}

void LoadGameOnce() {
    static const bool loaded = (game::StartGameModules(), game::LoadGameResources(), true);
    (void)loaded;
}

RunResult RunLoaded(const RunOptions& options, InputSource& source) {
    LoadGameOnce();
    return RunHeadless(options, source, true, &StartAtTitleMenu);
}

void Watch(InputSource& source) {
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
    game::GameMain(game::DesktopPlatform());
}

// ---- Replays ------------------------------------------------------------------------------

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
