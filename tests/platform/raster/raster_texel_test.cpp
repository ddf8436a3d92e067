// Texel decoding of every offered format, palette lookups while drawing, and
// the rectangle fills of the viewport clear.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "raster_test_util.h"

using namespace rastertest;

namespace {

struct FormatCase {
  raster::TexelFormat format;
  int bytes;
  std::uint32_t raw;       // the stored texel
  std::uint32_t expected;  // 0xAARRGGBB
};

TEST(RasterTexel, EveryFormatDecodesAKnownTexel) {
  const FormatCase cases[] = {
      {raster::TexelFormat::Rgb555, 2, 0x7C1F, 0xFFFF00FFu},     // red + blue
      {raster::TexelFormat::Rgb555, 2, 0x8210, 0xFF008484u},     // top bit is not alpha; 16 -> 0x84
      {raster::TexelFormat::Argb1555, 2, 0x83E0, 0xFF00FF00u},   // opaque green
      {raster::TexelFormat::Argb1555, 2, 0x03E0, 0x0000FF00u},   // transparent green
      {raster::TexelFormat::Argb4444, 2, 0x8F42, 0x88FF4422u},
      {raster::TexelFormat::Rgb565, 2, 0xF800, 0xFFFF0000u},
      {raster::TexelFormat::Rgb565, 2, 0x07E0, 0xFF00FF00u},
      {raster::TexelFormat::Rgb565, 2, 0x0821, 0xFF080408u},     // lowest step of each channel
      {raster::TexelFormat::Xrgb8888, 4, 0x00123456, 0xFF123456u},
      {raster::TexelFormat::Argb8888, 4, 0x80123456, 0x80123456u},
      {raster::TexelFormat::Rgb332, 1, 0xE0, 0xFFFF0000u},
      {raster::TexelFormat::Rgb332, 1, 0x1C, 0xFF00FF00u},
      {raster::TexelFormat::Rgb332, 1, 0x03, 0xFF0000FFu},
      {raster::TexelFormat::Rgb332, 1, 0x49, 0xFF484855u},       // 2, 2, 1
  };
  for (const FormatCase& fc : cases) {
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &fc.raw, fc.bytes);
    raster::Texture t{bytes.data(), 1, 1, fc.bytes, fc.format, nullptr};
    EXPECT_EQ(raster::FetchTexel(t, 0, 0), fc.expected) << static_cast<int>(fc.format) << " " << fc.raw;
  }
}

TEST(RasterTexel, AddressingWrapsAndRowsUseThePitch) {
  // 3x2 texels of 16 bits in rows of 8 bytes (2 bytes of padding).
  std::vector<std::uint16_t> mem = {0x001F, 0x03E0, 0x7C00, 0x1234, 0x0000, 0x0001, 0x7FFF, 0x1234};
  raster::Texture t{reinterpret_cast<const std::uint8_t*>(mem.data()), 3, 2, 8, raster::TexelFormat::Rgb555, nullptr};
  EXPECT_EQ(raster::FetchTexel(t, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(raster::FetchTexel(t, 0, 1), 0xFF000000u);
  EXPECT_EQ(raster::FetchTexel(t, 4, 2), 0xFF00FF00u);   // (1, 0)
  EXPECT_EQ(raster::FetchTexel(t, -1, -1), 0xFFFFFFFFu); // (2, 1)
  // No pixels or no area: nothing to read, and no division by a zero size.
  for (const raster::Texture& empty : {raster::Texture{nullptr, 3, 2, 8, raster::TexelFormat::Rgb555, nullptr},
                                       raster::Texture{t.pixels, 0, 2, 8, raster::TexelFormat::Rgb555, nullptr},
                                       raster::Texture{t.pixels, 3, 0, 8, raster::TexelFormat::Rgb555, nullptr}})
    EXPECT_EQ(raster::FetchTexel(empty, 1, 1), 0u) << empty.width << "x" << empty.height;
}

TEST(RasterTexel, PaletteIndexedTexturesDrawThroughThePalette) {
  std::array<std::uint32_t, 256> palette{};
  palette[3] = 0xFF204060u;
  palette[200] = 0xFFC0A080u;
  // 4x4 texels: left half index 3, right half index 200.
  std::array<std::uint8_t, 16> texels{};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) texels[y * 4 + x] = x < 2 ? 3 : 200;
  Canvas canvas(32, 32);
  raster::DrawContext c = ScreenContext(canvas);
  c.texture = {texels.data(), 4, 4, 4, raster::TexelFormat::Indexed8, palette.data()};
  raster::DrawTriangle(c, V(0, 0, ~0u, 0.5f, 0, 0), V(32, 0, ~0u, 0.5f, 1, 0), V(32, 32, ~0u, 0.5f, 1, 1));
  raster::DrawTriangle(c, V(0, 0, ~0u, 0.5f, 0, 0), V(32, 32, ~0u, 0.5f, 1, 1), V(0, 32, ~0u, 0.5f, 0, 1));
  EXPECT_EQ(canvas.Rgb(5, 20), 0x204060u);
  EXPECT_EQ(canvas.Rgb(27, 20), 0xC0A080u);
  // Without a palette the texture is not usable: drawn untextured (vertex colour).
  c.texture.palette = nullptr;
  raster::DrawTriangle(c, V(0, 0, 0xFF010203u), V(32, 0, 0xFF010203u), V(0, 32, 0xFF010203u));
  EXPECT_EQ(canvas.Rgb(5, 5), 0x010203u);
}

TEST(RasterTexel, FillsStayInsideTheirRectangleAndBuffer) {
  Canvas canvas(20, 10);
  raster::Target t = canvas.Target();
  raster::FillColor(t, 2, 3, 5, 7, 0x00ABCDEFu);
  raster::FillDepth(t, 10, 1, 12, 2, 0x1234);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(canvas.Rgb(x, y), (x >= 2 && x < 5 && y >= 3 && y < 7) ? 0xABCDEFu : 0u);
      EXPECT_EQ(canvas.Depth(x, y), (x >= 10 && x < 12 && y == 1) ? 0x1234 : 0xFFFF);
    }
  raster::FillColor(t, -100, -100, 1000, 1000, 0x00FFFFFFu);
  raster::FillDepth(t, -5, -5, 500, 500, 0);
  raster::FillColor(t, 30, 0, 10, 5, 0x00FF0000u);  // empty
  raster::FillColor(raster::Target{nullptr, 20, 10, 80, 4}, 0, 0, 10, 10, 0x00FF0000u);  // no buffer
  EXPECT_EQ(canvas.Rgb(19, 9), 0xFFFFFFu);
  EXPECT_EQ(canvas.Depth(0, 0), 0);
  EXPECT_TRUE(canvas.GuardsIntact());
  Canvas narrow(6, 4, 3);
  raster::FillColor(narrow.Target(), 1, 1, 100, 3, 0x00102030u);
  EXPECT_EQ(narrow.Rgb(5, 2), 0x102030u);
  EXPECT_EQ(narrow.Rgb(0, 2), 0u);
  EXPECT_TRUE(narrow.GuardsIntact());
}

}  // namespace
