// Start-up's phase times, for finding where the time to the first frame goes.
//
// With CCA_STARTUP_TIMES set in the environment, the first mark of each name prints one line
// on standard error: the milliseconds since the first mark, those since the line before, and
// the name; a mark in a loop prints once. Without it a mark costs one test of a flag. Marks
// may come from any thread.
#pragma once

namespace vdl {

// Marks the end of the phase called name (a string literal).
void MarkPhase(const char* name);

}  // namespace vdl
