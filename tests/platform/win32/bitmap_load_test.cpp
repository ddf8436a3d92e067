// LoadImageA from BMP files: bit depths, row order, colour tables, header
// variants, and broken files refused with one warning line.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ddraw/driver.h"
#include "bitmap_fixture.h"

using namespace bitmaptest;

namespace {

const DDPIXELFORMAT kRgb888 = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);

std::vector<RGBQUAD> Table(int n) {
  std::vector<RGBQUAD> t;
  for (int i = 0; i < n; ++i)
    t.push_back(RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3 + 1), 0});
  return t;
}

std::uint32_t Rgb(RGBQUAD c) { return (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) | c.rgbBlue; }

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
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmWidthBytes, (width * bits + 31) / 32 * 4);
    EXPECT_NE(bm.bmBits, nullptr);
    IDirectDrawSurface* surface = MakeSurface(width, height, kRgb888);
    EXPECT_TRUE(Blit(bitmap, surface));
    const std::vector<std::uint8_t> bytes = Bytes(surface);
    std::vector<std::uint32_t> pixels;
    for (std::size_t at = 0; at < bytes.size(); at += 4) pixels.push_back(Read(bytes, at) & 0xFFFFFF);
    surface->Release();
    DeleteObject(bitmap);
    return pixels;
  }
};

TEST_F(BitmapLoad, ReadsEveryDepthInBothRowOrders) {
  for (int bits : {1, 4, 8, 24}) {
    for (int height : {5, -5}) {
      BmpLayout layout;
      layout.width = 13;  // rows need padding at every depth
      layout.height = height;
      layout.bits = bits;
      const int colours = bits == 24 ? 0 : 1 << bits;
      layout.colors = Table(colours);
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
    BmpLayout s;
    s.width = 4;
    s.height = 2;
    s.bits = bits;
    s.compression = compression;
    s.masks = std::move(masks);
    s.data = std::move(data);
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
    BmpLayout layout;
    layout.bits = bits;
    layout.colorsUsed = used;
    layout.colors = Table(written);
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
    UINT tail = GetDIBColorTable(dc, 1, 5, out);
    EXPECT_EQ(tail, n > 1 ? std::min<UINT>(5, n - 1) : 0);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return n;
  };
  EXPECT_EQ(tableSize(8, 3, 3), 3u);
  EXPECT_EQ(tableSize(8, 0, 256), 256u);
  EXPECT_EQ(tableSize(4, 0, 16), 16u);
  EXPECT_EQ(tableSize(1, 0, 2), 2u);
  EXPECT_EQ(tableSize(24, 0, 0), 0u);
  EXPECT_EQ(tableSize(4, 300, 300), 16u);  // never more than the depth allows
}

TEST_F(BitmapLoad, ModulesHaveNoResourcesAndOnlyBitmapFilesLoad) {
  WriteFile("a.bmp", MakeBmp(BmpLayout{}));
  ::testing::internal::CaptureStderr();
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x400000);  // any module handle
  EXPECT_EQ(LoadImageA(module, "a.bmp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(LoadImageA(module, "a.bmp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "a.bmp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "a.bmp", 1 /* IMAGE_ICON */, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// Each broken file: a null handle and exactly one warning naming the file.
TEST_F(BitmapLoad, BrokenFilesFailWithOneWarningLine) {
  const std::vector<std::uint8_t> good = MakeBmp(BmpLayout{});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto variant = [](std::function<void(BmpLayout&)> change) {
    BmpLayout s;
    change(s);
    return MakeBmp(s);
  };
  std::vector<std::uint8_t> truncated(good.begin(), good.end() - 5);
  std::vector<std::uint8_t> offsetPast = good;
  offsetPast[12] = 1;  // the pixels' offset is 65536 and more
  std::vector<std::uint8_t> notBmp = good;
  notBmp[0] = 'X';
  std::vector<std::uint8_t> tableCut = variant([](BmpLayout& s) { s.bits = 8; s.colors = Table(256); });
  tableCut.resize(14 + 40 + 100);
  const Case cases[] = {
      {"truncated pixels", truncated},
      {"offset past the end", offsetPast},
      {"not a bitmap", notBmp},
      {"empty", {}},
      {"colour table cut", tableCut},
      {"run-length codes cut", variant([](BmpLayout& s) {
         s.bits = 8; s.colors = Table(4); s.compression = 1; s.data = {4, 1, 0, 2};
       })},
      {"run-length 24 bits", variant([](BmpLayout& s) { s.compression = 1; })},
      {"bit fields without masks", variant([](BmpLayout& s) { s.bits = 16; s.compression = 3; })},
      {"header past the end", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
      {"too wide", variant([](BmpLayout& s) { s.width = 9000; s.height = 1; })},
      {"too tall", variant([](BmpLayout& s) { s.width = 1; s.height = -9000; })},
      {"too many pixels", variant([](BmpLayout& s) { s.width = 4096; s.height = 2048; s.bits = 1; s.colors = Table(2); })},
      {"negative width", variant([](BmpLayout& s) { s.width = -4; })},
      {"zero height", variant([](BmpLayout& s) { s.height = 0; })},
      {"core header", variant([](BmpLayout& s) { s.infoSize = 12; })},
  };
  for (const Case& c : cases) {
    WriteFile("bad.bmp", c.bytes);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Load("bad.bmp"), nullptr) << c.what;
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string prefix = "vuxa: warning: " + PathOf("bad.bmp") + ": ";
    EXPECT_EQ(err.rfind(prefix, 0), 0u) << c.what << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what << ": " << err;
    EXPECT_GT(err.size(), prefix.size() + 1) << c.what;
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Load("Textures\\missing.bmp"), nullptr);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("vuxa: warning: " + PathOf("Textures/missing.bmp") + ": ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

}  // namespace
