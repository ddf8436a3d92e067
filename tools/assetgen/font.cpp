#include "tools/assetgen/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace assetgen {

namespace {

constexpr const char* kFontFile = "DejaVuSans-Bold.ttf";
constexpr const char* kFallbackPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Asks fontconfig for DejaVu Sans Bold; accepts only that very file, so the
// pictures never change with whatever other fonts a machine has.
std::string FindFont() {
  std::string found;
  if (FcInit()) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans:style=Bold"));
    if (pattern) {
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      FcPattern* match = FcFontMatch(nullptr, pattern, &result);
      FcChar8* file = nullptr;
      if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        const std::filesystem::path path(reinterpret_cast<const char*>(file));
        if (path.filename() == kFontFile) found = path.string();
      }
      if (match) FcPatternDestroy(match);
      FcPatternDestroy(pattern);
    }
  }
  if (found.empty() && std::filesystem::exists(kFallbackPath)) found = kFallbackPath;
  return found;
}

}  // namespace

bool RenderText(const std::string& text, float pixel_size, float tracking, float centre_x, float baseline,
                Plane& coverage, std::string& error) {
  const std::string path = FindFont();
  if (path.empty()) {
    error = std::string("font not found: ") + kFontFile + " (package fonts-dejavu-core)";
    return false;
  }
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  FT_Face face = nullptr;
  bool ok = FT_New_Face(lib, path.c_str(), 0, &face) == 0;
  if (!ok) error = "cannot read font " + path;
  if (ok) ok = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size + 0.5f)) == 0;

  // First pass measures the pen advance, second pass draws centred.
  float width = 0;
  for (int pass = 0; ok && pass < 2; ++pass) {
    float pen = pass == 0 ? 0.0f : centre_x - width * 0.5f;
    FT_UInt previous = 0;
    for (size_t i = 0; ok && i < text.size(); ++i) {
      const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
      if (previous && FT_HAS_KERNING(face)) {
        FT_Vector kern{};
        FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kern);
        pen += static_cast<float>(kern.x) / 64.0f;
      }
      previous = glyph;
      if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | (pass == 1 ? FT_LOAD_RENDER : 0)) != 0) {
        error = "cannot load glyph from " + path;
        ok = false;
        break;
      }
      const FT_GlyphSlot slot = face->glyph;
      if (pass == 1) {
        const FT_Bitmap& bm = slot->bitmap;
        const int ox = static_cast<int>(std::lround(pen)) + slot->bitmap_left;
        const int oy = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r) {
          for (unsigned c = 0; c < bm.width; ++c) {
            const int x = ox + static_cast<int>(c), y = oy + static_cast<int>(r);
            if (x < 0 || y < 0 || x >= coverage.w || y >= coverage.h) continue;
            const float a = bm.buffer[r * static_cast<unsigned>(bm.pitch) + c] / 255.0f;
            float& dst = coverage.At(x, y);
            dst = std::max(dst, a);
          }
        }
      }
      pen += static_cast<float>(slot->advance.x) / 64.0f + tracking;
    }
    width = pen - tracking;
  }
  if (face) FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return ok;
}

}  // namespace assetgen
