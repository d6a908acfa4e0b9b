// The millisecond clock and sleeping.
//
// Every timer of the engine and the game reads Millis; frame pacing sleeps with Delay. Both
// go through one replaceable clock so that tests and simulations can run on virtual time.
#pragma once

#include <atomic>

namespace vdl {

// A source of milliseconds and a way to wait.
class TClock {
public:
    virtual ~TClock() = default;
    // Milliseconds since some fixed start, as a signed 32-bit count that wraps.
    virtual int Millis() = 0;
    // Waits ms milliseconds; ms <= 0 returns at once.
    virtual void Delay(int ms) = 0;
    // Gives the machine its thread back, between two steps of a long piece of work, if the
    // program has held it for long; by default it never does. A page's clock does: the one
    // thread the program runs on there also shows the page and takes its input.
    virtual void YieldIfBusy() {}
};

// The system's monotonic clock and a real sleep that ends when the count has advanced by the
// asked number of milliseconds. The count starts, on first use, at a positive value that
// differs from run to run and stays weeks below the 32-bit wrap (clock.cpp says how).
class TSystemClock : public TClock {
public:
    int Millis() override;
    void Delay(int ms) override;
};

// Virtual time for tests: Delay advances the count at once instead of sleeping.
class TVirtualClock : public TClock {
public:
    explicit TVirtualClock(int start = 0) : now_(start) {}
    int Millis() override { return now_.load(std::memory_order_relaxed); }
    void Delay(int ms) override;
    // Moves time forward by ms (wrapping like the real count).
    void Advance(int ms);
    void Set(int ms) { now_.store(ms, std::memory_order_relaxed); }

private:
    std::atomic<int> now_;
};

// The system's millisecond count through the current clock.
int Millis();

// Sleeps ms milliseconds through the current clock; a negative ms returns at once.
void Delay(int ms);

// The current clock's YieldIfBusy: called between the steps of start-up.
void YieldIfBusy();

// Makes clock current (null restores the system clock). The caller keeps it alive while it
// is current. Returns the clock that was current before.
TClock* SetClock(TClock* clock);

}  // namespace vdl
