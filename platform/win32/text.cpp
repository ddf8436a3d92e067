// text.cpp: TextOutA with FreeType glyphs.
//
// A string is rendered once per font into a coverage mask (grayscale,
// anti-aliased) and kept in the font's cache, since the show draws the same
// texts several times a frame in different colours. The whole string is rotated
// by the font's escapement about its start point: (x, y) is the top-left corner
// of the text cell before rotation, the baseline lies the font's ascent below
// it. Glyphs are rendered through FT_Set_Transform, so each lands rotated at its
// place along the rotated baseline, kerned where the font has kerning. The mask
// is blended in the text colour, background transparent (OPAQUE is treated as
// TRANSPARENT), clipped to the target. Bytes 128..159 are read as Windows-1252.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "platform/win32/text.h"
#include "platform/win32/font.h"
#include "platform/win32/text_blend.h"

#include FT_OUTLINE_H

namespace platform {
namespace {

constexpr std::size_t kCacheLimit = 256;  // strings per font before the cache starts over

// Unicode of Windows-1252 bytes 0x80..0x9F (undefined ones map to themselves).
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

char32_t CodePoint(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : byte;
}

// One rendered glyph: its coverage rows placed relative to the start point.
struct GlyphImage {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;
};

GlyphImage CopyBitmap(const FT_Bitmap& bitmap, int left, int top) {
  GlyphImage image{left, top, static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), {}};
  image.coverage.resize(static_cast<std::size_t>(image.width) * image.rows);
  for (int row = 0; row < image.rows; ++row) {
    const std::uint8_t* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (int col = 0; col < image.width; ++col) {
      std::uint8_t value = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                               ? ((src[col >> 3] >> (7 - (col & 7))) & 1) * 255
                               : src[col];
      image.coverage[static_cast<std::size_t>(row) * image.width + col] = value;
    }
  }
  return image;
}

// Renders one glyph whose origin lies at `origin` (26.6, FreeType's y-up axes,
// relative to the integer pixel the mask is anchored at).
bool RenderGlyph(const Font& font, FT_UInt glyph, FT_Matrix& matrix, FT_Vector origin) {
  FT_Face face = font.face;
  FT_Set_Transform(face, &matrix, &origin);
  if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0) return false;
  if (font.emboldenStrength > 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&face->glyph->outline, font.emboldenStrength);
  return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

std::vector<GlyphImage> RenderGlyphs(const Font& font, std::string_view text) {
  FT_Face face = font.face;
  double angle = font.escapement / 10.0 * std::numbers::pi / 180.0;
  double c = std::cos(angle), s = std::sin(angle);
  FT_Matrix matrix{std::lround(c * 0x10000), std::lround(-s * 0x10000), std::lround(s * 0x10000),
                   std::lround(c * 0x10000)};
  // The baseline's start on screen (y down): the ascent below (x, y), rotated.
  double ascent = face->size->metrics.ascender / 64.0;
  double originX = ascent * s, originY = ascent * c;
  int anchorX = static_cast<int>(std::floor(originX));
  int anchorY = static_cast<int>(std::floor(originY));
  double fracX = originX - anchorX, fracY = originY - anchorY;

  std::vector<GlyphImage> glyphs;
  FT_Pos pen = 0;  // 26.6 pixels along the unrotated baseline
  FT_UInt previous = 0;
  for (char ch : text) {
    FT_UInt glyph = FT_Get_Char_Index(face, CodePoint(ch));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern{};
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
    }
    double along = pen / 64.0;
    FT_Vector origin{std::lround((fracX + along * c) * 64), std::lround((along * s - fracY) * 64)};
    if (!RenderGlyph(font, glyph, matrix, origin)) continue;
    FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.width > 0 && slot->bitmap.rows > 0)
      glyphs.push_back(
          CopyBitmap(slot->bitmap, anchorX + slot->bitmap_left, anchorY - slot->bitmap_top));
    pen += slot->metrics.horiAdvance + font.emboldenStrength;  // metrics are never rotated
    previous = glyph;
  }
  FT_Set_Transform(face, nullptr, nullptr);
  return glyphs;
}

// Joins glyph coverages into one mask; overlaps combine as a + b - ab.
TextMask RenderMask(const Font& font, std::string_view text) {
  std::vector<GlyphImage> glyphs = RenderGlyphs(font, text);
  TextMask mask;
  if (glyphs.empty()) return mask;
  int left = glyphs[0].left, top = glyphs[0].top;
  int right = left, bottom = top;
  for (const auto& g : glyphs) {
    left = std::min(left, g.left);
    top = std::min(top, g.top);
    right = std::max(right, g.left + g.width);
    bottom = std::max(bottom, g.top + g.rows);
  }
  mask = {left, top, right - left, bottom - top, {}, {}};
  mask.coverage.assign(static_cast<std::size_t>(mask.width) * mask.height, 0);
  for (const auto& g : glyphs) {
    for (int row = 0; row < g.rows; ++row) {
      std::uint8_t* dst = &mask.coverage[static_cast<std::size_t>(g.top - top + row) * mask.width +
                                         (g.left - left)];
      const std::uint8_t* src = &g.coverage[static_cast<std::size_t>(row) * g.width];
      for (int col = 0; col < g.width; ++col)
        dst[col] = static_cast<std::uint8_t>(dst[col] + src[col] - dst[col] * src[col] / 255);
    }
  }
  mask.ink.assign(static_cast<std::size_t>(mask.height), {0, 0});
  for (int row = 0; row < mask.height; ++row) {
    const std::uint8_t* cover = &mask.coverage[static_cast<std::size_t>(row) * mask.width];
    int first = 0, end = mask.width;
    while (first < end && cover[first] == 0) ++first;
    while (end > first && cover[end - 1] == 0) --end;
    if (first < end) mask.ink[static_cast<std::size_t>(row)] = {first, end};
  }
  return mask;
}

const TextMask& CachedMask(Font& font, std::string_view text) {
  std::string key(text);
  auto found = font.cache.find(key);
  if (found != font.cache.end()) return found->second;
  if (font.cache.size() >= kCacheLimit) font.cache.clear();
  return font.cache.emplace(std::move(key), RenderMask(font, text)).first->second;
}

// dst += (colour - dst) x coverage / 255 for blue, green and red.
void BlendMask(const TextTarget& target, const TextMask& mask, int x, int y, COLORREF color) {
  // COLORREF is 0x00BBGGRR; the row blend takes 0x00RRGGBB.
  const std::uint32_t rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
  // Clip in 64-bit so far-off positions cannot overflow.
  long long x0 = std::max<long long>(0, static_cast<long long>(x) + mask.left);
  long long y0 = std::max<long long>(0, static_cast<long long>(y) + mask.top);
  long long x1 =
      std::min<long long>(target.width, static_cast<long long>(x) + mask.left + mask.width);
  long long y1 =
      std::min<long long>(target.height, static_cast<long long>(y) + mask.top + mask.height);
  if (x0 >= x1) return;
  for (long long py = y0; py < y1; ++py) {
    const long long maskRow = py - y - mask.top;
    // Only the row's inked columns: the rest leave the pixels as they are.
    const auto [first, end] = mask.ink[static_cast<std::size_t>(maskRow)];
    const long long from = std::max(x0, static_cast<long long>(x) + mask.left + first);
    const long long to = std::min(x1, static_cast<long long>(x) + mask.left + end);
    if (from >= to) continue;
    const std::uint8_t* cover =
        &mask.coverage[static_cast<std::size_t>(maskRow) * mask.width + (from - x - mask.left)];
    std::uint8_t* row = target.pixels + py * target.pitch + from * target.bytesPerPixel;
    BlendCoverageRow(row, target.bytesPerPixel, cover, static_cast<int>(to - from), rgb);
  }
}

}  // namespace

void DrawTextInto(const TextTarget& target, HGDIOBJ object, int x, int y, std::string_view text,
                  COLORREF color) {
  Font* font = AsFont(object);
  if (!font || !font->face || text.empty() || !target.pixels) return;
  if (target.bytesPerPixel < 3 || target.width <= 0 || target.height <= 0) return;
  BlendMask(target, CachedMask(*font, text), x, y, color);
}

int CachedStringCount(HGDIOBJ object) {
  Font* font = AsFont(object);
  return font ? static_cast<int>(font->cache.size()) : 0;
}

}  // namespace platform

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  if (!dc || length < 0 || (length > 0 && !text)) return FALSE;
  if (length == 0 || !dc->surface) return TRUE;  // a memory context without a surface: nothing
  const platform::DcPixels surface = dc->surface->DcTarget();
  platform::TextTarget target{surface.pixels, surface.width, surface.height, surface.pitch,
                              surface.bytesPerPixel};
  platform::DrawTextInto(target, dc->font, x, y, std::string_view(text, length), dc->textColor);
  return TRUE;
}
