// The browser's clock and the yield at the end of a frame.
#include "platform/browser.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "stream/embedded.h"
#include "system/clock.h"
#endif

#ifdef __EMSCRIPTEN__
// The page's answer for a file: its size once it has arrived, -1 while it is on its way (the
// first question starts it), -2 when it cannot arrive.
EM_JS(int, cca_ask_page, (const char* name),
      { return Module["pageFile"] ? Module["pageFile"](UTF8ToString(name)) : -2; });

// Gives the page its thread back until it has run what waits: a message the page sends
// itself, which a browser runs after any input and drawing that are due, and without the 4 ms
// a timer set from a timer waits.
EM_ASYNC_JS(void, cca_yield_to_page, (), {
    await new Promise(function(resume) {
        var channel = new MessageChannel();
        channel.port1.onmessage = function() {
            resume();
        };
        channel.port2.postMessage(0);
    });
});

// Copies an arrived file to where the program keeps it.
EM_JS(void, cca_take_page_file, (const char* name, unsigned char* into),
      { Module["takePageFile"](UTF8ToString(name), into); });
#endif

namespace vdl {

#ifdef __EMSCRIPTEN__
namespace {

bool sleptThisFrame = false;
double lastYieldMs = 0.0;
// When the program last had the page's thread back.
double resumedAtMs = 0.0;
// With the step after it, four times this stays short of the 50 ms at which a browser calls
// a task long, so a phone that much slower than the machine it was measured on keeps its
// tasks short.
constexpr double kBusyMs = 5.0;

// Every yield of the program's goes through here, so the time it last had the thread back is
// known.
void Sleep(unsigned ms) {
    emscripten_sleep(ms);
    resumedAtMs = emscripten_get_now();
}
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
        Sleep(kLostContextPollMs);
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
        Sleep(static_cast<unsigned>(ms));
    }
    // Only between the steps of start-up, never inside a frame: a yield shows the canvas.
    void YieldIfBusy() override {
        if (emscripten_get_now() - resumedAtMs < kBusyMs) return;
        cca_yield_to_page();
        resumedAtMs = emscripten_get_now();
    }
};

// The files the page handed over, kept for the registry as long as the program runs.
std::vector<std::unique_ptr<unsigned char[]>> pageFiles;

// How often a wait for a page's file looks again.
constexpr unsigned kPageFilePollMs = 20;

bool FetchPageFile(const char* name, bool wait) {
    int size = cca_ask_page(name);
    while (size == -1 && wait) {
        Sleep(kPageFilePollMs);
        size = cca_ask_page(name);
    }
    if (size == -2) RuntimeError(std::string("the page could not load its file \"") + name + "\"");
    if (size < 0) return false;
    auto bytes = std::make_unique<unsigned char[]>(size > 0 ? size : 1);
    cca_take_page_file(name, bytes.get());
    RegisterEmbedded(name, bytes.get(), size);
    pageFiles.push_back(std::move(bytes));
    return true;
}

}  // namespace

void InstallBrowserClock() {
    static TBrowserClock clock;
    SetClock(&clock);
}

void InstallPageFiles() {
    SetLateAssetSource(&FetchPageFile);
}

void SetDrawBeforeYield(void (*draw)()) {
    drawBeforeYield = draw;
}

void YieldToBrowser() {
    Sleep(0);
}

bool PageGestured() {
    return EM_ASM_INT({ return typeof window != "undefined" && window["pageGestured"] ? 1 : 0; }) !=
           0;
}

void YieldFrameToBrowser() {
    lastYieldMs = 0.0;
    if (!sleptThisFrame) {
        DrawHeldBack();
        const double before = emscripten_get_now();
        Sleep(0);
        lastYieldMs = resumedAtMs - before;
    }
    sleptThisFrame = false;
    WaitWhileContextLost();
}

// The page takes its loading screen away and fetches what waited for the first screen.
void TellPageMenuShown() {
    static bool told = false;
    if (told) return;
    told = true;
    EM_ASM({
        if (Module["onFirstFrame"]) Module["onFirstFrame"]();
    });
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

void InstallPageFiles() {}

void SetDrawBeforeYield(void (*)()) {}

void YieldToBrowser() {}

bool PageGestured() {
    return true;
}

void YieldFrameToBrowser() {}

void TellPageMenuShown() {}

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
