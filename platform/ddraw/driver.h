// driver.h: the display driver the stand-in pretends to be.
//
// The default is the real stand-in: 320x240 at 32 and 24 bits, no
// video-memory z-buffer, no hardware 3D device (the RGB and Ramp devices
// exist), GetDC works, texture formats in the device's order. Tests and tools
// take features away to drive every failure and fallback of the show's
// display set-up; failures of single calls are forced through
// host::ForcedFailures() under the call's name.
#pragma once

#include <vector>

#include "platform/ddraw/ddraw.h"

namespace platform {

// The texture formats the RGB device offers, in its order.
std::vector<DDPIXELFORMAT> DefaultTextureFormats();

struct DriverProfile {
  bool mode32 = true;
  bool mode24 = true;
  bool videoMemoryZBuffer = false;  // false: a video-memory z-buffer fails with DDERR_NOZBUFFERHW
  bool halDevice = false;
  bool rgbDevice = true;
  bool rampDevice = true;
  bool getDC = true;
  std::vector<DDPIXELFORMAT> textureFormats = DefaultTextureFormats();  // in offered order
};

DriverProfile& Profile();
// Puts the default profile back.
void ResetProfile();
// A pixel format record (size 32) with these flags, bit count and masks.
DDPIXELFORMAT MakePixelFormat(DWORD flags, DWORD bits, DWORD r = 0, DWORD g = 0, DWORD b = 0,
                              DWORD a = 0);

}  // namespace platform
