#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "graphics/letterbox.h"

namespace {

using namespace vdl;

TEST(Letterbox, TheArenaFitsCentredWithItsAspectAndTheBarsCoverTheRest) {
    EXPECT_EQ(Letterbox(800, 600, 800, 600).Box(), (PixelRect{0, 0, 800, 600}));
    EXPECT_EQ(Letterbox(800, 600, 1600, 1200).Box(), (PixelRect{0, 0, 1600, 1200}));
    EXPECT_EQ(Letterbox(800, 600, 1920, 1080).Box(), (PixelRect{240, 0, 1440, 1080}));
    EXPECT_EQ(Letterbox(800, 600, 600, 1000).Box(), (PixelRect{0, 275, 600, 450}));
    EXPECT_EQ(Letterbox(800, 600, 801, 601).Box(), (PixelRect{0, 0, 801, 600}));
    EXPECT_EQ(Letterbox(800, 600, 1, 1).Box(), (PixelRect{0, 0, 1, 1}));
    EXPECT_EQ(Letterbox(800, 600, 0, 0).Box(), (PixelRect{0, 0, 1, 1})) << "a minimised window";
    EXPECT_FLOAT_EQ(Letterbox(800, 600, 1920, 1080).Scale(), 1.8f);

    for (const auto& [w, h] : {std::pair{1920, 1080}, {1081, 1920}, {999, 333}, {7, 5}, {2, 1}}) {
        const Letterbox view(800, 600, w, h);
        long covered = long{view.Box().width} * view.Box().height;
        for (const PixelRect& bar : view.Bars()) {
            if (!bar.Empty()) covered += long{bar.width} * bar.height;
        }
        EXPECT_EQ(covered, long{w} * h) << w << " x " << h;
        const auto& [left, right, top, bottom] = view.Bars();
        EXPECT_LE(std::abs(left.width - right.width) + std::abs(top.height - bottom.height), 1);
    }
}

// Whether GL fills drawable column p for a shape from arena x0 to x1: its centre lies inside.
bool Fills(const Letterbox& view, int p, int x0, int x1) {
    const double s = double(view.Box().width) / view.ArenaWidth(), c = p + 0.5 - view.Box().x;
    return x0 * s <= c && c < x1 * s;
}

TEST(Letterbox, ArenaEdgesLandWhereGLFillsAShapeWithThoseEdges) {
    for (const auto& [w, h] : {std::pair{1600, 1200}, {1920, 1080}, {1333, 1000}, {500, 375}}) {
        const Letterbox view(800, 600, w, h);
        for (const auto& [x0, x1] : {std::pair{0, 800}, {0, 1}, {1, 2}, {17, 18}, {399, 401}}) {
            const PixelRect mapped = view.Map({x0, 0, x1 - x0, 1});
            // Below scale 1 a shape may fill no column; the mapping keeps one.
            if (!Fills(view, mapped.x, x0, x1)) continue;
            for (int p = mapped.x - 3; p < mapped.x + mapped.width + 3; ++p) {
                const bool inside = p >= mapped.x && p < mapped.x + mapped.width;
                EXPECT_EQ(inside, Fills(view, p, x0, x1))
                    << w << ": " << x0 << "-" << x1 << " " << p;
            }
        }
    }
}

TEST(Letterbox, PointerPositionsMapBothWaysAndClampToTheArenaInsideTheWindow) {
    int x = 0, y = 0;
    const Letterbox twice(800, 600, 1600, 1200);
    for (int i = 0; i < 2; ++i) {
        twice.ArenaPointOf(2 * 123 + i, 2 * 456 + i, 1600, 1200, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(123, 456));
    }
    const Letterbox wide(800, 600, 1920, 1080);
    wide.ArenaPointOf(10, 540, 1920, 1080, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 300)) << "the left bar is the arena's left edge";
    wide.ArenaPointOf(1919, 1079, 1920, 1080, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(799, 599));
    Letterbox(800, 600, 800, 600).ArenaPointOf(-20, 650, 800, 600, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(-20, 650)) << "a held drag runs on past the window";
    twice.ArenaPointOf(-4, 1203, 1600, 1200, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(-2, 601));

    // The last: a high-density window, 800 x 600 points over 1600 x 1200 pixels.
    for (const auto& [view, ww, wh] : {std::tuple{Letterbox(800, 600, 800, 600), 800, 600},
                                       {twice, 1600, 1200},
                                       {wide, 1920, 1080},
                                       {twice, 800, 600}}) {
        for (int a = 0; a < 800; a += 7) {
            int wx = 0, wy = 0;
            view.WindowPointOf(a, a % 600, ww, wh, wx, wy);
            view.ArenaPointOf(wx, wy, ww, wh, x, y);
            ASSERT_EQ(std::pair(x, y), std::pair(a, a % 600)) << ww << " x " << wh;
        }
    }
}

TEST(Letterbox, AGrabShrinksToTheMeanOfThePixelsEachArenaPixelCovers) {
    const Letterbox twice(4, 2, 8, 4);
    const PixmapRef drawable = TPixmap::Create(8, 4, PF_RGBA8888, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x)
            drawable->WritePixel(x, y, x < 2 ? 0xFF102030u : (x == 7 && y == 3 ? 0xFFFFFFFFu : 0u));
    }
    const PixmapRef arena = twice.ShrinkGrab(drawable, {0, 0, 4, 2});
    ASSERT_EQ(std::pair(arena->width, arena->height), std::pair(4, 2));
    EXPECT_EQ(arena->ReadPixel(0, 0), 0xFF102030u);
    EXPECT_EQ(arena->ReadPixel(0, 1), 0xFF102030u);
    EXPECT_EQ(arena->ReadPixel(3, 1), 0x40404040u) << "one white pixel of four, rounded";

    const Letterbox half(4, 2, 2, 1);
    const PixmapRef small = TPixmap::Create(2, 1, PF_RGBA8888, 4);
    small->WritePixel(1, 0, 0xFFABCDEFu);
    EXPECT_EQ(half.ShrinkGrab(small, {0, 0, 4, 2})->ReadPixel(3, 1), 0xFFABCDEFu)
        << "the nearest pixel when the box is smaller than the arena";
}

}  // namespace
