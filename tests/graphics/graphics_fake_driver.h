// A graphics driver that draws nothing and records what it is asked, for the tests of the
// driver-neutral layer. Flips can take virtual time.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "graphics/graphics.h"
#include "system/clock.h"

namespace vdl::testing {

class FakeDriver;

class FakeGraphics : public TGraphics {
public:
    FakeGraphics(std::shared_ptr<FakeDriver> driver, int w, int h, int d, int rate, int f)
        : driver_(std::move(driver)), width(w), height(h), depth(d), hz(rate), flags(f) {}

    std::shared_ptr<TGraphicsDriver> Driver() override;
    void GetSettings(int& w, int& h, int& d, int& z, int& f) override {
        w = width;
        h = height;
        d = depth;
        z = hz;
        f = flags;
    }
    void Close() override { ++closes; }

    // Weak: the driver keeps the graphics it made, and a strong pointer back would keep both
    // alive for ever.
    std::weak_ptr<FakeDriver> driver_;
    int width, height, depth, hz, flags;
    int closes = 0;
};

class FakeDriver : public TGraphicsDriver, public std::enable_shared_from_this<FakeDriver> {
public:
    struct FlipRecord {
        int sync;
        int at;  // Millis() when the flip was asked for
    };

    std::vector<TGraphicsMode> GraphicsModes() override {
        ++modeQueries;
        return modes;
    }
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t, int flags) override {
        return std::make_shared<FakeGraphics>(shared_from_this(), 640, 480, 0, 0, flags);
    }
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override {
        if (failCreate) throw std::runtime_error("no surface");
        if (refuseCreate) return nullptr;
        auto g =
            std::make_shared<FakeGraphics>(shared_from_this(), width, height, depth, hz, flags);
        made.push_back(g);
        return g;
    }
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override { targets.push_back(g); }
    void Flip(int sync) override {
        flips.push_back({sync, Millis()});
        if (flipCost) flipCost(sync);
    }

    std::vector<TGraphicsMode> modes;
    std::vector<std::shared_ptr<FakeGraphics>> made;
    std::vector<std::shared_ptr<TGraphics>> targets;
    std::vector<FlipRecord> flips;
    // Runs inside every flip (to spend virtual time).
    std::function<void(int sync)> flipCost;
    int modeQueries = 0;
    bool failCreate = false;
    bool refuseCreate = false;
};

inline std::shared_ptr<TGraphicsDriver> FakeGraphics::Driver() {
    return driver_.lock();
}

}  // namespace vdl::testing
