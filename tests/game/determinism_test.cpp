// Replays: the same seed and the same input give the same game, frame for frame.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {

using game::player;

class DeterminismTest : public gametest::GameTest {
protected:
    // 3000 frames on levels 21, 19, 21, ... (the next whenever the field is clear) under
    // scripted keys, pointer and buttons: a hash of every frame's state and the seed after it.
    std::vector<std::pair<size_t, int>> Play(int seed) {
        clock_.Set(1000000);
        vdl::ResetKeys();
        vdl::ResetMouse();
        game::CreateWorld();
        player = std::make_shared<game::Tplayer>();
        player->SetPosition(400, 300);
        vdl::SeedRandom(seed);
        OnEachFlip([](int) {
            if (player->lifeLost == 1) Click();  // a life-lost or game-over screen is up
        });
        std::vector<std::pair<size_t, int>> run;
        for (int frame = 0, levels = 0; frame < 3000; ++frame) {
            if (game::enemyList->Empty()) {
                game::bulletList->RemoveAll();
                game::snowballList->RemoveAll();
                game::levelNumber = levels++ % 2 == 0 ? 21 : 19;
                game::SetUpLevel(game::levelNumber);
            }
            const std::string held[4] = {"WD", "S", "AW", "DS"};  // key codes are the letters
            for (char key : std::string("ADSW"))
                Emit(held[frame / 90 % 4].find(key) != std::string::npos ? vdl::kEventKeyDown
                                                                         : vdl::kEventKeyUp,
                     key);
            PointAt(400 + static_cast<int>(300 * std::cos(frame * 0.05)),
                    300 + static_cast<int>(250 * std::sin(frame * 0.037)));
            Emit(frame % 300 < 200 ? vdl::kEventMouseDown : vdl::kEventMouseUp, 1);
            Emit(frame % 300 >= 150 ? vdl::kEventMouseDown : vdl::kEventMouseUp, 2);
            Frame();
            livesLost += player->lifeLost;
            player->lifeLost = 0;
            mostBullets = std::max(mostBullets, game::bulletList->Size());
            run.emplace_back(std::hash<std::string>{}(Snapshot()), vdl::CurrentSeed());
        }
        return run;
    }

    static std::string Snapshot() {
        std::ostringstream out;
        out.precision(9);
        out << player->x << ' ' << player->y << ' ' << player->health << ' ' << player->score << ' '
            << player->lives << ' ' << player->weaponLevel << ' ' << game::levelNumber;
        for (const auto& list : {game::presentList, game::messageList})
            out << ' ' << list->Size();
        auto at = [&](const auto& o) { out << ' ' << o.x << ',' << o.y; };
        game::ForEach<game::TEnemy>(*game::enemyList, at);
        game::ForEach<game::Tbullet>(*game::bulletList, at);
        game::ForEach<game::Tparticle>(*game::particleList, at);
        game::ForEach<game::Tport>(*game::snowballList, at);
        return out.str();
    }

    int livesLost = 0, mostBullets = 0;
};

TEST_F(DeterminismTest, TheSameSeedAndInputReplayFrameForFrame) {
    const auto first = Play(4242);
    EXPECT_GT(livesLost, 0);
    EXPECT_GT(mostBullets, 100);
    EXPECT_GT(player->score, 0);
    const auto second = Play(4242);
    for (size_t frame = 0; frame < first.size(); ++frame)
        ASSERT_EQ(first[frame], second[frame]) << "frame " << frame;
    EXPECT_NE(Play(4243), first);
}

}  // namespace
