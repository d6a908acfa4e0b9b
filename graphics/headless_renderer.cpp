// The headless renderer: surfaces without pixels, frames without textures, calls counted.
#include "graphics/headless_renderer.h"
#include "graphics/image_font.h"

namespace vdl {

std::shared_ptr<TGraphicsDriver> THeadlessGraphics::Driver() {
    return HeadlessDriver2D();
}

void THeadlessGraphics::GetSettings(int& width, int& height, int& depth, int& hz, int& flags) {
    width = width_;
    height = height_;
    depth = depth_;
    hz = hz_;
    flags = flags_;
}

void THeadlessImageFrame::Draw(float, float, float, float, float, float) {
    ++HeadlessDriver2D()->counts.frameDraws;
}

std::vector<TGraphicsMode> THeadlessVex2DDriver::GraphicsModes() {
    return {TGraphicsMode(640, 480, 32, 60), TGraphicsMode(800, 600, 32, 60),
            TGraphicsMode(1024, 768, 32, 60)};
}

std::shared_ptr<TGraphics> THeadlessVex2DDriver::CreateGraphics(int width, int height, int depth,
                                                                int hz, int flags) {
    auto surface = std::make_shared<THeadlessGraphics>(width, height, depth, hz, flags);
    return TVex2DGraphics::Create(surface, shared_from_this());
}

void THeadlessVex2DDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    const auto surface = std::dynamic_pointer_cast<TVex2DGraphics>(g);
    if (!surface) {
        TVex2DGraphics::ClearCurrent();
        return;
    }
    surface->MakeCurrent();
    surface->ApplyState();
}

void THeadlessVex2DDriver::Flip(int) {
    ++counts.flips;
}

std::shared_ptr<TImageFrame> THeadlessVex2DDriver::CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                                         int) {
    if (!pixmap) return nullptr;
    ++counts.framesMade;
    return std::make_shared<THeadlessImageFrame>(pixmap->width, pixmap->height);
}

PixmapRef THeadlessVex2DDriver::GrabPixmap(int, int, int width, int height) {
    return TPixmap::Create(width, height, PF_RGBA8888, 4);
}

std::shared_ptr<THeadlessVex2DDriver> HeadlessDriver2D() {
    static const auto driver = std::make_shared<THeadlessVex2DDriver>();
    return driver;
}

std::shared_ptr<TGraphics> OpenHeadlessGraphics(int width, int height) {
    StartImageFonts();  // surfaces are made with the built-in font
    SelectGraphicsDriver(HeadlessDriver2D(), 0);
    return OpenGraphics(width, height, 0, 0, 0);
}

}  // namespace vdl
