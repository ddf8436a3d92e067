// platform.h: the stand-in as a whole, for tests and tools.
#pragma once

namespace platform {

// Puts every room of the stand-in back as at start: the host (clock, forced
// failures, capture, video, window), the window records, message queue and
// message boxes, the display driver's profile, the sound library and the
// Direct3D handles.
void ResetPlatform();

}  // namespace platform
