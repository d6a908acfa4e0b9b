// The game on the headless renderer with a virtual clock and scripted input. Each test gets a
// fresh world (level 1, sound off) and seed; every flip advances the clock 16, 17, 17 ms and
// runs the test's script, which may end a blocking screen by throwing StopRun.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "game/bosses.h"
#include "game/levels.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/headless_system_driver.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/random.h"
#include "system/system_driver.h"

namespace gametest {

struct StopRun {};
constexpr int kEscape = 27;

template <class T>
std::vector<T*> All(vdl::TList& list) {
    std::vector<T*> found;
    game::ForEach<T>(list, [&](T& item) { found.push_back(&item); });
    return found;
}

class GameTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        [[maybe_unused]] static const bool started =
            (game::StartGameModules(), game::LoadGameResources(), true);
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

    void Frame() {
        game::GameFrame();
        vdl::FlipFrame(-1);
        vdl::ClearScreen();
    }
    // The enemies pass alone and a flip: bullets stay where they were made.
    static void EnemiesFrame() {
        game::TEnemy::UpdateAll();
        vdl::FlipFrame(-1);
    }
    // Runs script(flip) on every flip from now on (flip counts from 1).
    void OnEachFlip(std::function<void(int)> script) {
        script_ = std::move(script);
        flips_ = 0;
    }

    static void KeyDown(int key) { Emit(vdl::kEventKeyDown, key); }
    static void KeyUp(int key) { Emit(vdl::kEventKeyUp, key); }
    static void ButtonDown(int button) { Emit(vdl::kEventMouseDown, button); }
    static void ButtonUp(int button) { Emit(vdl::kEventMouseUp, button); }
    static void Click(int button = 1) { ButtonDown(button), ButtonUp(button); }
    static void PressKey(int key) { KeyDown(key), KeyUp(key); }
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
    static vdl::ObjectRef OnFlip(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
        if (!current_) return data;
        current_->clock_.Advance(++current_->flips_ % 3 == 1 ? 16 : 17);
        if (current_->script_) current_->script_(current_->flips_);
        return data;
    }

    static inline GameTest* current_ = nullptr;
    std::function<void(int)> script_;
    std::shared_ptr<vdl::TSystemDriver> previousDriver_;
};

}  // namespace gametest
