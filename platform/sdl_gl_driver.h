// The OpenGL context driver on SDL windows: the one start-up installs for the GL renderer.
//
// TSDLGLDriver makes TGLGraphics over the window and context layer (platform/gl_context.h):
// windows, full-screen displays and contexts on host windows of one context API, all sharing
// their textures with the layer's hidden context of that API.
#pragma once

#include <memory>
#include <utility>

#include "graphics/gl_graphics.h"

namespace vdl {

struct GLContextRecord;

// Graphics over one native GL context record, made by driver.
class TGLGraphics : public TGraphics {
public:
    TGLGraphics(GLContextRecord* record, std::shared_ptr<TGraphicsDriver> driver)
        : record_(record), driver_(std::move(driver)) {}
    ~TGLGraphics() override;
    TGLGraphics(const TGLGraphics&) = delete;
    TGLGraphics& operator=(const TGLGraphics&) = delete;

    std::shared_ptr<TGraphicsDriver> Driver() override;
    void GetSettings(int& width, int& height, int& depth, int& hz, int& flags) override;
    // The window's drawable in pixels, which follows the window as the player resizes it.
    void GetDrawableSize(int& width, int& height) override;
    void Close() override;

    // The native record; null after Close.
    GLContextRecord* Record() const { return record_; }

private:
    GLContextRecord* record_;
    std::shared_ptr<TGraphicsDriver> driver_;
};

// The driver making GL windows, full-screen displays and contexts on host windows, whose
// contexts offer api.
class TSDLGLDriver : public TGLGraphicsDriver, public std::enable_shared_from_this<TSDLGLDriver> {
public:
    explicit TSDLGLDriver(GLContextApi api) : api_(api) {}

    std::vector<TGraphicsMode> GraphicsModes() override;
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t widgetHandle, int flags) override;
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override;
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
    void Flip(int sync) override;
    void ToggleSharedContext() override;

private:
    GLContextApi api_;
};

// Makes SDL the system driver (events, the pointer and, on Windows, the 1 ms timer) and the
// GL context driver of each API: what a program installs before its first window. In the
// browser it also makes the clock one whose waits yield to the page (platform/browser.h).
void InstallSDLBackends();

}  // namespace vdl
