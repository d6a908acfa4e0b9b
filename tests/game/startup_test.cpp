// Start-up as the program runs it (LoadGame, then RunFromTitleMenu) on a platform whose sound
// output takes its time to open: the first menu frame does not wait for it, and the sound
// switch works before it is open.
#include <chrono>
#include <filesystem>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>
#endif

#include "audio/mixer.h"
#include "audio/sound.h"
#include "graphics/headless_renderer.h"
#include "tests/audio/fake_wave_out.h"
#include "tests/game/game_fixture.h"

// A page has no threads: there the output opens, and the sounds decode, where the menu first
// asks for them, on the page's one thread.
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
namespace {

using gametest::StopRun;

// The output opens once the test lets it, or after ten seconds; a start-up that waited for it
// before the first frame would show it open there.
std::promise<void> letOutputOpen;
std::shared_future<void> outputLetOpen;
bool deviceFound = true;

// Ticked by whoever plays it: no mixing thread, as in a page.
class TSelfTickingWaveOut : public vdl::TFakeWaveOut {
public:
    bool TicksItself() const override { return true; }
};

std::unique_ptr<vdl::TWaveOut> SlowOutput() {
    outputLetOpen.wait_for(std::chrono::seconds(10));
    if (!deviceFound) return nullptr;
    return std::make_unique<TSelfTickingWaveOut>();
}

std::shared_ptr<vdl::TGraphics> HeadlessWindow() {
    return vdl::OpenHeadlessGraphics(800, 600);
}

const game::GamePlatform kSlowSound{.installSound = [] { vdl::SetWaveOutOpener(&SlowOutput); },
                                    .openWindow = &HeadlessWindow};

// The threads this process has now.
int ThreadCount() {
#ifdef _WIN32
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
#else
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
#endif
}

int threadsAtStart = 0;

// A page's: the output may open only once the player has touched the page, and the menu's
// first frame is told.
bool soundAllowed = false;
int menuFrames = 0;
int menuShownAt = 0;  // the menu frames shown when it was told; 0: not told
int menuShownTimes = 0;
const game::GamePlatform kPageLike{.installSound = [] { vdl::SetWaveOutOpener(&SlowOutput); },
                                   .openWindow = &HeadlessWindow,
                                   .soundAllowed = [] { return soundAllowed; },
                                   .menuShown = [] { menuShownAt = menuFrames, ++menuShownTimes; }};

const game::GamePlatform kCountingStart{.start = [] { threadsAtStart = ThreadCount(); },
                                        .openWindow = &HeadlessWindow};

class StartUpTest : public gametest::GameTest {
protected:
    // Start-up to the title menu; clicks the sound switch in the second menu frame, then lets
    // the output open, and leaves the menu four frames later. Returns what the first two menu
    // frames saw of the mixer.
    std::string RunWithSoundSwitchedOnEarly() {
        std::string seen;
        int menuFrame = 0;
        OnEachFlip([&](int) {
            if (game::buttonList->Empty()) return;  // the window's own flips as it opens
            ++menuFrame;
            if (menuFrame <= 2) seen += vdl::MixerDevice() ? "open " : "closed ";
            if (menuFrame == 2) {
                PointAt(510, 215);
                Click();
                letOutputOpen.set_value();
            }
            if (menuFrame == 6) throw StopRun{};
        });
        game::LoadGame(kSlowSound);
        EXPECT_THROW(game::RunFromTitleMenu(kSlowSound), StopRun);
        return seen;
    }
    void SetUp() override {
        GameTest::SetUp();
        vdl::CloseAudio();
        letOutputOpen = std::promise<void>();
        outputLetOpen = letOutputOpen.get_future().share();
    }
    void TearDown() override {
        vdl::CloseAudio();
        vdl::SetWaveOutOpener(nullptr);
        GameTest::TearDown();
    }
};

TEST_F(StartUpTest, TheSwitchTurnedOnBeforeTheOutputIsOpenStillPlaysTheMusic) {
    EXPECT_EQ(RunWithSoundSwitchedOnEarly(), "closed closed ");
    EXPECT_EQ(game::soundOn, game::kSoundOn);
    ASSERT_NE(vdl::MixerDevice(), nullptr);
    EXPECT_EQ(vdl::IsChannelPlaying(game::musicChannel), 1);
}

TEST_F(StartUpTest, WithoutADeviceTheGameSaysSoOnceAndTheSwitchStillWorks) {
    deviceFound = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWithSoundSwitchedOnEarly(), "closed closed ");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "candycane-arena: no sound device; playing silent\n");
    EXPECT_EQ(game::soundOn, game::kSoundOn);
    EXPECT_EQ(vdl::MixerDevice(), nullptr);
    EXPECT_EQ(vdl::IsChannelPlaying(game::musicChannel), 0);
}

TEST_F(StartUpTest, TheOutputWaitsForThePlatformAndTheMenuIsToldOnceAfterItsFirstFrame) {
    letOutputOpen.set_value();
    soundAllowed = false;
    menuFrames = menuShownAt = menuShownTimes = 0;
    int readyFrames = 0;    // frames with everything ready but the platform's leave
    int allowedFrames = 0;  // frames since it was given
    bool openBefore = false;
    OnEachFlip([&](int) {
        if (game::buttonList->Empty()) return;
        ++menuFrames;
        if (soundAllowed) {
            if (vdl::MixerDevice() || ++allowedFrames == 5) throw StopRun{};
            return;
        }
        openBefore = openBefore || vdl::MixerDevice();
        if (!vdl::AudioOutputSettled() || !game::SoundsDecoded()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the decoders' threads
        } else if (++readyFrames == 3) {
            soundAllowed = true;
        }
        if (menuFrames == 5000) throw StopRun{};
    });
    game::LoadGame(kPageLike);
    EXPECT_THROW(game::RunFromTitleMenu(kPageLike), StopRun);
    EXPECT_FALSE(openBefore);
    EXPECT_EQ(readyFrames, 3);
    EXPECT_NE(vdl::MixerDevice(), nullptr);
    EXPECT_EQ(allowedFrames, 0);  // open at the first frame after
    EXPECT_EQ(menuShownTimes, 1);
    EXPECT_EQ(menuShownAt, 1);
}

// Starting the platform may fork a helper program, which is safe only while no other thread
// can hold a lock the child needs.
TEST_F(StartUpTest, ThePlatformStartsBeforeTheLoadersThreads) {
    const int before = ThreadCount();
    ASSERT_GE(before, 1);
    game::LoadGame(kCountingStart);
    EXPECT_LE(threadsAtStart, before);
    game::FinishLoadingImages();
}

}  // namespace
#endif
