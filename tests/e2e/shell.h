// Test helper: running shell commands (xdotool, ImageMagick) from the e2e tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace e2e {

// The real program, as the build made it; the Windows build's test names a launcher that
// starts the .exe under Wine.
#ifdef CCA_GAME_PROGRAM
inline const char* const kProgram = CCA_GAME_PROGRAM;
#else
inline const char* const kProgram = CCA_BINARY_DIR "/game/candycane-arena";
#endif

// Runs a shell command; its exit status, or -1 when it did not exit.
inline int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a shell command; what it printed, without the last line break.
inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

}  // namespace e2e
