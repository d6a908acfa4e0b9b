// Pixel-accurate image collision: quads, layers and the span test run on each scanned row.
#include "graphics/collision.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>

#include "graphics/drawing.h"
#include "graphics/image.h"
#include "graphics/scan_convert.h"
#include "runtime/errors.h"

namespace vdl {

namespace {

constexpr int kLayerCount = 32;
constexpr int kOverlapLayer = 31;
constexpr int kAlphaThreshold = 128;

// A transform computed for a rotation and scale, kept for the next call with the same ones
// (compared bit for bit, so -0 and NaN are told apart).
struct RememberedTransform {
    bool valid = false;
    uint32_t rotation = 0, scaleX = 0, scaleY = 0;
    CollisionTransform transform;
};

// Module state: the layers, the quad free list and the reused scratch buffers. The copy of
// the drawing transform is kept by the drawing layer (CurrentCollisionTransform).
struct CollisionState {
    std::array<QuadRef, kLayerCount> layers;
    QuadRef freeList;
    TQuad probe;  // the second image of an overlap test, never put in a layer
    // The last transform of each image of the overlap test: a frame tests one sprite against
    // many others, so the same rotation and scale come back call after call.
    std::array<RememberedTransform, 2> remembered;
    std::vector<uint8_t> row;  // one mark per column of the span being tested
} g;

// The layer numbers whose bits are set in mask, lowest first: for (int i : Layers(mask)).
class Layers {
public:
    explicit Layers(int mask) : bits_(static_cast<uint32_t>(mask)) {}
    struct Iterator {
        uint32_t bits;
        int operator*() const { return std::countr_zero(bits); }
        Iterator& operator++() {
            bits &= bits - 1;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return bits != other.bits; }
    };
    Iterator begin() const { return {bits_}; }
    Iterator end() const { return {0}; }

private:
    uint32_t bits_;
};

// A quad from the free list, or a new one when the list is empty.
QuadRef TakeQuad() {
    if (!g.freeList) return std::make_shared<TQuad>();
    QuadRef quad = std::move(g.freeList);
    g.freeList = std::move(quad->next);
    return quad;
}

// Puts a quad on the free list; a quad waiting for reuse holds on to nothing of the caller's.
void ReleaseQuad(QuadRef quad) {
    quad->id.reset();
    quad->pixmap.reset();
    quad->next = std::move(g.freeList);
    g.freeList = std::move(quad);
}

// Where a pixel of the format keeps its alpha byte, and how far apart pixels are.
struct AlphaLayout {
    int offset;  // -1 when the format has no alpha
    int bytesPerPixel;
};

// The alpha layout of a pixmap format (the formats collision can sample).
AlphaLayout AlphaLayoutOf(int format) {
    switch (format) {
        case PF_A8:
            return {0, 1};
        case PF_BGRA8888:
        case PF_RGBA8888:
            return {3, 4};
        default:
            return {-1, 0};
    }
}

// The transform the drawing layer derives from a rotation and scale, as it hands it to
// collision, for image 1 or 2 of an overlap test. The overlap tests place their quads with it
// directly; the drawing state itself is only set back at the end.
// The bits of f. (std::bit_cast is missing from the web toolchain's C++ library.)
uint32_t FloatBits(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

const CollisionTransform& TransformFor(int image, float rotation, float scaleX, float scaleY) {
    RememberedTransform& r = g.remembered[image - 1];
    const uint32_t bits[3] = {FloatBits(rotation), FloatBits(scaleX), FloatBits(scaleY)};
    if (r.valid && r.rotation == bits[0] && r.scaleX == bits[1] && r.scaleY == bits[2]) {
        return r.transform;
    }
    r.transform = TransformFromRotationScale(rotation, scaleX, scaleY);
    r.valid = true;
    r.rotation = bits[0];
    r.scaleX = bits[1];
    r.scaleY = bits[2];
    return r.transform;
}

// What one polygon covers along the span of a row, column by column: every column when it
// is solid (no pixmap with alpha), else the columns whose sampled pixel has alpha 128 or more.
struct SpanWalk {
    bool solid = false;
    const uint8_t* alphas = nullptr;  // alpha byte of the first pixel
    ptrdiff_t pitch = 0;
    int bytesPerPixel = 0;
    float width = 0, height = 0;  // the texture size that u and v are scaled by
    int lastColumn = 0, lastLine = 0;
    float u = 0, v = 0, du = 0, dv = 0;

    // Sets the walk up for polygon r, whose row runs from column l to column rr (both
    // truncated), over the span starting at column start; false when r covers nothing there
    // (narrower than a pixel, or an empty pixmap).
    bool Start(const rpoly& r, int l, int rr, int start) {
        const AlphaLayout layout = r.pixmap ? AlphaLayoutOf(r.pixmap->format) : AlphaLayout{-1, 0};
        solid = layout.offset < 0;
        if (solid) return true;
        const int64_t span = static_cast<int64_t>(rr) - l;
        if (span < 1) return false;
        const TPixmap& pixmap = *r.pixmap;
        if (pixmap.width <= 0 || pixmap.height <= 0) return false;
        const float fw = static_cast<float>(span);
        du = (r.rightCur[2] - r.leftCur[2]) / fw;
        dv = (r.rightCur[3] - r.leftCur[3]) / fw;
        const float s = static_cast<float>(static_cast<int64_t>(start) - l) + 0.5f;
        u = r.leftCur[2] + s * du;
        v = r.leftCur[3] + s * dv;
        alphas = pixmap.pixels + layout.offset;
        pitch = pixmap.pitch;
        bytesPerPixel = layout.bytesPerPixel;
        width = static_cast<float>(pixmap.width);
        height = static_cast<float>(pixmap.height);
        lastColumn = pixmap.width - 1;
        lastLine = pixmap.height - 1;
        return true;
    }

    // Keeps the sample point on the texture, as every column does before it is read.
    // NOTE: u and v end up within [0, 1], NaN at 0, so the products convert without overflow.
    void Clamp() {
        if (!(u > 0.0f && u < 1.0f)) u = u > 0.0f ? 1.0f : 0.0f;
        if (!(v > 0.0f && v < 1.0f)) v = v > 0.0f ? 1.0f : 0.0f;
    }

    // Whether the pixel under the (clamped) sample point has alpha 128 or more; not for a
    // solid walk.
    bool Opaque() const {
        const int column = std::min(static_cast<int>(u * width), lastColumn);
        const int line = std::min(static_cast<int>(v * height), lastLine);
        return alphas[line * pitch + column * bytesPerPixel] >= kAlphaThreshold;
    }

    // Whether the current column is covered (after Clamp).
    bool Covers() const { return solid || Opaque(); }

    // Moves on to the next column.
    void Advance() {
        u += du;
        v += dv;
    }

    // Whether any of the next n columns is covered.
    bool CoversAny(int n) {
        if (solid) return n > 0;
        for (int i = 0; i < n; ++i, Advance()) {
            Clamp();
            if (Opaque()) return true;
        }
        return false;
    }
};

// Places quad where DrawImageFrame would draw the image (or a w x h rectangle without one) at
// (x, y), with the current origin and the given transform.
void PlaceQuad(TQuad& quad, const std::shared_ptr<TImage>& image, int frame, float x, float y,
               float w, float h, const ObjectRef& id, const CollisionTransform& t) {
    float hx = 0, hy = 0;
    if (image) {
        hx = -image->handleX;
        hy = -image->handleY;
    }
    float originX = 0, originY = 0;
    GetDrawOrigin(originX, originY);

    const float lx[4] = {hx, hx + w, hx + w, hx};
    const float ly[4] = {hy, hy, hy + h, hy + h};
    float sx[4], sy[4];
    for (int c = 0; c < 4; ++c) {
        sx[c] = x + originX + lx[c] * t.ix + ly[c] * t.iy;
        sy[c] = y + originY + lx[c] * t.jx + ly[c] * t.jy;
    }

    quad.id = id;
    quad.pixmap = nullptr;
    if (image) {
        PixmapRef pixmap = image->Lock(frame, true, false);
        if (pixmap && AlphaBits(pixmap->format) > 0) quad.pixmap = std::move(pixmap);
    }
    quad.SetCoords(sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], sx[3], sy[3]);
}

// The two overlap tests: image 1 is written alone into the overlap layer, then image 2 is
// tested against it, each placed with its own transform.
// NOTE: the layer ends up holding image 1, exactly as writing it through CollideImageLayers
// would leave it; image 2 is placed in a quad of its own that no layer ever sees.
bool OverlapInLayer(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                    const CollisionTransform& t1, const std::shared_ptr<TImage>& image2, int x2,
                    int y2, int frame2, const CollisionTransform& t2) {
    ResetCollisionLayers(1 << kOverlapLayer);
    if (!image1) throw TNullObjectException();
    QuadRef first = TakeQuad();
    PlaceQuad(*first, image1, frame1, static_cast<float>(x1), static_cast<float>(y1),
              static_cast<float>(image1->width), static_cast<float>(image1->height), nullptr, t1);
    const TQuad& written = *first;
    g.layers[kOverlapLayer] = std::move(first);

    if (!image2) throw TNullObjectException();
    TQuad& probe = g.probe;
    PlaceQuad(probe, image2, frame2, static_cast<float>(x2), static_cast<float>(y2),
              static_cast<float>(image2->width), static_cast<float>(image2->height), nullptr, t2);
    const bool hit = QuadsOverlap(probe, written);
    probe.pixmap = nullptr;
    return hit;
}

}  // namespace

void TQuad::SetCoords(float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                      float y3) {
    xyuv = {x0, y0, 0, 0, x1, y1, 1, 0, x2, y2, 1, 1, x3, y3, 0, 1};
    minX = std::min(std::min(x0, x1), std::min(x2, x3));
    maxX = std::max(std::max(x0, x1), std::max(x2, x3));
    minY = std::min(std::min(y0, y1), std::min(y2, y3));
    maxY = std::max(std::max(y0, y1), std::max(y2, y3));
}

int SpanCollide(const std::vector<rpoly*>& active, int count, int /*y*/) {
    if (count < 2) return 0;
    const rpoly& p = *active[0];
    const rpoly& q = *active[1];
    const int pl = ScanTrunc(p.leftCur[0]), pr = ScanTrunc(p.rightCur[0]);
    const int ql = ScanTrunc(q.leftCur[0]), qr = ScanTrunc(q.rightCur[0]);
    if (pr <= ql || qr <= pl) return 0;
    const int start = std::max(pl, ql);
    const int64_t wide = static_cast<int64_t>(std::min(pr, qr)) - start;
    if (wide <= 0) return 0;
    const int n = static_cast<int>(wide);

    if (count == 2) {
        // NOTE: with two polygons a column is marked twice exactly when both cover it, so
        // they are walked side by side without the row buffer, and the second is only
        // sampled where the first covers.
        SpanWalk a, b;
        if (!a.Start(p, pl, pr, start) || !b.Start(q, ql, qr, start)) return 0;
        // Against a solid polygon the other one alone decides.
        if (a.solid) return b.CoversAny(n) ? -1 : 0;
        if (b.solid) return a.CoversAny(n) ? -1 : 0;
        for (int i = 0; i < n; ++i) {
            a.Clamp();
            b.Clamp();
            if (a.Opaque() && b.Opaque()) return -1;
            a.Advance();
            b.Advance();
        }
        return 0;
    }

    if (g.row.size() < static_cast<size_t>(n)) g.row.resize(n);
    std::fill_n(g.row.begin(), n, uint8_t{0});
    uint8_t* marks = g.row.data();
    for (int k = 0; k < count; ++k) {
        const rpoly& r = *active[k];
        SpanWalk walk;
        if (!walk.Start(r, ScanTrunc(r.leftCur[0]), ScanTrunc(r.rightCur[0]), start)) continue;
        for (int i = 0; i < n; ++i) {
            walk.Clamp();
            if (walk.Covers()) {
                if (marks[i]) return -1;
                marks[i] = 1;
            }
            walk.Advance();
        }
    }
    return 0;
}

bool QuadsOverlap(const TQuad& a, const TQuad& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minX > b.maxX || a.minY > b.maxY) return false;
    static std::vector<PolySource> pair(2);
    pair[0] = {a.xyuv.data(), 16, 4, a.pixmap.get()};
    pair[1] = {b.xyuv.data(), 16, 4, b.pixmap.get()};
    // The span test needs two polygons on a row, so rows with one are only stepped.
    return RasterizePolys(pair, SpanCollide, 2) < 0;
}

void ResetCollisionLayers(int mask) {
    for (int i : Layers(mask == 0 ? -1 : mask)) {
        while (g.layers[i]) {
            QuadRef quad = std::move(g.layers[i]);
            g.layers[i] = std::move(quad->next);
            ReleaseQuad(std::move(quad));
        }
    }
}

void SetCollisionTransform(float ix, float iy, float jx, float jy) {
    StoreCollisionTransform(ix, iy, jx, jy);
}

QuadRef MakeCollisionQuad(const std::shared_ptr<TImage>& image, int frame, float x, float y,
                          float w, float h, const ObjectRef& id) {
    QuadRef quad = TakeQuad();
    PlaceQuad(*quad, image, frame, x, y, w, h, id, CurrentCollisionTransform());
    return quad;
}

std::vector<ObjectRef> CollideQuad(const TQuad& quad, int collideMask, int writeMask) {
    std::vector<ObjectRef> hits;
    for (int i : Layers(collideMask)) {
        for (const TQuad* q = g.layers[i].get(); q; q = q->next.get()) {
            if (QuadsOverlap(quad, *q)) hits.push_back(q->id);
        }
    }
    for (int i : Layers(writeMask)) {
        QuadRef copy = TakeQuad();
        copy->id = quad.id;
        copy->pixmap = quad.pixmap;
        copy->minX = quad.minX;
        copy->minY = quad.minY;
        copy->maxX = quad.maxX;
        copy->maxY = quad.maxY;
        copy->xyuv = quad.xyuv;
        copy->next = std::move(g.layers[i]);
        g.layers[i] = std::move(copy);
    }
    return hits;
}

std::vector<ObjectRef> CollideImageLayers(const std::shared_ptr<TImage>& image, int x, int y,
                                          int frame, int collideMask, int writeMask,
                                          const ObjectRef& id) {
    if (!image) throw TNullObjectException();
    QuadRef quad =
        MakeCollisionQuad(image, frame, static_cast<float>(x), static_cast<float>(y),
                          static_cast<float>(image->width), static_cast<float>(image->height), id);
    std::vector<ObjectRef> hits = CollideQuad(*quad, collideMask, writeMask);
    // The layers hold copies, so the quad made here goes straight back for reuse.
    ReleaseQuad(std::move(quad));
    return hits;
}

std::vector<ObjectRef> CollideRectLayers(int x, int y, int w, int h, int collideMask, int writeMask,
                                         const ObjectRef& id) {
    QuadRef quad = MakeCollisionQuad(nullptr, 0, static_cast<float>(x), static_cast<float>(y),
                                     static_cast<float>(w), static_cast<float>(h), id);
    std::vector<ObjectRef> hits = CollideQuad(*quad, collideMask, writeMask);
    ReleaseQuad(std::move(quad));
    return hits;
}

bool ImagesOverlap(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                   float rotation1, float scaleX1, float scaleY1,
                   const std::shared_ptr<TImage>& image2, int x2, int y2, int frame2,
                   float rotation2, float scaleX2, float scaleY2) {
    // Sets the caller's rotation and scale again however the test ends, which brings the
    // renderer's and collision's copies of the transform back to them. Without a surface
    // there is nothing to set, and the collision copy was never changed.
    struct Restore {
        float rotation = GetDrawRotation();
        float scaleX = 1, scaleY = 1;
        Restore() { GetDrawScale(scaleX, scaleY); }
        ~Restore() { SetDrawTransform(rotation, scaleX, scaleY); }
    } restore;

    return OverlapInLayer(image1, x1, y1, frame1, TransformFor(1, rotation1, scaleX1, scaleY1),
                          image2, x2, y2, frame2, TransformFor(2, rotation2, scaleX2, scaleY2));
}

bool ImagesOverlapAsDrawn(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                          const std::shared_ptr<TImage>& image2, int x2, int y2, int frame2) {
    const CollisionTransform t = CurrentCollisionTransform();
    return OverlapInLayer(image1, x1, y1, frame1, t, image2, x2, y2, frame2, t);
}

}  // namespace vdl
