// Start-up time and memory of the real program on the current X display (Xvfb under
// `make bench`).
//
// Start-up: from the fork that starts candycane-arena to the moment the first menu frame is on
// the screen, seen by polling one row of the screen through the title picture (red stripes)
// every quarter millisecond. Memory: the resident set of the program after a minute of play,
// driven with xdotool (Start, the intro, then moving and firing), beside the same figures of
// bench_gl_floor: a plain SDL2 + OpenGL window drawing what the renderer draws, which is what
// any program drawing this way costs on this machine's GL, so that what the game holds above it
// is the game's own.
//
// bench_startup [PROGRAM] times another build of the program (an older one, to compare two
// builds back to back in one sitting); CCA_BENCH_STARTUP_RUNS=N makes N runs instead of 7, and
// CCA_BENCH_STARTUP_PLAY=0 leaves out the minute of play and the floor.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* program = CCA_BINARY_DIR "/game/candycane-arena";
const char* const floorProgram = CCA_BINARY_DIR "/bench/bench_gl_floor";
constexpr int kWindowX = 32;  // where a window's client area lands under a bare Xvfb
constexpr int kWindowY = 32;
constexpr int kTitleRow = 110;  // a row through the title's lettering

pid_t Start(const char* path) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(path, path, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

pid_t StartGame() {
    return Start(program);
}

void StopGame(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Whether the row through the title shows its red lettering.
bool TitleShown(Display* display) {
    XImage* row = XGetImage(display, DefaultRootWindow(display), kWindowX, kWindowY + kTitleRow,
                            800, 1, AllPlanes, ZPixmap);
    if (!row) return false;
    int red = 0;
    for (int x = 0; x < 800; ++x) {
        const unsigned long p = XGetPixel(row, x, 0);
        const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        if (r > 150 && g < 100 && b < 100) ++red;
    }
    XDestroyImage(row);
    return red > 20;
}

// Milliseconds from starting the program to its first menu frame on screen, or -1.
double MeasureStartup(Display* display) {
    const auto start = Clock::now();
    const pid_t pid = StartGame();
    double ms = -1;
    while (Clock::now() - start < std::chrono::seconds(10)) {
        if (TitleShown(display)) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    StopGame(pid);
    // Let the window go before the next run looks at the screen.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return ms;
}

// A figure of /proc/pid/status in KiB ("VmRSS:", "RssAnon:", "RssFile:"), or -1.
long StatusKiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size());
    }
    return -1;
}

long ResidentKiB(pid_t pid) {
    return StatusKiB(pid, "VmRSS:");
}

// How the resident set splits, as "(N KiB anonymous, M KiB of files)".
std::string ResidentSplit(pid_t pid) {
    return "(" + std::to_string(StatusKiB(pid, "RssAnon:")) + " KiB anonymous, " +
           std::to_string(StatusKiB(pid, "RssFile:")) + " KiB of files)";
}

// The floor's resident set 3 s after it starts and a minute later.
void MeasureFloor() {
    const pid_t pid = Start(floorProgram);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long atStart = ResidentKiB(pid);
    std::this_thread::sleep_for(std::chrono::seconds(60));
    const long afterMinute = ResidentKiB(pid);
    const std::string split = ResidentSplit(pid);
    StopGame(pid);
    std::printf(
        "floor (a plain SDL2 + OpenGL window drawing): %ld KiB after 3 s, %ld KiB after 63 s "
        "%s\n",
        atStart, afterMinute, split.c_str());
}

void Xdotool(const std::string& args) {
    const std::string command = "xdotool " + args;
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// Client coordinates to xdotool's screen coordinates.
std::string At(int x, int y) {
    return std::to_string(kWindowX + x) + " " + std::to_string(kWindowY + y);
}

void MeasureMemory(Display* display) {
    const pid_t pid = StartGame();
    const auto start = Clock::now();
    while (!TitleShown(display) && Clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const long atFirstFrame = ResidentKiB(pid);
    // What start-up leaves for after the first frame (the sound) is done well within this.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long atMenu = ResidentKiB(pid);
    Xdotool("mousemove " + At(70, 215) + " sleep 0.3 click 1 sleep 1 click 1 sleep 0.5");
    const auto playStart = Clock::now();
    long afterFirstSecond = 0;
    // A minute of play: circle the arena with the keys while firing at the pointer.
    const char* const keys[] = {"d", "s", "a", "w"};
    for (int second = 0; second < 60; ++second) {
        Xdotool(std::string("mousemove ") + At(400 + (second % 2 ? 300 : -300), 300) + " keydown " +
                keys[second % 4] + " mousedown " + (second % 3 ? "1" : "3") +
                " sleep 0.9 mouseup " + (second % 3 ? "1" : "3") + " keyup " + keys[second % 4]);
        if (second == 0) afterFirstSecond = ResidentKiB(pid);
    }
    const double played = std::chrono::duration<double>(Clock::now() - playStart).count();
    const long afterMinute = ResidentKiB(pid);
    const std::string split = ResidentSplit(pid);
    StopGame(pid);
    std::printf(
        "resident set: %ld KiB at the first menu frame, %ld KiB at the menu 3 s later, %ld KiB "
        "after 1 s of play, %ld KiB after %.0f s %s\n",
        atFirstFrame, atMenu, afterFirstSecond, afterMinute, played, split.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) program = argv[1];
    const char* runsNamed = std::getenv("CCA_BENCH_STARTUP_RUNS");
    const int runCount = runsNamed ? std::max(1, std::atoi(runsNamed)) : 7;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    std::vector<double> runs;
    for (int i = 0; i < runCount; ++i) {
        const double ms = MeasureStartup(display);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: the menu never appeared\n");
            return 1;
        }
        runs.push_back(ms);
    }
    std::sort(runs.begin(), runs.end());
    std::printf(
        "start-up to the first menu frame on screen: min %.1f ms, median %.1f ms, "
        "max %.1f ms (%zu runs)\n",
        runs.front(), runs[runs.size() / 2], runs.back(), runs.size());
    const char* play = std::getenv("CCA_BENCH_STARTUP_PLAY");
    if (!play || std::string(play) != "0") {
        MeasureMemory(display);
        MeasureFloor();
    }
    XCloseDisplay(display);
    return 0;
}
