// Polled input: the keyboard and mouse as the game reads them.
//
// A hook on EmitEventHook folds every event into key and button states, hit counters, a ring
// of typed characters, the pointer position and wheel total, and the suspend and close
// flags. Every query pumps the system first, so the answers are as fresh as the event queue.
// Key codes are Windows virtual-key codes 0-255 (160-165 for the left and right shift,
// control and alt keys); buttons are 1 left, 2 right, 3 middle.
#pragma once

#include "runtime/object.h"

namespace vdl {

// Installs the folding hook (once), remembering source: when not null only events from it
// are folded. Clears every key and mouse state.
void EnablePolledInput(ObjectRef source);

// Removes the folding hook and clears every key and mouse state.
void DisablePolledInput();

// 1 while the key is held.
int IsKeyDown(int key);

// Presses of the key since the last call (then 0).
int KeyHitCount(int key);

// The oldest typed character not yet read, or 0.
int NextKeyChar();

// Forgets every key state, hit and typed character.
void ResetKeys();

// Pointer position in client coordinates; negative or beyond the window while a button
// holds the pointer captured.
int PointerX();
int PointerY();

// Wheel notches turned since the last mouse reset (away from the user is positive).
int PointerWheel();

// 1 while the button is held.
int IsMouseDown(int button);

// Clicks of the button since the last call (then 0).
int MouseHitCount(int button);

// Forgets every button state and hit and the wheel total; the position stays.
void ResetMouse();

// 1 while the application is suspended (its window lost the focus).
int IsAppSuspended();

// 1 once after each request to close the window, then 0.
int CloseRequested();

// Waits for a key press; returns its code.
int WaitForKeyHit();

// Waits for a typed character; returns it.
int WaitForKeyChar();

// Waits for a mouse click; returns the button.
int WaitForMouseHit();

}  // namespace vdl
