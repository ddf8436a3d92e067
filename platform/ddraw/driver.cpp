// driver.cpp: the display driver's profile and the pixel formats it offers.
#include "platform/ddraw/driver.h"

namespace platform {

DDPIXELFORMAT MakePixelFormat(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = flags;
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return f;
}

std::vector<DDPIXELFORMAT> DefaultTextureFormats() {
  const DWORD rgb = DDPF_RGB;
  const DWORD argb = DDPF_RGB | DDPF_ALPHAPIXELS;
  return {
      MakePixelFormat(rgb, 16, 0x7C00, 0x03E0, 0x001F, 0),                     // 555
      MakePixelFormat(argb, 16, 0x7C00, 0x03E0, 0x001F, 0x8000),               // 1555
      MakePixelFormat(argb, 16, 0x0F00, 0x00F0, 0x000F, 0xF000),               // 4444
      MakePixelFormat(rgb, 16, 0xF800, 0x07E0, 0x001F, 0),                     // 565
      MakePixelFormat(rgb, 32, 0xFF0000, 0xFF00, 0xFF, 0),                     // 888
      MakePixelFormat(argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),          // 8888
      MakePixelFormat(rgb, 8, 0xE0, 0x1C, 0x03, 0),                            // 332
      MakePixelFormat(DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0),                    // palette
  };
}

DriverProfile& Profile() {
  static DriverProfile profile;
  return profile;
}

void ResetProfile() { Profile() = DriverProfile{}; }

}  // namespace platform
