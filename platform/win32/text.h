// text.h: text drawing into raw pixel memory, shared inside win32/.
//
// TextOutA (win32/text.cpp) draws into the surface of a device context
// through DrawTextInto; tests call it directly on buffers with guard bytes
// around the drawable area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/win32.h"

namespace platform {

// Pixels of a drawing target: rows of `width` pixels, `pitch` bytes apart,
// blue in the lowest byte (B,G,R,X at 4 bytes, B,G,R at 3).
struct TextTarget {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bytesPerPixel = 4;
};

// Draws text with a font from CreateFontA, its cell's top-left corner at (x, y)
// before rotation by the font's escapement, blended in colour (COLORREF, red in
// the low byte). Writes only inside the target.
void DrawTextInto(const TextTarget& target, HGDIOBJ font, int x, int y, std::string_view text,
                  COLORREF color);

// The version of FreeType loaded at run time: "major.minor.patch".
std::string FreetypeVersion();

// Number of strings held in a font's cache of rendered strings (tests).
int CachedStringCount(HGDIOBJ font);

}  // namespace platform
