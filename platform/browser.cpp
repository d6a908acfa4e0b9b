// The browser's clock and the yield at the end of a frame.
#include "platform/browser.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>

#include "system/clock.h"
#endif

namespace vdl {

#ifdef __EMSCRIPTEN__
namespace {

bool sleptThisFrame = false;
double lastYieldMs = 0.0;
void (*drawBeforeYield)() = nullptr;

// Set by the canvas's context events, which arrive while the program yields.
bool contextLost = false;
bool contextRestored = false;
void (*restoreContext)() = nullptr;

EM_BOOL OnContextLost(int, const void*, void*) {
    contextLost = true;
    contextRestored = false;
    return EM_TRUE;  // prevents the default: the context may come back
}

EM_BOOL OnContextRestored(int, const void*, void*) {
    contextRestored = true;
    return EM_TRUE;
}

// How often a frame waiting for a lost context looks again.
constexpr unsigned kLostContextPollMs = 100;

void WaitWhileContextLost() {
    if (!contextLost) return;
    while (!contextRestored)
        emscripten_sleep(kLostContextPollMs);
    contextLost = contextRestored = false;
    if (restoreContext) restoreContext();
}

void DrawHeldBack() {
    if (drawBeforeYield) drawBeforeYield();
}

class TBrowserClock : public TSystemClock {
public:
    void Delay(int ms) override {
        if (ms <= 0) return;
        sleptThisFrame = true;
        DrawHeldBack();
        emscripten_sleep(static_cast<unsigned>(ms));
    }
};

}  // namespace

void InstallBrowserClock() {
    static TBrowserClock clock;
    SetClock(&clock);
}

void SetDrawBeforeYield(void (*draw)()) {
    drawBeforeYield = draw;
}

void YieldFrameToBrowser() {
    lastYieldMs = 0.0;
    if (!sleptThisFrame) {
        DrawHeldBack();
        const double before = emscripten_get_now();
        emscripten_sleep(0);
        lastYieldMs = emscripten_get_now() - before;
    }
    sleptThisFrame = false;
    WaitWhileContextLost();
}

void WatchBrowserGLContext(void (*restored)()) {
    restoreContext = restored;
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, OnContextLost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, OnContextRestored);
}

double LastFrameYieldMs() {
    return lastYieldMs;
}

void ToggleBrowserFullScreen() {
    EM_ASM({
        if (Module["toggleFullScreen"]) Module["toggleFullScreen"]();
    });
}

bool BrowserFullScreen() {
    return EM_ASM_INT({ return document.fullscreenElement ? 1 : 0; }) != 0;
}
#else
void InstallBrowserClock() {}

void SetDrawBeforeYield(void (*)()) {}

void YieldFrameToBrowser() {}

void WatchBrowserGLContext(void (*)()) {}

double LastFrameYieldMs() {
    return 0.0;
}

void ToggleBrowserFullScreen() {}

bool BrowserFullScreen() {
    return false;
}
#endif

}  // namespace vdl
