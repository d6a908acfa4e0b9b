// The browser's clock and the yield at the end of a frame.
#include "platform/browser.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include "system/clock.h"
#endif

namespace vdl {

#ifdef __EMSCRIPTEN__
namespace {

bool sleptThisFrame = false;

class TBrowserClock : public TSystemClock {
public:
    void Delay(int ms) override {
        if (ms <= 0) return;
        sleptThisFrame = true;
        emscripten_sleep(static_cast<unsigned>(ms));
    }
};

}  // namespace

void InstallBrowserClock() {
    static TBrowserClock clock;
    SetClock(&clock);
}

void YieldFrameToBrowser() {
    if (!sleptThisFrame) emscripten_sleep(0);
    sleptThisFrame = false;
}
#else
void InstallBrowserClock() {}

void YieldFrameToBrowser() {}
#endif

}  // namespace vdl
