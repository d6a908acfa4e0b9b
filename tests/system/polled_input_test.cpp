// Events folded into the polled keyboard and mouse state, read through the queries that
// pump a scripted system driver first.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include "runtime/errors.h"
#include "system/event.h"
#include "system/polled_input.h"
#include "system/system_driver.h"

namespace vdl {
namespace {

// A system driver whose queue is filled by the test; Poll emits what is queued.
class ScriptedDriver : public TSystemDriver {
public:
    struct Pending {
        int id, data, x, y;
        ObjectRef source;
    };

    void Queue(int id, int data = 0, int x = 0, int y = 0, ObjectRef source = nullptr) {
        queue.push_back({id, data, x, y, std::move(source)});
    }

    void Poll() override {
        ++polls;
        // A pump that itself asks a query must not pump again.
        if (queryWhilePolling) IsKeyDown(0);
        while (!queue.empty()) {
            Pending p = queue.front();
            queue.pop_front();
            EmitOSEvent(p.id, p.source, p.data, 0, p.x, p.y, nullptr);
        }
    }
    void Wait() override {
        ++waits;
        if (queue.empty() && !waitScript.empty()) {
            queue.push_back(waitScript.front());
            waitScript.pop_front();
        }
        Poll();
    }
    void MovePointer(int, int) override {}
    void SetPointerVisible(int) override {}

    std::deque<Pending> queue;
    // One event is delivered per Wait from here.
    std::deque<Pending> waitScript;
    int polls = 0;
    int waits = 0;
    bool queryWhilePolling = false;
};

class PolledInput : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetSystemDriver(driver_);
        EnablePolledInput(nullptr);
    }
    void TearDown() override {
        DisablePolledInput();
        SetSystemDriver(previous_);
    }

    std::shared_ptr<ScriptedDriver> driver_ = std::make_shared<ScriptedDriver>();

private:
    std::shared_ptr<TSystemDriver> previous_;
};

TEST_F(PolledInput, AHeldKeyCountsOnePressHoweverLongItRepeats) {
    driver_->Queue(kEventKeyDown, 87);
    driver_->Queue(kEventKeyRepeat, 87);
    driver_->Queue(kEventKeyRepeat, 87);
    driver_->Queue(kEventKeyDown, 87);  // a second down while held changes nothing
    EXPECT_EQ(IsKeyDown(87), 1);
    EXPECT_EQ(KeyHitCount(87), 1);
    EXPECT_EQ(KeyHitCount(87), 0);
    EXPECT_EQ(IsKeyDown(87), 1);

    driver_->Queue(kEventKeyUp, 87);
    EXPECT_EQ(IsKeyDown(87), 0);
}

TEST_F(PolledInput, PressesBetweenTwoQuestionsAddUp) {
    for (int i = 0; i < 2; ++i) {
        driver_->Queue(kEventKeyDown, 27);
        driver_->Queue(kEventKeyUp, 27);
    }
    EXPECT_EQ(KeyHitCount(27), 2);
    EXPECT_EQ(IsKeyDown(27), 0);
}

TEST_F(PolledInput, EveryQueryPumpsFirst) {
    driver_->Queue(kEventMouseMove, 0, 120, 45);
    EXPECT_EQ(PointerX(), 120) << "the move queued before the question is seen";
    const int before = driver_->polls;
    const std::function<int()> queries[] = {PointerY,
                                            [] { return IsMouseDown(1); },
                                            [] { return MouseHitCount(1); },
                                            PointerWheel,
                                            IsAppSuspended,
                                            CloseRequested,
                                            NextKeyChar,
                                            [] { return IsKeyDown(1); },
                                            [] { return KeyHitCount(1); }};
    for (const auto& query : queries)
        query();
    EXPECT_EQ(driver_->polls - before, 9);
}

TEST_F(PolledInput, APumpDoesNotReenterItself) {
    driver_->queryWhilePolling = true;
    const int before = driver_->polls;
    IsKeyDown(65);
    EXPECT_EQ(driver_->polls - before, 1);
}

TEST_F(PolledInput, TypedCharactersComeOutInOrderAndAFullRingDropsTheNewest) {
    EXPECT_EQ(NextKeyChar(), 0);
    for (int c = 1; c <= 300; ++c)
        driver_->Queue(kEventKeyChar, c);
    for (int c = 1; c <= 256; ++c)
        ASSERT_EQ(NextKeyChar(), c);
    EXPECT_EQ(NextKeyChar(), 0) << "characters 257..300 arrived while the ring was full";

    driver_->Queue(kEventKeyChar, 'x');
    EXPECT_EQ(NextKeyChar(), 'x') << "the ring keeps working past its wrap";
}

TEST_F(PolledInput, ButtonsWheelAndPointer) {
    driver_->Queue(kEventMouseDown, 1, 10, 20);
    driver_->Queue(kEventMouseDown, 2, 10, 20);
    driver_->Queue(kEventMouseUp, 2, 10, 20);
    driver_->Queue(kEventMouseWheel, 1);
    driver_->Queue(kEventMouseWheel, 2);
    driver_->Queue(kEventMouseWheel, -1);
    driver_->Queue(kEventMouseMove, 1, -30, 650);  // captured: outside the window
    EXPECT_EQ(IsMouseDown(1), 1);
    EXPECT_EQ(IsMouseDown(2), 0);
    EXPECT_EQ(MouseHitCount(2), 1);
    EXPECT_EQ(MouseHitCount(2), 0);
    EXPECT_EQ(MouseHitCount(3), 0);
    EXPECT_EQ(PointerWheel(), 2);
    EXPECT_EQ(PointerX(), -30);
    EXPECT_EQ(PointerY(), 650);

    ResetMouse();
    EXPECT_EQ(IsMouseDown(1), 0);
    EXPECT_EQ(MouseHitCount(1), 0);
    EXPECT_EQ(PointerWheel(), 0);
    EXPECT_EQ(PointerX(), -30) << "the position survives a reset";
}

TEST_F(PolledInput, SuspendAndResumeClearEverythingButThePosition) {
    driver_->Queue(kEventKeyDown, 65);
    driver_->Queue(kEventKeyChar, 'a');
    driver_->Queue(kEventMouseDown, 1);
    driver_->Queue(kEventMouseWheel, 3);
    driver_->Queue(kEventMouseMove, 0, 400, 300);
    driver_->Queue(kEventAppSuspend);
    EXPECT_EQ(IsAppSuspended(), 1);
    EXPECT_EQ(IsKeyDown(65), 0);
    EXPECT_EQ(KeyHitCount(65), 0);
    EXPECT_EQ(NextKeyChar(), 0);
    EXPECT_EQ(IsMouseDown(1), 0);
    EXPECT_EQ(MouseHitCount(1), 0);
    EXPECT_EQ(PointerWheel(), 0);
    EXPECT_EQ(PointerX(), 400);

    driver_->Queue(kEventKeyDown, 66);
    driver_->Queue(kEventAppResume);
    EXPECT_EQ(IsAppSuspended(), 0);
    EXPECT_EQ(KeyHitCount(66), 0);
}

TEST_F(PolledInput, ACloseRequestIsReportedOnce) {
    EXPECT_EQ(CloseRequested(), 0);
    driver_->Queue(kEventAppTerminate);
    EXPECT_EQ(CloseRequested(), 1);
    EXPECT_EQ(CloseRequested(), 0);
}

TEST_F(PolledInput, IgnoredKindsAndOutOfRangeCodesChangeNothing) {
    driver_->Queue(kEventMouseMove, 0, 1, 2);
    ASSERT_EQ(PointerX(), 1);
    driver_->Queue(kEventMouseEnter, 0, 5, 5);
    driver_->Queue(kEventMouseLeave, 0, 6, 6);
    driver_->Queue(kEventKeyRepeat, 70);
    driver_->Queue(kEventKeyDown, 300);
    driver_->Queue(kEventMouseDown, 9);
    driver_->Queue(kEventMouseDown, 0);
    EXPECT_EQ(IsKeyDown(70), 0);
    EXPECT_EQ(PointerX(), 1) << "enter and leave carry positions but do not move the pointer";
    EXPECT_EQ(MouseHitCount(0), 0) << "button slot 0 is never set";
    EXPECT_THROW(IsKeyDown(256), TArrayBoundsException);
    EXPECT_THROW(KeyHitCount(-1), TArrayBoundsException);
    EXPECT_THROW(IsMouseDown(4), TArrayBoundsException);
}

TEST_F(PolledInput, DisabledInputFoldsNothingAndASourceFiltersEvents) {
    DisablePolledInput();
    driver_->Queue(kEventKeyDown, 65);
    EXPECT_EQ(IsKeyDown(65), 0);

    auto window = std::make_shared<Object>();
    EnablePolledInput(window);
    EnablePolledInput(nullptr);  // already enabled: keeps the source
    driver_->Queue(kEventKeyDown, 66);
    driver_->Queue(kEventKeyDown, 67, 0, 0, window);
    EXPECT_EQ(IsKeyDown(66), 0);
    EXPECT_EQ(IsKeyDown(67), 1);

    DisablePolledInput();
    EnablePolledInput(nullptr);
    EXPECT_EQ(IsKeyDown(67), 0) << "enabling clears the states";
}

TEST_F(PolledInput, WaitsReturnTheFirstHitAfterForgettingEarlierOnes) {
    driver_->Queue(kEventKeyDown, 90);  // already pending: forgotten by the reset
    driver_->waitScript.push_back({kEventMouseMove, 0, 1, 1, nullptr});
    driver_->waitScript.push_back({kEventKeyDown, 81, 0, 0, nullptr});
    EXPECT_EQ(WaitForKeyHit(), 81);
    EXPECT_EQ(driver_->waits, 2);

    driver_->waitScript.push_back({kEventKeyChar, 'q', 0, 0, nullptr});
    EXPECT_EQ(WaitForKeyChar(), 'q');

    driver_->Queue(kEventMouseDown, 1);
    driver_->waitScript.push_back({kEventMouseDown, 3, 0, 0, nullptr});
    EXPECT_EQ(WaitForMouseHit(), 3);
}

}  // namespace
}  // namespace vdl
