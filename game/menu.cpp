// The title menu, buttons, the directions screen and the HUD.
#include "game/menu.h"

#include "audio/sound.h"
#include "game/levels.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "graphics/image_font.h"
#include "runtime/phase_times.h"
#include "runtime/program.h"
#include "system/clock.h"
#include "system/polled_input.h"

namespace game {

namespace {
constexpr const char* kSoundOffLabel = "Sound: Off";
constexpr const char* kSoundOnLabel = "Sound: On";
}  // namespace

// ---- Buttons ----------------------------------------------------------------------------

// NOTE: the hot area is the label's box plus one pixel to the left and above; a click over it
// consumes the left button's presses, so no later button sees them.
void TButton::Update() {
    if (RectsOverlap(vdl::PointerX(), vdl::PointerY(), 1, 1, x, y, width, height)) {
        if (vdl::MouseHitCount(kLeftButton) != 0) clicked = 1;
        vdl::SetDrawColor(155, 155, 155);
    } else {
        clicked = 0;
        vdl::SetDrawColor(0, 0, 0);
    }
    Draw();
}

void TButton::Draw() {
    vdl::DrawString(text, static_cast<float>(x), static_cast<float>(y));
}

void TButton::Fields(FieldVisitor& v) {
    v.Field("text", text);
    v.Field("x", x);
    v.Field("y", y);
    v.Field("width", width);
    v.Field("height", height);
    v.Field("clicked", clicked);
}

std::shared_ptr<TButton> TButton::Create(int x, int y, const std::string& text) {
    auto button = std::make_shared<TButton>();
    button->x = x;
    button->y = y;
    button->text = text;
    button->width = vdl::MeasureTextWidth(text);
    button->height = vdl::FontLineHeight();
    buttonList->Append(button);
    return button;
}

void TButton::UpdateAll() {
    ForEach<TButton>(*buttonList, [](TButton& button) {
        button.clicked = 0;
        button.Update();
    });
    vdl::SetDrawColor(0, 0, 0);
}

bool RectsOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
    if (x1 > x2 + w2 || x1 + w1 < x2) return false;
    if (y1 > y2 + h2 || y1 + h1 < y2) return false;
    return true;
}

void DrawRectOutline(int x, int y, int w, int h) {
    const float left = static_cast<float>(x);
    const float top = static_cast<float>(y);
    const float right = static_cast<float>(x + w);
    const float bottom = static_cast<float>(y + h);
    vdl::DrawSegment(left, top, right, top, 1);
    vdl::DrawSegment(right, top, right, bottom, 1);
    vdl::DrawSegment(right, bottom, left, bottom, 1);
    vdl::DrawSegment(left, bottom, left, top, 1);
}

// ---- Screens ----------------------------------------------------------------------------

void TitleMenu() {
    LoadImageOnFirstUse(&GameImages::title);
    // A button measures its text, which renders the glyphs it has not met: on a page each is
    // a step of start-up of its own (vdl::YieldIfBusy).
    const auto start = TButton::Create(50, 200, "Start");
    vdl::YieldIfBusy();
    const auto quit = TButton::Create(50, 275, "Quit");
    vdl::YieldIfBusy();
    const auto directions = TButton::Create(50, 350, "Directions");
    vdl::YieldIfBusy();
    const auto sound = TButton::Create(500, 200, kSoundOffLabel);
    vdl::YieldIfBusy();
    for (;;) {
        if (directions->clicked == 1) DirectionsScreen();
        if (quit->clicked == 1) vdl::EndProgram();
        // Play and the music need the sound's start-up finished.
        if (start->clicked == 1 || sound->clicked == 1) StartSound(true);
        if (start->clicked == 1) {
            enemyList->RemoveAll();
            levelNumber = 1;
            StartLevel();
            PlayLoop();
        }
        if (sound->clicked == 1) {
            if (soundOn == kSoundOn) {
                soundOn = kSoundOff;
                sound->text = kSoundOffLabel;
            } else {
                soundOn = kSoundOn;
                sound->text = kSoundOnLabel;
                vdl::PlaySoundOn(musicSound, musicChannel);
            }
        }
        // The marks set here are acted on in the next frame.
        TButton::UpdateAll();
        vdl::SetDrawColor(255, 255, 255);
        vdl::DrawImageFrame(images.title, 0, 0, 0);
        vdl::ResetMouse();
        vdl::FlipFrame(-1);
        vdl::MarkPhase("menu frame");
        MenuShown();
        StartSound(false);
        vdl::ClearScreen();
        if (vdl::CloseRequested() || vdl::IsKeyDown(kKeyEscape)) vdl::EndProgram();
    }
}

void DirectionsScreen() {
    LoadImageOnFirstUse(&GameImages::directions);
    vdl::ResetMouse();
    vdl::SetDrawColor(255, 255, 255);
    vdl::SetDrawAlpha(1.0f);
    do {
        vdl::DrawImageFrame(images.directions, 0, 0, 0);
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
    } while (!vdl::IsMouseDown(kLeftButton) && vdl::KeyHitCount(kKeyEscape) == 0);
    vdl::ResetMouse();
    vdl::ResetKeys();
}

void DrawHud() {
    for (int i = 1; i <= player->lives; ++i) {
        vdl::SetDrawAlpha(0.5f);
        vdl::SetDrawScale(0.5f, 0.5f);
        vdl::SetDrawColor(255, 255, 255);
        vdl::DrawImageFrame(images.candycane, static_cast<float>(50 + 30 * i), 30, 0);
        vdl::SetDrawAlpha(1.0f);
        vdl::SetDrawScale(1.0f, 1.0f);
    }
    vdl::UseImageFont(font24);
    vdl::SetDrawAlpha(0.5f);
    vdl::SetDrawColor(0, 0, 0);
    vdl::DrawString("Health: ", 250, 20);
    vdl::DrawString("Lives:", 10, 20);
    DrawRectOutline(335, 19, 121, 21);
    vdl::DrawString("Score: " + std::to_string(player->shownScore), 600, 20);
    // 20 pixels of green per point of health, the rest of the 121-pixel bar red.
    const int health = player->health;
    vdl::SetDrawColor(0, 255, 0);
    vdl::FillRect(335, 20, static_cast<float>(health * 20 + 1), 20);
    vdl::SetDrawColor(255, 0, 0);
    vdl::FillRect(static_cast<float>(335 + health * 20), 20, static_cast<float>(121 - health * 20),
                  20);
    vdl::SetDrawColor(255, 255, 255);
    vdl::UseImageFont(font32);
    vdl::SetDrawAlpha(1.0f);
}

}  // namespace game
