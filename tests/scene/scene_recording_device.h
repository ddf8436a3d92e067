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
  bool failAll = false;  // every call reports failure (the renderer must not care)

  std::vector<D3DLVERTEX> Vertices() const {
    std::vector<D3DLVERTEX> out;
    for (const Call& c : calls)
      if (c.kind == Kind::Vertex) out.push_back(c.vertex);
    return out;
  }

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override { return Record({Kind::SetRenderState, state, value}); }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    return Record({Kind::SetTransform, state, 0, *matrix});
  }
  HRESULT Begin(D3DPRIMITIVETYPE primitive, D3DVERTEXTYPE type, DWORD flags) override {
    const HRESULT recorded = Record({Kind::Begin, DWORD(primitive), DWORD(type)});
    return flags ? E_FAIL : recorded;
  }
  HRESULT Vertex(LPVOID vertex) override { return Record({Kind::Vertex, 0, 0, {}, *static_cast<D3DLVERTEX*>(vertex)}); }
  HRESULT End(DWORD flags) override { return Record({Kind::End, flags}); }
  HRESULT QueryInterface(REFIID, void**) override { return Other(E_NOINTERFACE); }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT AddViewport(IDirect3DViewport2*) override { return Other(); }
  HRESULT SetCurrentViewport(IDirect3DViewport2*) override { return Other(); }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return Other(); }
  HRESULT BeginScene() override { return Other(); }
  HRESULT EndScene() override { return Other(); }
  HRESULT GetRenderTarget(IDirectDrawSurface**) override { return Other(E_FAIL); }
  HRESULT GetCaps(D3DDEVICEDESC*, D3DDEVICEDESC*) override { return Other(); }
  HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK, LPVOID) override { return Other(); }

 private:
  HRESULT Record(Call call) {
    calls.push_back(call);
    return failAll ? E_FAIL : D3D_OK;
  }
  HRESULT Other(HRESULT result = D3D_OK) {
    calls.push_back({Kind::Other});
    return result;
  }
};
