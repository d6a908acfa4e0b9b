// Start-up of the game.
//
// For now the program registers the assets, opens the 800 x 600 window at 60 Hz and shows
// a white screen until Escape or a close request ends it.
#include "game/game_main.h"

#include <GL/gl.h>

#include "game/assets.h"
#include "graphics/gl_graphics.h"
#include "graphics/graphics.h"
#include "runtime/errors.h"
#include "runtime/program.h"
#include "stream/embedded.h"
#include "system/polled_input.h"

namespace game {

namespace {
constexpr int kKeyEscape = 27;
}  // namespace

void RegisterGameAssets() {
    for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
        const vdl::EmbeddedFile& file = vdl::generated::gameAssets[i];
        vdl::RegisterEmbedded(file.name, file.data, file.size);
    }
}

void GameMain() {
    RegisterGameAssets();

    if (!vdl::OpenGLGraphics(800, 600, 0, 60, 0)) {
        vdl::RuntimeError("unable to open the 800 x 600 window with an OpenGL context");
    }
    for (;;) {
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        vdl::FlipFrame(-1);
        if (vdl::KeyHitCount(kKeyEscape) || vdl::CloseRequested()) vdl::EndProgram();
    }
}

}  // namespace game
