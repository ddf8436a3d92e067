// The rasterizer: which pixels it touches (fill rule, culling, clipping,
// nothing outside its buffers whatever the vertices hold), the states the
// show's frames leave unused or at their edges (depth, specular, filters),
// texel formats, palettes and the viewport clear's fills. Gouraud colour and
// wrapped, modulated perspective texturing make every 3D frame: the captured
// frames' digests hold them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "raster_test_util.h"

using namespace rastertest;

namespace {

// Additive blending of (1, 1, 1): each pixel's blue byte counts its coverage.
raster::DrawContext CountingContext(Canvas& canvas) {
  raster::DrawContext c = ScreenContext(canvas);
  c.states.alphaBlend = true;
  c.states.srcBlend = raster::kOne;
  c.states.destBlend = raster::kOne;
  return c;
}
constexpr std::uint32_t kOnce = 0xFF010101u;

TEST(RasterCoverage, JitteredGridCoversEveryPixelExactlyOnce) {
  Canvas canvas(64, 48);
  raster::DrawContext c = CountingContext(canvas);
  // A grid over [4.5, 60.5] x [4.5, 44.5]; inner vertices moved by sub-pixel
  // amounts, both windings drawn.
  constexpr int kCols = 7, kRows = 5;
  float gx[kRows + 1][kCols + 1], gy[kRows + 1][kCols + 1];
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> jitter(-2.7f, 2.7f);
  for (int j = 0; j <= kRows; ++j)
    for (int i = 0; i <= kCols; ++i) {
      bool inner = i > 0 && j > 0 && i < kCols && j < kRows;
      gx[j][i] = 4.5f + i * 8.0f + (inner ? jitter(rng) : 0);
      gy[j][i] = 4.5f + j * 8.0f + (inner ? jitter(rng) : 0);
    }
  for (int j = 0; j < kRows; ++j)
    for (int i = 0; i < kCols; ++i) {
      raster::Vertex a = V(gx[j][i], gy[j][i], kOnce), b = V(gx[j][i + 1], gy[j][i + 1], kOnce);
      raster::Vertex d = V(gx[j + 1][i], gy[j + 1][i], kOnce),
                     e = V(gx[j + 1][i + 1], gy[j + 1][i + 1], kOnce);
      raster::DrawTriangle(c, a, b, e);
      raster::DrawTriangle(c, a, d, e);  // the other winding
    }
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      bool inside = x >= 5 && x <= 60 && y >= 5 && y <= 44;
      ASSERT_EQ(canvas.Rgb(x, y), inside ? 0x010101u : 0u) << x << "," << y;
    }
}

TEST(RasterCoverage, TopLeftRuleOnAnAlignedSquare) {
  Canvas canvas(16, 16);
  raster::DrawContext c = CountingContext(canvas);
  // Square with edges exactly on pixel centres 2 and 6: left and top rows are
  // included, right and bottom are not.
  raster::DrawTriangle(c, V(2, 2, kOnce), V(6, 2, kOnce), V(6, 6, kOnce));
  raster::DrawTriangle(c, V(2, 2, kOnce), V(6, 6, kOnce), V(2, 6, kOnce));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(canvas.Rgb(x, y), (x >= 2 && x < 6 && y >= 2 && y < 6) ? 0x010101u : 0u);
}

TEST(RasterCoverage, CullModesDropTheRightWinding) {
  auto drawn = [](std::uint32_t cull, bool clockwise) {
    Canvas canvas(16, 16);
    raster::DrawContext c = ScreenContext(canvas);
    c.states.cull = cull;
    raster::Vertex a = V(2, 2), b = V(12, 2), d = V(2, 12);  // a, b, d: clockwise on screen
    if (clockwise) raster::DrawTriangle(c, a, b, d);
    else raster::DrawTriangle(c, a, d, b);
    return canvas.Rgb(4, 4) != 0;
  };
  const struct {
    std::uint32_t cull;
    bool clockwiseDrawn, counterClockwiseDrawn;
  } cases[] = {{raster::kCullCounterClockwise, true, false}, {raster::kCullClockwise, false, true},
               {raster::kCullNone, true, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(drawn(c.cull, true), c.clockwiseDrawn) << c.cull;
    EXPECT_EQ(drawn(c.cull, false), c.counterClockwiseDrawn) << c.cull;
  }
}

// Through the perspective camera onto the whole canvas.
raster::DrawContext PerspectiveContext(Canvas& canvas) {
  raster::DrawContext c = ScreenContext(canvas);
  c.viewport = {0, 0, canvas.width, canvas.height, -1, 1, 2, 2, 0, 1};
  c.transform = Camera();
  return c;
}

TEST(RasterCoverage, NearPlaneCutsTrianglesAndDropsWhatLiesBehindTheEye) {
  Canvas canvas(100, 100);
  raster::DrawContext c = PerspectiveContext(canvas);
  // Entirely behind the eye: a naive projection would put it on screen.
  raster::DrawTriangle(c, {-1, -1, -5, ~0u, 0, 0, 0}, {1, -1, -5, ~0u, 0, 0, 0}, {0, 1, -5, ~0u, 0, 0, 0});
  ASSERT_EQ(canvas.color, Canvas(100, 100).color);
  // A and B in front at z = 5, C behind at z = -5. The visible part is A, B
  // and the points where AC and BC cross z = 1 (t = 0.4): on screen the
  // trapezoid x 40..80 between the lines y = 40 - (x - 40) / 2 and y = 60 + (x - 40) / 2.
  raster::Vertex A{-1, -1, 5, ~0u, 0, 0, 0}, B{-1, 1, 5, ~0u, 0, 0, 0}, C{3, 0, -5, ~0u, 0, 0, 0};
  raster::DrawTriangle(c, A, B, C);
  int drawn = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const float inside =
          std::min({x - 40.0f, 80.0f - x, y - (40 - (x - 40) / 2.0f), (60 + (x - 40) / 2.0f) - y});
      const bool on = canvas.Rgb(x, y) != 0;
      drawn += on;
      if (std::abs(inside) > 1.5f) {  // clear of the edges
        ASSERT_EQ(on, inside > 0) << x << "," << y;
      }
    }
  EXPECT_GT(drawn, 1500);
}

// A triangle with an infinite or NaN texture coordinate at a corner is
// dropped, whether it lies inside the clip volume or crosses the near plane,
// with and without perspective; with finite coordinates it is drawn.
TEST(RasterCoverage, NonFiniteTextureCoordinatesDropTheTriangle) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float u, v;
    bool drawn;
  } cases[] = {{0.5f, 0.5f, true}, {inf, 0.5f, false},  {-inf, 0.5f, false}, {nan, 0.5f, false},
               {0.5f, inf, false}, {0.5f, -inf, false}, {0.5f, nan, false}};
  std::vector<std::uint8_t> texels(16 * 16 * 4, 0x7F);
  for (bool crossing : {false, true})
    for (bool perspective : {false, true})
      for (const auto& k : cases) {
        Canvas canvas(100, 100);
        raster::DrawContext c = PerspectiveContext(canvas);
        c.states.perspective = perspective;
        c.texture = {texels.data(), 16, 16, 64, raster::TexelFormat::Xrgb8888, nullptr};
        const raster::Vertex a{-1, -1, 5, ~0u, 0, 0, 0}, b{-1, 1, 5, ~0u, 0, 0, 1},
            corner{crossing ? 3.0f : 1.0f, 0, crossing ? -5.0f : 5.0f, ~0u, 0, k.u, k.v};
        raster::DrawTriangle(c, a, b, corner);
        EXPECT_EQ(canvas.color != Canvas(100, 100).color, k.drawn)
            << "u " << k.u << ", v " << k.v << (crossing ? ", crossing" : ", inside")
            << (perspective ? ", perspective" : "");
      }
}

TEST(RasterCoverage, HostileVerticesNeverWriteOutsideTheBuffers) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float specials[] = {0,   1,    -1,  0.5f,  1e30f, -1e30f, 1e-30f, -1e-30f,
                            inf, -inf, nan, 3e38f, 64,    -64,    1e6f};
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> pick(0, std::size(specials) - 1);
  std::uniform_real_distribution<float> any(-200, 200);
  for (int bpp : {4, 3}) {
    Canvas canvas(40, 30, bpp);
    raster::DrawContext c = PerspectiveContext(canvas);
    c.states.cull = raster::kCullNone;
    c.states.depthTest = true;
    // A viewport larger than the buffer on every side.
    c.viewport = {-20, -15, 80, 60, -1, 1, 2, 2, 0, 1};
    std::vector<std::uint8_t> texels(16 * 16 * 4, 0x7F);
    c.texture = {texels.data(), 16, 16, 64, raster::TexelFormat::Xrgb8888, nullptr};
    auto value = [&] { return (rng() % 3 == 0) ? specials[pick(rng)] : any(rng); };
    for (int i = 0; i < 20000; ++i) {
      if (i % 500 == 0) {
        for (auto& row : c.transform.m)
          for (float& e : row) e = (rng() % 4 == 0) ? specials[pick(rng)] : any(rng) / 50;
        if (i % 1000 == 0) c.transform = PerspectiveContext(canvas).transform;
        c.states.wrapU = rng() % 2;
        c.states.magFilter = rng() % 2 ? raster::kLinear : raster::kNearest;
      }
      raster::Vertex v[3];
      for (auto& p : v)
        p = {value(), value(), value(), static_cast<std::uint32_t>(rng()), 0, value(), value()};
      raster::DrawTriangle(c, v[0], v[1], v[2]);
    }
    EXPECT_TRUE(canvas.GuardsIntact()) << bpp;
  }
}

TEST(RasterCoverage, ViewportLimitsDrawing) {
  Canvas canvas(32, 32);
  raster::DrawContext c = ScreenContext(canvas);
  c.viewport = {8, 4, 16, 20, 0, 0, 16, 20, 0, 1};  // screen x = 8 + clip x, y = 4 - clip y
  raster::DrawTriangle(c, {-100, 100, 0.5f, ~0u, 0, 0, 0}, {200, 100, 0.5f, ~0u, 0, 0, 0},
                       {-100, -200, 0.5f, ~0u, 0, 0, 0});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(canvas.Rgb(x, y) != 0, x >= 8 && x < 24 && y >= 4 && y < 24) << x << "," << y;
}

void Quad(const raster::DrawContext& c, raster::Vertex a, raster::Vertex b, raster::Vertex d,
          raster::Vertex e) {
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

// Flat shading takes every colour of the first vertex (specular too) and
// keeps each corner's own depth, whole or cut by a clip plane.
TEST(RasterShading, FlatShadingTakesTheFirstVertexsColoursAndEachCornersDepth) {
  for (float left : {0.0f, -8.0f}) {  // -8: outside the clip volume, the triangle is clipped
    Canvas canvas(16, 16);
    raster::DrawContext c = ScreenContext(canvas);
    c.states.flat = true;
    c.states.specular = true;
    c.states.depthTest = true;
    raster::DrawTriangle(c, V(left, 0, 0xFF102030u, 0.2f, 0, 0, 0xFF010203u),
                         V(16, 0, 0xFFF0E0D0u, 0.8f, 0, 0, 0xFF405060u),
                         V(left, 16, 0xFF808080u, 0.5f, 0, 0, 0xFF0A0B0Cu));
    for (const auto& [x, y] : {std::pair{1, 1}, std::pair{12, 1}, std::pair{1, 8}, std::pair{5, 5}})
      EXPECT_EQ(canvas.Rgb(x, y), 0x112233u) << left << " at " << x << ", " << y;
    EXPECT_LT(canvas.Depth(1, 1) + 5000, canvas.Depth(12, 1)) << left;
    EXPECT_LT(canvas.Depth(1, 1) + 2000, canvas.Depth(1, 8)) << left;
    EXPECT_TRUE(canvas.GuardsIntact());
  }
}

TEST(RasterShading, SpecularIsAddedWithSaturation) {
  Canvas canvas(8, 8);
  raster::DrawContext c = ScreenContext(canvas);
  auto tri = [&] {
    raster::DrawTriangle(c, V(0, 0, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u),
                         V(8, 0, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u),
                         V(0, 8, 0xFFC86400u, 0.5f, 0, 0, 0xFF646464u));
  };
  c.states.specular = true;
  tri();
  EXPECT_EQ(canvas.Rgb(1, 1), 0xFFC864u);  // 200+100 -> 255, 100+100, 0+100
  c.states.specular = false;
  tri();
  EXPECT_EQ(canvas.Rgb(1, 1), 0xC86400u);
}

// A 2x2 texture of black and white, magnified or minified; the rows of the
// stripes differ only down the texture, so only vertical weights blend them.
// The filter follows the texture's area against the screen's, whatever way
// the texture is turned on the triangle.
TEST(RasterShading, FiltersFollowMagnificationAndMinification) {
  const std::uint32_t checker[4] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u};
  const std::uint32_t stripes[4] = {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
  auto greys = [&](const std::uint32_t* texels, std::uint32_t mag, std::uint32_t min, float size,
                   float repeat, bool turned = false) {
    Canvas canvas(64, 64);
    raster::DrawContext c = ScreenContext(canvas);
    c.texture = {
        reinterpret_cast<const std::uint8_t*>(texels), 2, 2, 8, raster::TexelFormat::Xrgb8888, nullptr};
    c.states.magFilter = mag;
    c.states.minFilter = min;
    if (turned)  // a quarter of the texture's axes turned by 45 degrees
      raster::DrawTriangle(c, V(0, 0, ~0u, 0.5f, 0, 0), V(size, 0, ~0u, 0.5f, repeat, repeat),
                           V(0, size, ~0u, 0.5f, -repeat, repeat));
    else
      Quad(c, V(0, 0, ~0u, 0.5f, 0, 0), V(size, 0, ~0u, 0.5f, repeat, 0),
           V(size, size, ~0u, 0.5f, repeat, repeat), V(0, size, ~0u, 0.5f, 0, repeat));
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
  raster::Texture t{
      reinterpret_cast<const std::uint8_t*>(mem.data()), 3, 2, 8, raster::TexelFormat::Rgb555, nullptr};
  EXPECT_EQ(raster::FetchTexel(t, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(raster::FetchTexel(t, 0, 1), 0xFF000000u);
  EXPECT_EQ(raster::FetchTexel(t, 4, 2), 0xFF00FF00u);   // (1, 0)
  EXPECT_EQ(raster::FetchTexel(t, -1, -1), 0xFFFFFFFFu); // (2, 1)
  // No pixels or no area: nothing to read, and no division by a zero size.
  for (const raster::Texture& empty :
       {raster::Texture{nullptr, 3, 2, 8, raster::TexelFormat::Rgb555, nullptr},
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

// Fills of one repeated byte (black, grey, the far plane) are set as bytes:
// packed rows as one block, which must still end at the rectangle's rows.
TEST(RasterTexel, RepeatedByteFillsStayInsideTheirRectangle) {
  constexpr int kW = 8, kH = 6;
  std::vector<std::uint8_t> color(kW * kH * 4 + 4, 0x55), depth(kW * kH * 2 + 2, 0x55);
  const raster::Target packed{color.data(), kW, kH, kW * 4, 4, depth.data(), kW, kH, kW * 2};
  raster::FillColor(packed, -3, 2, 30, 4, 0);     // whole rows 2 and 3
  raster::FillColor(packed, 1, 4, 3, 5, 0);       // part of row 4
  raster::FillDepth(packed, 0, 1, kW, 3, 0xFFFF);  // whole rows 1 and 2
  raster::FillDepth(packed, 5, 5, 7, 9, 0);        // part of row 5
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool black = (y == 2 || y == 3) || (y == 4 && x >= 1 && x < 3);
      EXPECT_EQ(color[(y * kW + x) * 4 + 1], black ? 0 : 0x55) << x << "," << y;
      const int far = (y == 1 || y == 2) ? 0xFF : (y == 5 && x >= 5 && x < 7) ? 0 : 0x55;
      EXPECT_EQ(depth[(y * kW + x) * 2 + 1], far) << x << "," << y;
    }
  EXPECT_EQ(color.back(), 0x55);
  EXPECT_EQ(depth.back(), 0x55);
  Canvas grey(6, 4, 3);
  grey.Fill(0x123456u);
  raster::FillColor(grey.Target(), 2, 1, 4, 3, 0x00808080u);
  raster::FillColor(grey.Target(), 0, 3, 6, 4, 0x00808081u);
  EXPECT_EQ(grey.Rgb(2, 1), 0x808080u);
  EXPECT_EQ(grey.Rgb(1, 1), 0x123456u);
  EXPECT_EQ(grey.Rgb(4, 2), 0x123456u);
  EXPECT_EQ(grey.Rgb(5, 3), 0x808081u);
  EXPECT_TRUE(grey.GuardsIntact());
}

}  // namespace
