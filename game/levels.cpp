// The level tables and the level start.
#include "game/levels.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>

#include "game/arena.h"
#include "game/bosses.h"
#include "game/enemies.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "graphics/image_font.h"
#include "system/polled_input.h"
#include "system/system_driver.h"

namespace game {

namespace {
// ---- The description table -------------------------------------------------------------

// Up to three lines a level; the lines it does not use are empty.
constexpr int kMostDescriptionLines = 3;
using Description = std::array<std::string_view, kMostDescriptionLines>;

constexpr Description kDescriptions[kLastLevel + 1] = {
    {},
    {"Santa Hat: Follows you around constantly"},
    {"Ornament: Bounces off walls and large snowballs"},
    {"Christmas Tree: Fires bullets periodically", "Does not move"},
    {"Christmas Bell: Spins and fires bullets", "Moves slowly toward you"},
    {"Spawning Point: Spawns enemies", "Kill it to get a present"},
    {"Can you handle two spawn points?"},
    {"Two christmas trees are harder than one"},
    {"Ornaments: Yes, those are ornaments", "They bounce around things"},
    {"Spawning shooters"},
    {"Gingerbread Man (Boss)", "Hide behind the large snowballs"},
    {"Douglas Firs", "More Health"},
    {"Spawning Bouncers"},
    {"Snowmen!", "They move quickly towards their destination"},
    {"Santa Hats... Lots of them", "Move Quickly"},
    {"You'll need to move fast to escape these trees!"},
    {"Spawning Christmas Bells!"},
    {"Dodge quickly, or die fast"},
    {"Ornaments + Chrismas Trees = Mayhem"},
    {"Genuinely hard level", "Kill the spawn points quickly to succeed"},
    {"Christmas Wreath (Boss)", "Snowballs obstruct it's path, use them to your advantage",
     "Spawns hats"},
    {"Final Level"},
};

// ---- The set-up table ------------------------------------------------------------------

enum class Make {
    Hat,
    Ornament,
    StandingTree,
    WalkingTree,
    Bell,
    Spawn,
    Gingerbread,
    Wreath,
    Snowball,
    DefaultSnowballs,
    PlayerAt,
};

// One creation of a set-up. A health of 0 keeps the object's own.
struct Creation {
    Make what;
    int x = 0;
    int y = 0;
    int kind = 0;    // spawn points
    int period = 0;  // spawn points, milliseconds
    int speed = 0;   // the gingerbread man
    int health = 0;  // also the boss's maxHealth
};

constexpr Creation Hat(int x, int y) {
    return {Make::Hat, x, y};
}
constexpr Creation Ornament(int x, int y) {
    return {Make::Ornament, x, y};
}
constexpr Creation StandingTree(int x, int y) {
    return {Make::StandingTree, x, y};
}
constexpr Creation WalkingTree(int x, int y, int health = 0) {
    return {Make::WalkingTree, x, y, 0, 0, 0, health};
}
constexpr Creation Bell(int x, int y) {
    return {Make::Bell, x, y};
}
constexpr Creation Spawn(int x, int y, int kind, int period, int health = 0) {
    return {Make::Spawn, x, y, kind, period, 0, health};
}
constexpr Creation Gingerbread(int x, int y, int speed, int health = 0) {
    return {Make::Gingerbread, x, y, 0, 0, speed, health};
}
constexpr Creation Wreath(int x, int y) {
    return {Make::Wreath, x, y};
}
constexpr Creation Snowball(int x, int y) {
    return {Make::Snowball, x, y};
}
constexpr Creation DefaultSnowballs() {
    return {Make::DefaultSnowballs};
}
constexpr Creation PlayerAt(int x, int y) {
    return {Make::PlayerAt, x, y};
}

// The set-ups are constant: the program builds none of them as it starts.
constexpr std::initializer_list<Creation> kSetups[kLastLevel + 1] = {
    {},
    /* 1 */ {Hat(50, 50), DefaultSnowballs()},
    /* 2 */
    {Ornament(100, 100), Ornament(100, 100), Ornament(100, 100), Ornament(100, 100),
     DefaultSnowballs()},
    /* 3 */ {StandingTree(100, 100), DefaultSnowballs()},
    /* 4 */ {Bell(100, 100), DefaultSnowballs()},
    /* 5 */ {Spawn(50, 50, kSpawnHat, 2000)},
    /* 6 */ {Spawn(50, 50, kSpawnHat, 2000), Spawn(750, 50, kSpawnHat, 2000), DefaultSnowballs()},
    /* 7 */ {WalkingTree(50, 50), WalkingTree(750, 50)},
    /* 8 */ {Spawn(400, 50, kSpawnOrnament, 1200), DefaultSnowballs()},
    /* 9 */ {Spawn(400, 50, kSpawnWalkingTree, 1500)},
    /* 10 */ {DefaultSnowballs(), Gingerbread(0, 0, 2)},
    /* 11 */ {WalkingTree(210, 100, 25), WalkingTree(410, 100, 25)},
    /* 12 */
    {Spawn(400, 50, kSpawnOrnament, 1000, 50), Spawn(400, 550, kSpawnOrnament, 1000),
     DefaultSnowballs()},
    /* 13 */
    {Spawn(400, 100, kSpawnSnowman, 1500, 50), Snowball(175, 197), Snowball(238, 260),
     Snowball(330, 260), Snowball(433, 260), Snowball(536, 260), Snowball(611, 197),
     PlayerAt(400, 500)},
    /* 14 */
    {Hat(167, 145), Hat(170, 223), Hat(179, 294), Hat(176, 364), Hat(175, 439),
     Hat(222, 479), Hat(279, 479), Hat(390, 488), Hat(452, 493), Hat(492, 489),
     Hat(586, 491), Hat(652, 488), Hat(704, 470), Hat(703, 408), Hat(697, 299),
     Hat(696, 265), Hat(691, 174), Hat(688, 138), Hat(662, 90),  Hat(597, 85),
     Hat(512, 89),  Hat(434, 89),  Hat(275, 100), Hat(223, 100), Hat(155, 101)},
    /* 15 */
    {WalkingTree(318, 44), WalkingTree(329, 44), WalkingTree(342, 44), WalkingTree(365, 44),
     WalkingTree(385, 44), WalkingTree(399, 43), WalkingTree(421, 43), StandingTree(340, 562),
     StandingTree(357, 561), StandingTree(372, 561), StandingTree(389, 561), StandingTree(404, 561),
     StandingTree(425, 561), StandingTree(444, 561), DefaultSnowballs()},
    /* 16 */ {Spawn(100, 100, kSpawnBell, 2000), DefaultSnowballs()},
    /* 17 */
    {Spawn(600, 200, kSpawnWalkingTree, 2000), Spawn(600, 400, kSpawnWalkingTree, 2000),
     DefaultSnowballs()},
    /* 18 */
    {Spawn(200, 100, kSpawnOrnament, 1500), Spawn(200, 100, kSpawnWalkingTree, 1500),
     Snowball(200, 250)},
    /* 19 */
    {Spawn(650, 200, kSpawnHat, 2000), Spawn(650, 400, kSpawnHat, 2000),
     Spawn(750, 300, kSpawnWalkingTree, 1500)},
    /* 20 */
    {Wreath(0, 0), Snowball(401, 288), Snowball(403, 55), Snowball(400, 535), DefaultSnowballs()},
    /* 21 */ {Gingerbread(0, 0, 2, 300), Spawn(50, 50, kSpawnWalkingTree, 2000, 50)},
};

void Create(const Creation& c) {
    switch (c.what) {
        case Make::Hat:
            TCharger::Create(c.x, c.y);
            break;
        case Make::Ornament:
            TBouncer::Create(c.x, c.y);
            break;
        case Make::StandingTree:
            Tshooter::Create(c.x, c.y, 0);
            break;
        case Make::WalkingTree: {
            const auto tree = Tshooter::Create(c.x, c.y, 1);
            if (c.health) tree->health = c.health;
            break;
        }
        case Make::Bell:
            TRoundShooter::Create(c.x, c.y);
            break;
        case Make::Spawn: {
            const auto spawn = TSpawnPoint::Create(c.x, c.y, c.kind, c.period);
            if (c.health) spawn->health = c.health;
            break;
        }
        case Make::Gingerbread: {
            const auto ginger = TGinger::Create(c.x, c.y, c.speed);
            if (c.health) {
                ginger->health = c.health;
                ginger->maxHealth = c.health;
            }
            break;
        }
        case Make::Wreath:
            TWreath::Create(c.x, c.y);
            break;
        case Make::Snowball:
            Tport::Create(c.x, c.y);
            break;
        case Make::DefaultSnowballs:
            PlaceDefaultSnowballs();
            break;
        case Make::PlayerAt:
            player->SetPosition(c.x, c.y);
            break;
    }
}
}  // namespace

std::span<const std::string_view> LevelDescription(int level) {
    if (level < 1 || level > kLastLevel) return {};
    const Description& lines = kDescriptions[level];
    std::size_t used = 0;
    while (used < lines.size() && !lines[used].empty())
        ++used;
    return {lines.data(), used};
}

void SetUpLevel(int level) {
    if (level < 1 || level > kLastLevel) return;
    for (const Creation& creation : kSetups[level])
        Create(creation);
}

void PlaceDefaultSnowballs() {
    Tport::Create(200, 200);
    Tport::Create(200, 400);
    Tport::Create(600, 200);
    Tport::Create(600, 400);
}

void DrawTextLines(std::span<const std::string_view> lines, int x, int y) {
    vdl::UseImageFont(font28);
    const int h = vdl::FontLineHeight();
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        vdl::DrawString(std::string(lines[i]), static_cast<float>(x),
                        static_cast<float>(y + 5 + i * h));
    }
    vdl::UseImageFont(font32);
}

void ShowLevelDescription(int level) {
    if (level == kWinLevel) WinScreen();
    DrawTextLines(LevelDescription(level), 100, 400);
}

void StartLevel() {
    bulletList->RemoveAll();
    snowballList->RemoveAll();
    vdl::SetDrawColor(0, 0, 0);
    vdl::ClearPointerAnchor();
    vdl::ResetMouse();
    for (;;) {
        vdl::ClearScreen();
        vdl::DrawString("Level " + std::to_string(levelNumber), 100, 100);
        vdl::DrawString("Click To Continue", 100, 150);
        ShowLevelDescription(levelNumber);
        vdl::FlipFrame(-1);
        if (vdl::KeyHitCount(kKeyEscape) != 0 || vdl::MouseHitCount(kLeftButton) != 0 ||
            vdl::MouseHitCount(kRightButton) != 0) {
            break;
        }
    }
    vdl::SetDrawColor(255, 255, 255);
    player->SetPosition(400, 300);
    SetUpLevel(levelNumber);
    // The click that ended the intro fires no shot.
    vdl::ResetMouse();
}

}  // namespace game
