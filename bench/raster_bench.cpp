// raster_bench.cpp: the software rasterizer alone, on a frame's worth of small
// triangles like the 3D scene's: a 44 x 20 grid of quads (1,760 triangles of
// about 36 pixels) over the 320x200 viewport of a 320x240 target, each case a
// set of render states. Links the rasterizer and nothing else of the program.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/raster/raster.h"

namespace {

constexpr int kColumns = 44, kRows = 20;

struct Frame {
  std::vector<std::uint8_t> color = std::vector<std::uint8_t>(320 * 240 * 4);
  std::vector<std::uint8_t> depth = std::vector<std::uint8_t>(320 * 240 * 2);
  std::vector<std::uint32_t> texels = std::vector<std::uint32_t>(64 * 64);
  raster::DrawContext context;

  explicit Frame(bool textured) {
    for (int i = 0; i < 64 * 64; ++i)
      texels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
    context.target = {color.data(), 320, 240, 320 * 4, 4, depth.data(), 320, 240, 320 * 2};
    context.viewport = {0, 20, 320, 200, -1, 1, 2, 2, 0, 1};
    context.states.depthTest = true;
    context.states.cull = raster::kCullNone;
    if (textured)
      context.texture = {reinterpret_cast<const std::uint8_t*>(texels.data()), 64, 64, 256,
                         raster::TexelFormat::Xrgb8888, nullptr};
  }
};

raster::Vertex GridVertex(int column, int row) {
  const float x = -1.0f + 2.0f * static_cast<float>(column) / kColumns;
  const float y = 1.0f - 2.0f * static_cast<float>(row) / kRows;
  const auto shade = static_cast<std::uint32_t>((column * 5 + row * 11) & 0xFF);
  return {x, y, 0.25f + 0.5f * static_cast<float>(column) / kColumns,
          0xFF000000u | shade << 16 | 0x8000u | (255 - shade), 0x00101010u,
          static_cast<float>(column) * 0.25f, static_cast<float>(row) * 0.25f};
}

void DrawGrid(const raster::DrawContext& context) {
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) {
      const raster::Vertex a = GridVertex(column, row), b = GridVertex(column + 1, row),
                           c = GridVertex(column, row + 1), d = GridVertex(column + 1, row + 1);
      raster::DrawTriangle(context, a, b, c);
      raster::DrawTriangle(context, b, d, c);
    }
}

void Run(benchmark::State& state, Frame& frame) {
  for (auto _ : state) {
    raster::FillDepth(frame.context.target, 0, 0, 320, 240, 0xFFFF);
    DrawGrid(frame.context);
    benchmark::DoNotOptimize(frame.color.data());
    benchmark::ClobberMemory();
  }
  state.counters["triangles"] = 2 * kColumns * kRows;
}

void Gouraud(benchmark::State& state) {
  Frame frame(false);
  Run(state, frame);
}

void TexturedNearest(benchmark::State& state) {
  Frame frame(true);
  Run(state, frame);
}

void TexturedBilinear(benchmark::State& state) {
  Frame frame(true);
  frame.context.states.minFilter = raster::kLinear;
  frame.context.states.magFilter = raster::kLinear;
  Run(state, frame);
}

void TexturedBlended(benchmark::State& state) {
  Frame frame(true);
  frame.context.states.alphaBlend = true;
  frame.context.states.srcBlend = raster::kBothSrcAlpha;
  Run(state, frame);
}

}  // namespace

BENCHMARK(Gouraud)->Unit(benchmark::kMicrosecond);
BENCHMARK(TexturedNearest)->Unit(benchmark::kMicrosecond);
BENCHMARK(TexturedBilinear)->Unit(benchmark::kMicrosecond);
BENCHMARK(TexturedBlended)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
