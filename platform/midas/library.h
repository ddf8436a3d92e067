// library.h: what the sound library offers the rest of the stand-in besides
// the MIDAS calls of midas.h.
#pragma once

namespace platform {

// Puts the sound library back as at start: nothing loaded, nothing playing,
// no audio device.
void ResetSound();

}  // namespace platform
