// How far a piece of code raises the process's peak resident memory: the peak is reset
// through /proc/self/clear_refs before it runs and read from /proc/self/status after.
#pragma once

#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace testing_resident {

inline long ResidentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(line.find(':') + 1));
    }
    ADD_FAILURE() << field << " is not in /proc/self/status";
    return -1;
}

// The peak resident memory while body ran, above what was resident when it started, in kB.
inline long PeakGrowthKb(const std::function<void()>& body) {
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    const long before = ResidentKb("VmRSS:");
    body();
    return ResidentKb("VmHWM:") - before;
}

}  // namespace testing_resident
