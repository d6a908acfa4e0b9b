#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "runtime/errors.h"
#include "runtime/math.h"
#include "runtime/object.h"
#include "runtime/program.h"

namespace {

using namespace vdl;

TEST(Math, TruncToIntTruncatesTowardZeroAndSaturatesLikeTheProcessor) {
    EXPECT_EQ(TruncToInt(2.9), 2);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_EQ(TruncToInt(-0.5), 0);
    EXPECT_EQ(TruncToInt(2147483647.9), INT_MAX);
    EXPECT_EQ(TruncToInt(-2147483648.9), INT_MIN);
    EXPECT_EQ(TruncToInt(3e10), INT_MIN);
    EXPECT_EQ(TruncToInt(0.0 / 0.0 * 1), INT_MIN);
}

TEST(Math, DegreesUseScreenOrientation) {
    EXPECT_NEAR(ATan2Deg(1, 0), 90.0, 1e-12);  // straight down
    EXPECT_NEAR(ATan2Deg(0, -1), 180.0, 1e-12);
    EXPECT_EQ(TruncToInt(ATan2Deg(-1, -1)), -135);
    EXPECT_NEAR(SinDeg(30), 0.5, 1e-12);
    EXPECT_NEAR(CosDeg(60), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(SquareRoot(2.25), 1.5);
}

// The game hashes its state bit for bit, so the trigonometry must give the same bits on every
// platform: a C library's sine (mingw's is the x87 fsin) must not leak through. The digest is
// of angles the game uses: whole and quarter degrees over two turns each way, and the
// directions between points of the arena.
TEST(Math, TrigonometryGivesTheSameBitsOnEveryPlatform) {
    std::uint64_t digest = 14695981039346656037u;
    const auto mix = [&digest](double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        digest = (digest ^ bits) * 1099511628211u;
    };
    for (int quarter = -2880; quarter <= 2880; ++quarter) {
        mix(SinDeg(quarter / 4.0));
        mix(CosDeg(quarter / 4.0));
    }
    for (int y = -600; y <= 600; y += 7) {
        for (int x = -800; x <= 800; x += 9)
            mix(ATan2Deg(y + 0.25f, x - 0.5f));
    }
    EXPECT_EQ(digest, 4867685955659958173u);
    // Near a half turn the reduction decides every bit; fsin gets this one wrong.
    EXPECT_EQ(SinDeg(180), 1.2246467991473532e-16);
    EXPECT_EQ(CosDeg(90), 6.123233995736766e-17);
}

TEST(Math, TrigonometryEdges) {
    EXPECT_TRUE(std::isnan(SinDeg(INFINITY)));
    EXPECT_TRUE(std::isnan(CosDeg(NAN)));
    EXPECT_TRUE(std::isnan(ATan2Deg(NAN, 1)));
    EXPECT_EQ(ATan2Deg(0.0, 0.0), 0.0);
    EXPECT_EQ(ATan2Deg(0.0, -0.0), 180.0);
    EXPECT_TRUE(std::signbit(ATan2Deg(-0.0, 1)));
    EXPECT_EQ(ATan2Deg(INFINITY, -INFINITY), 135.0);
    EXPECT_EQ(ATan2Deg(-5, INFINITY), -0.0);
    EXPECT_EQ(ATan2Deg(1e300, 1e-300), 90.0);
    // Huge angles are reduced by whole turns first: 1e9 is 280 degrees past a turn.
    EXPECT_EQ(SinDeg(1e9 + 30), SinDeg(310));
    EXPECT_EQ(CosDeg(-1e15), CosDeg(std::fmod(-1e15, 360.0)));
    EXPECT_TRUE(std::isfinite(SinDeg(1e300)));
}

TEST(Errors, CarryTheirFixedTexts) {
    EXPECT_STREQ(TNullObjectException().what(), "Attempt to access field or method of Null object");
    EXPECT_STREQ(TNullMethodException().what(), "Attempt to call abstract method");
    EXPECT_STREQ(TNullFunctionException().what(), "Attempt to call uninitialized function pointer");
    EXPECT_STREQ(TArrayBoundsException().what(),
                 "Attempt to index array element beyond array length");
    EXPECT_STREQ(TStreamReadException().what(), "Error reading from stream");
    EXPECT_STREQ(TStreamWriteException().what(), "Error writing to stream");
    try {
        RuntimeError("List index out of range");
        FAIL();
    } catch (const TVardoException& e) {
        EXPECT_NE(dynamic_cast<const TRuntimeException*>(&e), nullptr);
        EXPECT_EQ(e.Text(), "List index out of range");
    }
}

TEST(Object, ComparesByIdentity) {
    Object a, b;
    EXPECT_EQ(a.Compare(a), 0);
    EXPECT_NE(a.Compare(b), 0);
    EXPECT_EQ(a.Compare(b), -b.Compare(a));
}

TEST(Program, ExitRoutinesRunNewestFirstOnceEach) {
    std::vector<int> order;
    AddExitRoutine([&] { order.push_back(1); });
    AddExitRoutine([&] {
        order.push_back(2);
        AddExitRoutine([&] { order.push_back(3); });  // registered while ending: still runs
    });
    RunExitRoutines();
    RunExitRoutines();
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1}));
}

// Death tests need a child process, which a program under node cannot start.
#if GTEST_HAS_DEATH_TEST
TEST(Program, EndProgramRunsExitRoutinesAndExitsWithZero) {
    EXPECT_EXIT(
        {
            AddExitRoutine([] { std::fputs("closed graphics", stderr); });
            EndProgram();
        },
        ::testing::ExitedWithCode(0), "closed graphics");
}
#endif

// A page has no threads to mute standard error from.
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
// A line the program must show waits while another thread has standard error muted, instead
// of vanishing into the muting.
TEST(Program, ErrorLinesWaitForStandardErrorToBeBack) {
    testing::internal::CaptureStderr();
    std::promise<void> muted;
    std::thread muter([&] {
        const std::lock_guard<std::mutex> hold(StandardErrorLock());
        const int saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        muted.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        dup2(saved, STDERR_FILENO);
        close(saved);
        close(null);
    });
    muted.get_future().wait();
    PrintErrorLine("the window cannot open");
    muter.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "the window cannot open\n");
}
#endif

TEST(Program, TitleDefaultsToVardoApplication) {
    EXPECT_EQ(AppTitle(), "Vardo Application");
    SetAppTitle("Candy Cane Arena");
    EXPECT_EQ(AppTitle(), "Candy Cane Arena");
    SetAppTitle("Vardo Application");
}

}  // namespace
