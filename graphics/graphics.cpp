// The driver-neutral graphics layer: module state, opening and closing, the flip and its
// software frame pacing.
#include "graphics/graphics.h"

#include "runtime/errors.h"
#include "runtime/math.h"
#include "runtime/program.h"
#include "system/clock.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/system_driver.h"

namespace vdl {

int graphicsSeq = 1;
const int FlipHook = AllocHookId();

namespace {
struct GraphicsState {
    std::shared_ptr<TGraphicsDriver> currentDriver;
    int defaultFlags = 0;
    std::vector<TGraphicsMode> cachedModes;
    std::shared_ptr<TGraphics> currentGraphics;
    std::shared_ptr<TGraphics> openedGraphics;
    int graphicsWidth = 0;
    int graphicsHeight = 0;
    int graphicsDepth = 0;
    int graphicsHz = 0;
    int graphicsFlags = 0;

    bool exitRoutineAdded = false;

    // Software frame pacing.
    bool softSync = false;
    int syncRate = 0;
    int syncPeriod = 0;
    int syncFrac = 0;
    int syncAccum = 0;
    int syncTime = 0;
};

// Never destroyed: graphics must not be released by static destruction after the window
// system has gone; CloseOpenedGraphics runs at exit instead.
GraphicsState& State() {
    static GraphicsState* state = new GraphicsState;
    return *state;
}

void ClearSettings(GraphicsState& s) {
    s.graphicsWidth = 0;
    s.graphicsHeight = 0;
    s.graphicsDepth = 0;
    s.graphicsHz = 0;
    s.graphicsFlags = 0;
}

void ReleaseCurrentTarget(GraphicsState& s) {
    if (s.currentDriver && s.currentGraphics) s.currentDriver->SetGraphics(nullptr);
}

// Whether three consecutive vertically synced flips each take 1000 / hz ms (within 1 ms),
// trying for at most one second.
bool HardwareSyncsAt(TGraphicsDriver& driver, int hz) {
    const int end = WrapAdd(Millis(), 1000);
    int count = 0;
    while (WrapSub(Millis(), end) < 0) {
        const int t0 = Millis();
        driver.Flip(1);
        const int d = WrapSub(Millis(), t0) - 1000 / hz;
        if (d >= -1 && d <= 1) {
            if (++count == 3) return true;
        } else {
            count = 0;
        }
    }
    return false;
}

}  // namespace

// NOTE: the generation counter skips 0 when it wraps.
void AdvanceGraphicsSeq() {
    graphicsSeq = static_cast<int>(static_cast<unsigned>(graphicsSeq) + 1u);
    if (graphicsSeq == 0) graphicsSeq = 1;
}

std::string TGraphicsMode::ToString() const {
    return std::to_string(width) + "," + std::to_string(height) + "," + std::to_string(depth) +
           " " + std::to_string(hz) + "Hz";
}

void TGraphics::GetDrawableSize(int& width, int& height) {
    int depth = 0, hz = 0, flags = 0;
    GetSettings(width, height, depth, hz, flags);
}

void SelectGraphicsDriver(std::shared_ptr<TGraphicsDriver> driver, int defaultFlags) {
    GraphicsState& s = State();
    if (driver != s.currentDriver) {
        ReleaseCurrentTarget(s);
        s.cachedModes.clear();
        s.currentDriver = std::move(driver);
    }
    s.defaultFlags = defaultFlags;
    s.currentGraphics = nullptr;
    ClearSettings(s);
}

std::shared_ptr<TGraphicsDriver> CurrentGraphicsDriver() {
    return State().currentDriver;
}

int DefaultGraphicsFlags() {
    return State().defaultFlags;
}

std::vector<TGraphicsMode> ListGraphicsModes() {
    GraphicsState& s = State();
    if (s.cachedModes.empty() && s.currentDriver) s.cachedModes = s.currentDriver->GraphicsModes();
    return s.cachedModes;
}

int CountGraphicsModes() {
    return static_cast<int>(ListGraphicsModes().size());
}

void GetGraphicsModeInfo(int index, int& width, int& height, int& depth, int& hz) {
    const std::vector<TGraphicsMode> modes = ListGraphicsModes();
    if (index < 0 || index >= static_cast<int>(modes.size())) throw TArrayBoundsException();
    const TGraphicsMode& mode = modes[index];
    width = mode.width;
    height = mode.height;
    depth = mode.depth;
    hz = mode.hz;
}

bool HasGraphicsMode(int width, int height, int depth, int hz) {
    for (const TGraphicsMode& mode : ListGraphicsModes()) {
        if (width && mode.width != width) continue;
        if (height && mode.height != height) continue;
        if (depth && mode.depth != depth) continue;
        if (hz && mode.hz != hz) continue;
        return true;
    }
    return false;
}

std::shared_ptr<TGraphics> CreateGraphicsContext(int width, int height, int depth, int hz,
                                                 int flags) {
    GraphicsState& s = State();
    if (!s.currentDriver) return nullptr;
    try {
        return s.currentDriver->CreateGraphics(width, height, depth, hz, flags | s.defaultFlags);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<TGraphics> AttachGraphicsTo(std::intptr_t widgetHandle, int flags) {
    GraphicsState& s = State();
    if (!s.currentDriver) return nullptr;
    try {
        return s.currentDriver->AttachGraphics(widgetHandle, flags | s.defaultFlags);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void SelectGraphics(const std::shared_ptr<TGraphics>& g) {
    GraphicsState& s = State();
    if (!g) {
        ReleaseCurrentTarget(s);
        s.currentGraphics = nullptr;
        ClearSettings(s);
        return;
    }
    std::shared_ptr<TGraphicsDriver> d = g->Driver();
    if (d != s.currentDriver) {
        ReleaseCurrentTarget(s);
        s.cachedModes.clear();
        s.currentDriver = d;
    }
    g->GetSettings(s.graphicsWidth, s.graphicsHeight, s.graphicsDepth, s.graphicsHz,
                   s.graphicsFlags);
    d->SetGraphics(g);
    s.currentGraphics = g;
}

std::shared_ptr<TGraphics> CurrentGraphics() {
    return State().currentGraphics;
}

std::shared_ptr<TGraphics> OpenedGraphics() {
    return State().openedGraphics;
}

void CloseGraphicsContext(const std::shared_ptr<TGraphics>& g) {
    if (!g) return;
    GraphicsState& s = State();
    // Held here: the module may hold the last reference.
    const std::shared_ptr<TGraphics> closing = g;
    if (closing == s.openedGraphics) s.openedGraphics = nullptr;
    if (closing == s.currentGraphics) SelectGraphics(nullptr);
    closing->Close();
}

int CurrentGraphicsWidth() {
    return State().graphicsWidth;
}
int CurrentGraphicsHeight() {
    return State().graphicsHeight;
}
int CurrentGraphicsDepth() {
    return State().graphicsDepth;
}
int CurrentGraphicsHz() {
    return State().graphicsHz;
}
int CurrentGraphicsFlags() {
    return State().graphicsFlags;
}

std::shared_ptr<TGraphics> OpenGraphics(int width, int height, int depth, int hz, int flags) {
    GraphicsState& s = State();
    CloseOpenedGraphics();

    std::shared_ptr<TGraphics> g =
        CreateGraphicsContext(width, height, depth, hz, flags | s.defaultFlags);
    if (!g) return nullptr;
    YieldIfBusy();  // making a context and setting it up are each a long step
    AdvanceGraphicsSeq();
    SelectGraphics(g);

    // A window is always paced by the clock; a full-screen display only when its vertical
    // sync does not already run at hz.
    s.softSync = true;
    if (hz == 0) {
        s.softSync = false;
    } else if (depth != 0 && HardwareSyncsAt(*s.currentDriver, hz)) {
        s.softSync = false;
    }

    s.syncRate = hz;
    s.syncPeriod = hz ? 1000 / hz : 0;
    s.syncFrac = 1000 - s.syncPeriod * hz;
    s.syncAccum = 0;
    s.syncTime = Millis();

    s.openedGraphics = g;
    if (depth != 0) MovePointer(width / 2, height / 2);
    EnablePolledInput(nullptr);
    if (!s.exitRoutineAdded) {
        s.exitRoutineAdded = true;
        AddExitRoutine(CloseOpenedGraphics);
    }
    return g;
}

void CloseOpenedGraphics() {
    GraphicsState& s = State();
    if (!s.openedGraphics) return;
    AdvanceGraphicsSeq();
    DisablePolledInput();
    CloseGraphicsContext(s.openedGraphics);
}

void FlipFrame(int sync) {
    RunHooks(FlipHook, nullptr);
    GraphicsState& s = State();
    if (!s.currentDriver) return;

    if (sync != -1) {
        s.currentDriver->Flip(sync);
        return;
    }
    if (s.currentGraphics != s.openedGraphics || !s.softSync) {
        s.currentDriver->Flip(s.graphicsDepth != 0 ? 1 : 0);
        return;
    }

    // NOTE: 1000 / hz ms per frame plus one more on syncFrac of every syncRate frames, so
    // 60 Hz runs 16, 17, 17 ms: exactly 1000 ms per 60 frames.
    s.syncTime = WrapAdd(s.syncTime, s.syncPeriod);
    s.syncAccum += s.syncFrac;
    if (s.syncAccum >= s.syncRate) {
        s.syncAccum -= s.syncRate;
        s.syncTime = WrapAdd(s.syncTime, 1);
    }
    const int dt = WrapSub(s.syncTime, Millis());
    if (dt > 0) {
        Delay(dt);
    } else {
        // A late frame re-anchors the schedule to now: lost time is not caught up.
        s.syncTime = WrapSub(s.syncTime, dt);
    }
    s.currentDriver->Flip(0);
}

}  // namespace vdl
