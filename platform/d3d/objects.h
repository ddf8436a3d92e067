// objects.h: the stand-in's Direct3D objects, shared by the files of d3d/.
//
// The device draws with the software rasterizer (raster/raster.h) into its
// render-target Surface and that surface's attached z-buffer. Material and
// texture handles are small numbers in process-wide tables: a material handle
// names a live material; a texture handle keeps its surface alive until the
// device it was made for is released (or ResetDirect3D), so a handle never
// names freed memory.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/raster/raster.h"
#include "platform/raster/stages.h"
#include "platform/ddraw/driver.h"
#include "platform/ddraw/surface.h"

namespace platform {

class Direct3DDevice;

class Direct3D final : public RefCounted<IDirect3D2> {
 public:
  explicit Direct3D(DirectDraw* ddraw);
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT CreateDevice(REFCLSID deviceType, IDirectDrawSurface* target, IDirect3DDevice2** out) override;
  HRESULT CreateViewport(IDirect3DViewport2** out, IUnknown* outer) override;
  HRESULT CreateMaterial(IDirect3DMaterial2** out, IUnknown* outer) override;

 private:
  ~Direct3D() override;
  DirectDraw* ddraw_;  // owned reference
};

class Direct3DMaterial final : public RefCounted<IDirect3DMaterial2> {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT SetMaterial(D3DMATERIAL* material) override;
  HRESULT GetHandle(IDirect3DDevice2* device, D3DMATERIALHANDLE* out) override;
  const D3DMATERIAL& Data() const { return data_; }

 private:
  ~Direct3DMaterial() override;
  D3DMATERIAL data_{};
};

// The material a handle names, or null.
const Direct3DMaterial* FindMaterial(D3DMATERIALHANDLE handle);

class Direct3DViewport final : public RefCounted<IDirect3DViewport2> {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT SetViewport2(D3DVIEWPORT2* viewport) override;
  HRESULT SetBackground(D3DMATERIALHANDLE material) override;
  HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags) override;

  // Set by the device that holds the viewport; null when it has none.
  void SetDevice(Direct3DDevice* device) { device_ = device; }
  Direct3DDevice* Device() const { return device_; }
  bool HasData() const { return hasData_; }
  raster::Viewport RasterViewport() const;

 private:
  ~Direct3DViewport() override = default;
  Direct3DDevice* device_ = nullptr;  // not owned: the device owns a reference to us
  D3DVIEWPORT2 data_{};
  bool hasData_ = false;
  D3DMATERIALHANDLE background_ = 0;
};

class Direct3DDevice final : public RefCounted<IDirect3DDevice2> {
 public:
  Direct3DDevice(Surface* target, bool hardware);
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT AddViewport(IDirect3DViewport2* viewport) override;
  HRESULT SetCurrentViewport(IDirect3DViewport2* viewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Begin(D3DPRIMITIVETYPE primitive, D3DVERTEXTYPE vertexType, DWORD flags) override;
  HRESULT Vertex(LPVOID vertex) override;
  HRESULT End(DWORD flags) override;
  HRESULT GetRenderTarget(IDirectDrawSurface** out) override;
  HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) override;
  HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, LPVOID context) override;

  // The render target and its z-buffer as the rasterizer sees them now.
  raster::Target RasterTarget() const;

 private:
  ~Direct3DDevice() override;
  bool PrepareContext();  // false when there is nothing to draw into
  HRESULT VertexWithFailures(LPVOID vertex);
  HRESULT TakeVertex(LPVOID vertex);
  void DrawPending();
  void DrawPendingInNewContext();

  Surface* target_;  // owned reference
  bool hardware_;
  std::array<DWORD, 256> states_{};  // by render-state number
  raster::Matrix world_, view_, projection_;
  std::vector<Direct3DViewport*> viewports_;  // owned references
  Direct3DViewport* current_ = nullptr;
  bool inScene_ = false;
  bool inBegin_ = false;
  bool contextValid_ = false;
  raster::DrawContext context_;
  raster::detail::Batch batch_;  // follows context_: reset whenever it is prepared
  std::array<std::uint32_t, 256> palette_{};
  // 32 bytes a vertex, so that its place is found with a shift (aligned so
  // that the compiler addresses it the same way whatever lies before it).
  struct PendingVertex {
    raster::Vertex vertex;
    std::uint32_t unused;
  };
  alignas(32) PendingVertex pending_[3] = {};
  std::uint32_t pendingSlots_[3] = {};  // batch entries, by where each record lay
  int pendingCount_ = 0;
};

class Direct3DTexture final : public RefCounted<IDirect3DTexture2> {
 public:
  explicit Direct3DTexture(Surface* surface);
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT GetHandle(IDirect3DDevice2* device, D3DTEXTUREHANDLE* out) override;
  HRESULT Load(IDirect3DTexture2* source) override;

 private:
  ~Direct3DTexture() override;
  Surface* surface_;  // owned reference
};

// The surface a texture handle names, or null.
Surface* FindTexture(D3DTEXTUREHANDLE handle);
// Lets go of the texture handles made for a device that is going away.
void ForgetTextureHandles(const IDirect3DDevice2* device);
// How the rasterizer reads a texture surface; palette-indexed surfaces fill
// `palette` from their attached palette. Format None when it cannot be drawn.
raster::Texture TextureView(const Surface& surface, std::array<std::uint32_t, 256>& palette);

// Empty the handle tables (ResetDirect3D).
void ResetMaterialHandles();
void ResetTextureHandles();

// Puts the Direct3D side back as at start: every texture and material handle
// forgotten (tests).
void ResetDirect3D();

}  // namespace platform
