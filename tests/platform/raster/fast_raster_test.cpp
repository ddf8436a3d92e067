// The rasterizer's faster paths against the plain ones: the vector row scan
// and spans on every SIMD target, triangles drawn through a Batch (prepared
// state, vertices transformed once and looked up again), and the source-alpha
// blend of three channels at once at 32 bits against 24 bits' rounded one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/raster/stages.h"
#include "raster_test_util.h"
#include "support/simd_targets.h"

namespace {

using rastertest::Canvas;

struct Scene {
  std::vector<std::uint32_t> argb;       // 32-bit texture
  std::vector<std::uint8_t> indices;     // palette texture
  std::vector<std::uint32_t> palette;
  std::vector<raster::Vertex> pool;
};

Scene MakeScene(std::mt19937& random) {
  Scene s;
  s.argb.resize(64 * 32);
  for (std::uint32_t& t : s.argb) t = random();
  s.indices.resize(32 * 32);
  for (std::uint8_t& i : s.indices) i = static_cast<std::uint8_t>(random());
  s.palette.resize(256);
  for (std::uint32_t& p : s.palette) p = random();
  // More vertices than the batch holds, so look-ups also miss and evict.
  std::uniform_real_distribution<float> across(-12.0f, 12.0f), depth(-4.0f, 30.0f), uv(-2.0f, 3.0f);
  for (int i = 0; i < 1500; ++i) {
    raster::Vertex v{across(random), across(random), depth(random), static_cast<std::uint32_t>(random()),
                     static_cast<std::uint32_t>(random()), uv(random), uv(random)};
    if (i % 97 == 0) v.x = std::numeric_limits<float>::quiet_NaN();
    if (i % 131 == 0) v.z = std::numeric_limits<float>::infinity();
    s.pool.push_back(v);
  }
  return s;
}

raster::DrawContext SceneContext(Canvas& canvas, const Scene& scene, bool palette) {
  raster::DrawContext c;
  c.target = canvas.Target();
  c.viewport = {0, 0, canvas.width, canvas.height, -1, 1, 2, 2, 0, 1};
  c.transform = rastertest::Camera(0.0f);
  raster::States& st = c.states;
  st.depthTest = true;
  st.alphaBlend = true;
  st.srcBlend = raster::kBothSrcAlpha;
  st.cull = raster::kCullCounterClockwise;
  st.wrapU = st.wrapV = true;
  st.minFilter = raster::kLinear;
  raster::Texture& t = c.texture;
  if (palette) {
    t = {scene.indices.data(), 32, 32, 32, raster::TexelFormat::Indexed8, scene.palette.data()};
  } else {
    t = {reinterpret_cast<const std::uint8_t*>(scene.argb.data()), 64, 32, 64 * 4,
         raster::TexelFormat::Xrgb8888, nullptr};
  }
  return c;
}

TEST(FastRaster, BatchedTrianglesMatchOneByOne) {
  std::mt19937 random(5);
  const Scene scene = MakeScene(random);
  for (int bpp : {4, 3}) {
    for (bool palette : {true, false}) {
      // Batches looked up by the vertices' values and by entries the caller
      // picks: one per vertex, as the device does, and few, shared and taken
      // from one another all the time.
      Canvas plain(160, 120, bpp), batched(160, 120, bpp), byIndex(160, 120, bpp), crowded(160, 120, bpp);
      raster::DrawContext plainContext = SceneContext(plain, scene, palette);
      raster::DrawContext batchContext = SceneContext(batched, scene, palette);
      raster::DrawContext indexContext = SceneContext(byIndex, scene, palette);
      raster::DrawContext crowdedContext = SceneContext(crowded, scene, palette);
      raster::detail::Batch batch, indexBatch, crowdedBatch;
      const auto bySlot = [](std::size_t i) { return static_cast<std::uint32_t>(i) % raster::detail::Batch::kVertices; };
      const auto fewSlots = [](std::size_t i) { return static_cast<std::uint32_t>(i % 5); };
      std::uniform_int_distribution<std::size_t> pick(0, scene.pool.size() - 1);
      std::size_t last = 0;
      for (int i = 0; i < 6000; ++i) {
        if (i % 1500 == 0) {
          // A new camera: the batch must forget what it prepared.
          const raster::Matrix camera = rastertest::Camera(0.3f * static_cast<float>(i / 1500));
          for (raster::DrawContext* ctx : {&plainContext, &batchContext, &indexContext, &crowdedContext}) {
            ctx->transform = camera;
            ctx->states.flat = i / 1500 == 2;
          }
          batch.Reset();
          indexBatch.Reset();
          crowdedBatch.Reset();
        }
        // Neighbouring triangles share vertices, as in a mesh.
        const std::size_t a = i % 3 == 0 ? pick(random) : last;
        const std::size_t b = (a + 1 + random() % 4) % scene.pool.size(), c = pick(random);
        last = c;
        raster::DrawTriangle(plainContext, scene.pool[a], scene.pool[b], scene.pool[c]);
        raster::detail::DrawTriangle(batchContext, batch, scene.pool[a], scene.pool[b], scene.pool[c]);
        raster::detail::DrawTriangle(indexContext, indexBatch, scene.pool[a], scene.pool[b], scene.pool[c],
                                     {bySlot(a), bySlot(b), bySlot(c)});
        raster::detail::DrawTriangle(crowdedContext, crowdedBatch, scene.pool[a], scene.pool[b], scene.pool[c],
                                     {fewSlots(a), fewSlots(b), fewSlots(c)});
      }
      for (Canvas* canvas : {&batched, &byIndex, &crowded}) {
        ASSERT_EQ(canvas->color, plain.color) << bpp << " bytes a pixel, palette " << palette;
        ASSERT_EQ(canvas->depth, plain.depth) << bpp << " bytes a pixel, palette " << palette;
        EXPECT_TRUE(canvas->GuardsIntact());
      }
      int drawn = 0;
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) drawn += plain.Depth(x, y) != 0xFFFF;
      EXPECT_GT(drawn, 2000) << "the comparison covers a good part of the picture";
    }
  }
}

// When its reset counter wraps, the batch forgets every vertex it prepared
// before, as on any other reset.
TEST(FastRaster, TheBatchForgetsItsVerticesWhenItsResetCounterWraps) {
  std::mt19937 random(9);
  const Scene scene = MakeScene(random);
  Canvas plain(160, 120), batched(160, 120);
  raster::DrawContext plainContext = SceneContext(plain, scene, false);
  raster::DrawContext batchContext = SceneContext(batched, scene, false);
  raster::detail::Batch batch;
  for (float turn : {0.0f, 0.5f}) {
    plainContext.transform = batchContext.transform = rastertest::Camera(turn);
    batch.stamp = 0xFFFFFFFFu;
    batch.Reset();
    for (std::size_t i = 0; i + 2 < 600; i += 3) {
      raster::DrawTriangle(plainContext, scene.pool[i], scene.pool[i + 1], scene.pool[i + 2]);
      raster::detail::DrawTriangle(batchContext, batch, scene.pool[i], scene.pool[i + 1], scene.pool[i + 2]);
    }
  }
  EXPECT_EQ(batched.color, plain.color);
}

// The texture coordinates a triangle hands to the scan, recorded in place of
// the scan through the batch's state.
float scannedU[3];
void RecordU(const raster::detail::Pipeline&, raster::detail::SpanRoutine, const raster::Target&,
             const raster::detail::Scissor&, const raster::detail::ScreenVertex& a,
             const raster::detail::ScreenVertex& b, const raster::detail::ScreenVertex& c) {
  scannedU[0] = a.attr[raster::detail::kUw];
  scannedU[1] = b.attr[raster::detail::kUw];
  scannedU[2] = c.attr[raster::detail::kUw];
}

// Without wrapping or perspective a triangle's u moves by whole tiles, the
// floor of the least, so the least lies in [0, 1): not at all from +0 up to
// 1, by -0 from -0 (which turns a -0 into +0), by 1 from 1. In texels of a
// texture 4 wide, bit for bit.
// Corners inside the clip volume whose depth is not finite (a depth range
// wider than a float holds times a depth of 0) drop their triangle, through a
// batch and one by one, though their screen positions are set; within a
// range of 0 to 1 the triangle is drawn.
TEST(FastRaster, CornersWithoutAFiniteDepthDropTheTriangle) {
  raster::detail::Batch batch;
  Canvas untouched(100, 100);
  untouched.Fill(0x123456);
  for (float range : {1.0f, 3e38f, 1.0f}) {
    batch.Reset();  // a new context each time
    Canvas batched(100, 100), plain(100, 100);
    batched.Fill(0x123456);
    plain.Fill(0x123456);
    raster::DrawContext c = rastertest::ScreenContext(batched);
    c.viewport = {0, 0, 100, 100, -1, 1, 2, 2, 1 - range, range};
    c.states.depthTest = true;
    c.transform.m[2][2] = 0;  // clip z = 0: depth 1 - range, or 0 * infinity
    const raster::Vertex a{-0.5f, -0.5f, 1, ~0u, 0, 0, 0}, b{-0.5f, 0.5f, 1, ~0u, 0, 0, 0}, corner{0.5f, 0, 1, ~0u, 0, 0, 0};
    raster::detail::DrawTriangle(c, batch, a, b, corner, {0, 1, 2});
    c.target = plain.Target();
    raster::DrawTriangle(c, a, b, corner);
    for (Canvas* canvas : {&batched, &plain}) {
      EXPECT_EQ(canvas->color != untouched.color, range == 1.0f) << range;
      EXPECT_EQ(canvas->depth != untouched.depth, range == 1.0f) << range;
    }
  }
}

TEST(FastRaster, TextureCoordinatesMoveByWholeTilesTowardsZero) {
  struct Case {
    float u[3], texels[3];
  };
  const Case cases[] = {
      {{0.25f, 0.5f, 0.75f}, {1, 2, 3}},  {{0.0f, 0.5f, 0.75f}, {0, 2, 3}},
      {{-0.0f, 0.5f, 0.75f}, {0, 2, 3}},  {{1.0f, 1.5f, 1.75f}, {0, 2, 3}},
      {{-0.75f, -0.5f, 0.25f}, {1, 2, 5}}, {{1.5f, 3.25f, 1.75f}, {2, 9, 3}},
  };
  const std::uint32_t texels[4] = {};
  Canvas canvas(8, 8);
  raster::DrawContext c = rastertest::ScreenContext(canvas);
  c.texture = {reinterpret_cast<const std::uint8_t*>(texels), 4, 1, 16, raster::TexelFormat::Xrgb8888, nullptr};
  raster::detail::Batch batch;
  const raster::Vertex first = rastertest::V(0, 0), right = rastertest::V(8, 0), down = rastertest::V(0, 8);
  raster::detail::DrawTriangle(c, batch, first, right, down);  // makes the batch's state
  batch.state.scan[0] = batch.state.scan[1] = RecordU;
  for (const Case& k : cases) {
    raster::Vertex corner[3] = {first, right, down};
    for (int i = 0; i < 3; ++i) corner[i].u = k.u[i];
    std::fill(std::begin(scannedU), std::end(scannedU), -1.0f);
    raster::detail::DrawTriangle(c, batch, corner[0], corner[1], corner[2]);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(scannedU[i], k.texels[i]) << "u " << k.u[0] << " " << k.u[1] << " " << k.u[2];
      EXPECT_FALSE(std::signbit(scannedU[i])) << "corner " << i << " of u " << k.u[0];
    }
  }
}

// One untextured triangle of a single colour and alpha over a background.
std::uint32_t BlendThroughRasterizer(int bpp, std::uint32_t background, std::uint32_t rgb,
                                     std::uint32_t alpha) {
  Canvas canvas(8, 8, bpp);
  canvas.Fill(background);
  raster::DrawContext c = rastertest::ScreenContext(canvas);
  c.states.alphaBlend = true;
  c.states.srcBlend = raster::kBothSrcAlpha;
  const std::uint32_t color = alpha << 24 | rgb;
  raster::DrawTriangle(c, rastertest::V(0, 0, color), rastertest::V(8, 0, color), rastertest::V(0, 8, color));
  return canvas.Rgb(1, 1);
}

TEST(FastRaster, SourceAlphaBlendIsTheRoundedBlendAtBothDepths) {
  std::mt19937 random(3);
  for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
    for (int k = 0; k < 8; ++k) {
      const std::uint32_t background = random() & 0xFFFFFF, rgb = random() & 0xFFFFFF;
      std::uint32_t expected = 0;
      for (int shift : {0, 8, 16}) {
        const std::uint32_t s = rgb >> shift & 255, d = background >> shift & 255;
        const double blended = (s * alpha + d * (255 - alpha)) / 255.0;
        expected |= static_cast<std::uint32_t>(std::lround(blended)) << shift;
      }
      ASSERT_EQ(BlendThroughRasterizer(4, background, rgb, alpha), expected) << "alpha " << alpha;
      ASSERT_EQ(BlendThroughRasterizer(3, background, rgb, alpha), expected) << "alpha " << alpha;
    }
  }
}

}  // namespace

// Every span a scan hands over, as the span routine saw it.
struct SeenSpan {
  std::ptrdiff_t color, depth;
  raster::detail::Span span;
  bool operator==(const SeenSpan& o) const {
    const raster::detail::Span &a = span, &b = o.span;
    return color == o.color && depth == o.depth && a.count == b.count &&
           std::equal(a.fixed, a.fixed + raster::detail::kFixedAttrs, b.fixed) &&
           std::equal(a.fixedStep, a.fixedStep + raster::detail::kFixedAttrs, b.fixedStep) &&
           std::memcmp(&a.iw, &b.iw, 6 * sizeof(float)) == 0;
  }
};
std::vector<SeenSpan> seen;
std::uint8_t scanPixels[320 * 240 * 4];  // colour and depth share it: only offsets are compared

void RecordSpan(const raster::detail::Pipeline&, raster::detail::Span& s) {
  seen.push_back({s.color - scanPixels, s.depth ? s.depth - scanPixels : -1, s});
}

std::vector<SeenSpan> Scan(bool plain, const raster::detail::Scissor& scissor,
                           const raster::detail::ScreenVertex& a, const raster::detail::ScreenVertex& b,
                           const raster::detail::ScreenVertex& c) {
  raster::detail::Pipeline pipeline;
  pipeline.depthTest = true;
  const raster::Target target{scanPixels, 320, 240, 4 * 320, 4, scanPixels, 320, 240, 2 * 320};
  seen.clear();
  (plain ? raster::detail::ScanTrianglePlain : raster::detail::ScanTriangle)(pipeline, &RecordSpan, target,
                                                                             scissor, a, b, c);
  return seen;
}

// Random triangles, small and large, thin and degenerate, partly or wholly
// outside the scissor, many with corners on whole pixels, with attributes in and out of their ranges: the
// vector scan on each SIMD target hands over exactly the plain scan's spans.
TEST(FastRaster, VectorScanMatchesThePlainScan) {
  std::mt19937 random(14);
  std::uniform_real_distribution<float> attr(-40.0f, 300.0f), depth(-1000.0f, 70000.0f), persp(0.01f, 2.0f);
  std::uniform_int_distribution<int> size(0, 3);
  const raster::detail::Scissor scissors[] = {{0, 20, 319, 219}, {5, 3, 40, 90}};
  struct Case {
    raster::detail::Scissor scissor;
    raster::detail::ScreenVertex v[3];
  };
  std::vector<Case> cases;
  for (int i = 0; i < 3000; ++i) {
    Case c{scissors[i % 2], {}};
    const int spread = std::array{8, 40, 400, 4000}[size(random)] * raster::detail::kSub;
    std::uniform_int_distribution<int> origin(-30 * raster::detail::kSub, 340 * raster::detail::kSub),
        offset(-spread, spread);
    const int ox = origin(random), oy = origin(random);
    for (raster::detail::ScreenVertex& v : c.v) {
      v.sx = ox + offset(random);
      v.sy = oy + offset(random);
      if (i % 50 == 0) v.sy = c.v[0].sy;  // horizontal edges
      if (i % 3 == 1) {  // corners on whole pixels: edges through pixel centres, where the fill rule decides
        v.sx &= ~(raster::detail::kSub - 1);
        v.sy &= ~(raster::detail::kSub - 1);
      }
      v.x = static_cast<float>(v.sx) / raster::detail::kSub;
      v.y = static_cast<float>(v.sy) / raster::detail::kSub;
      for (float& a : v.attr) a = attr(random);
      v.attr[raster::detail::kZ] = depth(random);
      v.attr[raster::detail::kIw] = persp(random);
    }
    cases.push_back(c);
  }
  // A right edge whose function is exactly 1 (its bias) at a pixel centre on
  // the second row: the stepped remainder reaches the divisor there. Again
  // with that row the first the scissor lets through, where the remainder is
  // found by division, not stepped.
  for (int shift = 0; shift < 8; ++shift) {
    Case c = cases[static_cast<std::size_t>(shift)];
    c.scissor = scissors[0];
    const int corners[3][2] = {{1, 0}, {257, 257}, {-2000, 1000}};
    for (int k = 0; k < 3; ++k) {
      c.v[k].sx = corners[k][0] + (10 + shift) * raster::detail::kSub;
      c.v[k].sy = corners[k][1] + (30 + shift) * raster::detail::kSub;
    }
    cases.push_back(c);
    c.scissor.y0 = 31 + shift;
    cases.push_back(c);
  }
  int spans = 0;
  ForEachSimdTarget([&](const char* target) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      const std::vector<SeenSpan> plain = Scan(true, c.scissor, c.v[0], c.v[1], c.v[2]);
      ASSERT_TRUE(plain == Scan(false, c.scissor, c.v[0], c.v[1], c.v[2])) << target << ", triangle " << i;
      spans += static_cast<int>(plain.size());
    }
  });
  EXPECT_GT(spans, 20000) << "the triangles cover enough rows to compare";
}

// Random screen triangles shaded by the vector span routines on each SIMD
// target and by the plain ones, over the same background: every texel format
// and filter, textures of power-of-two and other sizes, the blend modes, both
// pixel sizes, specular on and off, depth tests that pass and fail, texture
// coordinates out of range.
TEST(FastRaster, VectorSpansMatchThePlainSpans) {
  using raster::TexelFormat;
  std::mt19937 random(41);
  std::vector<std::uint8_t> texels(40 * 64 * 4);
  for (std::uint8_t& t : texels) t = static_cast<std::uint8_t>(random());
  std::vector<std::uint32_t> palette(256);
  for (std::uint32_t& p : palette) p = random();
  std::uniform_real_distribution<float> colour(0.0f, 255.0f), depth(0.0f, 65535.0f), persp(0.05f, 2.0f),
      coord(-30.0f, 90.0f), corner(-4.0f, 70.0f);
  const raster::detail::BlendMode blends[] = {raster::detail::BlendMode::Replace,
                                              raster::detail::BlendMode::SrcAlpha,
                                              raster::detail::BlendMode::Add};
  int shaded = 0;
  ForEachSimdTarget([&](const char* target) {
    for (int f = 0; f <= static_cast<int>(TexelFormat::Indexed8); ++f) {
      for (int variant = 0; variant < 12; ++variant) {
        const int bpp = variant % 2 ? 3 : 4;
        const bool bilinear = variant / 2 % 2, square = variant / 3 % 2 == 0;
        raster::detail::Pipeline p;
        p.texels = texels.data();
        p.texWidth = square ? 32 : 40;
        p.texHeight = square ? 64 : 24;
        p.texPitch = 40 * 4;
        p.texMaskU = square ? 31 : -1;
        p.texMaskV = square ? 63 : -1;
        p.palette = palette.data();
        p.depthTest = variant % 4 != 1;
        p.depthWrite = variant % 3 != 1;
        p.depthFunc = variant % 5 == 4 ? raster::kGreater : raster::kLessEqual;
        p.specular = variant % 5 != 1;
        p.blend = blends[2 * variant % 3];  // 0, 2, 6, 8: the scene's pipeline
        p.srcBlend = raster::kOne;
        p.destBlend = raster::kOne;
        p.bytesPerPixel = bpp;
        Canvas plain(64, 48, bpp), vector(64, 48, bpp);
        const std::uint32_t background = random() & 0xFFFFFF;
        plain.Fill(background);
        vector.Fill(background);
        const raster::detail::Scissor scissor{0, 0, 63, 47};
        const auto format = static_cast<TexelFormat>(f);
        for (int i = 0; i < 20; ++i) {
          raster::detail::ScreenVertex v[3];
          for (raster::detail::ScreenVertex& s : v) {
            s.x = corner(random);
            s.y = corner(random);
            s.sx = static_cast<std::int32_t>(s.x * raster::detail::kSub);
            s.sy = static_cast<std::int32_t>(s.y * raster::detail::kSub);
            for (float& a : s.attr) a = colour(random);
            if (i % 3 == 0) s.attr[raster::detail::kA] = 255;  // opaque: blending skipped
            s.attr[raster::detail::kZ] = depth(random);
            s.attr[raster::detail::kIw] = persp(random);
            s.attr[raster::detail::kUw] = coord(random) * s.attr[raster::detail::kIw];
            s.attr[raster::detail::kVw] = coord(random) * s.attr[raster::detail::kIw];
          }
          // Texture coordinates beyond the clamp's limits either way, and not a number.
          if (i == 7 || i == 10) v[0].attr[raster::detail::kUw] = (i == 7 ? 1e9f : -1e9f) * v[0].attr[raster::detail::kIw];
          if (i == 8) v[1].attr[raster::detail::kVw] = std::numeric_limits<float>::quiet_NaN();
          const long long area = static_cast<long long>(v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) -
                                 static_cast<long long>(v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
          if (area < 0) std::swap(v[1], v[2]);  // clockwise on screen
          raster::detail::ScanTrianglePlain(p, raster::detail::ChooseSpanRoutinePlain(format, bilinear),
                                            plain.Target(), scissor, v[0], v[1], v[2]);
          raster::detail::ChooseScanRoutine(p, format, bilinear)(  // the scene's pipeline: span loop inline
              p, raster::detail::ChooseSpanRoutine(format, bilinear), vector.Target(), scissor, v[0], v[1], v[2]);
        }
        ASSERT_EQ(vector.color, plain.color) << target << ", format " << f << ", variant " << variant;
        ASSERT_EQ(vector.depth, plain.depth) << target << ", format " << f << ", variant " << variant;
        for (int y = 0; y < 48; ++y)
          for (int x = 0; x < 64; ++x) shaded += plain.Rgb(x, y) != background;
      }
    }
  });
  EXPECT_GT(shaded, 50000) << "most of the comparisons shade most of their pixels";
}
