// direct3d.cpp: the Direct3D object (IDirect3D2), which makes devices,
// viewports and materials, and the reset of the Direct3D side for tests.
//
// The HAL, RGB and Ramp devices are all the same software rasterizer; which of
// them exist is the driver profile's choice. A device draws into a 32- or
// 24-bit RGB surface, with its attached z-buffer when there is one.
#include <new>

#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace platform {

namespace {

// Whether the profile offers the device named by `type`; unknown ids are bad parameters.
HRESULT DeviceAvailable(REFCLSID type, bool* hardware) {
  const DriverProfile& profile = Profile();
  *hardware = type == IID_IDirect3DHALDevice;
  if (*hardware) return profile.halDevice ? D3D_OK : DDERR_NO3D;
  if (type == IID_IDirect3DRGBDevice) return profile.rgbDevice ? D3D_OK : DDERR_NO3D;
  if (type == IID_IDirect3DRampDevice) return profile.rampDevice ? D3D_OK : DDERR_NO3D;
  return DDERR_INVALIDPARAMS;
}

bool DrawableFormat(const DDPIXELFORMAT& f) {
  return (f.dwFlags & DDPF_RGB) && (f.dwRGBBitCount == 32 || f.dwRGBBitCount == 24);
}

}  // namespace

Direct3D::Direct3D(DirectDraw* ddraw) : ddraw_(ddraw) {
  if (ddraw_ != nullptr) ddraw_->AddRef();
}

Direct3D::~Direct3D() {
  if (ddraw_ != nullptr) ddraw_->Release();
}

HRESULT Direct3D::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirect3D2)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDirect3D2*>(this);
  return D3D_OK;
}

HRESULT Direct3D::CreateDevice(REFCLSID type, IDirectDrawSurface* target, IDirect3DDevice2** out) {
  if (HRESULT forced = host::ForcedFailure("CreateDevice")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  bool hardware = false;
  if (HRESULT missing = DeviceAvailable(type, &hardware)) return missing;
  Surface* surface = dynamic_cast<Surface*>(target);
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  if (!DrawableFormat(surface->Format())) return DDERR_INVALIDPIXELFORMAT;
  try {
    *out = new Direct3DDevice(surface, hardware);
  } catch (const std::bad_alloc&) {
    return DDERR_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT Direct3D::CreateViewport(IDirect3DViewport2** out, IUnknown* outer) {
  if (HRESULT forced = host::ForcedFailure("CreateViewport")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return DDERR_INVALIDPARAMS;  // no aggregation
  *out = new Direct3DViewport();
  return D3D_OK;
}

HRESULT Direct3D::CreateMaterial(IDirect3DMaterial2** out, IUnknown* outer) {
  if (HRESULT forced = host::ForcedFailure("CreateMaterial")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return DDERR_INVALIDPARAMS;
  *out = new Direct3DMaterial();
  return D3D_OK;
}

IDirect3D2* NewDirect3D(DirectDraw* ddraw) { return new Direct3D(ddraw); }

void ResetDirect3D() {
  ResetMaterialHandles();
  ResetTextureHandles();
}

}  // namespace platform
