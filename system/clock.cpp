#include "system/clock.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace vdl {

namespace {
TSystemClock systemClock;
std::atomic<TClock*> currentClock{&systemClock};

// Adds in 32-bit unsigned arithmetic so the count wraps instead of overflowing.
int WrapAdd(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
}  // namespace

int TSystemClock::Millis() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    // NOTE: truncated to 32 bits on purpose: the count wraps after about 24.8 days, and
    // differences taken in 32-bit arithmetic stay right across the wrap.
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

void TSystemClock::Delay(int ms) {
    if (ms <= 0) return;
    // NOTE: sleeps until the millisecond count has advanced by ms, not for ms from now: a
    // caller that computed ms from a Millis reading wakes on the tick it aimed at instead of
    // up to a millisecond later, which keeps frame pacing within a millisecond.
    const auto now = std::chrono::steady_clock::now();
    const auto tick = std::chrono::floor<std::chrono::milliseconds>(now.time_since_epoch());
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(tick) +
                                  std::chrono::milliseconds(ms));
}

void TVirtualClock::Delay(int ms) {
    if (ms > 0) Advance(ms);
}

void TVirtualClock::Advance(int ms) {
    int now = now_.load(std::memory_order_relaxed);
    while (!now_.compare_exchange_weak(now, WrapAdd(now, ms), std::memory_order_relaxed)) {
    }
}

int Millis() {
    return currentClock.load(std::memory_order_acquire)->Millis();
}

void Delay(int ms) {
    if (ms < 0) return;
    currentClock.load(std::memory_order_acquire)->Delay(ms);
}

TClock* SetClock(TClock* clock) {
    TClock* previous = currentClock.exchange(clock ? clock : &systemClock);
    return previous == &systemClock ? nullptr : previous;
}

}  // namespace vdl
