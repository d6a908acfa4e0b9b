// Start-up and the screens around play: the play loop, pause, life lost, game over, win.
//
// Every screen is a blocking loop that draws a frame, flips it (paced to 60 Hz), clears, and
// polls input. The play loop runs frames of play until Escape; a cleared level plays 101 more
// frames before the next level's intro; a lost life restarts the level; the last life lost
// resets the game to level 1, keeping the score.
#pragma once

#include <memory>

#include "graphics/graphics.h"

namespace game {

// What start-up needs from the machine it runs on.
struct GamePlatform {
    // Opens the sound output; false when the game must run silent, and says so. Null on a
    // platform that never plays sound (the headless runner), which says nothing of it.
    bool (*startSound)();
    // Selects the renderer and opens the 800 x 600 surface at 60 Hz; null when it cannot.
    std::shared_ptr<vdl::TGraphics> (*openWindow)();
};

// Program entry: LoadGame, then RunFromTitleMenu. Never returns; the program ends through
// EndProgram, or with an error when start-up fails.
[[noreturn]] void GameMain(const GamePlatform& platform);

// Start-up up to the window: the title, the engine modules, the sound output, every image and
// font; the two sounds go on decoding on threads of their own. Returns whether sound plays.
bool LoadGame(const GamePlatform& platform);

// The rest of start-up, then the title menu: the world, the window, the sounds once decoded
// (a second call keeps the first call's), the drawing state, the player and the seed.
[[noreturn]] void RunFromTitleMenu(const GamePlatform& platform, bool sound);

// Registers the embedded assets and starts the loaders the game's assets need (streams, PNG,
// Ogg Vorbis, fonts).
void StartGameModules();

// The drawing state every screen starts from: the 32-pixel font, 2-pixel lines, a white clear
// colour, alpha blending.
void SetUpDrawingState();

// The play loop, from the first level's intro until Escape; then back to the menu.
void PlayLoop();

// The pause overlay until P, a left click or Escape.
void PauseScreen();

// "Life Lost, Be Careful!" until a left click; marks the life lost.
void LifeLostScreen();

// Resets lives, health, weapon, the enemies, the bullets and the level; "DEAD" until a click.
void GameOverScreen();

// "You Won!" until the left button is held down; the level number becomes 0.
void WinScreen();

// Keeps the music channel playing while sound is on, suspended while it is off.
void UpdateMusic();

}  // namespace game
