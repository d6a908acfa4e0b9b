// The browser's side of the platform: waits that give the page its one thread back.
//
// Nothing a page shows or hears moves until the program returns to the browser, yet the
// game's screens are blocking loops. So in the browser every wait yields: Delay sleeps with
// emscripten_sleep (the program's stack is put aside and restored around it), and a frame
// that did not sleep at all yields once at its flip, so the canvas is shown and input and
// sound callbacks run every frame. The millisecond count is the system clock's, which here
// reads performance.now(). Off the web these do nothing.
#pragma once

namespace vdl {

// Makes the browser's clock the current clock: Millis as the system clock, Delay yielding,
// and YieldIfBusy yielding when the program has held the page's thread for a few
// milliseconds (kBusyMs) since it last had it back, which keeps start-up's tasks short.
void InstallBrowserClock();

// Makes the page the source of the files the program leaves out (the embedded registry's
// late source): the page fetches them beside the program, each when first asked for (the
// music and the directions picture after the first menu frame), and a file that has arrived
// is copied in and registered under its name. Waiting for one yields to the page; one the
// page cannot fetch is a run-time error naming it.
void InstallPageFiles();

// Sets what draws the part of a frame a renderer still holds back (null: nothing). A yield
// shows the canvas as it is, and the frame pacing sleeps before the flip, so every yield
// calls it first.
void SetDrawBeforeYield(void (*draw)());

// Gives the page its thread back for a moment, between two long steps of start-up, so that no
// single task of the page's runs long.
void YieldToBrowser();

// Whether the player has pressed a key, clicked or touched the page, after which a browser
// lets the page sound (the page's pageGestured). True off the web.
bool PageGestured();

// Tells the page the game's first screen is up (its Module.onFirstFrame), once.
void TellPageMenuShown();

// Ends a frame: yields to the page unless the frame already slept since the last flip. While
// the canvas's WebGL
// context is lost it waits, sleeping, until the context is back, and then calls what
// WatchBrowserGLContext was given before the next frame is drawn.
void YieldFrameToBrowser();

// Keeps the program through a loss of the canvas's (#canvas) WebGL context, as phones do to a
// page in the background and desktops on a GPU reset: the browser is told the program will
// restore it (without that it never gives it back), frames wait while it is lost, and
// restored remakes what the renderer had in it.
void WatchBrowserGLContext(void (*restored)());

// Asks the page to switch its full-screen view on or off (its Module.toggleFullScreen). The
// browser takes the request only shortly after a key press or a click.
void ToggleBrowserFullScreen();

// Whether the page is shown full screen.
bool BrowserFullScreen();

// How long, in milliseconds, the last frame's yield at its flip kept the program waiting
// (0 when it slept before): what a measurement of the frame's own work leaves out.
double LastFrameYieldMs();

}  // namespace vdl
