// Text drawing: clipping with guard bytes, the string cache, the code page,
// TextOutA on surface contexts of either depth. The blend of each channel by
// coverage is fast_text_test's; rotation, placement, colours and font heights
// of the show's titles are held by the captured frames' digests.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/gdi.h"
#include "platform/win32/text.h"
#include "platform/ddraw/surface.h"
#include "../raster/raster_test_util.h"

namespace {

HFONT MakeFont(int height, int escapement, const char* face = "Tahoma") {
  return CreateFontA(height, 0, escapement, 0, 700, 0, 0, 0, 0, 0, 0, 2, 0x52, face);
}

struct FontDeleter {
  void operator()(HGDIOBJ__* font) const { DeleteObject(font); }
};
using FontPtr = std::unique_ptr<HGDIOBJ__, FontDeleter>;

// A black text target inside guard bytes (the rasterizer tests' canvas).
struct GuardedTarget : rastertest::Canvas {
  GuardedTarget(int w, int h, int bpp) : Canvas(w, h, bpp) { target = {Pixel(0, 0), w, h, pitch, bpp}; }
  // Pixels no longer black.
  int ChangedPixels() {
    int changed = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) changed += Rgb(x, y) != 0;
    return changed;
  }
  platform::TextTarget target;
};

TEST(TextClipping, NeverWritesOutsideTheTargetAtAnyPositionDepthOrAngle) {
  const int positions[][2] = {{-30, -10}, {50, -12}, {-25, 20}, {45, 30},  {70, 5},
                              {-200, 5},  {5, -90},  {90, 50},  {5, 70},   {INT_MIN, INT_MIN},
                              {INT_MAX, INT_MAX}, {INT_MAX - 5, 0}, {0, INT_MIN + 3}};
  for (int escapement : {0, 50, -50, 900, 1800}) {
    FontPtr font(MakeFont(-21, escapement));
    for (int bpp : {3, 4}) {
      int inked = 0;
      for (const auto& p : positions) {
        GuardedTarget t(64, 40, bpp);
        platform::DrawTextInto(t.target, font.get(), p[0], p[1], "Quenlor Wg", 0x7FBFFF);
        EXPECT_TRUE(t.GuardsIntact()) << "at " << p[0] << "," << p[1] << " esc " << escapement
                                      << " bpp " << bpp;
        inked += t.ChangedPixels() > 0;
      }
      // The partly visible placements do draw their visible part.
      EXPECT_GE(inked, std::abs(escapement) <= 50 ? 4 : 2)
          << "esc " << escapement << " bpp " << bpp;
    }
  }
}

TEST(TextCache, SecondDrawIsIdenticalStringsAreRenderedOnceAndEmptyDrawsNothing) {
  FontPtr font(MakeFont(-21, -50));
  GuardedTarget first(200, 80, 3), second(200, 80, 3);
  platform::DrawTextInto(first.target, font.get(), 7, 20, "", 0x1F3F7F);
  EXPECT_EQ(first.ChangedPixels(), 0);
  EXPECT_EQ(platform::CachedStringCount(font.get()), 0);
  platform::DrawTextInto(first.target, font.get(), 7, 20, "A Selvarin 1999", 0x1F3F7F);
  platform::DrawTextInto(second.target, font.get(), 7, 20, "A Selvarin 1999", 0x1F3F7F);
  EXPECT_GT(first.ChangedPixels(), 100);
  EXPECT_EQ(first.color, second.color);
  platform::DrawTextInto(second.target, font.get(), 9, 22, "A Selvarin 1999", 0x0F1F3F);
  EXPECT_EQ(platform::CachedStringCount(font.get()), 1);
  platform::DrawTextInto(second.target, font.get(), 9, 22, "Ruzazuzez", 0x0F1F3F);
  EXPECT_EQ(platform::CachedStringCount(font.get()), 2);
}

// Strings are Windows-1252: 0x80 is the euro sign, 0x81 is undefined.
TEST(TextFont, BytesFrom0x80To0x9FAreWindows1252) {
  FontPtr font(MakeFont(-21, 0));
  GuardedTarget euro(40, 30, 4), undefined(40, 30, 4);
  platform::DrawTextInto(euro.target, font.get(), 2, 2, "\x80", 0xFFFFFF);
  platform::DrawTextInto(undefined.target, font.get(), 2, 2, "\x81", 0xFFFFFF);
  EXPECT_GT(euro.ChangedPixels(), 20);
  EXPECT_NE(euro.color, undefined.color);
}

struct SurfaceDeleter {
  void operator()(platform::Surface* s) const { s->Release(); }
};

// TextOutA draws the string as DrawTextInto does, in the context's font and
// colour, on surfaces of either depth.
TEST(TextOut, DrawsOnASurfaceContextAsIntoATarget) {
  FontPtr font(MakeFont(-30, 0));
  for (int bits : {32, 24}) {
    const int bpp = bits / 8;
    DDSURFACEDESC desc{};
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    const std::unique_ptr<platform::Surface, SurfaceDeleter> surface(
        new platform::Surface(nullptr, desc, 80, 40, platform::RgbFormat(bits)));
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    SelectObject(dc, font.get());
    SetTextColor(dc, 0x004080FF);
    SetBkMode(dc, TRANSPARENT);
    EXPECT_EQ(TextOutA(dc, 5, 2, "Ill", 3), TRUE);
    surface->ReleaseDC(dc);
    GuardedTarget expected(80, 40, bpp);
    platform::DrawTextInto(expected.target, font.get(), 5, 2, "Ill", 0x004080FF);
    EXPECT_GT(expected.ChangedPixels(), 40);
    for (int y = 0; y < 40; ++y) {
      const std::uint8_t* row = surface->Pixels() + y * 80 * bpp;
      ASSERT_EQ(std::memcmp(row, expected.Pixel(0, y), 80 * bpp), 0) << bits << " bits, row " << y;
    }
  }
}

}  // namespace
