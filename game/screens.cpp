// Start-up and the screens around play.
#include "game/screens.h"

#include <memory>

#include "audio/ogg_loader.h"
#include "audio/sound.h"
#include "game/levels.h"
#include "game/menu.h"
#include "game/player.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "graphics/image_font.h"
#include "graphics/png_loader.h"
#include "runtime/errors.h"
#include "runtime/phase_times.h"
#include "runtime/program.h"
#include "stream/url.h"
#include "system/clock.h"
#include "system/polled_input.h"
#include "system/random.h"
#include "system/system_driver.h"

namespace game {

namespace {
constexpr int kLevelCompleteFrames = 101;

// Where the sound's start-up is: begun after the first menu frame, finished once.
struct SoundStartState {
    const GamePlatform* platform = nullptr;
    bool begun = false;
    bool finished = false;
} soundStart;

// Whether the platform was told of the menu since LoadGame.
bool menuShownTold = false;

// Draws the two lines of a wait screen in black until a left click.
void WaitForClick(const char* heading, int x, const char* prompt) {
    vdl::ClearPointerAnchor();
    do {
        vdl::SetDrawColor(0, 0, 0);
        vdl::DrawString(heading, static_cast<float>(x), 150);
        vdl::DrawString(prompt, static_cast<float>(x), 250);
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
    } while (vdl::MouseHitCount(kLeftButton) == 0);
    vdl::SetDrawColor(255, 255, 255);
}
}  // namespace

void StartGameModules() {
    RegisterGameAssets();
    vdl::StartStreams();
    vdl::StartPNGLoader();
    vdl::StartOggLoader();
    vdl::StartImageFonts();
}

void SetUpDrawingState() {
    vdl::UseImageFont(font32);
    vdl::SetLineThickness(2.0f);
    vdl::SetClearColor(255, 255, 255);
    vdl::SetBlendMode(vdl::ALPHABLEND);
}

void LoadGame(const GamePlatform& platform) {
    if (platform.start) platform.start();
    soundStart = {&platform, false, false};
    menuShownTold = false;
    vdl::SetAppTitle("Candy Cane Arena");
    StartGameModules();
    BeginLoadingImages();
    // The runtime's start and the modules' are a step of their own, before the fonts.
    vdl::YieldIfBusy();
    LoadFonts();
    vdl::MarkPhase("fonts");
}

void RunFromTitleMenu(const GamePlatform& platform) {
    soundStart.platform = &platform;
    CreateWorld();
    if (!platform.openWindow()) vdl::RuntimeError("unable to open the 800 x 600 game window");
    vdl::MarkPhase("window");
    FinishLoadingImages();
    vdl::MarkPhase("images");
    SetUpDrawingState();
    player = std::make_shared<Tplayer>();
    vdl::SeedRandom(vdl::Millis());
    TitleMenu();
}

void GameMain(const GamePlatform& platform) {
    LoadGame(platform);
    RunFromTitleMenu(platform);
}

void MenuShown() {
    if (menuShownTold || !soundStart.platform) return;
    menuShownTold = true;
    if (soundStart.platform->menuShown) soundStart.platform->menuShown();
}

void StartSound(bool wait) {
    // Without a start-up (the game's tests load every resource themselves) there is nothing
    // to start.
    if (!soundStart.platform) soundStart.finished = true;
    if (soundStart.finished) return;
    const GamePlatform& platform = *soundStart.platform;
    if (!soundStart.begun) {
        soundStart.begun = true;
        if (platform.installSound) {
            platform.installSound();
            vdl::BeginInitAudio();
        }
        BeginLoadingSounds();
    }
    // The sounds go on decoding while the output may not open yet.
    if (!wait && !(vdl::AudioOutputSettled() && SoundsDecoded() &&
                   (!platform.soundAllowed || platform.soundAllowed()))) {
        return;
    }
    // The sounds are made for the driver the output leaves current.
    const bool sound = platform.installSound && vdl::InitAudio();
    FinishLoadingSounds();
    soundStart.finished = true;
    vdl::MarkPhase("sound");
    // A platform that never plays sound has nothing to say.
    if (!sound && platform.installSound) {
        vdl::PrintErrorLine("candycane-arena: no sound device; playing silent");
    }
}

void PlayLoop() {
    vdl::HidePointer();  // the aiming cross replaces it
    player->lives = 3;
    player->health = 6;
    for (;;) {
        UpdateMusic();
        if (vdl::KeyHitCount(kKeyP) != 0) {
            vdl::ResetKeys();
            PauseScreen();
        }
        if (vdl::CloseRequested()) vdl::EndProgram();
        GameFrame();
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
        if (vdl::IsKeyDown(kKeyEscape)) break;
        if (enemyList->Empty()) {
            // A real clear plays on for 101 frames; Escape skips the rest before its flip.
            if (player->lifeLost == 0) {
                for (int frame = 0; frame < kLevelCompleteFrames; ++frame) {
                    GameFrame();
                    if (vdl::KeyHitCount(kKeyEscape) != 0) break;
                    vdl::FlipFrame(-1);
                    vdl::ClearScreen();
                }
            }
            player->lifeLost = 0;
            levelNumber += 1;
            StartLevel();
        }
    }
    vdl::ResetKeys();
    TButton::UpdateAll();
    vdl::SetDrawRotation(0);
    vdl::SetDrawAlpha(1.0f);
    vdl::ClearPointerAnchor();
    vdl::ShowPointer();
}

void PauseScreen() {
    vdl::ClearPointerAnchor();
    vdl::ResetKeys();
    vdl::ResetMouse();
    for (;;) {
        vdl::SetDrawColor(0, 0, 0);
        vdl::SetBlendMode(vdl::ALPHABLEND);
        vdl::DrawString("PAUSED", 100, 100);
        vdl::DrawString("Press 'P' or click to unpause.", 100, 250);
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
        if (vdl::KeyHitCount(kKeyEscape) != 0) return;
        if (vdl::CloseRequested()) vdl::EndProgram();
        if (vdl::KeyHitCount(kKeyP) != 0 || vdl::MouseHitCount(kLeftButton) != 0) return;
    }
}

void LifeLostScreen() {
    vdl::ResetMouse();
    player->lifeLost = 1;
    WaitForClick("Life Lost, Be Careful!", 200, "Click To Continue");
}

void GameOverScreen() {
    vdl::ResetMouse();
    player->lives = 3;
    player->health = 4;
    player->weaponLevel = 1;
    enemyList->RemoveAll();
    bulletList->RemoveAll();
    levelNumber = 0;
    WaitForClick("DEAD", 200, "Click to Try Again");
}

void WinScreen() {
    vdl::ResetMouse();
    do {
        vdl::SetDrawColor(0, 0, 0);
        vdl::DrawString("You Won!", 150, 200);
        vdl::DrawString("Hit the mouse to start over", 150, 300);
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
    } while (vdl::IsMouseDown(kLeftButton) == 0);
    levelNumber = 0;
}

// NOTE: a suspended voice counts as playing, so with sound on the channel is only continued
// once its voice has ended or never started, which is silent: the music plays once per switch
// to on in the menu.
void UpdateMusic() {
    if (soundOn == kSoundOn) {
        if (!vdl::IsChannelPlaying(musicChannel)) vdl::ContinueChannel(musicChannel);
    } else {
        vdl::SuspendChannel(musicChannel);
    }
}

}  // namespace game
