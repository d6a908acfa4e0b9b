// What packaging/windows/wine-run.sh must judge rightly: a program that prints a whole
// GoogleTest result (passing, or with a failure) and then stays, crashes or returns.
//   wine_run_probe stay|stay-failed|crash|return
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    const bool failed = std::strcmp(mode, "stay-failed") == 0;
    std::printf("[==========] 1 test from 1 test suite ran. (1 ms total)\n");
    std::printf("[  PASSED  ] %d test%s.\n", failed ? 0 : 1, failed ? "s" : "");
    if (failed) {
        std::printf("[  FAILED  ] 1 test, listed below:\n[  FAILED  ] Probe.Fails\n\n");
        std::printf(" 1 FAILED TEST\n");
    }
    std::fflush(stdout);
    if (std::strcmp(mode, "crash") == 0) *static_cast<volatile int*>(nullptr) = 1;
    if (std::strcmp(mode, "return") == 0) return 0;
    Sleep(10 * 60 * 1000);
    return 0;
}
