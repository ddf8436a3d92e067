// LoadImageA from BMP files (bit depths, row order, colour tables, header
// variants, broken files refused with one warning line) and BitBlt of a whole
// bitmap into the texture formats the texture loader may choose: conversion
// by masks (32-bit RGB in every load above) and indices into palette surfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "support/surface_util.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "platform/win32/win32.h"
#include "support/bmp_file.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using namespace surfacetest;
using namespace bmpfile;

class BitmapTest : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    host::SetDataDir(dir_.path().string());
    ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
    ASSERT_EQ(ddraw->SetCooperativeLevel(nullptr, 0x00000008 /* DDSCL_NORMAL */), DD_OK);
  }

  void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    scratch::WriteBytes(dir_.path() / name, bytes);
  }
  std::string PathOf(const std::string& name) const { return (dir_.path() / name).string(); }

  static HBITMAP Load(const char* name) {
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  }

  // BitBlt of the whole bitmap into the surface, as the texture loader does.
  static BOOL Blit(HBITMAP bitmap, IDirectDrawSurface* surface) {
    BITMAP bm{};
    GetObjectA(bitmap, sizeof(bm), &bm);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    HDC target = nullptr;
    EXPECT_EQ(surface->GetDC(&target), DD_OK);
    BOOL ok = BitBlt(target, 0, 0, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
    surface->ReleaseDC(target);
    DeleteDC(memory);
    return ok;
  }

  scratch::ScratchDir dir_{scratch::ForThisTest("bitmap_")};
};

const DDPIXELFORMAT kRgb888 = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);

std::vector<RGBQUAD> Table(int n) {
  std::vector<RGBQUAD> t;
  for (int i = 0; i < n; ++i)
    t.push_back(
        RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3 + 1), 0});
  return t;
}

std::uint32_t Rgb(RGBQUAD c) {
  return (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
}

class BitmapLoad : public BitmapTest {
 protected:
  // The bitmap in `file` (of the given depth and size) blitted into a 32-bit
  // surface: its pixels as 0xRRGGBB, row by row from the top.
  std::vector<std::uint32_t> Loaded(const char* file, int bits, int width, int height) {
    HBITMAP bitmap = Load(file);
    EXPECT_NE(bitmap, nullptr) << file;
    if (bitmap == nullptr) return {};
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof(bm), &bm), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, width);
    EXPECT_EQ(bm.bmHeight, height);
    EXPECT_EQ(bm.bmBitsPixel, bits);
    IDirectDrawSurface* surface = MakeTexture(ddraw, width, height, kRgb888);
    EXPECT_TRUE(Blit(bitmap, surface));
    const std::vector<std::uint8_t> bytes = Bytes(surface);
    std::vector<std::uint32_t> pixels;
    for (std::size_t at = 0; at < bytes.size(); at += 4)
      pixels.push_back(scratch::Le(bytes, at, 4) & 0xFFFFFF);
    surface->Release();
    DeleteObject(bitmap);
    return pixels;
  }
};

TEST_F(BitmapLoad, ReadsEveryDepthInBothRowOrders) {
  for (int bits : {1, 4, 8, 24}) {
    for (int height : {5, -5}) {
      const int colours = bits == 24 ? 0 : 1 << bits;
      // 13 pixels wide: rows need padding at every depth.
      BmpLayout layout{.width = 13, .height = height, .bits = bits, .colors = Table(colours)};
      layout.pixel = [&](int x, int y) {
        return bits == 24 ? static_cast<std::uint32_t>(x * 0x010203 + y * 0x300000)
                          : static_cast<std::uint32_t>((x + 3 * y) % colours);
      };
      WriteFile("b.bmp", MakeBmp(layout));
      std::vector<std::uint32_t> want;
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
          want.push_back(bits == 24 ? layout.pixel(x, y) : Rgb(layout.colors[layout.pixel(x, y)]));
      EXPECT_EQ(Loaded("b.bmp", bits, 13, 5), want) << bits << " bits, height " << height;
    }
  }
}

// 16 and 32 bits (plain and with bit-field masks), run-length pictures and
// larger headers: what lands in a 32-bit surface, row by row from the top.
TEST_F(BitmapLoad, ReadsDeepBitFieldAndRunLengthBitmaps) {
  struct Case {
    const char* what;
    BmpLayout layout;
    std::vector<std::uint32_t> want;  // 0xRRGGBB, 4x2 pixels from the top
  };
  auto layout = [](int bits, std::uint32_t compression, std::vector<std::uint32_t> masks,
                   std::vector<std::uint32_t> pixels, std::vector<std::uint8_t> data = {}) {
    BmpLayout s{.width = 4, .height = 2, .bits = bits, .compression = compression, .masks = std::move(masks),
                .data = std::move(data)};
    s.pixel = [pixels](int x, int y) { return pixels[static_cast<std::size_t>(y * 4 + x)]; };
    if (bits <= 8) {
      s.colors = {{0, 0, 0, 0}, {0x30, 0x20, 0x10, 0}, {0x60, 0x50, 0x40, 0}, {0xFF, 0xFF, 0xFF, 0}};
      s.colorsUsed = 4;
    }
    return s;
  };
  auto withHeader = [&](std::uint32_t size) {
    BmpLayout s = layout(24, 0, {}, {0x123456, 0, 0, 0, 0, 0, 0, 0x654321});
    s.infoSize = size;
    return s;
  };
  const Case cases[] = {
      {"16-bit 5-5-5", layout(16, 0, {}, {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0, 0x4210, 0x0400, 0x8000}),
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x848484, 0x080000, 0}},
      {"16-bit 5-6-5 masks",
       layout(16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0xFFFF, 0, 0, 0, 0}),
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0, 0, 0}},
      {"32-bit", layout(32, 0, {}, {0x112233, 0xFF000000, 0xFFFFFF, 0, 1, 2, 3, 4}),
       {0x112233, 0, 0xFFFFFF, 0, 1, 2, 3, 4}},
      {"32-bit masks, blue first", layout(32, 3, {0xFF, 0xFF00, 0xFF0000}, {0x112233, 0, 0, 0, 0, 0, 0, 0}),
       {0x332211, 0, 0, 0, 0, 0, 0, 0}},
      // Bottom row: a run of four 1s; top row: literal 2, 3, 2 (padded) then an end of line.
      {"RLE8", layout(8, 1, {}, {}, {4, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 0, 0, 1}),
       {0x405060, 0xFFFFFF, 0x405060, 0, 0x102030, 0x102030, 0x102030, 0x102030}},
      // Bottom row: a delta of one pixel, then a run of 3 alternating 1 and 2;
      // top row: literal 3, 0, 1, 2.
      {"RLE4", layout(4, 2, {}, {}, {0, 2, 1, 0, 3, 0x12, 0, 0, 0, 4, 0x30, 0x12, 0, 1}),
       {0xFFFFFF, 0, 0x102030, 0x405060, 0, 0x102030, 0x405060, 0x102030}},
      {"24-bit, 108-byte header", withHeader(108), {0x123456, 0, 0, 0, 0, 0, 0, 0x654321}},
      {"24-bit, 124-byte header", withHeader(124), {0x123456, 0, 0, 0, 0, 0, 0, 0x654321}},
  };
  for (const Case& c : cases) {
    WriteFile("deep.bmp", MakeBmp(c.layout));
    EXPECT_EQ(Loaded("deep.bmp", c.layout.bits, 4, 2), c.want) << c.what;
  }
}

TEST_F(BitmapLoad, ColourTablesFollowTheirDeclaredSize) {
  auto tableSize = [&](int bits, std::uint32_t used, int written) {
    const BmpLayout layout{.bits = bits, .colors = Table(written), .colorsUsed = used};
    WriteFile("t.bmp", MakeBmp(layout));
    HBITMAP bitmap = Load("t.bmp");
    EXPECT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    RGBQUAD out[256];
    UINT n = GetDIBColorTable(dc, 0, 256, out);
    if (n >= 2) {
      EXPECT_EQ(Rgb(out[1]), Rgb(layout.colors[1]));
    }
    DeleteDC(dc);
    DeleteObject(bitmap);
    return n;
  };
  // bits, biClrUsed, entries written, entries read (never more than the depth allows)
  const int cases[][4] = {
      {8, 3, 3, 3}, {8, 0, 256, 256}, {4, 0, 16, 16}, {1, 0, 2, 2}, {24, 0, 0, 0}, {4, 300, 300, 16}};
  for (const auto& c : cases)
    EXPECT_EQ(tableSize(c[0], c[1], c[2]), static_cast<UINT>(c[3])) << c[0] << " bits";
}

// Each broken file: a null handle and exactly one warning naming the file.
TEST_F(BitmapLoad, BrokenFilesFailWithOneWarningLine) {
  const std::vector<std::uint8_t> good = MakeBmp(BmpLayout{});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> truncated(good.begin(), good.end() - 5);
  std::vector<std::uint8_t> offsetPast = good;
  offsetPast[12] = 1;  // the pixels' offset is 65536 and more
  std::vector<std::uint8_t> notBmp = good;
  notBmp[0] = 'X';
  std::vector<std::uint8_t> tableCut = MakeBmp({.bits = 8, .colors = Table(256)});
  tableCut.resize(14 + 40 + 100);
  const Case cases[] = {
      {"truncated pixels", truncated},
      {"offset past the end", offsetPast},
      {"not a bitmap", notBmp},
      {"empty", {}},
      {"colour table cut", tableCut},
      {"run-length codes cut",
       MakeBmp({.bits = 8, .colors = Table(4), .compression = 1, .data = {4, 1, 0, 2}})},
      {"run-length 24 bits", MakeBmp({.compression = 1})},
      {"bit fields without masks", MakeBmp({.bits = 16, .compression = 3})},
      {"header past the end", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
      {"too wide", MakeBmp({.width = 9000, .height = 1})},
      {"too tall", MakeBmp({.width = 1, .height = -9000})},
      {"too many pixels", MakeBmp({.width = 4096, .height = 2048, .bits = 1, .colors = Table(2)})},
      {"negative width", MakeBmp({.width = -4})},
      {"zero height", MakeBmp({.height = 0})},
      {"core header", MakeBmp({.infoSize = 12})},
  };
  // `name` as the show spells it, `file` as it lies on disk.
  const auto expectOneWarning = [&](const char* name, const std::string& file, const char* what) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Load(name), nullptr) << what;
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string prefix = "vuxa: warning: " + PathOf(file) + ": ";
    EXPECT_EQ(err.rfind(prefix, 0), 0u) << what << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << what << ": " << err;
    EXPECT_GT(err.size(), prefix.size() + 1) << what;
  };
  for (const Case& c : cases) {
    WriteFile("bad.bmp", c.bytes);
    expectOneWarning("bad.bmp", "bad.bmp", c.what);
  }
  expectOneWarning("Textures\\missing.bmp", "Textures/missing.bmp", "missing");
}

using BitmapBlit = BitmapTest;

TEST_F(BitmapBlit, RgbSurfacesReceiveColoursByTheirMasks) {
  BmpLayout layout{.width = 3, .height = 1};
  layout.pixel = [](int x, int) {
    const std::uint32_t c[3] = {0xFF0000, 0x804020, 0xFFFFFF};
    return c[x];
  };
  WriteFile("c.bmp", MakeBmp(layout));
  HBITMAP bitmap = Load("c.bmp");
  ASSERT_NE(bitmap, nullptr);
  struct Case {
    DDPIXELFORMAT format;
    std::array<std::uint32_t, 3> expected;
  };
  const Case cases[] = {
      {platform::MakePixelFormat(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F), {0xF800, 0x8204, 0xFFFF}},
      {platform::MakePixelFormat(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F), {0x7C00, 0x4104, 0x7FFF}},
      {platform::MakePixelFormat(DDPF_RGB, 8, 0xE0, 0x1C, 0x03), {0xE0, 0x88, 0xFF}},
  };
  for (const Case& c : cases) {
    IDirectDrawSurface* surface = MakeTexture(ddraw, 3, 1, c.format);
    ASSERT_TRUE(Blit(bitmap, surface));
    std::vector<std::uint8_t> bytes = Bytes(surface);
    const int size = static_cast<int>(c.format.dwRGBBitCount / 8);
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(scratch::Le(bytes, x * size, size), c.expected[x])
          << c.format.dwRGBBitCount << "-bit masks " << std::hex << c.format.dwRBitMask << " pixel " << x;
    surface->Release();
  }
  DeleteObject(bitmap);
}

TEST_F(BitmapBlit, PaletteSurfacesGetTheBitmapsIndices) {
  const DDPIXELFORMAT indexed = platform::MakePixelFormat(DDPF_PALETTEINDEXED8, 8, 0, 0, 0);
  BmpLayout eight{
      .width = 5, .height = 2, .bits = 8, .colors = {{0, 0, 0, 0}, {255, 255, 255, 0}}, .colorsUsed = 2};
  eight.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 40 + y); };  // beyond the table too
  WriteFile("i8.bmp", MakeBmp(eight));
  HBITMAP bitmap = Load("i8.bmp");
  ASSERT_NE(bitmap, nullptr);
  IDirectDrawSurface* surface = MakeTexture(ddraw, 5, 2, indexed, 0xEE);
  ASSERT_TRUE(Blit(bitmap, surface));
  std::vector<std::uint8_t> bytes = Bytes(surface);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(bytes[y * 5 + x], eight.pixel(x, y)) << x << "," << y;
  surface->Release();
  DeleteObject(bitmap);
}

}  // namespace
