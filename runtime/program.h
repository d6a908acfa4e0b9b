// The running program: its title and how it ends.
//
// Engine modules register exit routines (closing the opened graphics, stopping the mixer);
// EndProgram runs them, newest first, and ends the process with exit code 0.
#pragma once

#include <functional>
#include <string>

namespace vdl {

// Registers a routine to run when the program ends through EndProgram.
void AddExitRoutine(std::function<void()> routine);

// Runs the registered exit routines in reverse order of registration and forgets them.
// A routine registered while they run is run too.
void RunExitRoutines();

// Runs the exit routines and exits the process with code 0. Never returns.
[[noreturn]] void EndProgram();

// The application title, used for window captions; "Vardo Application" until set.
const std::string& AppTitle();
void SetAppTitle(const std::string& title);

}  // namespace vdl
