#include "runtime/program.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vdl {

namespace {
struct ProgramState {
    std::vector<std::function<void()>> exitRoutines;
    std::string title = "Vardo Application";
};

ProgramState& State() {
    static ProgramState state;
    return state;
}
}  // namespace

void AddExitRoutine(std::function<void()> routine) {
    State().exitRoutines.push_back(std::move(routine));
}

void RunExitRoutines() {
    auto& routines = State().exitRoutines;
    while (!routines.empty()) {
        auto routine = std::move(routines.back());
        routines.pop_back();
        if (routine) routine();
    }
}

void EndProgram() {
    RunExitRoutines();
    std::exit(0);
}

std::mutex& StandardErrorLock() {
    static std::mutex lock;
    return lock;
}

void PrintErrorLine(const std::string& line) {
    const std::lock_guard<std::mutex> hold(StandardErrorLock());
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

const std::string& AppTitle() {
    return State().title;
}

void SetAppTitle(const std::string& title) {
    State().title = title;
}

}  // namespace vdl
