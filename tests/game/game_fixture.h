// Test helper: the game on the headless renderer, virtual time and scripted input.
//
// The fixture loads the game's real assets once, opens an 800 x 600 headless surface, and for
// every test makes a fresh world (lists, player, level 1, sound off), a virtual clock and a
// seeded generator. Input goes in through the engine's event path, as real input does. Every
// flip advances the clock by the 16, 17, 17 ms that pacing at 60 Hz would wait, and runs the
// test's per-flip script, if any; a script ends a blocking screen by throwing StopRun.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "runtime/object.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/headless_system_driver.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/random.h"
#include "system/system_driver.h"

namespace gametest {

// Thrown by a script to leave the blocking loop it runs in.
struct StopRun {};

class GameTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        game::StartGameModules();
        game::LoadGameResources();
    }

    void SetUp() override {
        previousDriver_ = vdl::SetSystemDriver(driver_);
        vdl::SetClock(&clock_);
        ASSERT_TRUE(vdl::OpenHeadlessGraphics(800, 600));
        game::CreateWorld();
        game::SetUpDrawingState();
        game::player = std::make_shared<game::Tplayer>();
        vdl::SeedRandom(12345);
        vdl::AddHook(vdl::FlipHook, &GameTest::OnFlip, nullptr, 0);
        current_ = this;
    }

    void TearDown() override {
        current_ = nullptr;
        vdl::RemoveHook(vdl::FlipHook, &GameTest::OnFlip, nullptr);
        vdl::CloseOpenedGraphics();
        vdl::SetClock(nullptr);
        vdl::SetSystemDriver(previousDriver_);
    }

    // One frame of play as the play loop runs it.
    void Frame() {
        game::GameFrame();
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
    }

    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            Frame();
    }

    // Runs script(flip) on every flip from now on (flip counts from 1).
    void OnEachFlip(std::function<void(int)> script) {
        script_ = std::move(script);
        flips_ = 0;
    }

    // Scripted input, through the same path as the platform's.
    static void KeyDown(int key) { Emit(vdl::kEventKeyDown, key); }
    static void KeyUp(int key) { Emit(vdl::kEventKeyUp, key); }
    static void ButtonDown(int button) { Emit(vdl::kEventMouseDown, button); }
    static void ButtonUp(int button) { Emit(vdl::kEventMouseUp, button); }
    static void Click(int button = 1) {
        ButtonDown(button);
        ButtonUp(button);
    }
    static void PressKey(int key) {
        KeyDown(key);
        KeyUp(key);
    }
    static void PointAt(int x, int y) {
        vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, x, y, nullptr);
    }
    static void Emit(int id, int data) {
        vdl::EmitOSEvent(id, nullptr, data, 0, vdl::PointerX(), vdl::PointerY(), nullptr);
    }

    vdl::TVirtualClock clock_{1000000};
    std::shared_ptr<vdl::THeadlessSystemDriver> driver_ =
        std::make_shared<vdl::THeadlessSystemDriver>();
    int flips_ = 0;

private:
    // Frame pacing at 60 Hz: 16, 17, 17 ms.
    static vdl::ObjectRef OnFlip(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
        GameTest* self = current_;
        if (!self) return data;
        ++self->flips_;
        self->clock_.Advance(self->flips_ % 3 == 1 ? 16 : 17);
        if (self->script_) self->script_(self->flips_);
        return data;
    }

    static inline GameTest* current_ = nullptr;
    std::function<void(int)> script_;
    std::shared_ptr<vdl::TSystemDriver> previousDriver_;
};

}  // namespace gametest
