// scene_recorder.h: what the renderer hands the Direct3D device for one frame
// of the 3D scene, kept so another renderer can draw the same triangles.
#pragma once

#include <vector>

#include "platform/d3d/d3d.h"

// One Begin/End of the renderer: triangles under one texture handle.
struct RecordedBatch {
  D3DTEXTUREHANDLE texture = 0;
  std::vector<D3DLVERTEX> vertices;  // three a triangle
};

struct RecordedFrame {
  D3DMATRIX view{};
  D3DMATRIX projection{};
  std::vector<RecordedBatch> batches;
  int Triangles() const;
};

// The calls DrawSpinScene(t) makes on the device, taken by a recording device
// put in place of Display's for the call.
RecordedFrame RecordSpinFrame(float t);
// DrawSpinScene(t) on a device that draws nothing: the renderer's own work.
void DrawSpinFrameNowhere(float t);
