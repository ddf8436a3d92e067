// font.cpp: CreateFontA over FreeType.
//
// The face name is looked up at the asked weight (font_lookup.cpp: with
// fontconfig on a desktop; web/font_lookup.cpp: among the files packed with
// the page), and the first candidate file that loads is used. A negative
// height is the em height in pixels, a positive one the cell height (ascent
// plus descent); the width, italic, underline, strike-out, character set,
// precisions, quality and pitch are not used. When no font file loads, the
// font still exists and draws nothing; one warning says so.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/font.h"
#include "platform/win32/text.h"

#include FT_TRUETYPE_TABLES_H

namespace platform {
namespace {

constexpr int kDefaultEmPixels = 16;  // a height of 0 asks for the default size

// Lives as long as the process: faces of fonts not yet deleted depend on it.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) made = nullptr;
    return made;
  }();
  return library;
}

// Pixels per em for a GDI height: negative = em height, positive = cell height.
FT_UInt EmPixels(FT_Face face, int height) {
  if (height < 0) return static_cast<FT_UInt>(-static_cast<long long>(height));
  if (height == 0) return kDefaultEmPixels;
  double cell = face->ascender - face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->usWinAscent + os2->usWinDescent > 0)
    cell = os2->usWinAscent + os2->usWinDescent;
  if (cell <= 0) return static_cast<FT_UInt>(height);
  double em = std::round(height * face->units_per_EM / cell);
  return static_cast<FT_UInt>(em < 1 ? 1 : em);
}

FT_Face LoadFace(const FontFile& file, int height) {
  FT_Library library = Library();
  FT_Face face = nullptr;
  if (!library || FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) return nullptr;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  if (!FT_IS_SCALABLE(face) || FT_Set_Pixel_Sizes(face, 0, EmPixels(face, height)) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return face;
}

void WarnNoFont(const char* faceName) {
  static bool warned = false;
  if (warned) return;
  warned = true;
  std::fprintf(stderr, "vuxa: no font file found for \"%s\" nor %s; text is not drawn\n",
               faceName ? faceName : "", LastResortFontFile());
}

}  // namespace

Font::~Font() {
  if (face) FT_Done_Face(face);
}

Font* AsFont(HGDIOBJ object) {
  if (!object || object->kind != HGDIOBJ__::Kind::Font) return nullptr;
  return static_cast<Font*>(object);
}

// FreeType tells its version only through a library instance.
std::string FreetypeVersion() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return "unknown";
  FT_Int major = 0, minor = 0, patch = 0;
  FT_Library_Version(library, &major, &minor, &patch);
  FT_Done_FreeType(library);
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace platform

HFONT CreateFontA(int height, int /*width*/, int escapement, int /*orientation*/, int weight,
                  DWORD /*italic*/, DWORD /*underline*/, DWORD /*strikeOut*/, DWORD /*charSet*/,
                  DWORD /*outPrecision*/, DWORD /*clipPrecision*/, DWORD /*quality*/,
                  DWORD /*pitchAndFamily*/, LPCSTR faceName) {
  using platform::Font;
  auto font = std::make_unique<Font>();
  font->escapement = escapement;
  int asked = weight <= 0 ? 400 : weight;  // FW_DONTCARE: normal
  for (const auto& file : platform::FontCandidates(faceName, asked)) {
    font->face = platform::LoadFace(file, height);
    if (font->face) break;
  }
  if (!font->face) {
    platform::WarnNoFont(faceName);
  } else if (asked >= 600 && !(font->face->style_flags & FT_STYLE_FLAG_BOLD)) {
    FT_Face face = font->face;
    font->emboldenStrength = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
  }
  return font.release();  // a GDI handle: freed by DeleteObject
}
