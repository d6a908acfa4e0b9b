// A fatal error told to a player who started the game without a terminal.
#pragma once

#include <string>

namespace vdl {

// On Windows, where a windowed program has no console and its standard error goes nowhere,
// shows text in an error box titled with the application's title and waits for it to be
// closed. Elsewhere does nothing: the line on standard error is the message.
void ShowErrorBox(const std::string& text);

}  // namespace vdl
