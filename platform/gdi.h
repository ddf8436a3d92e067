// gdi.h: device contexts and GDI objects, shared inside platform/.
//
// A device context either belongs to a surface (from IDirectDrawSurface::GetDC;
// text and BitBlt draw into the surface's memory) or is a memory context
// (CreateCompatibleDC) into which a bitmap is selected. Fonts live in
// platform/gdi_text.cpp, bitmaps in platform/gdi_bitmap.cpp.
#pragma once

#include "platform/win32.h"

namespace platform {
class Surface;
}

struct HGDIOBJ__ {
  enum class Kind { Font, Bitmap };
  explicit HGDIOBJ__(Kind k) : kind(k) {}
  virtual ~HGDIOBJ__() = default;
  Kind kind;
};

struct HDC__ {
  platform::Surface* surface = nullptr;  // a surface's context, or null for a memory context
  HGDIOBJ__* font = nullptr;             // selected font
  HGDIOBJ__* bitmap = nullptr;           // selected bitmap (memory contexts)
  int bkMode = OPAQUE;
  COLORREF textColor = 0;
};
