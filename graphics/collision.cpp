// Pixel-accurate image collision: quads, layers, the scan converter and the span test.
#include "graphics/collision.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>

#include "graphics/drawing.h"
#include "graphics/image.h"
#include "runtime/errors.h"
#include "runtime/math.h"

namespace vdl {

namespace {

constexpr int kLayerCount = 32;
constexpr int kOverlapLayer = 31;
constexpr int kAlphaThreshold = 128;

// Module state: the layers, the quad free list and the reused scratch buffers. The copy of
// the drawing transform is kept by the drawing layer (CurrentCollisionTransform).
struct CollisionState {
    std::array<QuadRef, kLayerCount> layers;
    QuadRef freeList;
    std::vector<uint8_t> row;  // one mark per column of the span being tested
    std::vector<rpoly> polys;  // polygons of the scan in progress
    std::vector<rpoly*> active;
} g;

// Real to integer, truncating toward zero; out of range and NaN give INT_MIN (as TruncToInt,
// inlined for the scan's inner loops).
inline int Int(float v) {
    const double d = v;
    if (!(d > -2147483649.0 && d < 2147483648.0)) return INT_MIN;
    return static_cast<int>(d);
}

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

// Truncated y of the vertex whose values start at offset.
inline int VertexY(const rpoly& p, int offset) {
    return p.ys[offset];
}

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

// Walks from index (backwards for the left edge, forwards for the right) to the edge that
// crosses row y and sets up its interpolation. False when the polygon has no such edge left.
bool StartEdge(rpoly& p, int& index, std::vector<float>& cur, std::vector<float>& delta, int y,
               bool backwards) {
    int a = index;
    int b;
    for (;;) {
        if (backwards) {
            b = a - p.stride;
            if (b < 0) b += p.size;
        } else {
            b = (a + p.stride) % p.size;
        }
        if (b == index) return false;
        if (VertexY(p, b) > y) break;
        a = b;
    }
    const int64_t rows = static_cast<int64_t>(VertexY(p, b)) - VertexY(p, a);
    if (rows < 1) return false;
    const float fr = static_cast<float>(rows);
    for (int k = 0; k < p.stride; ++k) {
        cur[k] = p.data[a + k];
        delta[k] = (p.data[b + k] - p.data[a + k]) / fr;
        // NOTE: values are taken half a row on, at the centre of the row.
        cur[k] += delta[k] * 0.5f;
    }
    index = b;
    return true;
}

// A waiting polygon joins the end of the active list.
void Activate(rpoly& p) {
    if (p.state != 0) return;
    p.state = 1;
    g.active.push_back(&p);
}

// A polygon with no edge left leaves the scan.
// NOTE: one that finishes before it was ever active (a flat polygon) was never counted, so
// it leaves the active list and count untouched.
void Finish(rpoly& p) {
    if (p.state == 1) g.active.erase(std::find(g.active.begin(), g.active.end(), &p));
    p.state = 2;
}

// Byte offset of the alpha channel within a pixel, or -1 when the format has none.
int AlphaOffset(int format) {
    switch (format) {
        case PF_A8:
            return 0;
        case PF_BGRA8888:
        case PF_RGBA8888:
            return 3;
        default:
            return -1;
    }
}

// Sets the drawing rotation and scale, which refresh the collision transform. Both go through
// one SetDrawTransform, which leaves the same state as the two setters with one update.
// NOTE: with no surface selected the drawing setters keep nothing, so the collision transform
// is computed here by the drawing layer's formula; an overlap test then still honours the
// rotations and scales it is given.
void SetRotationAndScale(float rotation, float scaleX, float scaleY) {
    if (TVex2DGraphics::Current()) {
        SetDrawTransform(rotation, scaleX, scaleY);
        return;
    }
    const double s = SinDeg(rotation);
    const double c = CosDeg(rotation);
    StoreCollisionTransform(static_cast<float>(c * scaleX), static_cast<float>(-s * scaleY),
                            static_cast<float>(s * scaleX), static_cast<float>(c * scaleY));
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

void NormalizeWinding(rpoly& polygon) {
    if (polygon.vertexCount < 1) return;
    const int s = polygon.stride;
    const float* d = polygon.data.data();
    const float x0 = d[0], y0 = d[1];
    for (int i = 2; i < polygon.vertexCount; ++i) {
        const float xi = d[i * s], yi = d[i * s + 1];
        const float xp = d[(i - 1) * s], yp = d[(i - 1) * s + 1];
        const int t = Int((xi - xp) * (yp - y0) - (xp - x0) * (yi - yp));
        if (t < 0) return;
    }
    for (int lo = 0, hi = polygon.vertexCount - 1; lo < hi; ++lo, --hi) {
        std::swap_ranges(polygon.data.begin() + lo * s, polygon.data.begin() + (lo + 1) * s,
                         polygon.data.begin() + hi * s);
    }
}

int RasterizePolys(const std::vector<PolySource>& polygons, RowCallback rowCallback) {
    // NOTE: the polygon records are reused from call to call, so the scan allocates nothing
    // once the buffers have grown; it is therefore not re-entrant.
    if (g.polys.size() < polygons.size()) g.polys.resize(polygons.size());
    g.active.clear();

    int yFirst = INT_MAX;
    int yLast = INT_MIN;
    const int count = static_cast<int>(polygons.size());
    for (int n = 0; n < count; ++n) {
        const PolySource& src = polygons[n];
        rpoly& p = g.polys[n];
        p.pixmap = src.pixmap;
        // A polygon without at least x and y per vertex has nothing to scan.
        const bool usable = src.values && src.stride >= 2 && src.length > 0;
        p.stride = usable ? src.stride : 2;
        p.vertexCount = usable ? src.length / src.stride : 0;
        p.size = p.vertexCount * p.stride;
        p.data.assign(src.values, src.values + p.size);
        p.leftCur.resize(p.stride);
        p.leftDelta.resize(p.stride);
        p.rightCur.resize(p.stride);
        p.rightDelta.resize(p.stride);
        p.state = 0;
        NormalizeWinding(p);
        p.ys.resize(p.size);
        for (int v = 0; v < p.size; v += p.stride)
            p.ys[v] = Int(p.data[v + 1]);

        p.top = INT_MAX;
        p.leftIndex = 0;
        for (int v = 0; v < p.size; v += p.stride) {
            const int vy = VertexY(p, v);
            if (vy < p.top) {
                p.top = vy;
                p.leftIndex = v;
            }
            yLast = std::max(yLast, vy);
        }
        p.rightIndex = p.leftIndex;
        if (p.vertexCount == 0) p.state = 2;
        yFirst = std::min(yFirst, p.top);
    }

    int result = 0;
    for (int y = yFirst; y < yLast; ++y) {
        for (int n = 0; n < count; ++n) {
            rpoly& p = g.polys[n];
            if (p.state == 2 || (p.state == 0 && p.top > y)) continue;
            if (y >= VertexY(p, p.leftIndex)) {
                if (!StartEdge(p, p.leftIndex, p.leftCur, p.leftDelta, y, true)) {
                    Finish(p);
                    continue;
                }
                Activate(p);
            }
            if (y >= VertexY(p, p.rightIndex)) {
                if (!StartEdge(p, p.rightIndex, p.rightCur, p.rightDelta, y, false)) {
                    Finish(p);
                    continue;
                }
                Activate(p);
            }
        }
        const int active = static_cast<int>(g.active.size());
        if (active != 0) {
            result = rowCallback(g.active, active, y);
            if (result < 0) return result;
        }
        for (rpoly* p : g.active) {
            float* leftCur = p->leftCur.data();
            float* rightCur = p->rightCur.data();
            const float* leftDelta = p->leftDelta.data();
            const float* rightDelta = p->rightDelta.data();
            for (int k = 0; k < p->stride; ++k) {
                leftCur[k] += leftDelta[k];
                rightCur[k] += rightDelta[k];
            }
        }
    }
    return result;
}

int SpanCollide(const std::vector<rpoly*>& active, int count, int /*y*/) {
    if (count < 2) return 0;
    const rpoly& p = *active[0];
    const rpoly& q = *active[1];
    const int pl = Int(p.leftCur[0]), pr = Int(p.rightCur[0]);
    const int ql = Int(q.leftCur[0]), qr = Int(q.rightCur[0]);
    if (pr <= ql || qr <= pl) return 0;
    const int start = std::max(pl, ql);
    const int64_t wide = static_cast<int64_t>(std::min(pr, qr)) - start;
    if (wide <= 0) return 0;
    const int n = static_cast<int>(wide);

    if (g.row.size() < static_cast<size_t>(n)) g.row.resize(n);
    std::fill_n(g.row.begin(), n, uint8_t{0});
    uint8_t* marks = g.row.data();

    for (int k = 0; k < count; ++k) {
        const rpoly& r = *active[k];
        const TPixmap* pixmap = r.pixmap;
        const int alphaOffset = pixmap ? AlphaOffset(pixmap->format) : -1;
        if (alphaOffset < 0) {
            // Solid: every column of the span is covered.
            for (int i = 0; i < n; ++i) {
                if (marks[i]) return -1;
                marks[i] = 1;
            }
            continue;
        }
        const int l = Int(r.leftCur[0]);
        const int rr = Int(r.rightCur[0]);
        const int64_t width = static_cast<int64_t>(rr) - l;
        if (width < 1) continue;
        // NOTE: an empty pixmap has nothing opaque to sample.
        if (pixmap->width <= 0 || pixmap->height <= 0) continue;
        const float fw = static_cast<float>(width);
        const float du = (r.rightCur[2] - r.leftCur[2]) / fw;
        const float dv = (r.rightCur[3] - r.leftCur[3]) / fw;
        const float s = static_cast<float>(static_cast<int64_t>(start) - l) + 0.5f;
        float u = r.leftCur[2] + s * du;
        float v = r.leftCur[3] + s * dv;
        const int bpp = BytesPerPixel(pixmap->format);
        const int texWidth = pixmap->width;
        const int texHeight = pixmap->height;
        const uint8_t* alphas = pixmap->pixels + alphaOffset;
        const ptrdiff_t pitch = pixmap->pitch;
        for (int i = 0; i < n; ++i) {
            // NOTE: written so that NaN clamps to 0; u and v are then within [0, 1] and the
            // products convert without overflow.
            u = u > 0.0f ? (u < 1.0f ? u : 1.0f) : 0.0f;
            v = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
            const int column = std::min(static_cast<int>(u * texWidth), texWidth - 1);
            const int line = std::min(static_cast<int>(v * texHeight), texHeight - 1);
            if (alphas[line * pitch + column * bpp] >= kAlphaThreshold) {
                if (marks[i]) return -1;
                marks[i] = 1;
            }
            u += du;
            v += dv;
        }
    }
    return 0;
}

bool QuadsOverlap(const TQuad& a, const TQuad& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minX > b.maxX || a.minY > b.maxY) return false;
    static std::vector<PolySource> pair(2);
    pair[0] = {a.xyuv.data(), 16, 4, a.pixmap.get()};
    pair[1] = {b.xyuv.data(), 16, 4, b.pixmap.get()};
    return RasterizePolys(pair, SpanCollide) < 0;
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
    float hx = 0, hy = 0;
    if (image) {
        hx = -image->handleX;
        hy = -image->handleY;
    }
    float originX = 0, originY = 0;
    GetDrawOrigin(originX, originY);
    const CollisionTransform& t = CurrentCollisionTransform();

    const float lx[4] = {hx, hx + w, hx + w, hx};
    const float ly[4] = {hy, hy, hy + h, hy + h};
    float sx[4], sy[4];
    for (int c = 0; c < 4; ++c) {
        sx[c] = x + originX + lx[c] * t.ix + ly[c] * t.iy;
        sy[c] = y + originY + lx[c] * t.jx + ly[c] * t.jy;
    }

    QuadRef quad = TakeQuad();
    quad->id = id;
    quad->pixmap = nullptr;
    if (image) {
        PixmapRef pixmap = image->Lock(frame, true, false);
        if (pixmap && AlphaBits(pixmap->format) > 0) quad->pixmap = std::move(pixmap);
    }
    quad->SetCoords(sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], sx[3], sy[3]);
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
    // Puts the caller's rotation and scale (and so the renderer's and collision's transform)
    // back however the test ends.
    struct Restore {
        float rotation = GetDrawRotation();
        float scaleX = 1, scaleY = 1;
        CollisionTransform transform = CurrentCollisionTransform();
        Restore() { GetDrawScale(scaleX, scaleY); }
        ~Restore() {
            if (TVex2DGraphics::Current()) {
                SetDrawTransform(rotation, scaleX, scaleY);
            } else {
                StoreCollisionTransform(transform.ix, transform.iy, transform.jx, transform.jy);
            }
        }
    } restore;

    constexpr int kLayerBit = 1 << kOverlapLayer;
    ResetCollisionLayers(kLayerBit);
    SetRotationAndScale(rotation1, scaleX1, scaleY1);
    CollideImageLayers(image1, x1, y1, frame1, 0, kLayerBit, nullptr);
    SetRotationAndScale(rotation2, scaleX2, scaleY2);
    return !CollideImageLayers(image2, x2, y2, frame2, kLayerBit, 0, nullptr).empty();
}

bool ImagesOverlapAsDrawn(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                          const std::shared_ptr<TImage>& image2, int x2, int y2, int frame2) {
    constexpr int kLayerBit = 1 << kOverlapLayer;
    ResetCollisionLayers(kLayerBit);
    CollideImageLayers(image1, x1, y1, frame1, 0, kLayerBit, nullptr);
    return !CollideImageLayers(image2, x2, y2, frame2, kLayerBit, 0, nullptr).empty();
}

}  // namespace vdl
