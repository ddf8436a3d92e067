// show.h: the show driver: start-up, the timeline, the sound library, shutdown.
#pragma once

#include "display/display.h"

// Reports the sound library's last error in a box captioned "Midas" and ends
// the process with exit code 1.
[[noreturn]] void ExitOnSoundError(DisplayState* display);

// The fixed sentence for a DirectDraw or Direct3D result code.
const char* DescribeDisplayError(HRESULT code);
