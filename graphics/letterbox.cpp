// The arena's box in a drawable and the mappings through it.
#include "graphics/letterbox.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vdl {

namespace {

// Rounds toward minus infinity, for edges and points left of or above the arena.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
    const std::int64_t q = n / d;
    return (n % d != 0 && (n < 0) != (d < 0)) ? q - 1 : q;
}

// ceil(edge * boxSize / arenaSize - 1/2), in integers.
int EdgeToPixel(int edge, int arenaSize, int boxSize) {
    return static_cast<int>(
        FloorDiv(2 * std::int64_t{edge} * boxSize + arenaSize - 1, 2 * std::int64_t{arenaSize}));
}

// The arena coordinate under the centre of window point p, on one axis: clamped to the
// arena while p is inside the window (the bars are the arena's edge); beyond the window's
// edge the distance past it runs on in arena pixels.
int ArenaCoordinate(int p, int windowSize, int drawableSize, int boxStart, int boxSize,
                    int arenaSize) {
    const std::int64_t w = std::max(windowSize, 1);
    const int edge = std::clamp(p, 0, static_cast<int>(w) - 1);
    const std::int64_t n =
        ((2 * std::int64_t{edge} + 1) * drawableSize - 2 * w * boxStart) * arenaSize;
    const std::int64_t a = std::clamp<std::int64_t>(FloorDiv(n, 2 * w * boxSize), 0, arenaSize - 1);
    const std::int64_t beyond =
        FloorDiv((std::int64_t{p} - edge) * drawableSize * arenaSize, w * boxSize);
    return static_cast<int>(a + beyond);
}

// The window coordinate showing the centre of arena coordinate a, on one axis.
int WindowCoordinate(int a, int windowSize, int drawableSize, int boxStart, int boxSize,
                     int arenaSize) {
    const std::int64_t n =
        (2 * std::int64_t{boxStart} * arenaSize + (2 * std::int64_t{a} + 1) * boxSize) *
        std::max(windowSize, 1);
    return static_cast<int>(FloorDiv(n, 2 * std::int64_t{arenaSize} * drawableSize));
}

}  // namespace

Letterbox::Letterbox(int arenaWidth, int arenaHeight, int drawableWidth, int drawableHeight)
    : arenaWidth_(std::max(arenaWidth, 1)),
      arenaHeight_(std::max(arenaHeight, 1)),
      drawableWidth_(std::max(drawableWidth, 1)),
      drawableHeight_(std::max(drawableHeight, 1)) {
    const std::int64_t aw = arenaWidth_, ah = arenaHeight_;
    const std::int64_t dw = drawableWidth_, dh = drawableHeight_;
    // NOTE: the side that does not fill is truncated, so a bar can be one pixel wider than
    // the one opposite it.
    if (dw * ah >= dh * aw) {
        box_.height = drawableHeight_;
        box_.width = static_cast<int>(std::max<std::int64_t>(aw * dh / ah, 1));
    } else {
        box_.width = drawableWidth_;
        box_.height = static_cast<int>(std::max<std::int64_t>(ah * dw / aw, 1));
    }
    box_.x = (drawableWidth_ - box_.width) / 2;
    box_.y = (drawableHeight_ - box_.height) / 2;
}

bool Letterbox::FillsDrawable() const {
    return box_ == PixelRect{0, 0, drawableWidth_, drawableHeight_};
}

float Letterbox::Scale() const {
    return std::min(static_cast<float>(box_.width) / static_cast<float>(arenaWidth_),
                    static_cast<float>(box_.height) / static_cast<float>(arenaHeight_));
}

int Letterbox::ColumnOf(int arenaX) const {
    return box_.x + EdgeToPixel(arenaX, arenaWidth_, box_.width);
}

int Letterbox::RowOf(int arenaY) const {
    return box_.y + EdgeToPixel(arenaY, arenaHeight_, box_.height);
}

PixelRect Letterbox::Map(const PixelRect& arena) const {
    if (arena.Empty()) return {ColumnOf(arena.x), RowOf(arena.y), 0, 0};
    const int x0 = ColumnOf(arena.x), y0 = RowOf(arena.y);
    const int x1 = std::max(ColumnOf(arena.x + arena.width), x0 + 1);
    const int y1 = std::max(RowOf(arena.y + arena.height), y0 + 1);
    return {x0, y0, x1 - x0, y1 - y0};
}

std::array<PixelRect, 4> Letterbox::Bars() const {
    const int right = box_.x + box_.width, bottom = box_.y + box_.height;
    return {{
        {0, box_.y, box_.x, box_.height},
        {right, box_.y, drawableWidth_ - right, box_.height},
        {0, 0, drawableWidth_, box_.y},
        {0, bottom, drawableWidth_, drawableHeight_ - bottom},
    }};
}

void Letterbox::ArenaPointOf(int windowX, int windowY, int windowWidth, int windowHeight,
                             int& arenaX, int& arenaY) const {
    arenaX = ArenaCoordinate(windowX, windowWidth, drawableWidth_, box_.x, box_.width, arenaWidth_);
    arenaY =
        ArenaCoordinate(windowY, windowHeight, drawableHeight_, box_.y, box_.height, arenaHeight_);
}

void Letterbox::WindowPointOf(int arenaX, int arenaY, int windowWidth, int windowHeight,
                              int& windowX, int& windowY) const {
    windowX =
        WindowCoordinate(arenaX, windowWidth, drawableWidth_, box_.x, box_.width, arenaWidth_);
    windowY =
        WindowCoordinate(arenaY, windowHeight, drawableHeight_, box_.y, box_.height, arenaHeight_);
}

PixmapRef Letterbox::ShrinkGrab(const PixmapRef& grab, const PixelRect& arena) const {
    PixmapRef out = TPixmap::Create(arena.width, arena.height, PF_RGBA8888, 4);
    if (arena.Empty() || grab->width <= 0 || grab->height <= 0) return out;
    const PixelRect mapped = Map(arena);

    // The grab's columns [first, end) under arena pixel i of the rectangle, on one axis.
    struct Span {
        int first, end;
    };
    auto span = [](int start, int next, int origin, int limit) {
        const int first = std::clamp(start - origin, 0, limit - 1);
        return Span{first, std::clamp(next - origin, first + 1, limit)};
    };
    std::vector<Span> columns(static_cast<std::size_t>(arena.width));
    for (int i = 0; i < arena.width; ++i) {
        columns[i] = span(ColumnOf(arena.x + i), ColumnOf(arena.x + i + 1), mapped.x, grab->width);
    }

    for (int j = 0; j < arena.height; ++j) {
        const Span rows = span(RowOf(arena.y + j), RowOf(arena.y + j + 1), mapped.y, grab->height);
        std::uint8_t* target = out->pixels + j * out->pitch;
        for (int i = 0; i < arena.width; ++i, target += 4) {
            const Span& c = columns[i];
            unsigned sum[4] = {0, 0, 0, 0};
            for (int y = rows.first; y < rows.end; ++y) {
                const std::uint8_t* p = grab->pixels + y * grab->pitch + c.first * 4;
                for (int x = c.first; x < c.end; ++x, p += 4) {
                    for (int k = 0; k < 4; ++k)
                        sum[k] += p[k];
                }
            }
            const unsigned n = static_cast<unsigned>((rows.end - rows.first) * (c.end - c.first));
            for (int k = 0; k < 4; ++k)
                target[k] = static_cast<std::uint8_t>((sum[k] + n / 2) / n);
        }
    }
    return out;
}

}  // namespace vdl
