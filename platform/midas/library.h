// library.h: what the sound library offers the rest of the stand-in besides
// the MIDAS calls of midas.h.
#pragma once

#include <string>

namespace platform {

// Puts the sound library back as at start: nothing loaded, nothing playing,
// no audio device.
void ResetSound();
// The version of libopenmpt loaded at run time: "major.minor.patch".
std::string OpenmptVersion();

}  // namespace platform
