// What the rasterizer writes: depth order, colour interpolation, specular,
// blending, perspective-correct and wrapped texturing, filters, 24-bit output.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "raster_test_util.h"

using namespace rastertest;

namespace {

void Quad(const raster::DrawContext& c, raster::Vertex a, raster::Vertex b, raster::Vertex d, raster::Vertex e) {
  raster::DrawTriangle(c, a, b, d);  // a b / e d, clockwise
  raster::DrawTriangle(c, a, d, e);
}

TEST(RasterShading, DepthTestLessEqualKeepsTheNearer) {
  Canvas canvas(16, 16);
  raster::DrawContext c = ScreenContext(canvas);
  c.states.depthTest = true;
  auto tri = [&](std::uint32_t color, float z) {
    raster::DrawTriangle(c, V(0, 0, color, z), V(16, 0, color, z), V(0, 16, color, z));
  };
  tri(0xFFFF0000u, 0.8f);
  tri(0xFF00FF00u, 0.2f);  // nearer: replaces
  EXPECT_EQ(canvas.Rgb(3, 3), 0x00FF00u);
  EXPECT_NEAR(canvas.Depth(3, 3), 0.2 * 65535, 2);
  tri(0xFFFF0000u, 0.8f);  // farther: fails
  EXPECT_EQ(canvas.Rgb(3, 3), 0x00FF00u);
  tri(0xFF0000FFu, 0.2f);  // equal: passes
  EXPECT_EQ(canvas.Rgb(3, 3), 0x0000FFu);
  c.states.depthWrite = false;
  tri(0xFFFFFFFFu, 0.1f);  // passes but leaves the depth alone
  EXPECT_EQ(canvas.Rgb(3, 3), 0xFFFFFFu);
  EXPECT_NEAR(canvas.Depth(3, 3), 0.2 * 65535, 2);
  c.states.depthTest = false;
  tri(0xFF123456u, 0.9f);  // no test
  EXPECT_EQ(canvas.Rgb(3, 3), 0x123456u);
  EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(RasterShading, DepthFollowsTheViewportRange) {
  Canvas canvas(8, 8);
  raster::DrawContext c = ScreenContext(canvas);
  c.states.depthTest = true;
  c.viewport.minZ = 0.5f;
  c.viewport.maxZ = 1.0f;
  raster::DrawTriangle(c, V(0, 0, ~0u, 0.5f), V(8, 0, ~0u, 0.5f), V(0, 8, ~0u, 0.5f));
  EXPECT_NEAR(canvas.Depth(1, 1), 0.75 * 65535, 2);
}

TEST(RasterShading, GouraudInterpolatesAndFlatTakesTheFirstVertex) {
  Canvas canvas(64, 64);
  raster::DrawContext c = ScreenContext(canvas);
  raster::Vertex a = V(0, 0, 0xFFFF0000u), b = V(60, 0, 0xFF00FF00u), d = V(0, 60, 0xFF0000FFu);
  raster::DrawTriangle(c, a, b, d);
  std::uint32_t mid = canvas.Rgb(20, 20);  // barycentric (1/3, 1/3, 1/3)
  EXPECT_NEAR((mid >> 16) & 255, 85, 2);
  EXPECT_NEAR((mid >> 8) & 255, 85, 2);
  EXPECT_NEAR(mid & 255, 85, 2);
  EXPECT_NEAR((canvas.Rgb(0, 0) >> 16) & 255, 255, 1);
  c.states.flat = true;
  raster::DrawTriangle(c, b, d, a);
  for (int y = 0; y < 30; y += 7)
    for (int x = 0; x < 30 - y; x += 7) EXPECT_EQ(canvas.Rgb(x, y), 0x00FF00u);
}

TEST(RasterShading, SpecularIsAddedWithSaturation) {
  Canvas canvas(8, 8);
  raster::DrawContext c = ScreenContext(canvas);
  auto tri = [&] {
    raster::DrawTriangle(c, V(0, 0, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u), V(8, 0, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u),
                         V(0, 8, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u));
  };
  c.states.specular = true;
  tri();
  EXPECT_EQ(canvas.Rgb(1, 1), 0xFFC864u);  // 200+100 -> 255, 100+100, 0+100
  c.states.specular = false;
  tri();
  EXPECT_EQ(canvas.Rgb(1, 1), 0xC86400u);
}

TEST(RasterShading, BlendingBySourceAlpha) {
  Canvas canvas(8, 8);
  raster::DrawContext c = ScreenContext(canvas);
  c.states.alphaBlend = true;
  auto tri = [&](std::uint32_t color) { raster::DrawTriangle(c, V(0, 0, color), V(8, 0, color), V(0, 8, color)); };
  canvas.Fill(0x0000C8);
  c.states.srcBlend = raster::kBothSrcAlpha;
  c.states.destBlend = raster::kZero;  // ignored with both-source-alpha
  tri(0x40FF0000u);                    // alpha 64: red 255*64/255, blue 200*191/255
  EXPECT_EQ(canvas.Rgb(1, 1), (64u << 16) | 150u);
  canvas.Fill(0x0000C8);
  tri(0xFFFF0000u);  // opaque replaces
  EXPECT_EQ(canvas.Rgb(1, 1), 0xFF0000u);
  canvas.Fill(0x0000C8);
  c.states.srcBlend = raster::kSrcAlpha;
  c.states.destBlend = raster::kInvSrcAlpha;
  tri(0x80FFFFFFu);  // alpha 128 over (0, 0, 200)
  EXPECT_EQ(canvas.Rgb(1, 1), (128u << 16) | (128u << 8) | 228u);
  canvas.Fill(0x0000C8);
  c.states.alphaBlend = false;
  tri(0x00102030u);  // blending off: alpha ignored
  EXPECT_EQ(canvas.Rgb(1, 1), 0x102030u);
}

// A 256x1 texture whose texel x has red = x.
struct Ramp {
  std::vector<std::uint32_t> texels;
  Ramp() : texels(256) {
    for (int x = 0; x < 256; ++x) texels[x] = 0xFF000000u | (static_cast<std::uint32_t>(x) << 16);
  }
  raster::Texture Texture() const {
    return {reinterpret_cast<const std::uint8_t*>(texels.data()), 256, 1, 1024, raster::TexelFormat::Xrgb8888, nullptr};
  }
};

// Clip-space vertex for screen point (sx, sy) at distance w: the transform
// below divides by w = input z and fixes depth at 0.5.
raster::Vertex At(float sx, float sy, float w, float u) {
  return raster::Vertex{sx * w, -sy * w, w, 0xFFFFFFFFu, 0, u, 0};
}
void UseDepthAsW(raster::DrawContext& c) {
  c.transform.m[2][2] = 0.5f;
  c.transform.m[2][3] = 1;
  c.transform.m[3][3] = 0;
}

TEST(RasterShading, TexturingIsPerspectiveCorrect) {
  Canvas canvas(128, 8);
  Ramp ramp;
  raster::DrawContext c = ScreenContext(canvas);
  UseDepthAsW(c);
  c.texture = ramp.Texture();
  // A strip receding from w = 1 on the left to w = 4 on the right, u 0 -> 1.
  Quad(c, At(0, 0, 1, 0), At(128, 0, 4, 1), At(128, 8, 4, 1), At(0, 8, 1, 0));
  for (int x : {10, 32, 64, 100, 120}) {
    double s = x / 128.0;
    double u = (s / 4) / ((1 - s) + s / 4);  // u/w over 1/w, both linear on screen
    double expected = std::floor(u * 256);
    double got = (canvas.Rgb(x, 4) >> 16) & 255;
    EXPECT_NEAR(got, expected, 1.0) << "x " << x;
  }
  // An affine mapping would give about 128 in the middle.
  EXPECT_LT((canvas.Rgb(64, 4) >> 16) & 255, 60u);
}

TEST(RasterShading, WrapTakesTheShortWayAcrossTheSeam) {
  Ramp ramp;
  auto middle = [&](bool wrap, float left, float right) {
    Canvas canvas(100, 4);
    raster::DrawContext c = ScreenContext(canvas);
    c.texture = ramp.Texture();
    c.states.wrapU = wrap;
    Quad(c, V(0, 0, ~0u, 0.5f, left), V(100, 0, ~0u, 0.5f, right), V(100, 4, ~0u, 0.5f, right),
         V(0, 4, ~0u, 0.5f, left));
    std::vector<int> reds;
    for (int x = 0; x < 100; x += 5) reds.push_back(static_cast<int>((canvas.Rgb(x, 2) >> 16) & 255));
    return reds;
  };
  for (int red : middle(true, 0.9f, 0.1f)) EXPECT_TRUE(red >= 229 || red <= 26) << red;  // 0.9 .. 1.1
  for (int red : middle(true, 0.1f, 0.9f)) EXPECT_TRUE(red >= 229 || red <= 26) << red;  // 0.1 .. -0.1
  EXPECT_NEAR(middle(false, 0.9f, 0.1f)[10], 128, 4);  // 0.9 .. 0.5 .. 0.1
}

TEST(RasterShading, TextureTilesBeyondOne) {
  Canvas canvas(64, 4);
  Ramp ramp;
  raster::DrawContext c = ScreenContext(canvas);
  c.texture = ramp.Texture();
  Quad(c, V(0, 0, ~0u, 0.5f, 0), V(64, 0, ~0u, 0.5f, 2), V(64, 4, ~0u, 0.5f, 2), V(0, 4, ~0u, 0.5f, 0));
  EXPECT_EQ(canvas.Rgb(9, 1), canvas.Rgb(41, 1));  // u 0.28125 and 1.28125
  EXPECT_EQ((canvas.Rgb(9, 1) >> 16) & 255, 72u);
}

TEST(RasterShading, TextureModulatesTheVertexColour) {
  Canvas canvas(8, 8);
  std::uint32_t texel = 0xFF804020u;
  raster::DrawContext c = ScreenContext(canvas);
  c.texture = {reinterpret_cast<const std::uint8_t*>(&texel), 1, 1, 4, raster::TexelFormat::Xrgb8888, nullptr};
  raster::DrawTriangle(c, V(0, 0, 0xFF80FFFFu), V(8, 0, 0xFF80FFFFu), V(0, 8, 0xFF80FFFFu));
  EXPECT_EQ(canvas.Rgb(1, 1), 0x404020u);  // 128*128/255 = 64
}

// A 2x2 checker of black and white, magnified or minified.
TEST(RasterShading, FiltersFollowMagnificationAndMinification) {
  std::uint32_t checker[4] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u};
  raster::Texture tex{reinterpret_cast<const std::uint8_t*>(checker), 2, 2, 8, raster::TexelFormat::Xrgb8888, nullptr};
  auto greys = [&](std::uint32_t mag, std::uint32_t min, float size, float repeat) {
    Canvas canvas(64, 64);
    raster::DrawContext c = ScreenContext(canvas);
    c.texture = tex;
    c.states.magFilter = mag;
    c.states.minFilter = min;
    Quad(c, V(0, 0, ~0u, 0.5f, 0, 0), V(size, 0, ~0u, 0.5f, repeat, 0), V(size, size, ~0u, 0.5f, repeat, repeat),
         V(0, size, ~0u, 0.5f, 0, repeat));
    int intermediate = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        std::uint32_t g = canvas.Rgb(x, y) & 255;
        intermediate += g > 10 && g < 245;
      }
    return intermediate;
  };
  EXPECT_EQ(greys(raster::kNearest, raster::kLinear, 64, 1), 0);  // magnified: nearest
  EXPECT_GT(greys(raster::kLinear, raster::kNearest, 64, 1), 1000);
  EXPECT_GT(greys(raster::kNearest, raster::kLinear, 16, 37), 100);  // minified: linear
  EXPECT_EQ(greys(raster::kLinear, raster::kNearest, 16, 37), 0);
}

TEST(RasterShading, TwentyFourBitTargetsGetBlueGreenRed) {
  Canvas canvas(8, 8, 3);
  raster::DrawContext c = ScreenContext(canvas);
  raster::DrawTriangle(c, V(0, 0, 0xFF123456u), V(8, 0, 0xFF123456u), V(0, 8, 0xFF123456u));
  const std::uint8_t* p = canvas.Pixel(1, 1);
  EXPECT_EQ(p[0], 0x56);
  EXPECT_EQ(p[1], 0x34);
  EXPECT_EQ(p[2], 0x12);
  EXPECT_EQ(canvas.Rgb(7, 7), 0u);
  EXPECT_TRUE(canvas.GuardsIntact());
}

}  // namespace
