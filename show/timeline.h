// timeline.h: the show's clock and which scene plays at a given moment.
//
// The loop of WinMain asks ShowClock for the seconds since the start tick and
// SelectScene for the one scene to draw with the seconds since that scene's
// own start.
#pragma once

#include "platform/win32/win32.h"

// Seconds between two tick counts: the unsigned 32-bit difference of the
// millisecond counter times the 32-bit constant 0.001, formed in double
// precision and rounded to a 32-bit float. A wrap of the counter between the
// two ticks still gives the true elapsed time.
float ShowClock(DWORD startTick, DWORD nowTick);

enum class ShowScene { Title, Tunnel, Spin, Closing, Pause, End };

struct SceneChoice {
  ShowScene scene;
  float argument;  // seconds since the scene's own start; 0 for Pause and End
};

// Title before 12 s, tunnel before 24 s, spin before 36 s, closing picture
// before 48 s, a black pause before 52 s, then the end of the show.
SceneChoice SelectScene(float t);
