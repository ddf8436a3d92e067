// What the rasterizer writes in the states the show's frames do not use, or
// at their edges: depth test and write switched off, specular saturating,
// every blend, linear magnification. Gouraud colour, perspective-correct
// wrapped texturing and modulation are what every frame of the 3D scene is
// made of, and the captured frames' digests hold them.
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
  // Stored depth follows the viewport's depth range.
  c.states.depthTest = c.states.depthWrite = true;
  c.viewport.minZ = 0.5f;
  c.viewport.maxZ = 1.0f;
  raster::FillDepth(c.target, 0, 0, 16, 16, 0xFFFF);
  tri(0xFF000000u, 0.5f);
  EXPECT_NEAR(canvas.Depth(3, 3), 0.75 * 65535, 2);
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

// A 2x2 texture of black and white, magnified or minified; the rows of the
// stripes differ only down the texture, so only vertical weights blend them.
// The filter follows the texture's area against the screen's, whatever way
// the texture is turned on the triangle.
TEST(RasterShading, FiltersFollowMagnificationAndMinification) {
  const std::uint32_t checker[4] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u};
  const std::uint32_t stripes[4] = {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
  auto greys = [&](const std::uint32_t* texels, std::uint32_t mag, std::uint32_t min, float size, float repeat,
                   bool turned = false) {
    Canvas canvas(64, 64);
    raster::DrawContext c = ScreenContext(canvas);
    c.texture = {reinterpret_cast<const std::uint8_t*>(texels), 2, 2, 8, raster::TexelFormat::Xrgb8888, nullptr};
    c.states.magFilter = mag;
    c.states.minFilter = min;
    if (turned)  // a quarter of the texture's axes turned by 45 degrees
      raster::DrawTriangle(c, V(0, 0, ~0u, 0.5f, 0, 0), V(size, 0, ~0u, 0.5f, repeat, repeat),
                           V(0, size, ~0u, 0.5f, -repeat, repeat));
    else
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
  for (const std::uint32_t* texels : {checker, stripes}) {
    EXPECT_EQ(greys(texels, raster::kNearest, raster::kLinear, 64, 1), 0);  // magnified: nearest
    EXPECT_GT(greys(texels, raster::kLinear, raster::kNearest, 64, 1), 1000);
    EXPECT_GT(greys(texels, raster::kNearest, raster::kLinear, 16, 37), 100);  // minified: linear
    EXPECT_EQ(greys(texels, raster::kLinear, raster::kNearest, 16, 37), 0);
  }
  EXPECT_GT(greys(checker, raster::kNearest, raster::kLinear, 16, 19, true), 20);
  EXPECT_EQ(greys(checker, raster::kLinear, raster::kNearest, 16, 19, true), 0);
}

}  // namespace
