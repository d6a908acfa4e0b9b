// Images: frames with source pixmaps and lazily made renderer frames, and the global image
// operations with their defaults (automatic flags, automatic centring, mask colour).
//
// A renderer frame is valid for the graphics generation it was made in (graphicsSeq); the
// first draw in a new generation makes it again from the kept pixmap.
#include "graphics/image.h"

#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "runtime/errors.h"

namespace vdl {

namespace {

struct ImageModuleState {
    int autoImageFlags = MASKED_IMAGE | FILTERED_IMAGE;
    bool autoCenterAnchor = false;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
} images;

void CheckIndex(const TImage& image, int index) {
    if (index < 0 || index >= static_cast<int>(image.pixmaps.size())) {
        throw TArrayBoundsException();
    }
}

const TImage& Checked(const ImageRef& image) {
    if (!image) throw TNullObjectException();
    return *image;
}

PixmapRef SourcePixmap(const ImageSource& source) {
    if (const PixmapRef* pixmap = std::get_if<PixmapRef>(&source)) return *pixmap;
    if (const std::string* url = std::get_if<std::string>(&source)) return LoadPixmap(*url);
    return LoadPixmap(std::get<std::shared_ptr<TStream>>(source));
}

int FlagsOrAuto(int flags) {
    return flags == -1 ? images.autoImageFlags : flags;
}

ImageRef CentredWhenAuto(ImageRef image) {
    if (image && images.autoCenterAnchor) CenterImageAnchor(image);
    return image;
}

}  // namespace

std::shared_ptr<TImageFrame> TImage::Frame(int index) {
    CheckIndex(*this, index);
    if (seqs[index] != graphicsSeq) {
        const std::shared_ptr<TVex2DDriver> renderer = CurrentRenderer();
        frames[index] =
            renderer ? renderer->CreateFrameFromPixmap(Lock(index, true, false), flags) : nullptr;
        seqs[index] = frames[index] ? graphicsSeq : 0;
    }
    return frames[index];
}

PixmapRef TImage::Lock(int index, bool, bool write) {
    CheckIndex(*this, index);
    if (write) {
        seqs[index] = 0;
        frames[index] = nullptr;
    }
    if (!pixmaps[index]) pixmaps[index] = TPixmap::Create(width, height, PF_RGBA8888, 4);
    return pixmaps[index];
}

void TImage::SetPixmap(int index, PixmapRef pixmap) {
    CheckIndex(*this, index);
    if (pixmap && (flags & MASKED_IMAGE) && AlphaBits(pixmap->format) == 0) {
        pixmap = MaskPixmap(pixmap, maskRed, maskGreen, maskBlue);
    }
    pixmaps[index] = std::move(pixmap);
    seqs[index] = 0;
    frames[index] = nullptr;
}

ImageRef TImage::Create(int width, int height, int frameCount, int flags, int r, int g, int b) {
    auto image = std::make_shared<TImage>();
    image->width = width;
    image->height = height;
    image->flags = flags;
    image->maskRed = r;
    image->maskGreen = g;
    image->maskBlue = b;
    const size_t count = frameCount > 0 ? static_cast<size_t>(frameCount) : 0;
    image->pixmaps.resize(count);
    image->frames.resize(count);
    image->seqs.assign(count, 0);
    return image;
}

ImageRef TImage::Load(const ImageSource& source, int flags, int r, int g, int b) {
    const PixmapRef pixmap = SourcePixmap(source);
    if (!pixmap) return nullptr;
    ImageRef image = Create(pixmap->width, pixmap->height, 1, flags, r, g, b);
    image->SetPixmap(0, pixmap);
    return image;
}

ImageRef TImage::LoadAnim(const ImageSource& source, int cellWidth, int cellHeight, int first,
                          int count, int flags, int r, int g, int b) {
    // NOTE: sizes and counts that describe no cell are refused here rather than dividing by
    // zero or reading cells before the sheet.
    if (cellWidth <= 0 || cellHeight <= 0 || first < 0 || count < 0) return nullptr;
    const PixmapRef sheet = SourcePixmap(source);
    if (!sheet) return nullptr;
    const int across = sheet->width / cellWidth;
    const int down = sheet->height / cellHeight;
    if (static_cast<long long>(across) * down < static_cast<long long>(first) + count) {
        return nullptr;
    }
    ImageRef image = Create(cellWidth, cellHeight, count, flags, r, g, b);
    for (int i = first; i < first + count; ++i) {
        const PixmapRef cell = sheet->Window(cellWidth * (i % across), cellHeight * (i / across),
                                             cellWidth, cellHeight);
        image->SetPixmap(i - first, cell->Copy());
    }
    return image;
}

ImageRef LoadImageFrom(const ImageSource& source, int flags) {
    return CentredWhenAuto(TImage::Load(source, FlagsOrAuto(flags), images.maskRed,
                                        images.maskGreen, images.maskBlue));
}

ImageRef LoadAnimImageFrom(const ImageSource& source, int cellWidth, int cellHeight, int first,
                           int count, int flags) {
    return CentredWhenAuto(TImage::LoadAnim(source, cellWidth, cellHeight, first, count,
                                            FlagsOrAuto(flags), images.maskRed, images.maskGreen,
                                            images.maskBlue));
}

ImageRef CreateBlankImage(int width, int height, int frameCount, int flags) {
    return CentredWhenAuto(TImage::Create(width, height, frameCount,
                                          FlagsOrAuto(flags) | DYNAMIC_IMAGE, images.maskRed,
                                          images.maskGreen, images.maskBlue));
}

void SetAutoImageFlags(int flags) {
    if (flags != -1) images.autoImageFlags = flags;
}

int AutoImageFlags() {
    return images.autoImageFlags;
}

void SetAutoCenterAnchor(bool center) {
    images.autoCenterAnchor = center;
}

bool AutoCenterAnchor() {
    return images.autoCenterAnchor;
}

void SetImageAnchor(const ImageRef& image, float x, float y) {
    Checked(image);
    image->handleX = x;
    image->handleY = y;
}

void CenterImageAnchor(const ImageRef& image) {
    Checked(image);
    image->handleX = static_cast<float>(image->width) * 0.5f;
    image->handleY = static_cast<float>(image->height) * 0.5f;
}

int ImageWidth(const ImageRef& image) {
    return Checked(image).width;
}

int ImageHeight(const ImageRef& image) {
    return Checked(image).height;
}

PixmapRef LockImageFrame(const ImageRef& image, int frame, bool read, bool write) {
    Checked(image);
    return image->Lock(frame, read, write);
}

void UnlockImageFrame(const ImageRef&, int) {}

void GrabImageFrom(const ImageRef& image, int x, int y, int frame) {
    Checked(image);
    const std::shared_ptr<TVex2DDriver> renderer = CurrentRenderer();
    if (!renderer) return;
    PixmapRef pixmap = renderer->GrabPixmap(x, y, image->width, image->height);
    if (image->flags & MASKED_IMAGE) {
        pixmap = MaskPixmap(pixmap, images.maskRed, images.maskGreen, images.maskBlue);
    }
    image->SetPixmap(frame, pixmap);
}

void SetImageMaskColor(int r, int g, int b) {
    images.maskRed = r;
    images.maskGreen = g;
    images.maskBlue = b;
}

void GetImageMaskColor(int& r, int& g, int& b) {
    r = images.maskRed;
    g = images.maskGreen;
    b = images.maskBlue;
}

}  // namespace vdl
