// platform.h: the stand-in as a whole, for the program, tests and tools.
#pragma once

#include <string>

namespace platform {

// Puts every room of the stand-in back as at start: the host (clock, forced
// failures, capture, video, window), the window records, message queue and
// message boxes, the display driver's profile, the sound library and the
// Direct3D handles.
void ResetPlatform();

// What the stand-in runs on, as loaded at run time, a line each:
// "SDL 2.26.5\nlibopenmpt 0.6.9\nFreeType 2.12.1\n".
std::string LibraryVersions();

}  // namespace platform
