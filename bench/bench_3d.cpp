// bench_3d.cpp: a frame of the 3D scene (the viewport's clear, then
// DrawSpinScene: placements, software lighting and the rasterizer) against the
// same triangles, transforms and states drawn by Mesa's llvmpipe, over 24
// moments of the scene. The reference's time is the CPU time of the whole
// process, so the work of its rendering threads counts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_env.h"
#include "display/display.h"
#include "effects/scenes.h"
#include "gl_reference.h"
#include "scene_recorder.h"

namespace {

constexpr int MOMENTS = 24;

float Moment(int i) { return static_cast<float>(i % MOMENTS) * 0.5f; }

const std::vector<RecordedFrame>& Frames() {
  static const std::vector<RecordedFrame> frames = [] {
    std::vector<RecordedFrame> recorded;
    for (int i = 0; i < MOMENTS; ++i) recorded.push_back(RecordSpinFrame(Moment(i)));
    return recorded;
  }();
  return frames;
}

GlReference& Gl() {
  static GlReference reference;
  return reference;
}

void ClearTarget() {
  Display.viewport->Clear(1, &Display.clearRect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
}

void SceneFrame(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    ClearTarget();
    DrawSpinScene(Moment(i++));
  }
  state.counters["triangles"] = Frames()[0].Triangles();
}

void SceneLightingOnly(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) DrawSpinFrameNowhere(Moment(i++));
}

void SceneFrameLlvmpipe(benchmark::State& state) {
  if (!Gl().Ready()) {
    state.SkipWithError(("no OpenGL reference: " + Gl().Error()).c_str());
    return;
  }
  const std::vector<RecordedFrame>& frames = Frames();
  int i = 0;
  for (auto _ : state) Gl().Draw(frames[i++ % MOMENTS]);
  state.SetLabel(Gl().Renderer());
}

constexpr auto US = benchmark::kMicrosecond;

BENCHMARK(SceneFrame)->Unit(US)->MeasureProcessCPUTime();
BENCHMARK(SceneLightingOnly)->Unit(US)->MeasureProcessCPUTime();
BENCHMARK(SceneFrameLlvmpipe)->Unit(US)->MeasureProcessCPUTime();

const bool registered = [] {
  AddComparison({"3D frame: clear, RenderScene, rasterizer", "SceneFrame", "SceneFrameLlvmpipe",
                 "same triangles in llvmpipe", 0.25});
  AddComparison({"of which placement and lighting", "SceneLightingOnly", "SceneFrameLlvmpipe",
                 "same triangles in llvmpipe", 0});
  return true;
}();

void WritePpm(const std::string& path, const std::vector<std::uint32_t>& pixels) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return;
  std::fprintf(out, "P6\n320 240\n255\n");
  for (std::uint32_t p : pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  std::fclose(out);
}

}  // namespace

void DrawSceneFrames(int frames) {
  for (int i = 0; i < frames; ++i) {
    ClearTarget();
    DrawSpinScene(Moment(i));
  }
}

void PrintSceneHashes(int moments) {
  for (int i = 0; i < moments; ++i) {
    const float t = 12.0f * static_cast<float>(i) / static_cast<float>(moments);
    ClearTarget();
    DrawSpinScene(t);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (Display.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != 0) return;
    std::uint64_t hash = 14695981039346656037ull;
    const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
    for (std::size_t k = 0; k < static_cast<std::size_t>(desc.lPitch) * desc.dwHeight; ++k)
      hash = (hash ^ bytes[k]) * 1099511628211ull;
    Display.backBuffer->Unlock(desc.lpSurface);
    std::printf("%.6f %016llx\n", static_cast<double>(t), static_cast<unsigned long long>(hash));
  }
}

void WriteScenePictures(const std::string& dir) {
  const float t = 5.0f;
  ClearTarget();
  DrawSpinScene(t);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  std::vector<std::uint32_t> ours(320 * 240);
  if (Display.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == 0) {
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        ours[y * 320 + x] = static_cast<const std::uint32_t*>(desc.lpSurface)[y * desc.lPitch / 4 + x] & 0xFFFFFF;
    Display.backBuffer->Unlock(desc.lpSurface);
  }
  WritePpm(dir + "/scene_rasterizer.ppm", ours);
  if (!Gl().Ready()) return;
  Gl().Draw(RecordSpinFrame(t));
  WritePpm(dir + "/scene_llvmpipe.ppm", Gl().ReadPixels());
}
