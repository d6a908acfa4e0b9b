// An independent model of image overlap for checking and timing the scan-line collision: it
// maps pixel centres through the drawing transform (in double precision) and its inverse,
// with no quads, spans or texture coordinates. Shared by the collision tests and benchmark.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>

#include "graphics/image.h"
#include "graphics/pixmap.h"
#include "runtime/math.h"

namespace vdl::testing {

// A one-frame RGBA8888 image whose alpha at each pixel is alpha(x, y) (colour white).
inline ImageRef MakeAlphaImage(int w, int h, const std::function<uint8_t(int, int)>& alpha) {
    ImageRef image = TImage::Create(w, h, 1, 0, 0, 0, 0);
    const PixmapRef pixmap = image->Lock(0, true, true);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = pixmap->PixelPtr(x, y);
            p[0] = p[1] = p[2] = 255;
            p[3] = alpha(x, y);
        }
    }
    return image;
}

// A fully opaque w x h image.
inline ImageRef MakeSolidImage(int w, int h) {
    return MakeAlphaImage(w, h, [](int, int) { return uint8_t{255}; });
}

// One image as the game hands it to the overlap test.
struct Placement {
    ImageRef image;
    int x = 0, y = 0;
    float rotation = 0, scaleX = 1, scaleY = 1;
};

// The placement's mapping from local pixels (origin at the image's top-left) to the screen.
class PlacementMap {
public:
    explicit PlacementMap(const Placement& p)
        : p_(p),
          pixmap_(p.image->pixmaps[0].get()),
          ix_(CosDeg(p.rotation) * p.scaleX),
          iy_(-SinDeg(p.rotation) * p.scaleY),
          jx_(SinDeg(p.rotation) * p.scaleX),
          jy_(CosDeg(p.rotation) * p.scaleY),
          det_(ix_ * jy_ - iy_ * jx_) {}

    // Screen position of the local point (u, v).
    void ToScreen(double u, double v, double& sx, double& sy) const {
        const double lx = u - p_.image->handleX;
        const double ly = v - p_.image->handleY;
        sx = p_.x + lx * ix_ + ly * iy_;
        sy = p_.y + lx * jx_ + ly * jy_;
    }

    // Whether the screen point lands on a pixel of the image with alpha 128 or more.
    bool OpaqueAt(double sx, double sy) const {
        if (det_ == 0) return false;
        const double dx = sx - p_.x;
        const double dy = sy - p_.y;
        const double u = (jy_ * dx - iy_ * dy) / det_ + p_.image->handleX;
        const double v = (ix_ * dy - jx_ * dx) / det_ + p_.image->handleY;
        if (!(u >= 0 && v >= 0 && u < p_.image->width && v < p_.image->height)) return false;
        return Opaque(static_cast<int>(u), static_cast<int>(v));
    }

    bool Opaque(int x, int y) const {
        return pixmap_->pixels[y * static_cast<ptrdiff_t>(pixmap_->pitch) + x * 4 + 3] >= 128;
    }

private:
    const Placement& p_;
    const TPixmap* pixmap_;
    double ix_, iy_, jx_, jy_, det_;
};

// Brute force: every opaque pixel centre of a, mapped to the screen and back into b, hits an
// opaque pixel of b.
inline bool BruteForceOverlap(const Placement& a, const Placement& b) {
    const PlacementMap ma(a), mb(b);
    for (int y = 0; y < a.image->height; ++y) {
        for (int x = 0; x < a.image->width; ++x) {
            if (!ma.Opaque(x, y)) continue;
            double sx, sy;
            ma.ToScreen(x + 0.5, y + 0.5, sx, sy);
            if (mb.OpaqueAt(sx, sy)) return true;
        }
    }
    return false;
}

}  // namespace vdl::testing
