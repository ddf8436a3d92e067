// Which pixels the rasterizer touches: fill rule, culling, clipping, and
// nothing outside its buffers whatever the vertices hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

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
      raster::Vertex d = V(gx[j + 1][i], gy[j + 1][i], kOnce), e = V(gx[j + 1][i + 1], gy[j + 1][i + 1], kOnce);
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
      const float inside = std::min({x - 40.0f, 80.0f - x, y - (40 - (x - 40) / 2.0f), (60 + (x - 40) / 2.0f) - y});
      const bool on = canvas.Rgb(x, y) != 0;
      drawn += on;
      if (inside > 1.5f) {
        ASSERT_TRUE(on) << x << "," << y;
      }
      if (inside < -1.5f) {
        ASSERT_FALSE(on) << x << "," << y;
      }
    }
  EXPECT_GT(drawn, 1500);
}

TEST(RasterCoverage, HostileVerticesNeverWriteOutsideTheBuffers) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float specials[] = {0, 1, -1, 0.5f, 1e30f, -1e30f, 1e-30f, -1e-30f, inf, -inf, nan, 3e38f, 64, -64, 1e6f};
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
      for (auto& p : v) p = {value(), value(), value(), static_cast<std::uint32_t>(rng()), 0, value(), value()};
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

}  // namespace
