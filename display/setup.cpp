// setup.cpp: filling and emptying the DisplayState.
//
// InitDisplay runs the steps its flags select (window; DirectDraw, mode and
// flip chain; z-buffer, 3D device, viewport, background and render states) and
// stops at the first failing call, returning its code unchanged. The objects
// made so far stay in the record for ReleaseDisplay. The only retries are the
// 24-bit mode, the system-memory z-buffer and the RGB and Ramp devices.
#include <array>
#include <utility>

#include "display/display.h"

namespace {

// The surfaces: DirectDraw object, cooperative level, 320x240 mode, the flip
// chain of a primary surface and one back buffer, and the screen's bit depth.
HRESULT InitSurfaces(DisplayState* display, DWORD flags, DDSURFACEDESC* desc) {
  if (HRESULT hr = DirectDrawCreate(nullptr, &display->ddraw, nullptr)) return hr;
  if (HRESULT hr = display->ddraw->SetCooperativeLevel(
          display->window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE))
    return hr;
  if (display->ddraw->SetDisplayMode(320, 240, 32) != 0) {
    if (HRESULT hr = display->ddraw->SetDisplayMode(320, 240, 24)) return hr;
  }

  *desc = DDSURFACEDESC{};
  desc->dwSize = 108;
  desc->dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc->dwBackBufferCount = 1;
  desc->ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  if (flags & DISPLAY_3D) {
    if (HRESULT hr =
            display->ddraw->QueryInterface(IID_IDirect3D2, reinterpret_cast<void**>(&display->d3d)))
      return hr;
    desc->ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
  }
  if (HRESULT hr = display->ddraw->CreateSurface(desc, &display->primary, nullptr)) return hr;
  DDSCAPS backCaps{DDSCAPS_BACKBUFFER};
  if (HRESULT hr = display->primary->GetAttachedSurface(&backCaps, &display->backBuffer)) return hr;

  DDPIXELFORMAT format{};
  format.dwSize = 32;
  display->primary->GetPixelFormat(&format);
  display->bitDepth = format.dwRGBBitCount;
  return 0;
}

// A 16-bit z-buffer in video memory, or in system memory when there is no
// z-buffer hardware, attached to the back buffer.
HRESULT InitZBuffer(DisplayState* display, DDSURFACEDESC* desc) {
  desc->dwSize = 108;
  desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_ZBUFFERBITDEPTH;
  desc->ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
  desc->dwZBufferBitDepth = 16;
  desc->dwWidth = 320;
  desc->dwHeight = 240;
  HRESULT hr = display->ddraw->CreateSurface(desc, &display->zBuffer, nullptr);
  if (hr == DDERR_NOZBUFFERHW) {
    desc->ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
    hr = display->ddraw->CreateSurface(desc, &display->zBuffer, nullptr);
  }
  if (hr) return hr;
  return display->backBuffer->AddAttachedSurface(display->zBuffer);
}

// The hardware device if there is one, else the RGB device, else the Ramp device.
HRESULT CreateBestDevice(DisplayState* display) {
  const std::array<const GUID*, 3> devices = {&IID_IDirect3DHALDevice, &IID_IDirect3DRGBDevice,
                                              &IID_IDirect3DRampDevice};
  HRESULT hr = 0;
  for (const GUID* device : devices) {
    hr = display->d3d->CreateDevice(*device, display->backBuffer, &display->device);
    if (hr == 0) return 0;
  }
  return hr;
}

// One viewport over rows 20 to 219, whose background is a black material.
HRESULT InitViewport(DisplayState* display) {
  if (HRESULT hr = display->d3d->CreateViewport(&display->viewport, nullptr)) return hr;
  if (HRESULT hr = display->device->AddViewport(display->viewport)) return hr;
  D3DVIEWPORT2 view{};
  view.dwSize = 44;
  view.dwX = 0;
  view.dwY = 20;
  view.dwWidth = 320;
  view.dwHeight = 200;
  view.dvClipX = -1.0f;
  view.dvClipY = 0.75f;
  view.dvClipWidth = 2.0f;
  view.dvClipHeight = 1.5f;
  view.dvMinZ = 0.0f;
  view.dvMaxZ = 1.0f;
  if (HRESULT hr = display->viewport->SetViewport2(&view)) return hr;
  if (HRESULT hr = display->device->SetCurrentViewport(display->viewport)) return hr;

  if (HRESULT hr = display->d3d->CreateMaterial(&display->background, nullptr)) return hr;
  D3DMATERIAL material{};
  material.dwSize = 80;
  material.dwRampSize = 1;
  if (HRESULT hr = display->background->SetMaterial(&material)) return hr;
  D3DMATERIALHANDLE handle = 0;
  if (HRESULT hr = display->background->GetHandle(display->device, &handle)) return hr;
  return display->viewport->SetBackground(handle);
}

// The fixed states every 3D drawing of the show relies on.
HRESULT SetRenderStates(IDirect3DDevice2* device) {
  constexpr std::array<std::pair<D3DRENDERSTATETYPE, DWORD>, 12> states = {{
      {D3DRENDERSTATE_DITHERENABLE, TRUE},
      {D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_LINEAR},
      {D3DRENDERSTATE_ZENABLE, TRUE},
      {D3DRENDERSTATE_ZWRITEENABLE, TRUE},
      {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
      {D3DRENDERSTATE_SRCBLEND, D3DBLEND_BOTHSRCALPHA},
      {D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
      {D3DRENDERSTATE_TEXTUREPERSPECTIVE, TRUE},
      {D3DRENDERSTATE_WRAPU, TRUE},
      {D3DRENDERSTATE_WRAPV, TRUE},
      {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD},
  }};
  for (const auto& [state, value] : states) {
    if (HRESULT hr = device->SetRenderState(state, value)) return hr;
  }
  return 0;
}

template <class Interface>
void ReleaseIfSet(Interface* object) {
  if (object) object->Release();
}

}  // namespace

HRESULT InitDisplay(HINSTANCE instance, int showCommand, DisplayState* display, DWORD flags) {
  if (flags & DISPLAY_WINDOW) {
    *display = DisplayState{};
    CreateShowWindow(instance, showCommand, display);
  }
  if (!(flags & DISPLAY_SURFACES)) return 0;

  DDSURFACEDESC desc{};
  if (HRESULT hr = InitSurfaces(display, flags, &desc)) return hr;
  if (!(flags & DISPLAY_3D)) return 0;

  if (HRESULT hr = InitZBuffer(display, &desc)) return hr;
  if (HRESULT hr = CreateBestDevice(display)) return hr;
  if (HRESULT hr = InitViewport(display)) return hr;
  return SetRenderStates(display->device);
}

void ReleaseDisplay(DisplayState* display) {
  ReleaseIfSet(display->background);
  ReleaseIfSet(display->viewport);
  ReleaseIfSet(display->device);
  ReleaseIfSet(display->zBuffer);
  ReleaseIfSet(display->backBuffer);
  ReleaseIfSet(display->primary);
  ReleaseIfSet(display->d3d);
  ReleaseIfSet(display->ddraw);
}
