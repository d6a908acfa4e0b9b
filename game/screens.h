// Start-up and the screens around play: the play loop, pause, life lost, game over, win.
//
// Every screen is a blocking loop that draws a frame, flips it (paced to 60 Hz), clears, and
// polls input. The play loop runs frames of play until Escape; a cleared level plays 101 more
// frames before the next level's intro; a lost life restarts the level; the last life lost
// resets the game to level 1, keeping the score.
#pragma once

#include <memory>

#include "game/platform.h"
#include "graphics/graphics.h"

namespace game {

// Program entry: LoadGame, then RunFromTitleMenu. Never returns; the program ends through
// EndProgram, or with an error when start-up fails.
[[noreturn]] void GameMain(const GamePlatform& platform);

// Start-up up to the window: the title, the engine modules, and the images and fonts, which
// go on loading on threads of their own while the window opens.
void LoadGame(const GamePlatform& platform);

// The rest of start-up, then the title menu: the world, the window, the images and fonts once
// loaded, the drawing state, the player and the seed. The sound starts after the first menu
// frame (StartSound).
[[noreturn]] void RunFromTitleMenu(const GamePlatform& platform);

// The sound's part of start-up, which the first menu frame does not wait for: opening the
// output and decoding the two sounds, each on a thread of its own, then making the sounds
// and the music channel. The title menu calls this after every frame: the first call begins
// it, a later one finishes it once everything is ready or, with wait, waits for it (before
// the menu plays the music or starts play). Without an output the game says so, once, and
// plays silent. Once finished it does nothing (a later run from the menu included) until the
// next LoadGame, which starts the sound afresh.
void StartSound(bool wait);

// Called by the title menu after each frame it shows: the first after LoadGame tells the
// platform (GamePlatform::menuShown).
void MenuShown();

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
