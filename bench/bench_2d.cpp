// bench_2d.cpp: the per-frame work of the 2D scenes, each beside its floor:
// the noise fill against 64,000 bare generator steps, the tunnel fill against
// a straightforward scalar loop over the same tables, the upload against a
// block copy of the same 256,000 bytes, and the frame's text and EndFrame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench_env.h"
#include "display/display.h"
#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"

namespace {

std::vector<std::uint32_t> frame(FRAME_PIXELS);

// Floor of the noise: the generator's steps one after another, each value stored.
void NoiseFloor(benchmark::State& state) {
  std::uint32_t random = 1;
  for (auto _ : state) {
    std::uint32_t* out = frame.data();
    for (int i = 0; i < FRAME_PIXELS; ++i) {
      random = random * 214013u + 2531011u;
      out[i] = random >> 16 & 0x7FFF;
    }
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}

bool Available(benchmark::State& state, FastPath path) {
  if (FastPathAvailable(path)) return true;
  state.SkipWithError("this processor lacks the instructions");
  return false;
}

void NoiseFill(benchmark::State& state, FastPath path) {
  if (!Available(state, path)) return;
  for (auto _ : state) {
    FillNoiseFast(frame.data(), path);
    benchmark::ClobberMemory();
  }
}

// Floor of the tunnel: one pass over the tables, three ShadeTable look-ups a pixel.
void TunnelFloor(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    const auto scroll = static_cast<std::uint16_t>(n++ % 120 * 1025);
    std::uint32_t* out = frame.data();
    for (int i = 0; i < FRAME_PIXELS; ++i) {
      const std::uint32_t texel = TunnelTexture[static_cast<std::uint16_t>(TunnelMap[i] + scroll)];
      const int s = TunnelShade[i];
      out[i] = static_cast<std::uint32_t>(ShadeTable[(texel >> 16 & 0xFF) * 256 + s]) << 16 |
               static_cast<std::uint32_t>(ShadeTable[(texel >> 8 & 0xFF) * 256 + s]) << 8 |
               ShadeTable[(texel & 0xFF) * 256 + s];
    }
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}

void TunnelFill(benchmark::State& state, FastPath path) {
  if (!Available(state, path)) return;
  int n = 0;
  for (auto _ : state) {
    FillTunnelFast(frame.data(), 255, static_cast<std::uint16_t>(n++ % 120 * 1025), path);
    benchmark::ClobberMemory();
  }
}

void CreditAdd(benchmark::State& state, FastPath path) {
  if (!Available(state, path)) return;
  int level = 0;
  for (auto _ : state) {
    AddCreditFast(frame.data(), CreditPictures[0], level++ & 0xFF, path);
    benchmark::ClobberMemory();
  }
}

void BlockCopy(benchmark::State& state) {
  std::vector<std::uint32_t> target(FRAME_PIXELS);
  for (auto _ : state) {
    std::memcpy(target.data(), FrameBuffer, sizeof FrameBuffer);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
}

void Upload32(benchmark::State& state) {
  for (auto _ : state) UploadFrame(&Display, FrameBuffer);
}

void TitleTexts(benchmark::State& state) {
  const GlowLine lines[] = {
      {TitleFont, "Quenlor Presents: Vuxa-bil", 10, 66},
      {SubtitleFont, "A Selvarin 1999 Ruzazuzez", 20, 126},
  };
  for (auto _ : state) DrawGlowTexts(&Display, lines);
}

void EndFrameOffscreen(benchmark::State& state) {
  for (auto _ : state) EndFrame(&Display);
}

// The clear's floor: the colour and depth buffers written once with memset.
void ClearFloor(benchmark::State& state) {
  std::vector<std::uint8_t> colour(320 * 240 * 4), depth(320 * 240 * 2);
  for (auto _ : state) {
    std::memset(colour.data(), 0, colour.size());
    std::memset(depth.data(), 0xFF, depth.size());
    benchmark::DoNotOptimize(colour.data());
    benchmark::DoNotOptimize(depth.data());
    benchmark::ClobberMemory();
  }
}

constexpr auto US = benchmark::kMicrosecond;

BENCHMARK(NoiseFloor)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, plain, FastPath::Plain)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, sse2, FastPath::Sse2)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, avx2, FastPath::Avx2)->Unit(US);
BENCHMARK(TunnelFloor)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, plain, FastPath::Plain)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, sse2, FastPath::Sse2)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, avx2, FastPath::Avx2)->Unit(US);
BENCHMARK_CAPTURE(CreditAdd, plain, FastPath::Plain)->Unit(US);
BENCHMARK_CAPTURE(CreditAdd, sse2, FastPath::Sse2)->Unit(US);
BENCHMARK(BlockCopy)->Unit(US);
BENCHMARK(Upload32)->Unit(US);
BENCHMARK(TitleTexts)->Unit(US);
BENCHMARK(ClearFloor)->Unit(US);
BENCHMARK(EndFrameOffscreen)->Unit(US);

const bool registered = [] {
  const char* best = BestFastPath() == FastPath::Avx2 ? "NoiseFill/avx2" : "NoiseFill/sse2";
  AddComparison({"title noise fill (plain loop)", "NoiseFill/plain", "NoiseFloor", "64,000 generator steps", 0});
  AddComparison({"title noise fill (SSE2)", "NoiseFill/sse2", "NoiseFloor", "64,000 generator steps", 0.25});
  AddComparison({"title noise fill (as played)", best, "NoiseFloor", "64,000 generator steps", 0.25});
  const char* tunnel = BestFastPath() == FastPath::Avx2 ? "TunnelFill/avx2" : "TunnelFill/sse2";
  AddComparison({"tunnel fill (plain loop)", "TunnelFill/plain", "TunnelFloor", "scalar loop", 0});
  AddComparison({"tunnel fill (SSE2)", "TunnelFill/sse2", "TunnelFloor", "scalar loop", 0.35});
  AddComparison({"tunnel fill (as played)", tunnel, "TunnelFloor", "scalar loop", 0.35});
  AddComparison({"credit cross-fade (SSE2)", "CreditAdd/sse2", "CreditAdd/plain", "plain loop", 0});
  AddComparison({"UploadFrame, 32 bits", "Upload32", "BlockCopy", "256,000-byte copy", 0});
  AddComparison({"glow texts of a title frame", "TitleTexts", "BlockCopy", "256,000-byte copy", 0});
  AddComparison({"EndFrame offscreen", "EndFrameOffscreen", "ClearFloor", "memset of colour+depth", 0});
  return true;
}();

}  // namespace
