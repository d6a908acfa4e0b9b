// Start-up's phase times on standard error.
#include "runtime/phase_times.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace vdl {

namespace {

using Clock = std::chrono::steady_clock;

struct PhaseState {
    const bool enabled = std::getenv("CCA_STARTUP_TIMES") != nullptr;
    std::mutex lock;
    bool started = false;
    Clock::time_point first;
    Clock::time_point last;
    std::set<std::string> marked;
};

PhaseState& State() {
    static PhaseState state;
    return state;
}

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

void MarkPhase(const char* name) {
    PhaseState& s = State();
    if (!s.enabled) return;
    const Clock::time_point now = Clock::now();
    const std::lock_guard<std::mutex> hold(s.lock);
    if (!s.marked.insert(name).second) return;
    if (!s.started) {
        s.started = true;
        s.first = s.last = now;
    }
    std::fprintf(stderr, "startup %8.1f ms %+8.1f ms  %s\n", Millis(now - s.first),
                 Millis(now - s.last), name);
    s.last = now;
}

}  // namespace vdl
