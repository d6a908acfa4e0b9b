// The crowded field of the frame benchmarks: 300 enemies of every kind, 400 bullets of both
// sides and 151 particles, spread over both halves of the screen.
#pragma once

#include <memory>

#include "game/arena.h"
#include "game/bosses.h"
#include "game/bullets.h"
#include "game/enemies.h"
#include "game/levels.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/world.h"
#include "system/random.h"

namespace bench {

// A fresh crowd: the player in the middle, four snowballs, 300 enemies (the five kinds, spawn
// points and a few bosses) on a grid over the whole field, 400 bullets (player's and enemies',
// straight and homing), 151 particles.
inline void BuildField() {
    game::CreateWorld();
    game::player = std::make_shared<game::Tplayer>();
    game::player->SetPosition(400, 300);
    game::player->health = 1 << 30;  // no life is lost while measuring
    vdl::SeedRandom(777);
    game::PlaceDefaultSnowballs();
    for (int i = 0; i < 300; ++i) {
        const int x = 20 + (i % 20) * 38;
        const int y = 20 + (i / 20) * 37;
        switch (i % 10) {
            case 0:
                game::TBasicEnemy::Create(x, y);
                break;
            case 1:
                game::Tshooter::Create(x, y, i % 20 == 1);
                break;
            case 2:
                game::TCharger::Create(x, y);
                break;
            case 3:
                game::TRoundShooter::Create(x, y);
                break;
            case 4:
                game::TBouncer::Create(x, y);
                break;
            case 5:
                game::TSpawnPoint::Create(x, y, 1 + i % 5, 2000);
                break;
            case 6:
                if (i % 100 == 6) {
                    game::TGinger::Create(x, y, 2);
                } else {
                    game::TCharger::Create(x, y);
                }
                break;
            default:
                game::TBasicEnemy::Create(x, y);
                break;
        }
    }
    for (int i = 0; i < 400; ++i) {
        const int x = 10 + (i * 37) % 780;
        const int y = 10 + (i * 53) % 580;
        const int owner = i % 2 == 0 ? game::kPlayerShot : game::kEnemyShot;
        if (i % 8 < 6) {
            game::TBasicBullet::Create(x, y, (i * 29) % 360, owner);
        } else {
            game::THomingBullet::Create(x, y, owner, (i * 29) % 360);
        }
    }
    game::SpawnBurst(400, 300, 300);
}

}  // namespace bench
