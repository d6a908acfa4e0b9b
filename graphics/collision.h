// Pixel-accurate image collision.
//
// Every image frame is turned into a screen-space quad with texture coordinates, exactly
// where DrawImageFrame would put it, and two quads are scan-converted together row by row
// (graphics/scan_convert.h).
// On each row where their spans overlap, the pixels of each quad whose alpha is at least 128
// are marked in a row buffer; a pixel marked twice is a hit. Around this core sit 32 collision
// layers: quads can be written into layers and tested against them, and a test returns the
// user objects attached to the quads it hit. ImagesOverlap, the game's hit test, uses layer 31.
//
// Depends on the drawing state (origin, rotation and scale, whose transform the drawing layer
// copies here through SetCollisionTransform), on images (Lock) and on pixmaps.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "graphics/pixmap.h"
#include "graphics/scan_convert.h"
#include "runtime/object.h"

namespace vdl {

class TImage;

// A screen-space quad with texture coordinates, held in a layer or in the free list.
class TQuad : public Object {
public:
    std::shared_ptr<TQuad> next;                   // next quad in a layer list or in the free list
    ObjectRef id;                                  // user object returned when the quad is hit
    PixmapRef pixmap;                              // alpha source; null = solid rectangle
    float minX = 0, minY = 0, maxX = 0, maxY = 0;  // bounding box of the four corners
    std::array<float, 16> xyuv{};                  // four corners, each x, y, u, v

    // Stores the corners with texture coordinates (0,0), (1,0), (1,1), (0,1) in that order
    // and computes the bounding box.
    virtual void SetCoords(float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                           float y3);
};

using QuadRef = std::shared_ptr<TQuad>;

// The row callback of the overlap test: -1 when two of the active polygons put an opaque
// pixel (alpha 128 or more) in the same column of row y, else 0.
int SpanCollide(const std::vector<rpoly*>& active, int count, int y);

// Whether the opaque pixels of two quads meet.
bool QuadsOverlap(const TQuad& a, const TQuad& b);

// Empties every layer whose bit is set in mask (all 32 when mask is 0); their quads go to
// the free list.
void ResetCollisionLayers(int mask);

// Stores the copy of the drawing transform used to place collision quads.
void SetCollisionTransform(float ix, float iy, float jx, float jy);

// A quad placed where DrawImageFrame would draw the image (or, without image, a w x h
// rectangle) at (x, y) with the current origin and collision transform.
QuadRef MakeCollisionQuad(const std::shared_ptr<TImage>& image, int frame, float x, float y,
                          float w, float h, const ObjectRef& id);

// Tests quad against every layer in collideMask (most recently written quad first) and
// returns the ids of the quads it overlaps; then writes a copy of it into every layer in
// writeMask.
std::vector<ObjectRef> CollideQuad(const TQuad& quad, int collideMask, int writeMask);

// CollideQuad for an image frame placed as drawn at (x, y).
std::vector<ObjectRef> CollideImageLayers(const std::shared_ptr<TImage>& image, int x, int y,
                                          int frame, int collideMask, int writeMask,
                                          const ObjectRef& id);

// CollideQuad for a solid w x h rectangle at (x, y), transformed like an image without handle.
std::vector<ObjectRef> CollideRectLayers(int x, int y, int w, int h, int collideMask, int writeMask,
                                         const ObjectRef& id);

// Whether two image frames, each drawn at its position with its own rotation and scale,
// have opaque pixels in common. The drawing rotation and scale are restored afterwards.
bool ImagesOverlap(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                   float rotation1, float scaleX1, float scaleY1,
                   const std::shared_ptr<TImage>& image2, int x2, int y2, int frame2,
                   float rotation2, float scaleX2, float scaleY2);

// ImagesOverlap with the current rotation and scale for both images.
bool ImagesOverlapAsDrawn(const std::shared_ptr<TImage>& image1, int x1, int y1, int frame1,
                          const std::shared_ptr<TImage>& image2, int x2, int y2, int frame2);

}  // namespace vdl
