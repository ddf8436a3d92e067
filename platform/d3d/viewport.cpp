// viewport.cpp: viewports (IDirect3DViewport2): the rectangle and clip
// volume the device maps onto, the background material, and Clear.
//
// Clear works in screen coordinates, clipped to the render target (and to the
// z-buffer for depth), not to the viewport rectangle.
#include <algorithm>
#include <cstdint>

#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace platform {

namespace {

constexpr DWORD kMaxExtent = 1u << 20;  // keeps pixel arithmetic far from overflow

int Extent(DWORD v) { return static_cast<int>(std::min(v, kMaxExtent)); }

// A colour channel 0..1 as a byte, truncated; NaN and negatives give 0.
std::uint32_t ChannelByte(float c) {
  if (!(c > 0)) return 0;
  if (c >= 1) return 255;
  return static_cast<std::uint32_t>(c * 255.0f);
}

}  // namespace

HRESULT Direct3DViewport::QueryInterface(REFIID, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT Direct3DViewport::SetViewport2(D3DVIEWPORT2* viewport) {
  if (HRESULT forced = host::ForcedFailure("SetViewport2")) return forced;
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  data_ = *viewport;
  hasData_ = true;
  return D3D_OK;
}

HRESULT Direct3DViewport::SetBackground(D3DMATERIALHANDLE material) {
  if (HRESULT forced = host::ForcedFailure("SetBackground")) return forced;
  background_ = material;
  return D3D_OK;
}

raster::Viewport Direct3DViewport::RasterViewport() const {
  raster::Viewport v;
  v.x = Extent(data_.dwX);
  v.y = Extent(data_.dwY);
  v.width = Extent(data_.dwWidth);
  v.height = Extent(data_.dwHeight);
  v.clipX = data_.dvClipX;
  v.clipY = data_.dvClipY;
  v.clipWidth = data_.dvClipWidth;
  v.clipHeight = data_.dvClipHeight;
  v.minZ = data_.dvMinZ;
  v.maxZ = data_.dvMaxZ;
  return v;
}

HRESULT Direct3DViewport::Clear(DWORD count, D3DRECT* rects, DWORD flags) {
  if (HRESULT forced = host::ForcedFailure("Clear")) return forced;
  if (device_ == nullptr) return D3DERR_VIEWPORTHASNODEVICE;
  if (count > 0 && rects == nullptr) return DDERR_INVALIDPARAMS;
  raster::Target target = device_->RasterTarget();
  std::uint32_t rgb = 0;
  if (const Direct3DMaterial* m = FindMaterial(background_)) {
    const D3DCOLORVALUE& c = m->Data().diffuse;
    rgb = (ChannelByte(c.r) << 16) | (ChannelByte(c.g) << 8) | ChannelByte(c.b);
  }
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& r = rects[i];
    if (flags & D3DCLEAR_TARGET) raster::FillColor(target, r.x1, r.y1, r.x2, r.y2, rgb);
    if (flags & D3DCLEAR_ZBUFFER) raster::FillDepth(target, r.x1, r.y1, r.x2, r.y2, 0xFFFF);
  }
  return D3D_OK;
}

}  // namespace platform
