// scene_recording_device.h: a Direct3D device that records what the renderer asks.
#pragma once

#include <vector>

#include "platform/d3d/d3d.h"

class RecordingDevice final : public IDirect3DDevice2 {
 public:
  enum class Kind { SetTransform, SetRenderState, Begin, Vertex, End, Other };
  struct Call {
    Kind kind;
    DWORD a = 0;  // transform or render state, primitive type, flags
    DWORD b = 0;  // state value, vertex type
    D3DMATRIX matrix{};
    D3DLVERTEX vertex{};
  };
  std::vector<Call> calls;

  std::vector<Call> Of(Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : calls)
      if (c.kind == kind) out.push_back(c);
    return out;
  }
  std::vector<D3DLVERTEX> Vertices() const {
    std::vector<D3DLVERTEX> out;
    for (const Call& c : Of(Kind::Vertex)) out.push_back(c.vertex);
    return out;
  }

  HRESULT QueryInterface(REFIID, void**) override { return Other(E_NOINTERFACE); }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT AddViewport(IDirect3DViewport2*) override { return Other(); }
  HRESULT SetCurrentViewport(IDirect3DViewport2*) override { return Other(); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    calls.push_back({Kind::SetRenderState, state, value});
    return failAll ? E_FAIL : D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return Other(); }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    Call c{Kind::SetTransform, state};
    c.matrix = *matrix;
    calls.push_back(c);
    return failAll ? E_FAIL : D3D_OK;
  }
  HRESULT BeginScene() override { return Other(); }
  HRESULT EndScene() override { return Other(); }
  HRESULT Begin(D3DPRIMITIVETYPE primitive, D3DVERTEXTYPE type, DWORD flags) override {
    calls.push_back({Kind::Begin, primitive, type});
    return flags == 0 && !failAll ? D3D_OK : E_FAIL;
  }
  HRESULT Vertex(LPVOID vertex) override {
    Call c{Kind::Vertex};
    c.vertex = *static_cast<D3DLVERTEX*>(vertex);
    calls.push_back(c);
    return failAll ? E_FAIL : D3D_OK;
  }
  HRESULT End(DWORD flags) override {
    calls.push_back({Kind::End, flags});
    return failAll ? E_FAIL : D3D_OK;
  }
  HRESULT GetRenderTarget(IDirectDrawSurface**) override { return Other(E_FAIL); }
  HRESULT GetCaps(D3DDEVICEDESC*, D3DDEVICEDESC*) override { return Other(); }
  HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK, LPVOID) override { return Other(); }

  bool failAll = false;  // every call reports failure (the renderer must not care)

 private:
  HRESULT Other(HRESULT result = D3D_OK) {
    calls.push_back({Kind::Other});
    return result;
  }
};
