// The title menu, its text buttons, the directions screen and the HUD.
//
// The title menu is the program's outermost loop: Start, Quit, Directions and the sound
// switch, drawn in black (grey under the pointer) under the title picture. A click counts one
// frame after it is seen: each frame acts on the marks the previous frame's button pass set.
// The HUD shows the lives as small candy canes, the health bar and the score.
#pragma once

#include <memory>
#include <string>

#include "game/fields.h"
#include "runtime/object.h"

namespace game {

class TButton : public vdl::Object {
public:
    std::string text;
    int x = 0;  // top-left of the label
    int y = 0;
    int width = 0;  // measured once, when the button is made
    int height = 0;
    int clicked = 0;  // 1 after a frame in which the left button was pressed over the label

    // Every field that lasts from frame to frame.
    void Fields(FieldVisitor& v);

    // Hover and click test, grey or black, then Draw.
    virtual void Update();
    // The label in the current colour and font.
    virtual void Draw();

    // A button measured in the current font, appended to buttonList.
    static std::shared_ptr<TButton> Create(int x, int y, const std::string& text);
    // Clears every click mark and updates every button; then black.
    static void UpdateAll();
};

// Whether two rectangles overlap, touching edges included.
bool RectsOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);

// The outline of a w x h rectangle at (x, y), four segments in the current line width.
void DrawRectOutline(int x, int y, int w, int h);

// The title menu loop. Never returns: the program ends from here.
[[noreturn]] void TitleMenu();

// The directions picture until the left button is down or Escape is pressed. NOTE: the button
// is tested held, once a frame, and the mouse state is cleared on entry, so the press that
// opened the screen does not close it.
void DirectionsScreen();

// The heads-up display: lives, health bar and score, half transparent.
void DrawHud();

}  // namespace game
