#include "system/clock.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "runtime/math.h"

namespace vdl {

namespace {
TSystemClock systemClock;
std::atomic<TClock*> currentClock{&systemClock};

// The count starts at 10 s plus the wall clock's milliseconds modulo 2^28 (about 3.1 days):
// always positive, different from run to run (start-up seeds the random numbers from it),
// and at least 2^31 - 2^28 - 10 000 ms (about 21.7 days) below the wrap, so timers stored
// as "last time" and compared with a plain greater-than stay right for weeks of uptime,
// and a time of 0 always lies in the past.
constexpr std::int64_t kStartBase = 10000;
constexpr std::int64_t kStartSpread = std::int64_t{1} << 28;

struct ClockStart {
    std::chrono::steady_clock::time_point at;
    std::int64_t base;
};

const ClockStart& Start() {
    static const ClockStart start = [] {
        const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
        return ClockStart{std::chrono::steady_clock::now(), kStartBase + wall % kStartSpread};
    }();
    return start;
}

// Whole milliseconds since the count started.
std::int64_t ElapsedTicks(std::chrono::steady_clock::time_point now) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - Start().at).count();
}
}  // namespace

int TSystemClock::Millis() {
    // NOTE: truncated to 32 bits on purpose: the count wraps like a 32-bit millisecond
    // counter, and differences taken in 32-bit arithmetic stay right across the wrap.
    const std::int64_t ms = Start().base + ElapsedTicks(std::chrono::steady_clock::now());
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

void TSystemClock::Delay(int ms) {
    if (ms <= 0) return;
    // NOTE: sleeps until the millisecond count has advanced by ms, not for ms from now: a
    // caller that computed ms from a Millis reading wakes on the tick it aimed at instead of
    // up to a millisecond later, which keeps frame pacing within a millisecond.
    const std::int64_t tick = ElapsedTicks(std::chrono::steady_clock::now());
    std::this_thread::sleep_until(Start().at + std::chrono::milliseconds(tick + ms));
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

void YieldIfBusy() {
    currentClock.load(std::memory_order_acquire)->YieldIfBusy();
}

TClock* SetClock(TClock* clock) {
    TClock* previous = currentClock.exchange(clock ? clock : &systemClock);
    return previous == &systemClock ? nullptr : previous;
}

}  // namespace vdl
