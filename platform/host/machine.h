// machine.h: what each machine's implementation of the host provides to the
// host's shared code (host/sdl/ on desktops, host/web/ in a browser).
//
// The shared code (options, data files, clock, capture, video) decides what
// happens to a frame or a tick; these calls are where it meets the machine's
// window, clock and message boxes. Everything here runs on the main thread.
#pragma once

#include <cstdint>

#include "platform/host/host.h"

namespace host::machine {

// Real milliseconds since some fixed point, low 32 bits.
std::uint32_t Ticks();
// Shows a 320x240 frame (32 or 24 bits) in the show's window, making the
// window at the first frame; keeps it for screenshots, drawn for `tick`.
void ShowFrame(const Frame& frame, std::uint32_t tick);
// Offscreen runs without a capture or video: the frame goes nowhere, but the
// machine may look at it (the web page's test hook keeps its digest).
void DropFrame(const Frame& frame, unsigned index);
// True when the display shows pictures to someone: headless video drivers
// count only when asked for by name. Before the display is open: whether the
// environment names a display at all.
bool RealDisplay();
// Closes the window (and the display and audio when `all`), forgetting the
// presentation's state.
void Close(bool all);
// True while frames are shown full screen.
bool FullScreen();
// True while the show's window exists and is not hidden.
bool WindowShown();

}  // namespace host::machine
