// bench_env.h: what the frame benchmarks share: the show's display, fonts and
// assets set up offscreen as the show sets them up, and the table of figures
// each set against a floor measured in the same run.
#pragma once

#include <string>

// InitDisplay (window, surfaces, 3D), the four fonts, LoadAssets from the
// built data directory, the ClearRect; offscreen, as in a capture run.
void StartShowEnvironment();

// A row of the results table: the benchmark `work` reported as a ratio to the
// benchmark `floor` of the same run; `target` is the ratio to stay under, or 0.
struct Comparison {
  std::string label;
  std::string work;
  std::string floor;
  std::string floorLabel;
  double target;
};

// Benchmarks register their rows at static initialisation.
bool AddComparison(Comparison comparison);

// Writes one moment of the 3D scene as drawn by the rasterizer and by the
// OpenGL reference (scene_rasterizer.ppm, scene_llvmpipe.ppm) for comparing by eye.
void WriteScenePictures(const std::string& dir);
// Prints a hash of the screen after the 3D scene's frame at `moments` times
// spread over its twelve seconds, for proving a faster build draws the same.
void PrintSceneHashes(int moments);
// Draws the 3D scene's frame `frames` times, for profilers.
void DrawSceneFrames(int frames);
