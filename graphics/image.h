// Images: drawable pictures with frames and a handle.
//
// An image has a cell size, one or more frames (animation cells), a handle (the point that
// lands on the drawing position and around which it rotates and scales), load flags and a
// mask colour. Each frame keeps its source pixmap and, lazily, a renderer frame (a texture)
// that is made on the first draw in each graphics generation and rebuilt whenever graphics
// are reopened. The global operations add the defaults: automatic flags, an automatic centred
// handle and the mask colour.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "graphics/pixmap.h"
#include "runtime/object.h"

namespace vdl {

class TImageFrame;
class TStream;

// Image flags (a bit set).
constexpr int MASKED_IMAGE = 1;     // frames without alpha are masked with the mask colour
constexpr int FILTERED_IMAGE = 2;   // linear texture filtering
constexpr int MIPMAPPED_IMAGE = 4;  // mipmap chain
constexpr int DYNAMIC_IMAGE = 8;    // added by CreateBlankImage; no other effect

// Where an image's pixels come from: a pixmap, a URL for LoadPixmap, or an open stream.
using ImageSource = std::variant<PixmapRef, std::string, std::shared_ptr<TStream>>;

class TImage : public Object {
public:
    int width = 0;  // cell size in pixels
    int height = 0;
    int flags = 0;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;      // mask colour captured at creation
    float handleX = 0.0f, handleY = 0.0f;              // handle, (0, 0) is the top-left corner
    std::vector<PixmapRef> pixmaps;                    // source pixels, null until set or locked
    std::vector<std::shared_ptr<TImageFrame>> frames;  // renderer frames, null until drawn
    std::vector<int> seqs;  // graphics generation each frame was made in; 0 = none

    // The renderer frame of frame index for the current graphics, made from the pixmap when
    // it is missing or from an older generation; null when no texture could be made (the
    // next call tries again). An index out of range raises the array-bounds error, as do
    // Lock and SetPixmap.
    virtual std::shared_ptr<TImageFrame> Frame(int index);

    // The pixmap of frame index, made as a blank RGBA8888 cell when missing. With write set
    // the renderer frame is dropped so the next draw uploads the pixels again. The read flag
    // has no effect.
    virtual PixmapRef Lock(int index, bool read, bool write);

    // Replaces the pixmap of frame index (masked first when the image is masked and the
    // pixmap has no alpha) and drops its renderer frame.
    virtual void SetPixmap(int index, PixmapRef pixmap);

    // A new image of the given cell size with frameCount empty frames.
    static std::shared_ptr<TImage> Create(int width, int height, int frameCount, int flags, int r,
                                          int g, int b);

    // A one-frame image of the whole source, or null when it cannot be loaded.
    static std::shared_ptr<TImage> Load(const ImageSource& source, int flags, int r, int g, int b);

    // An image of count cells of cellWidth x cellHeight, taken from the source sheet left to
    // right, then top to bottom, starting at cell first. Null when the source cannot be
    // loaded or the sheet holds fewer than first + count cells.
    static std::shared_ptr<TImage> LoadAnim(const ImageSource& source, int cellWidth,
                                            int cellHeight, int first, int count, int flags, int r,
                                            int g, int b);
};

using ImageRef = std::shared_ptr<TImage>;

// Loads a one-frame image; flags -1 takes the automatic flags. Centred when automatic
// centring is on.
ImageRef LoadImageFrom(const ImageSource& source, int flags = -1);

// Loads an animation strip; defaults as LoadImageFrom.
ImageRef LoadAnimImageFrom(const ImageSource& source, int cellWidth, int cellHeight, int first,
                           int count, int flags = -1);

// A blank image (flags -1 takes the automatic flags; the dynamic flag is always added).
ImageRef CreateBlankImage(int width, int height, int frameCount = 1, int flags = -1);

// Flags used when a caller passes -1 (3, masked and filtered, at start); -1 changes nothing.
void SetAutoImageFlags(int flags);
int AutoImageFlags();

// Whether images made by the global operations get their handle at their centre.
void SetAutoCenterAnchor(bool center);
bool AutoCenterAnchor();

// Sets an image's handle.
void SetImageAnchor(const ImageRef& image, float x, float y);

// Puts an image's handle at its centre (width / 2, height / 2, fractions kept).
void CenterImageAnchor(const ImageRef& image);

// Cell size of an image.
int ImageWidth(const ImageRef& image);
int ImageHeight(const ImageRef& image);

// The pixmap of a frame for reading or writing (TImage::Lock).
PixmapRef LockImageFrame(const ImageRef& image, int frame, bool read = true, bool write = true);

// Ends a lock; there is nothing to do.
void UnlockImageFrame(const ImageRef& image, int frame);

// Replaces a frame with the screen rectangle of the image's size at (x, y), masked with the
// global mask colour when the image is masked.
void GrabImageFrom(const ImageRef& image, int x, int y, int frame = 0);

// The mask colour given to new images (black at start).
void SetImageMaskColor(int r, int g, int b);
void GetImageMaskColor(int& r, int& g, int& b);

}  // namespace vdl
