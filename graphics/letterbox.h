// Where an arena of a fixed size lands in a drawable of any size.
//
// The arena is the surface as the game sees it (800 x 600 for the game, whatever the window
// is). It is drawn at the largest size that fits the drawable with its aspect kept, centred,
// with plain bars on the two other sides. Both OpenGL renderers and the platform layer map
// through here: the arena's box, the drawable pixels a box of the arena covers (for scissor
// boxes, clears and grabs), the bars, pointer positions in both directions, and a grab of
// drawable pixels read back at the arena's size. Nothing here calls GL or the platform.
//
// NOTE: an arena edge e lands on drawable column box.x + ceil(e * scale - 1/2): the first
// column whose centre lies at or past the scaled edge, which is the first column GL fills
// for a shape with its edge there. A scissor box, a clear or a grab of arena rectangle R
// therefore covers exactly the pixels a filled rectangle R covers when drawn.
#pragma once

#include <array>

#include "graphics/pixmap.h"

namespace vdl {

// A rectangle of pixels, y counted down from the top.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

// The arena's place in one drawable.
class Letterbox {
public:
    // A 1 x 1 arena filling a 1 x 1 drawable.
    Letterbox() = default;
    // Sizes below 1 count as 1 (a minimised window may report nothing).
    Letterbox(int arenaWidth, int arenaHeight, int drawableWidth, int drawableHeight);

    int ArenaWidth() const { return arenaWidth_; }
    int ArenaHeight() const { return arenaHeight_; }
    int DrawableWidth() const { return drawableWidth_; }
    int DrawableHeight() const { return drawableHeight_; }

    // The arena's box in drawable pixels.
    const PixelRect& Box() const { return box_; }
    // Whether the box is the whole drawable: no bars, nothing to clip.
    bool FillsDrawable() const;
    // Drawable pixels per arena pixel, the smaller of the two axes'.
    float Scale() const;

    // The drawable column (row) of an arena edge; see the note above.
    int ColumnOf(int arenaX) const;
    int RowOf(int arenaY) const;
    // The drawable pixels covered by an arena rectangle, at least one when it is not empty.
    PixelRect Map(const PixelRect& arena) const;
    // The drawable outside the box: left, right, top and bottom; empty where there is no bar.
    std::array<PixelRect, 4> Bars() const;

    // The arena pixel under a point of a window whose client area is windowWidth x
    // windowHeight points and shows this drawable (more pixels than points on a
    // high-density display). Clamped to the arena inside the window, so a point in a bar is
    // on the arena's edge; beyond the window (a drag the window keeps hold of) the distance
    // past its edge runs on in arena pixels, as it would with the arena filling the window.
    void ArenaPointOf(int windowX, int windowY, int windowWidth, int windowHeight, int& arenaX,
                      int& arenaY) const;
    // The window point that shows the centre of an arena pixel (not clamped).
    void WindowPointOf(int arenaX, int arenaY, int windowWidth, int windowHeight, int& windowX,
                       int& windowY) const;

    // An arena-sized copy of a grab: grab holds the drawable pixels Map(arena) (RGBA8888, top
    // row first); each arena pixel becomes the rounded mean of the drawable pixels it covers,
    // or of the nearest one when the box is smaller than the arena.
    PixmapRef ShrinkGrab(const PixmapRef& grab, const PixelRect& arena) const;

    bool operator==(const Letterbox&) const = default;

private:
    int arenaWidth_ = 1, arenaHeight_ = 1;
    int drawableWidth_ = 1, drawableHeight_ = 1;
    PixelRect box_{0, 0, 1, 1};
};

}  // namespace vdl
