// The OpenGL graphics driver: windows and full-screen displays with GL contexts.
//
// TGLGraphicsDriver makes TGLGraphics over the native context layer (platform/gl_context.h):
// every context shares its textures with one hidden context, so textures made there (between
// two ToggleSharedContext calls) are visible in every window.
#pragma once

#include <memory>

#include "graphics/graphics.h"

namespace vdl {

struct GLContextRecord;

// Graphics over one native GL context record.
class TGLGraphics : public TGraphics {
public:
    explicit TGLGraphics(GLContextRecord* record) : record_(record) {}
    ~TGLGraphics() override;
    TGLGraphics(const TGLGraphics&) = delete;
    TGLGraphics& operator=(const TGLGraphics&) = delete;

    std::shared_ptr<TGraphicsDriver> Driver() override;
    void GetSettings(int& width, int& height, int& depth, int& hz, int& flags) override;
    void Close() override;

    // The native record; null after Close.
    GLContextRecord* Record() const { return record_; }

private:
    GLContextRecord* record_;
};

// The driver making GL windows, full-screen displays and contexts on host windows.
class TGLGraphicsDriver : public TGraphicsDriver {
public:
    std::vector<TGraphicsMode> GraphicsModes() override;
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t widgetHandle, int flags) override;
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override;
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
    void Flip(int sync) override;
    // Switches between the shared context and the current graphics' context.
    virtual void ToggleSharedContext();
};

// The one GL context driver, made on first use.
std::shared_ptr<TGLGraphicsDriver> GLContextDriver();

// Selects the GL context driver (with back buffer) and opens graphics with it.
std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags);

}  // namespace vdl
