// font.cpp: CreateFontA over fontconfig and FreeType.
//
// The face name is looked up with fontconfig at the asked weight. Wine's free
// Windows core fonts (Debian's fonts-wine, outside fontconfig's usual folders)
// are added to the search when installed, so "Tahoma" finds a face with
// Tahoma's metrics. When the best
// match is another family (the usual case for Windows face names on Linux),
// DejaVu Sans at that weight is used, and DejaVu Sans Bold from its usual path
// as a last resort. A negative height is the em height in pixels, a positive one
// the cell height (ascent plus descent); the width, italic, underline, strike-out,
// character set, precisions, quality and pitch are not used. When no font file
// loads, the font still exists and draws nothing; one warning says so.
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/win32/font.h"
#include "platform/win32/text.h"

#include FT_TRUETYPE_TABLES_H

namespace platform {
namespace {

constexpr const char* kFallbackFamily = "DejaVu Sans";
constexpr const char* kLastResortFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kDefaultEmPixels = 16;  // a height of 0 asks for the default size

struct FontFile {
  std::string path;
  int index = 0;
};

// Lives as long as the process: faces of fonts not yet deleted depend on it.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) made = nullptr;
    return made;
  }();
  return library;
}

bool HasFamily(FcPattern* pattern, const char* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
  return false;
}

constexpr const char* kWineFontDir = "/usr/share/wine/fonts";

bool InitFontconfig() {
  static const bool ready = [] {
    if (!FcInit()) return false;
    FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(kWineFontDir));
    return true;
  }();
  return ready;
}

// fontconfig's best file for family at an OpenType weight, if it is that family.
std::optional<FontFile> MatchFamily(const char* family, int weight) {
  if (!InitFontconfig()) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  std::optional<FontFile> found;
  FcChar8* file = nullptr;
  if (match && HasFamily(match, family) &&
      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    int index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found = FontFile{reinterpret_cast<const char*>(file), index};
  }
  if (match) FcPatternDestroy(match);
  return found;
}

std::vector<FontFile> Candidates(const char* faceName, int weight) {
  std::vector<FontFile> files;
  if (faceName && *faceName)
    if (auto asked = MatchFamily(faceName, weight)) files.push_back(*asked);
  if (auto fallback = MatchFamily(kFallbackFamily, weight)) files.push_back(*fallback);
  files.push_back({kLastResortFile, 0});
  return files;
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
               faceName ? faceName : "", kLastResortFile);
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
  for (const auto& file : platform::Candidates(faceName, asked)) {
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
