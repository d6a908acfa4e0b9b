// The gingerbread man and the wreath: phases, volleys, the stuck fan, attacks and death.
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "game/bosses.h"
#include "game/pickups.h"
#include "tests/game/game_fixture.h"

namespace {

using game::player;

template <class T>
std::vector<T*> All(vdl::TList& list) {
    std::vector<T*> found;
    game::ForEach<T>(list, [&](T& item) { found.push_back(&item); });
    return found;
}

class BossesTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        player->SetPosition(400, 500);
    }
    // The enemies pass alone and a flip: bullets stay where they were made.
    void EnemiesFrame() {
        game::TEnemy::UpdateAll();
        vdl::FlipFrame(-1);
    }
    // The directions of the straight bullets fired in one pass, 0..359.
    std::vector<int> Volley() {
        game::bulletList->RemoveAll();
        EnemiesFrame();
        std::vector<int> headings;
        for (auto* b : All<game::TBasicBullet>(*game::bulletList)) {
            const double degrees = std::atan2(b->vy, b->vx) * 180 / std::numbers::pi;
            headings.push_back((static_cast<int>(std::lround(degrees)) + 360) % 360);
        }
        return headings;
    }
};

TEST_F(BossesTest, TheGingerbreadManCyclesItsPhasesEveryFiveSecondsAtSpeedZeroWithoutMoving) {
    auto ginger = game::TGinger::Create(400, 200, 0);
    std::vector<int> phases = {ginger->phase}, changeTimes = {vdl::Millis()};
    for (int i = 0; i < 960; ++i) {
        const int now = vdl::Millis();
        Volley();
        if (ginger->phase != phases.back()) {
            phases.push_back(ginger->phase);
            changeTimes.push_back(now);
        }
        ASSERT_EQ(std::pair(ginger->x, ginger->y), std::pair(400.0f, 200.0f));
    }
    EXPECT_EQ(phases, (std::vector<int>{2, 3, 1, 2}));
    for (size_t i = 1; i < changeTimes.size(); ++i) {
        EXPECT_GT(changeTimes[i] - changeTimes[i - 1], 5000) << i;
        EXPECT_LE(changeTimes[i] - changeTimes[i - 1], 5000 + 17) << i;
    }
}

TEST_F(BossesTest, EachGingerbreadPhaseFiresItsVolley) {
    player->SetPosition(500, 300);  // straight to the right
    auto ginger = game::TGinger::Create(400, 300, 2);
    ginger->angle = 100;  // the spin keeps its facing, a degree on per bullet
    EXPECT_EQ(Volley(), (std::vector<int>{101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}));
    EXPECT_EQ(ginger->angle, 111);

    player->SetPosition(400, 400);  // straight down: the facing becomes 90
    ginger->phase = 3;
    ginger->lastFire = 0;
    EXPECT_EQ(Volley(), (std::vector<int>{0, 45, 90, 135, 180, 225, 270, 315, 0, 90}));
    ginger->phase = 1;
    ginger->lastFire = 0;
    EXPECT_EQ(Volley(), (std::vector<int>{85, 90, 95}));
    EXPECT_FLOAT_EQ(ginger->y, 302);  // the chase moves at its speed
}

TEST_F(BossesTest, AKilledBossScoresDropsTwoPresentsAndSaysSo) {
    auto check = [&](std::shared_ptr<game::TBoss> boss, int hitX, int points) {
        boss->health = 1;
        game::TBasicBullet::Create(hitX, 200, 0, game::kPlayerShot);
        EnemiesFrame();
        EXPECT_EQ(std::pair(boss->alive, player->score), std::pair(0, points));
        EXPECT_EQ(game::presentList->Size(), 2);
        auto message = std::dynamic_pointer_cast<game::TMessage>(game::messageList->BackItem());
        ASSERT_EQ(game::messageList->Size(), 1);
        EXPECT_EQ(
            std::tuple(message->text, message->x, message->y),
            std::tuple("BOSS DEFEATED", vdl::TruncToInt(boss->x - 50), vdl::TruncToInt(boss->y)));
        game::CreateWorld();
    };
    check(game::TGinger::Create(300, 200, 0), 300, 200);
    check(game::TWreath::Create(300, 200), 325, 600);  // a ring: hit off its centre
}

// 130 frames (about 2.2 s) of the wreath walking down at the player from (400, 100), with or
// without a snowball at (400, 200) in its way. It fires at once and again after 2000 ms.
TEST_F(BossesTest, TheWreathAttacksEveryTwoSecondsAndAddsAFanOfNineteenOnlyWhenHeld) {
    for (bool held : {false, true}) {
        game::CreateWorld();
        if (held) game::Tport::Create(400, 200);
        auto wreath = game::TWreath::Create(400, 100);
        std::vector<int> times;
        for (int i = 0; i < 130; ++i) {
            const int now = vdl::Millis(), before = game::bulletList->Size();
            EnemiesFrame();
            if (game::bulletList->Size() > before) times.push_back(now);
        }
        int aimed = 0, fan = 0;
        for (auto* bullet : All<game::THomingBullet>(*game::bulletList))
            (bullet->speed == 4 ? aimed : fan) += 1;
        EXPECT_TRUE(held ? wreath->y < 160 : wreath->y > 450) << wreath->y;
        EXPECT_EQ(All<game::TCharger>(*game::enemyList).size(), 2u);
        EXPECT_EQ(aimed, 2);
        EXPECT_EQ(fan, held ? 19 : 0);
        ASSERT_EQ(times.size(), 2u);
        EXPECT_GT(times[1] - times[0], 2000);
        EXPECT_LE(times[1] - times[0], 2000 + 17);
    }
}

TEST_F(BossesTest, TheWreathsThirdPhaseFiresARingOfSevenAndNoHat) {
    auto wreath = game::TWreath::Create(400, 100);
    wreath->phase = 3;
    EnemiesFrame();
    EXPECT_EQ(All<game::THomingBullet>(*game::bulletList).size(), 7u);
    EXPECT_EQ(game::enemyList->Size(), 1);
}

}  // namespace
