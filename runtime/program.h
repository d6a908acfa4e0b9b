// The running program: its title, how it ends and how it says why.
//
// Engine modules register exit routines (closing the opened graphics, stopping the mixer);
// EndProgram runs them, newest first, and ends the process with exit code 0. Standard error
// is muted now and then while a system library that prints its own lines is asked something
// (the sound devices are probed on a thread of their own); the lines the program itself must
// show wait for it to be back.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace vdl {

// Registers a routine to run when the program ends through EndProgram.
void AddExitRoutine(std::function<void()> routine);

// Runs the registered exit routines in reverse order of registration and forgets them.
// A routine registered while they run is run too.
void RunExitRoutines();

// Runs the exit routines and exits the process with code 0. Never returns.
[[noreturn]] void EndProgram();

// Held for as long as standard error is muted, and by PrintErrorLine while it writes.
std::mutex& StandardErrorLock();

// Writes line and a line break to standard error and flushes it, once standard error is not
// muted.
void PrintErrorLine(const std::string& line);

// The application title, used for window captions; "Vardo Application" until set.
const std::string& AppTitle();
void SetAppTitle(const std::string& title);

}  // namespace vdl
