// scene_recorder.cpp: a device that keeps the transforms, texture handles and
// triangle lists it is given and draws nothing.
#include "scene_recorder.h"

#include "display/display.h"
#include "effects/scenes.h"

namespace {

class RecordingDevice final : public IDirect3DDevice2 {
 public:
  explicit RecordingDevice(bool keep) : keep(keep) {}
  RecordedFrame frame;

  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT AddViewport(IDirect3DViewport2*) override { return D3D_OK; }
  HRESULT SetCurrentViewport(IDirect3DViewport2*) override { return D3D_OK; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    if (state == D3DRENDERSTATE_TEXTUREHANDLE) texture = value;
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return E_FAIL; }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    if (state == D3DTRANSFORMSTATE_VIEW) frame.view = *matrix;
    if (state == D3DTRANSFORMSTATE_PROJECTION) frame.projection = *matrix;
    return D3D_OK;
  }
  HRESULT BeginScene() override { return D3D_OK; }
  HRESULT EndScene() override { return D3D_OK; }
  HRESULT Begin(D3DPRIMITIVETYPE, D3DVERTEXTYPE, DWORD) override {
    frame.batches.push_back({texture, {}});
    return D3D_OK;
  }
  HRESULT Vertex(LPVOID vertex) override {
    if (keep && !frame.batches.empty()) frame.batches.back().vertices.push_back(*static_cast<D3DLVERTEX*>(vertex));
    return D3D_OK;
  }
  HRESULT End(DWORD) override { return D3D_OK; }
  HRESULT GetRenderTarget(IDirectDrawSurface**) override { return E_FAIL; }
  HRESULT GetCaps(D3DDEVICEDESC*, D3DDEVICEDESC*) override { return E_FAIL; }
  HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK, LPVOID) override { return E_FAIL; }

 private:
  bool keep;
  DWORD texture = 0;
};

}  // namespace

int RecordedFrame::Triangles() const {
  int triangles = 0;
  for (const RecordedBatch& batch : batches) triangles += static_cast<int>(batch.vertices.size() / 3);
  return triangles;
}

namespace {

RecordedFrame DrawOn(RecordingDevice& recorder, float t) {
  IDirect3DDevice2* device = Display.device;
  Display.device = &recorder;
  DrawSpinScene(t);
  Display.device = device;
  return recorder.frame;
}

}  // namespace

RecordedFrame RecordSpinFrame(float t) {
  RecordingDevice recorder(true);
  return DrawOn(recorder, t);
}

void DrawSpinFrameNowhere(float t) {
  RecordingDevice recorder(false);
  DrawOn(recorder, t);
}
