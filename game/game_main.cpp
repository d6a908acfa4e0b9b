// Start-up of the game.
#include "game/game_main.h"

#include "game/assets.h"
#include "runtime/program.h"
#include "stream/embedded.h"

namespace game {

void RegisterGameAssets() {
    for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
        const vdl::EmbeddedFile& file = vdl::generated::gameAssets[i];
        vdl::RegisterEmbedded(file.name, file.data, file.size);
    }
}

void GameMain() {
    RegisterGameAssets();
    vdl::EndProgram();
}

}  // namespace game
