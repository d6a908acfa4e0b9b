// Start-up of the game.
//
// For now the program registers the assets, opens the 800 x 600 window at 60 Hz and, until
// the game arrives, draws a few sprites, shapes and a line of text through the 2D drawing
// layer on a white screen, rings the bell on a left click, and ends on Escape or a close
// request.
#include "game/game_main.h"

#include <GL/gl.h>

#include <string>

#include "audio/ogg_loader.h"
#include "audio/sound.h"
#include "game/assets.h"
#include "graphics/drawing.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/image_font.h"
#include "graphics/png_loader.h"
#include "runtime/errors.h"
#include "runtime/math.h"
#include "runtime/program.h"
#include "stream/embedded.h"
#include "system/polled_input.h"

namespace game {

namespace {
constexpr int kKeyEscape = 27;

// One frame of the stand-in scene: sprites turning around the centre, and the shapes.
void DrawStandInFrame(int frame, const vdl::ImageRef& cane, const vdl::ImageRef& hat,
                      const vdl::ImageRef& present) {
    const float turn = static_cast<float>(frame % 360);
    vdl::SetDrawColor(255, 255, 255);
    vdl::SetDrawRotation(turn);
    vdl::DrawImageFrame(cane, 400, 300);
    for (int i = 0; i < 8; ++i) {
        const float angle = turn + i * 45.0f;
        vdl::SetDrawRotation(-angle);
        vdl::DrawImageFrame(i % 2 ? hat : present, 400 + 150 * vdl::CosDeg(angle),
                            300 + 150 * vdl::SinDeg(angle));
    }
    vdl::SetDrawRotation(0);
    vdl::SetDrawColor(200, 30, 40);
    vdl::FillRect(40, 40, 200, 12);
    vdl::SetDrawColor(30, 140, 60);
    vdl::DrawEllipse(600, 60, 120, 60);
    vdl::DrawPolygon({80, 520, 140, 420, 200, 520});
    vdl::SetDrawColor(40, 60, 200);
    vdl::DrawSegment(250, 560, 550, 480, 1);
    vdl::SetDrawColor(0, 0, 0);
    vdl::DrawString("Candy Cane Arena: click for the bell, Escape to leave", 100, 100);
}
}  // namespace

void RegisterGameAssets() {
    for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
        const vdl::EmbeddedFile& file = vdl::generated::gameAssets[i];
        vdl::RegisterEmbedded(file.name, file.data, file.size);
    }
}

void GameMain() {
    RegisterGameAssets();

    vdl::StartPNGLoader();
    vdl::StartOggLoader();
    vdl::InitAudio();
    vdl::StartGLRenderer();
    vdl::SetAutoCenterAnchor(true);
    const vdl::ImageRef cane = vdl::LoadImageFrom(std::string("incbin::candycane.png"));
    const vdl::ImageRef hat = vdl::LoadImageFrom(std::string("incbin::hat.png"));
    const vdl::ImageRef present = vdl::LoadImageFrom(std::string("incbin::present.png"));
    const vdl::ImageFontRef font24 = vdl::OpenImageFont("incbin::santbsb_.ttf", 24, 4);
    const vdl::SoundRef bell = vdl::LoadSoundFrom("incbin::bell.ogg", 0);

    if (!vdl::OpenGraphics(800, 600, 0, 60, 0)) {
        vdl::RuntimeError("unable to open the 800 x 600 window with an OpenGL context");
    }
    vdl::SetLineThickness(2.0f);
    glEnable(GL_LINE_SMOOTH);
    vdl::SetClearColor(255, 255, 255);
    vdl::SetBlendMode(vdl::ALPHABLEND);
    vdl::UseImageFont(font24);
    for (int frame = 0;; ++frame) {
        DrawStandInFrame(frame, cane, hat, present);
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
        if (vdl::MouseHitCount(1)) vdl::PlaySoundOn(bell, nullptr);
        if (vdl::KeyHitCount(kKeyEscape) || vdl::CloseRequested()) vdl::EndProgram();
    }
}

}  // namespace game
