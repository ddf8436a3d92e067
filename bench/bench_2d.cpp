// bench_2d.cpp: the per-frame work of the 2D scenes, each beside its floor:
// the noise fill against 64,000 bare generator steps, the tunnel fill against
// a straightforward scalar loop over the same tables, the upload against a
// block copy of the same 256,000 bytes, and the frame's text and EndFrame.
#include <benchmark/benchmark.h>
#include <hwy/targets.h>

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

// The vector fills on one Highway target (PLAIN: the reference loops, BEST:
// the target the show runs on); unpinned again when the benchmark ends.
constexpr std::int64_t PLAIN = 0;
constexpr std::int64_t BEST = -1;

struct Pin {
  Pin(benchmark::State& state, std::int64_t target) {
    if (target > 0 && (hwy::SupportedTargets() & target) == 0) {
      state.SkipWithError("this processor lacks the instructions");
      ok = false;
    } else if (target > 0) {
      hwy::SetSupportedTargetsForTest(target);
    }
  }
  ~Pin() { hwy::SetSupportedTargetsForTest(0); }
  bool ok = true;
};

void NoiseFill(benchmark::State& state, std::int64_t target) {
  const Pin pin(state, target);
  if (!pin.ok) return;
  for (auto _ : state) {
    if (target == PLAIN)
      FillNoise(frame.data());
    else
      FillNoiseFast(frame.data());
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

void TunnelFill(benchmark::State& state, std::int64_t target) {
  const Pin pin(state, target);
  if (!pin.ok) return;
  int n = 0;
  for (auto _ : state) {
    const auto scroll = static_cast<std::uint16_t>(n++ % 120 * 1025);
    if (target == PLAIN)
      FillTunnel(frame.data(), 255, scroll);
    else
      FillTunnelFast(frame.data(), 255, scroll);
    benchmark::ClobberMemory();
  }
}

void CreditAdd(benchmark::State& state, std::int64_t target) {
  const Pin pin(state, target);
  if (!pin.ok) return;
  int level = 0;
  for (auto _ : state) {
    if (target == PLAIN)
      AddCredit(frame.data(), CreditPictures[0], level++ & 0xFF);
    else
      AddCreditFast(frame.data(), CreditPictures[0], level++ & 0xFF);
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
BENCHMARK_CAPTURE(NoiseFill, plain, PLAIN)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, sse4, HWY_SSE4)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, avx2, HWY_AVX2)->Unit(US);
BENCHMARK_CAPTURE(NoiseFill, best, BEST)->Unit(US);
BENCHMARK(TunnelFloor)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, plain, PLAIN)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, sse4, HWY_SSE4)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, avx2, HWY_AVX2)->Unit(US);
BENCHMARK_CAPTURE(TunnelFill, best, BEST)->Unit(US);
BENCHMARK_CAPTURE(CreditAdd, plain, PLAIN)->Unit(US);
BENCHMARK_CAPTURE(CreditAdd, best, BEST)->Unit(US);
BENCHMARK(BlockCopy)->Unit(US);
BENCHMARK(Upload32)->Unit(US);
BENCHMARK(TitleTexts)->Unit(US);
BENCHMARK(ClearFloor)->Unit(US);
BENCHMARK(EndFrameOffscreen)->Unit(US);

const bool registered = [] {
  AddComparison({"title noise fill (plain loop)", "NoiseFill/plain", "NoiseFloor", "64,000 generator steps", 0});
  AddComparison({"title noise fill (128-bit vectors)", "NoiseFill/sse4", "NoiseFloor", "64,000 generator steps", 0.25});
  AddComparison({"title noise fill (as played)", "NoiseFill/best", "NoiseFloor", "64,000 generator steps", 0.25});
  AddComparison({"tunnel fill (plain loop)", "TunnelFill/plain", "TunnelFloor", "scalar loop", 0});
  AddComparison({"tunnel fill (128-bit vectors)", "TunnelFill/sse4", "TunnelFloor", "scalar loop", 0.35});
  AddComparison({"tunnel fill (as played)", "TunnelFill/best", "TunnelFloor", "scalar loop", 0.35});
  AddComparison({"credit cross-fade (as played)", "CreditAdd/best", "CreditAdd/plain", "plain loop", 0});
  AddComparison({"UploadFrame, 32 bits", "Upload32", "BlockCopy", "256,000-byte copy", 0});
  AddComparison({"glow texts of a title frame", "TitleTexts", "BlockCopy", "256,000-byte copy", 0});
  AddComparison({"EndFrame offscreen", "EndFrameOffscreen", "ClearFloor", "memset of colour+depth", 0});
  return true;
}();

}  // namespace
