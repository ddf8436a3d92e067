// gdi.h: device contexts and GDI objects, for GDI's own files and for the
// surfaces that hand out device contexts (ddraw/).
//
// A device context either belongs to a surface (from IDirectDrawSurface::GetDC;
// text and BitBlt draw into the surface's memory) or is a memory context
// (CreateCompatibleDC) into which a bitmap is selected. Fonts live in
// win32/font.cpp, bitmaps in win32/bitmap.cpp.
#pragma once

#include <cstdint>

#include "platform/win32/win32.h"

namespace platform {

// The memory a surface's device context draws into, as it is at the moment
// of drawing (a flip swaps a surface's memory): rows of `width` pixels,
// `pitch` bytes apart, blue in the lowest byte.
struct DcPixels {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bytesPerPixel = 0;
  DWORD bitCount = 0;
  bool rgb = false;      // RGB channels by the masks below
  bool indexed = false;  // palette indices
  DWORD rMask = 0, gMask = 0, bMask = 0;
  DWORD alphaMask = 0;   // 0 when the format has no alpha
  const PALETTEENTRY* palette = nullptr;  // indexed: the attached palette, or null
  int paletteCount = 0;
};

// Something a device context can draw into: a DirectDraw surface.
class DcSurface {
 public:
  virtual DcPixels DcTarget() = 0;

 protected:
  ~DcSurface() = default;
};

}  // namespace platform

struct HGDIOBJ__ {
  enum class Kind { Font, Bitmap };
  explicit HGDIOBJ__(Kind k) : kind(k) {}
  virtual ~HGDIOBJ__() = default;
  Kind kind;
};

struct HDC__ {
  platform::DcSurface* surface = nullptr;  // a surface's context, or null for a memory context
  HGDIOBJ__* font = nullptr;               // selected font
  HGDIOBJ__* bitmap = nullptr;             // selected bitmap (memory contexts)
  int bkMode = OPAQUE;
  COLORREF textColor = 0;
};
