#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <utility>

#include "graphics/letterbox.h"

namespace {

using namespace vdl;

TEST(Letterbox, TheArenaFitsCentredWithItsAspectAndTheBarsCoverTheRest) {
    EXPECT_EQ(Letterbox(800, 600, 1600, 1200).Box(), (PixelRect{0, 0, 1600, 1200}));
    EXPECT_EQ(Letterbox(800, 600, 1920, 1080).Box(), (PixelRect{240, 0, 1440, 1080}));
    EXPECT_EQ(Letterbox(800, 600, 600, 1000).Box(), (PixelRect{0, 275, 600, 450}));
    EXPECT_EQ(Letterbox(800, 600, 801, 601).Box(), (PixelRect{0, 0, 801, 600}));
    EXPECT_EQ(Letterbox(800, 600, 1, 1).Box(), (PixelRect{0, 0, 1, 1}));
    EXPECT_EQ(Letterbox(800, 600, 0, 0).Box(), (PixelRect{0, 0, 1, 1})) << "a minimised window";

    for (const auto& [w, h] : {std::pair{1920, 1080}, {1081, 1920}, {999, 333}, {7, 5}}) {
        const Letterbox view(800, 600, w, h);
        long covered = long{view.Box().width} * view.Box().height;
        for (const PixelRect& bar : view.Bars())
            covered += bar.Empty() ? 0 : long{bar.width} * bar.height;
        EXPECT_EQ(covered, long{w} * h) << w << " x " << h;
        const auto& [left, right, top, bottom] = view.Bars();
        EXPECT_LE(std::abs(left.width - right.width) + std::abs(top.height - bottom.height), 1);
    }
}

TEST(Letterbox, ArenaEdgesLandWhereGLFillsAShapeWithThoseEdges) {
    for (const auto& [w, h] : {std::pair{1600, 1200}, {1920, 1080}, {1333, 1000}, {500, 375}}) {
        const Letterbox view(800, 600, w, h);
        const double scale = double(view.Box().width) / 800;
        for (const auto& [x0, x1] : {std::pair{0, 800}, {0, 1}, {17, 18}, {399, 401}}) {
            // GL fills column p when its centre lies in [x0, x1) scaled.
            auto fills = [&view, scale, from = x0, to = x1](int p) {
                const double c = p + 0.5 - view.Box().x;
                return from * scale <= c && c < to * scale;
            };
            const PixelRect mapped = view.Map({x0, 0, x1 - x0, 1});
            if (!fills(mapped.x)) continue;  // below scale 1 a shape may fill no column
            for (int p = mapped.x - 3; p < mapped.x + mapped.width + 3; ++p)
                EXPECT_EQ(p >= mapped.x && p < mapped.x + mapped.width, fills(p)) << w << ": " << p;
        }
    }
}

TEST(Letterbox, PointerPositionsMapBothWaysAndClampToTheArenaInsideTheWindow) {
    const Letterbox twice(800, 600, 1600, 1200), wide(800, 600, 1920, 1080);
    const auto arena = [](const Letterbox& view, int x, int y, int ww, int wh) {
        int ax = 0, ay = 0;
        view.ArenaPointOf(x, y, ww, wh, ax, ay);
        return std::pair(ax, ay);
    };
    EXPECT_EQ(arena(twice, 246, 912, 1600, 1200), std::pair(123, 456));
    EXPECT_EQ(arena(twice, 247, 913, 1600, 1200), std::pair(123, 456));
    EXPECT_EQ(arena(wide, 10, 540, 1920, 1080), std::pair(0, 300)) << "a bar is the arena's edge";
    EXPECT_EQ(arena(wide, 1919, 1079, 1920, 1080), std::pair(799, 599));
    EXPECT_EQ(arena(Letterbox(800, 600, 800, 600), -20, 650, 800, 600), std::pair(-20, 650))
        << "a held drag runs on past the window";
    EXPECT_EQ(arena(twice, -4, 1203, 1600, 1200), std::pair(-2, 601));

    // The last: a high-density window, 800 x 600 points over 1600 x 1200 pixels.
    for (const auto& [view, ww, wh] : {std::tuple{Letterbox(800, 600, 800, 600), 800, 600},
                                       {twice, 1600, 1200},
                                       {wide, 1920, 1080},
                                       {twice, 800, 600}}) {
        for (int a = 0; a < 800; a += 7) {
            int wx = 0, wy = 0;
            view.WindowPointOf(a, a % 600, ww, wh, wx, wy);
            ASSERT_EQ(arena(view, wx, wy, ww, wh), std::pair(a, a % 600)) << ww << " x " << wh;
        }
    }
}

TEST(Letterbox, AGrabShrinksToTheMeanOfThePixelsEachArenaPixelCovers) {
    const PixmapRef drawable = TPixmap::Create(8, 4, PF_RGBA8888, 4);
    drawable->WritePixel(7, 3, 0xFFFFFFFFu);
    const PixmapRef arena = Letterbox(4, 2, 8, 4).ShrinkGrab(drawable, {0, 0, 4, 2});
    ASSERT_EQ(std::pair(arena->width, arena->height), std::pair(4, 2));
    EXPECT_EQ(arena->ReadPixel(3, 1), 0x40404040u) << "one white pixel of four, rounded";
    EXPECT_EQ(arena->ReadPixel(2, 1), 0u);

    drawable->WritePixel(1, 0, 0xFFABCDEFu);
    EXPECT_EQ(Letterbox(16, 8, 8, 4).ShrinkGrab(drawable, {0, 0, 16, 8})->ReadPixel(2, 1),
              0xFFABCDEFu)
        << "the nearest pixel when the box is smaller than the arena";
}

}  // namespace
