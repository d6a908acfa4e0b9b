// The 21 levels: their intro texts, their set-ups, and the level start.
//
// A level starts with its intro screen ("Level n", a prompt and up to three lines about what
// comes), then the arena is cleared of bullets and snowballs and the level's objects are
// created in the order of its set-up, which is also the order they are updated and drawn in.
// Level 22 has no content: its intro runs the win screen, after which play goes on at level 1.
#pragma once

#include <span>
#include <string_view>

namespace game {

// The last playable level.
constexpr int kLastLevel = 21;
// The level number of the win screen, one past the last.
constexpr int kWinLevel = kLastLevel + 1;

// The intro screen of levelNumber, then a cleared and populated arena.
void StartLevel();

// The description lines of a level under its intro heading; for level 22 the win screen
// first.
void ShowLevelDescription(int level);

// Draws lines one under the other in the 28-pixel font from (x, y + 5), then goes back to
// the 32-pixel font.
void DrawTextLines(std::span<const std::string_view> lines, int x, int y);

// Four snowballs at (200, 200), (200, 400), (600, 200) and (600, 400).
void PlaceDefaultSnowballs();

// The description lines of a level; empty for a number without a level.
std::span<const std::string_view> LevelDescription(int level);

// Creates the objects of a level's set-up, in order; a number without a level creates
// nothing.
void SetUpLevel(int level);

}  // namespace game
