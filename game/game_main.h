// Program entry of the game: start-up, then the title menu.
#pragma once

namespace game {

// Registers the embedded assets, starts the engine and runs the game. Ends the program
// through EndProgram.
[[noreturn]] void GameMain();

// Registers every embedded game asset under its file name, in table order.
void RegisterGameAssets();

}  // namespace game
