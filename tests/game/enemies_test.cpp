// The ordinary enemies: hits, deaths and scores, fire timers, facing, and the enemies pass.
#include <memory>
#include <vector>

#include "game/enemies.h"
#include "game/pickups.h"
#include "tests/game/game_fixture.h"

namespace {

using game::player;

// An image that notes the alpha it is drawn at (its frame is fetched just before each draw).
struct AlphaSpyImage : vdl::TImage {
    explicit AlphaSpyImage(const vdl::TImage& source) : vdl::TImage(source) {}
    std::shared_ptr<vdl::TImageFrame> Frame(int index) override {
        alphas.push_back(vdl::GetDrawAlpha());
        return vdl::TImage::Frame(index);
    }
    std::vector<float> alphas;
};

class EnemiesTest : public gametest::GameTest {
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
};

TEST_F(EnemiesTest, ASnowmanFadesToHalfAfterOneHitAndDiesAtTheSecond) {
    auto snowman = game::TBasicEnemy::Create(200, 200);
    auto spy = std::make_shared<AlphaSpyImage>(*game::images.snowman);
    snowman->image = spy;
    auto hit = [&] {
        game::bulletList->RemoveAll();
        auto bullet = game::TBasicBullet::Create(200, 200, 0, game::kPlayerShot);
        snowman->Collide();
        EXPECT_EQ(bullet->alive, 0);
    };
    snowman->Draw();
    hit();
    snowman->Draw();
    EXPECT_EQ(snowman->alive, 1);
    hit();
    EXPECT_EQ(spy->alphas, (std::vector<float>{1.0f, 0.5f}));
    EXPECT_EQ(snowman->alive, 0);
    EXPECT_EQ(player->score, 10);
}

TEST_F(EnemiesTest, ATreeFacesThePlayerFiresAtOnceThenEvery750MsPlusAtMostAFrame) {
    auto tree = game::Tshooter::Create(400, 300, 0);
    std::vector<int> shotTimes;
    for (int i = 0; i < 200; ++i) {
        const int now = vdl::Millis(), before = game::bulletList->Size();
        if (i == 100) player->SetPosition(100, 300);
        EnemiesFrame();
        if (game::bulletList->Size() > before) shotTimes.push_back(now);
        EXPECT_EQ(tree->angle, i < 100 ? 90 : 180);
    }
    EXPECT_EQ(std::pair(tree->x, tree->y), std::pair(400.0f, 300.0f));  // a standing tree
    ASSERT_GE(shotTimes.size(), 4u);
    EXPECT_EQ(shotTimes.front(), 1000000);
    for (size_t i = 1; i < shotTimes.size(); ++i) {
        EXPECT_GT(shotTimes[i] - shotTimes[i - 1], 750) << i;
        EXPECT_LE(shotTimes[i] - shotTimes[i - 1], 750 + 17) << i;
    }
}

TEST_F(EnemiesTest, OnlyPlayerBulletsInItsHalfHitATreeAndItDiesAndScoresOnce) {
    auto tree = game::Tshooter::Create(200, 352, 0);
    tree->health = 1;
    auto theirs = game::TBasicBullet::Create(200, 352, 0, game::kEnemyShot);
    auto above = game::TBasicBullet::Create(200, 349, 0, game::kPlayerShot);  // the other half
    EnemiesFrame();
    EXPECT_EQ(std::tuple(theirs->alive, above->alive, tree->health), std::tuple(1, 1, 1));
    // Two bullets on a tree with one point left: both spent, one death, one score.
    auto first = game::TBasicBullet::Create(200, 352, 0, game::kPlayerShot);
    auto second = game::TBasicBullet::Create(202, 354, 0, game::kPlayerShot);
    EnemiesFrame();
    EXPECT_EQ(first->alive + second->alive + tree->alive, 0);
    EXPECT_EQ(player->score, 50);
    game::bulletList->RemoveAll();
    EnemiesFrame();
    EXPECT_EQ(player->score, 50);
    EXPECT_TRUE(game::enemyList->Empty());
}

// A spawn point produces in its first pass. An enemy appended while the last one in the list
// is updated waits for the next pass.
TEST_F(EnemiesTest, AnEnemyBornDuringTheLastUpdateMovesOnlyFromTheNextPass) {
    for (bool another : {false, true}) {
        game::enemyList->RemoveAll();
        game::TSpawnPoint::Create(400, 300, game::kSpawnHat, 2000);
        if (another) game::TCharger::Create(100, 100);
        EnemiesFrame();
        auto hat = std::dynamic_pointer_cast<game::TCharger>(game::enemyList->BackItem());
        ASSERT_NE(hat, nullptr);
        EXPECT_EQ(hat->y, another ? 301 : 300) << another;
        EnemiesFrame();  // and no second hat before the period is up
        EXPECT_EQ(hat->y, another ? 302 : 301) << another;
        EXPECT_EQ(game::enemyList->Size(), another ? 3 : 2);
    }
}

}  // namespace
