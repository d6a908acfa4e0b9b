// The current system driver and the guarded pump.
#include "system/system_driver.h"

#include "system/headless_system_driver.h"

namespace vdl {

namespace {
struct SystemState {
    std::shared_ptr<TSystemDriver> driver;
    // Set while a PollSystem or WaitSystem runs: a plain flag, the pump is single-threaded.
    bool pumping = false;
    bool anchored = false;
    int anchorX = 0;
    int anchorY = 0;
};

// Never destroyed: events may still be pumped while the process exits.
SystemState& State() {
    static SystemState* state = new SystemState;
    return *state;
}

// Clears the pumping flag however the pump is left (a hook may raise an error).
class PumpGuard {
public:
    PumpGuard() { State().pumping = true; }
    ~PumpGuard() { State().pumping = false; }
    PumpGuard(const PumpGuard&) = delete;
    PumpGuard& operator=(const PumpGuard&) = delete;
};
}  // namespace

TSystemDriver& CurrentSystemDriver() {
    SystemState& s = State();
    if (!s.driver) s.driver = std::make_shared<THeadlessSystemDriver>();
    return *s.driver;
}

std::shared_ptr<TSystemDriver> SetSystemDriver(std::shared_ptr<TSystemDriver> driver) {
    SystemState& s = State();
    std::shared_ptr<TSystemDriver> previous = std::move(s.driver);
    s.driver = driver ? std::move(driver) : std::make_shared<THeadlessSystemDriver>();
    return previous;
}

void PollSystem() {
    if (State().pumping) return;
    PumpGuard guard;
    CurrentSystemDriver().Poll();
}

void WaitSystem() {
    if (State().pumping) return;
    PumpGuard guard;
    CurrentSystemDriver().Wait();
}

void MovePointer(int x, int y) {
    CurrentSystemDriver().MovePointer(x, y);
}

void ShowPointer() {
    CurrentSystemDriver().SetPointerVisible(1);
}

void HidePointer() {
    CurrentSystemDriver().SetPointerVisible(0);
}

void SetPointerAnchor(int x, int y) {
    SystemState& s = State();
    s.anchored = true;
    s.anchorX = x;
    s.anchorY = y;
}

void ClearPointerAnchor() {
    State().anchored = false;
}

bool PointerAnchor(int& x, int& y) {
    const SystemState& s = State();
    if (!s.anchored) return false;
    x = s.anchorX;
    y = s.anchorY;
    return true;
}

}  // namespace vdl
