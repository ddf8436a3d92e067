// Text drawing: clipping with guard bytes, byte order of the colour, blending,
// rotation, placement, the string cache, and TextOutA on surface contexts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/gdi.h"
#include "platform/win32/text.h"
#include "platform/ddraw/surface.h"

namespace {

constexpr std::uint8_t kGuard = 0xA5;

HFONT MakeFont(int height, int escapement, const char* face = "Tahoma") {
  return CreateFontA(height, 0, escapement, 0, 700, 0, 0, 0, 0, 0, 0, 2, 0x52, face);
}

struct FontDeleter {
  void operator()(HGDIOBJ__* font) const { DeleteObject(font); }
};
using FontPtr = std::unique_ptr<HGDIOBJ__, FontDeleter>;

// A target of width x height pixels inside a block with `margin` guard pixels
// on every side; the drawable area starts out `fill`, the guards kGuard.
struct GuardedTarget {
  GuardedTarget(int width, int height, int bytesPerPixel, int margin = 16, std::uint8_t fill = 0)
      : margin(margin), blockPitch((width + 2 * margin) * bytesPerPixel),
        block(static_cast<std::size_t>(blockPitch) * (height + 2 * margin), kGuard) {
    target = {&block[static_cast<std::size_t>(margin) * blockPitch + margin * bytesPerPixel],
              width, height, blockPitch, bytesPerPixel};
    for (int y = 0; y < height; ++y)
      std::memset(Pixel(0, y), fill, static_cast<std::size_t>(width) * bytesPerPixel);
  }
  std::uint8_t* Pixel(int x, int y) {
    return target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch + x * target.bytesPerPixel;
  }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < block.size(); ++i) {
      long row = static_cast<long>(i / blockPitch) - margin;
      long col = static_cast<long>(i % blockPitch) / target.bytesPerPixel - margin;
      bool inside = row >= 0 && row < target.height && col >= 0 && col < target.width;
      if (!inside && block[i] != kGuard) return false;
    }
    return true;
  }
  // Pixels whose colour differs from `fill` (all three colour bytes compared).
  int ChangedPixels(std::uint8_t fill = 0) {
    int changed = 0;
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x)
        if (Pixel(x, y)[0] != fill || Pixel(x, y)[1] != fill || Pixel(x, y)[2] != fill) ++changed;
    return changed;
  }

  int margin;
  int blockPitch;
  std::vector<std::uint8_t> block;
  platform::TextTarget target;
};

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
};

Box InkBox(GuardedTarget& t) {
  Box box;
  for (int y = 0; y < t.target.height; ++y)
    for (int x = 0; x < t.target.width; ++x)
      if (t.Pixel(x, y)[0] || t.Pixel(x, y)[1] || t.Pixel(x, y)[2]) {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      }
  return box;
}

// Least-squares slope of the ink (rows on columns, weighted by coverage),
// with screen-up positive.
double InkSlope(GuardedTarget& t) {
  double w = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (int y = 0; y < t.target.height; ++y)
    for (int x = 0; x < t.target.width; ++x) {
      double a = t.Pixel(x, y)[2];
      w += a, sx += a * x, sy += a * y, sxx += a * x * x, sxy += a * x * y;
    }
  double mx = sx / w, my = sy / w;
  return -(sxy / w - mx * my) / (sxx / w - mx * mx);
}

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

TEST(TextColour, LandsInBlueGreenRedOrderAndLeavesTheFourthByte) {
  FontPtr font(MakeFont(-60, 0));
  for (int bpp : {3, 4}) {
    GuardedTarget t(60, 70, bpp);
    if (bpp == 4)
      for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 60; ++x) t.Pixel(x, y)[3] = 0x5A;
    // Red 0x99, green 0x66, blue 0x33; the top byte carries no colour.
    platform::DrawTextInto(t.target, font.get(), 10, 0, "I", 0xFF336699);
    int full = 0;
    for (int y = 0; y < 70; ++y)
      for (int x = 0; x < 60; ++x) {
        const std::uint8_t* p = t.Pixel(x, y);
        if (bpp == 4) {
          ASSERT_EQ(p[3], 0x5A);
        }
        if (p[0] == 0x33 && p[1] == 0x66 && p[2] == 0x99) ++full;
        // On black, every channel is the colour times the same coverage.
        EXPECT_NEAR(p[0] * 3, p[2], 3) << x << "," << y;
        EXPECT_NEAR(p[1] * 3, p[2] * 2, 3) << x << "," << y;
      }
    EXPECT_GT(full, 100) << "the stem of the I is solid colour, bpp " << bpp;
    EXPECT_TRUE(t.GuardsIntact());
  }
}

TEST(TextColour, BlendsEachChannelFromBackgroundTowardsTheColourByCoverage) {
  FontPtr font(MakeFont(-21, 50));
  GuardedTarget t(200, 60, 4, 16, 0x40);
  platform::DrawTextInto(t.target, font.get(), 5, 5, "Vuxa-bil", 0x00FFC080);  // B 255 G 192 R 128
  const int colour[3] = {0xFF, 0xC0, 0x80};
  int partial = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const std::uint8_t* p = t.Pixel(x, y);
      double a[3];
      for (int i = 0; i < 3; ++i) {
        ASSERT_GE(p[i], 0x40);
        ASSERT_LE(p[i], colour[i]);
        a[i] = (p[i] - 0x40) / double(colour[i] - 0x40);
      }
      EXPECT_NEAR(a[0], a[1], 0.03);
      EXPECT_NEAR(a[0], a[2], 0.03);
      partial += a[0] > 0.1 && a[0] < 0.9;
    }
  EXPECT_GT(partial, 20) << "edges are anti-aliased";
}

TEST(TextRotation, PositiveEscapementRisesToTheRightByItsAngle) {
  for (int escapement : {50, -50, 0, 300, -100}) {
    FontPtr font(MakeFont(-21, escapement));
    GuardedTarget t(400, 300, 4);
    platform::DrawTextInto(t.target, font.get(), 10, 150, "Quenlor Presents: Vuxa-bil", 0xFFFFFF);
    ASSERT_GT(t.ChangedPixels(), 500);
    EXPECT_NEAR(InkSlope(t), std::tan(escapement / 10.0 * M_PI / 180.0), 0.02)
        << "esc " << escapement;
  }
}

TEST(TextPlacement, StartPointIsTheTopLeftOfTheCell) {
  FontPtr font(MakeFont(-21, 0));
  GuardedTarget t(100, 60, 4);
  platform::DrawTextInto(t.target, font.get(), 20, 10, "HH", 0xFFFFFF);
  Box box = InkBox(t);
  // The capitals' tops lie below the cell top by ascent minus cap height.
  EXPECT_GE(box.top, 11);
  EXPECT_LE(box.top, 19);
  EXPECT_GE(box.left, 20);
  EXPECT_LE(box.left, 24);
  // Their baseline lies an ascent below the top: 16 to 20 pixels at this size,
  // depending on the face found (Tahoma's metrics or DejaVu's).
  EXPECT_GE(box.bottom, 10 + 15);
  EXPECT_LE(box.bottom, 10 + 22);
}

TEST(TextPlacement, TheCellTurnsAboutItsTopLeftCorner) {
  // A quarter turn: the text runs upwards from (40, 100) and the cell's top
  // edge becomes its left edge, so the baseline lies an ascent to the right.
  FontPtr font(MakeFont(-21, 900));
  GuardedTarget t(100, 120, 4);
  platform::DrawTextInto(t.target, font.get(), 40, 100, "HH", 0xFFFFFF);
  Box box = InkBox(t);
  EXPECT_GE(box.left, 41);
  EXPECT_LE(box.left, 49);
  EXPECT_GE(box.right, 40 + 15);
  EXPECT_LE(box.right, 40 + 22);
  EXPECT_LE(box.bottom, 100);
  EXPECT_GE(box.bottom, 96);
}

TEST(TextFont, NegativeHeightIsTheEmPositiveTheCellAndUnknownFacesFallBack) {
  FontPtr em(MakeFont(-21, 0));
  FontPtr cell(MakeFont(21, 0));
  FontPtr unknown(MakeFont(-21, 0, "NoSuchFaceAnywhere"));
  GuardedTarget a(80, 60, 4), b(80, 60, 4), c(80, 60, 4);
  platform::DrawTextInto(a.target, em.get(), 0, 0, "H", 0xFFFFFF);
  platform::DrawTextInto(b.target, cell.get(), 0, 0, "H", 0xFFFFFF);
  platform::DrawTextInto(c.target, unknown.get(), 0, 0, "H", 0xFFFFFF);
  Box emBox = InkBox(a), cellBox = InkBox(b);
  EXPECT_GT(emBox.bottom - emBox.top, cellBox.bottom - cellBox.top);
  EXPECT_GT(c.ChangedPixels(), 50);
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
  EXPECT_EQ(first.block, second.block);
  platform::DrawTextInto(second.target, font.get(), 9, 22, "A Selvarin 1999", 0x0F1F3F);
  EXPECT_EQ(platform::CachedStringCount(font.get()), 1);
  platform::DrawTextInto(second.target, font.get(), 9, 22, "Ruzazuzez", 0x0F1F3F);
  EXPECT_EQ(platform::CachedStringCount(font.get()), 2);
}

// TextOutA through the device context of a DirectDraw surface.
struct SurfaceDeleter {
  void operator()(platform::Surface* s) const { s->Release(); }
};
using SurfacePtr = std::unique_ptr<platform::Surface, SurfaceDeleter>;

SurfacePtr MakeSurface(int bits) {
  DDSURFACEDESC desc{};
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  return SurfacePtr(new platform::Surface(nullptr, desc, 80, 40, platform::RgbFormat(bits)));
}

TEST(TextOut, DrawsOnASurfaceContextInTheSelectedFontAndColour) {
  FontPtr font(MakeFont(-30, 0));
  for (int bits : {32, 24}) {
    SurfacePtr surface = MakeSurface(bits);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x00FFFFFF);
    EXPECT_EQ(TextOutA(dc, 5, 2, "Ill", 3), TRUE);
    int white = 0, touched = 0;
    const int bpp = bits / 8;
    for (int i = 0; i < 80 * 40; ++i) {
      const std::uint8_t* p = surface->Pixels() + i * bpp;
      white += p[0] == 255 && p[1] == 255 && p[2] == 255;
      touched += p[0] || p[1] || p[2];
      if (bits == 32) {
        EXPECT_EQ(p[3], 0);
      }
    }
    EXPECT_GT(white, 40) << bits;
    // Only the first `length` characters: one I is narrower than "Ill".
    std::vector<std::uint8_t> full(surface->Pixels(), surface->Pixels() + 80 * 40 * bpp);
    std::memset(surface->Pixels(), 0, full.size());
    EXPECT_EQ(TextOutA(dc, 5, 2, "Ill", 1), TRUE);
    int firstOnly = 0;
    for (int i = 0; i < 80 * 40; ++i) firstOnly += surface->Pixels()[i * bpp + 2] != 0;
    EXPECT_GT(firstOnly, 0);
    EXPECT_LT(firstOnly, touched);
    surface->ReleaseDC(dc);
  }
}

TEST(TextOut, RefusesBadArgumentsAndDrawsNothingWithoutASurfaceOrFont) {
  FontPtr font(MakeFont(-21, 0));
  EXPECT_EQ(TextOutA(nullptr, 0, 0, "x", 1), FALSE);
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, font.get());
  EXPECT_EQ(TextOutA(memory, 0, 0, "x", 1), TRUE);
  EXPECT_EQ(TextOutA(memory, 0, 0, "x", -1), FALSE);
  EXPECT_EQ(TextOutA(memory, 0, 0, nullptr, 3), FALSE);
  EXPECT_EQ(TextOutA(memory, 0, 0, "", 0), TRUE);
  DeleteDC(memory);

  SurfacePtr surface = MakeSurface(32);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  SetTextColor(dc, 0xFFFFFF);
  EXPECT_EQ(TextOutA(dc, 0, 0, "No font", 7), TRUE);  // nothing selected: nothing drawn
  SelectObject(dc, font.get());
  EXPECT_EQ(TextOutA(dc, 0, 0, "Vuxa", 0), TRUE);
  for (int i = 0; i < 80 * 40 * 4; ++i) ASSERT_EQ(surface->Pixels()[i], 0);
  surface->ReleaseDC(dc);
}

}  // namespace
