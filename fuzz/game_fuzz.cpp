// The game's input: bytes become a script of key, mouse and window events spread over frames,
// played into the real game headless from its title menu (sim::RunLoaded, on resources loaded
// once), so every screen is reachable: the menu, the directions, the level intros, play,
// pause, life lost, game over, the win screen and quitting. After every frame the entity lists
// must stay within what the levels can produce in that many frames, and the player within the
// field; a crash, a sanitizer report or an escaped run-time error is a finding too.
//
// Script: two bytes of seed (the clock's start, so the game's random generator), then
// operations of one byte each with their arguments; see ReadScript. A script plays at most
// kMaxFrames frames and ends kTailFrames after its last event.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "collections/list.h"
#include "fuzz/fuzz_support.h"
#include "game/player.h"
#include "game/world.h"
#include "sim/runner.h"
#include "system/event.h"

namespace {

using vdl::fuzz::TByteReader;

// ---------------------------------------------------------------------------------------
// Constants

// Frames one input may play (10 s of game time) and frames played after its last event.
constexpr int kMaxFrames = 600;
constexpr int kTailFrames = 30;

// Largest lists allowed after any frame. The levels make far fewer in 600 frames: the
// longest runs of the autopilot peak at 50 enemies, 178 bullets, 2 040 particles, 17 presents
// and 2 messages; snowballs are at most the 10 of a set-up, buttons the menu's 4.
constexpr int kMaxEnemies = 1000;
constexpr int kMaxBullets = 2000;
constexpr int kMaxParticles = 20000;
constexpr int kMaxSnowballs = 16;
constexpr int kMaxButtons = 4;
constexpr int kMaxPresents = 200;
constexpr int kMaxMessages = 200;

// The player is clamped to the field and then pushed out of snowballs, at most the
// snowball's radius plus half its own size beyond it.
constexpr float kPlayerMargin = 32;

// A point on the menu's Start label; Quit and Directions are 75 and 150 pixels below it, the
// sound switch level with it at x 510.
constexpr int kStartX = 60, kStartY = 210;

// Keys the game reads, first; any other byte is a key it ignores.
constexpr int kGameKeys[] = {game::kKeyW, game::kKeyA,      game::kKeyS,
                             game::kKeyD, game::kKeyEscape, game::kKeyP};

// ---------------------------------------------------------------------------------------
// The script

// One thing done at a flip: an input event, or a jump to another level.
struct Action {
    int frame = 0;
    bool jump = false;
    sim::InputEvent event;
    int level = 0;   // jump: the level number, 1..21
    int weapon = 0;  // jump: the player's weapon level, 1..5
};

// A key code: mostly the game's keys, sometimes any byte, rarely one out of range (which the
// polled input drops).
int ReadKey(TByteReader& in) {
    const int b = in.Byte();
    if (b < 0xC0) return kGameKeys[b % std::size(kGameKeys)];
    if (b == 0xFF) return 256;
    if (b == 0xFE) return -1;
    return in.Byte();
}

// A mouse button: mostly left and right, sometimes the middle one or one out of range.
int ReadButton(TByteReader& in) {
    constexpr int kButtons[] = {
        game::kLeftButton, game::kRightButton, game::kLeftButton, game::kRightButton, 3, 0, 4,
        game::kLeftButton};
    return kButtons[in.Byte() % std::size(kButtons)];
}

// Reads the operations into actions in frame order, and the seed. Returns the frames to play.
int ReadScript(TByteReader& in, int& seed, std::vector<Action>& actions) {
    // A positive start far below the clock's wrap, as the system clock's is.
    seed = 1 + in.Word();
    int frame = 1;
    int x = 0, y = 0;
    auto emit = [&](int at, int id, int data) {
        Action action;
        action.frame = at;
        action.event = {at, id, data, x, y};
        actions.push_back(action);
    };
    while (in.More() && frame < kMaxFrames) {
        const int op = in.Byte();
        switch (op % 16) {
            case 0:
            case 1:
            case 2:  // the next frame, or a few later
                frame += 1 + in.Byte() % 8;
                break;
            case 3:  // a longer wait
                frame += 8 + in.Byte() % 120;
                break;
            case 4:
                emit(frame, vdl::kEventKeyDown, ReadKey(in));
                break;
            case 5:
                emit(frame, vdl::kEventKeyUp, ReadKey(in));
                break;
            case 6: {  // a key held for some frames
                const int key = ReadKey(in);
                emit(frame, vdl::kEventKeyDown, key);
                emit(frame + 1 + in.Byte() % 64, vdl::kEventKeyUp, key);
                break;
            }
            case 7:  // the pointer anywhere, a little beyond the window too
                x = in.Word() % 880 - 40;
                y = in.Word() % 680 - 40;
                emit(frame, vdl::kEventMouseMove, 0);
                break;
            case 8:  // the pointer nudged
                x += static_cast<std::int8_t>(in.Byte());
                y += static_cast<std::int8_t>(in.Byte());
                emit(frame, vdl::kEventMouseMove, 0);
                break;
            case 9:  // the pointer on one of the menu's four buttons
                x = op & 0x10 ? 510 : kStartX;
                y = kStartY + 75 * (op >> 5 & 3);
                emit(frame, vdl::kEventMouseMove, 0);
                break;
            case 10:
                emit(frame, vdl::kEventMouseDown, ReadButton(in));
                break;
            case 11:
                emit(frame, vdl::kEventMouseUp, ReadButton(in));
                break;
            case 12: {  // a click, or a press held for some frames
                const int button = ReadButton(in);
                emit(frame, vdl::kEventMouseDown, button);
                emit(frame + in.Byte() % 48, vdl::kEventMouseUp, button);
                break;
            }
            case 13: {  // the window and the application
                constexpr int kIds[] = {vdl::kEventAppTerminate, vdl::kEventAppSuspend,
                                        vdl::kEventAppResume,    vdl::kEventKeyChar,
                                        vdl::kEventMouseWheel,   vdl::kEventKeyRepeat};
                const int id = kIds[in.Byte() % std::size(kIds)];
                emit(frame, id, in.Byte());
                break;
            }
            case 14: {
                // NOTE: a jump stands for clearing levels: it takes the enemies away and sets
                // the level number and the weapon, values the game itself sets, so the later
                // levels and the bosses are reached within the frames one input may play. In
                // play the next level comes after the cleared level's 101 frames; on an intro
                // the level set is the one that starts. Level 0 is left out: it has no enemy,
                // and the game reaches it only after the win screen or after two lives lost
                // in level 1's last frames; 21 is the highest, as the game never counts past
                // the win's 22.
                Action action;
                action.frame = frame;
                action.jump = true;
                action.level = 1 + in.Byte() % 21;
                action.weapon = 1 + in.Byte() % 5;
                actions.push_back(action);
                break;
            }
            default:  // 15: the left button held down over a span, as when firing
                emit(frame, vdl::kEventMouseDown, game::kLeftButton);
                emit(frame + 1 + in.Byte() % 120, vdl::kEventMouseUp, game::kLeftButton);
                break;
        }
    }
    std::stable_sort(actions.begin(), actions.end(),
                     [](const Action& a, const Action& b) { return a.frame < b.frame; });
    const int last = actions.empty() ? frame : std::max(frame, actions.back().frame);
    return std::min(last + kTailFrames, kMaxFrames);
}

// ---------------------------------------------------------------------------------------
// Checks

void CheckWorld() {
    using vdl::fuzz::Require;
    Require(vdl::ListSize(game::enemyList) <= kMaxEnemies, "enemies stay bounded");
    Require(vdl::ListSize(game::bulletList) <= kMaxBullets, "bullets stay bounded");
    Require(vdl::ListSize(game::particleList) <= kMaxParticles, "particles stay bounded");
    Require(vdl::ListSize(game::snowballList) <= kMaxSnowballs, "snowballs stay bounded");
    Require(vdl::ListSize(game::buttonList) <= kMaxButtons, "buttons stay bounded");
    Require(vdl::ListSize(game::presentList) <= kMaxPresents, "presents stay bounded");
    Require(vdl::ListSize(game::messageList) <= kMaxMessages, "messages stay bounded");
    // A life lost in the frames after a cleared level lowers the level and those frames play
    // on, so two lost there after level 1 show the second "Life Lost" at level -1; a third
    // is game over, which sets 0.
    Require(game::levelNumber >= -1 && game::levelNumber <= 22, "the level is -1 to 22");

    const game::Tplayer& player = *game::player;
    Require(std::isfinite(player.x) && std::isfinite(player.y), "the player has a position");
    Require(player.x >= -kPlayerMargin && player.x <= game::kFieldWidth + kPlayerMargin &&
                player.y >= -kPlayerMargin && player.y <= game::kFieldHeight + kPlayerMargin,
            "the player stays on the field");
    Require(player.lives >= 0 && player.lives <= 3, "the lives are 0 to 3");
    Require(player.health <= 6, "the health is at most 6");
}

// Sends the script's actions at their flips and checks the world after every frame.
class TScriptInput : public sim::InputSource {
public:
    explicit TScriptInput(const std::vector<Action>& actions) : actions_(actions) {}

    void OnFlip(int frame, std::vector<sim::InputEvent>& events) override {
        CheckWorld();
        for (; next_ < actions_.size() && actions_[next_].frame <= frame; ++next_) {
            const Action& action = actions_[next_];
            if (!action.jump) {
                events.push_back(action.event);
                continue;
            }
            game::enemyList->RemoveAll();
            game::levelNumber = action.level;
            game::player->weaponLevel = action.weapon;
        }
    }

private:
    const std::vector<Action>& actions_;
    std::size_t next_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sim::LoadGameOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TByteReader in(data, size);
    sim::RunOptions options;
    std::vector<Action> actions;
    options.maxFrames = ReadScript(in, options.seed, actions);
    options.stopOnWin = false;
    options.checkEvery = 0;
    options.keepEvents = false;
    TScriptInput input(actions);
    sim::RunLoaded(options, input);
    return 0;
}
