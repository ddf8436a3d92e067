// font.h: the font object behind an HFONT, shared by the two text
// files (font.cpp makes fonts, text.cpp draws with them) and the font
// lookup (font_lookup.cpp).
// Includes FreeType: only for those two files.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win32/gdi.h"

namespace platform {

// Coverage of one rendered string, 0..255 per pixel, placed relative to the
// text's start point (the x, y given to TextOutA).
struct TextMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;  // width x height, row after row
  // Each row's covered columns lie in [ink[row].first, ink[row].second)
  // (both 0 for a row without any).
  std::vector<std::pair<int, int>> ink;
};

struct Font final : HGDIOBJ__ {
  Font() : HGDIOBJ__(Kind::Font) {}
  ~Font() override;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  FT_Face face = nullptr;      // null: no font file could be loaded; draws nothing
  int escapement = 0;          // tenths of a degree, counter-clockwise on screen
  FT_Pos emboldenStrength = 0; // 26.6 pixels of synthetic bold; 0 when the face is bold
  std::unordered_map<std::string, TextMask> cache;  // rendered strings by text
};

// A font file and the index of the face in it.
struct FontFile {
  std::string path;
  int index = 0;
};
// The font files to try for a face name at an OpenType weight, best first
// (font_lookup.cpp on a desktop, web/font_lookup.cpp in a browser).
std::vector<FontFile> FontCandidates(const char* faceName, int weight);
// The file named when no font file loads.
const char* LastResortFontFile();

// The font object of a handle, or null when the handle is no font.
Font* AsFont(HGDIOBJ object);

}  // namespace platform
