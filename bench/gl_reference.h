// gl_reference.h: the 3D scene's triangles drawn by Mesa's software OpenGL
// (llvmpipe) through an EGL surfaceless context, as a porter of the show
// would draw them: fixed-function pipeline, the same view and projection, the
// same texels, modulate, secondary (specular) colour added, depth test
// LEQUAL, blending SRC_ALPHA/ONE_MINUS_SRC_ALPHA, back-face culling, a
// 320x240 target with the 320x200 viewport. Only the benchmarks use it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene_recorder.h"

class GlReference {
 public:
  // Opens the context and uploads every texture the scene's materials hold.
  // On failure Ready() is false and Error() says why.
  GlReference();
  ~GlReference();
  GlReference(const GlReference&) = delete;
  GlReference& operator=(const GlReference&) = delete;

  bool Ready() const { return ready; }
  const std::string& Error() const { return error; }
  const std::string& Renderer() const { return renderer; }

  // Clears colour and depth, draws the frame and waits for the drawing to finish.
  void Draw(const RecordedFrame& frame);
  // The 320x240 picture as 0x00RRGGBB, top row first.
  std::vector<std::uint32_t> ReadPixels();

 private:
  struct State;
  std::unique_ptr<State> state;
  bool ready = false;
  std::string error;
  std::string renderer;
};
