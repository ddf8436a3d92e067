// d3d_fixture.h: an offscreen display with the 3D device set up as the show
// does it (z-buffer, device, viewport on rows 20 to 219, black background),
// and helpers to read pixels and submit pre-lit triangles in screen terms.
#pragma once

#include <vector>

#include "../surface_util.h"
#include "support/display_fixture.h"
#include "platform/d3d/d3d.h"

class Direct3DTest : public OffscreenPlatform {
 protected:
  void TearDown() override {
    for (IUnknown** p : {reinterpret_cast<IUnknown**>(&material), reinterpret_cast<IUnknown**>(&viewport),
                         reinterpret_cast<IUnknown**>(&device), reinterpret_cast<IUnknown**>(&zbuffer),
                         reinterpret_cast<IUnknown**>(&d3d)}) {
      if (*p) (*p)->Release();
      *p = nullptr;
    }
    OffscreenPlatform::TearDown();
  }

  static D3DVIEWPORT2 ShowViewport() {
    return D3DVIEWPORT2{44, 0, 20, 320, 200, -1.0f, 0.75f, 2.0f, 1.5f, 0.0f, 1.0f};
  }

  void OpenDirect3D(DWORD bits = 32, bool withZBuffer = true) {
    OpenDisplay(bits);
    ASSERT_EQ(ddraw->QueryInterface(IID_IDirect3D2, reinterpret_cast<void**>(&d3d)), DD_OK);
    if (withZBuffer) {
      DDSURFACEDESC z{};
      z.dwSize = 108;
      z.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_ZBUFFERBITDEPTH;
      z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
      z.dwZBufferBitDepth = 16;
      z.dwWidth = 320;
      z.dwHeight = 240;
      ASSERT_EQ(ddraw->CreateSurface(&z, &zbuffer, nullptr), DD_OK);
      ASSERT_EQ(back->AddAttachedSurface(zbuffer), DD_OK);
    }
  }

  // The device, its viewport and the black background material; cleared.
  void OpenDevice(DWORD bits = 32, bool withZBuffer = true) {
    OpenDirect3D(bits, withZBuffer);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &device), D3D_OK);
    ASSERT_EQ(d3d->CreateViewport(&viewport, nullptr), D3D_OK);
    ASSERT_EQ(device->AddViewport(viewport), D3D_OK);
    D3DVIEWPORT2 vp = ShowViewport();
    ASSERT_EQ(viewport->SetViewport2(&vp), D3D_OK);
    ASSERT_EQ(device->SetCurrentViewport(viewport), D3D_OK);
    ASSERT_EQ(d3d->CreateMaterial(&material, nullptr), D3D_OK);
    SetBackground(0, 0, 0);
    ClearScreen();
  }

  // The show's per-frame clear: the whole screen black, the depth far.
  void ClearScreen() {
    D3DRECT all{0, 0, 320, 240};
    ASSERT_EQ(viewport->Clear(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), D3D_OK);
  }

  void SetBackground(float r, float g, float b) {
    D3DMATERIAL m{};
    m.dwSize = 80;
    m.diffuse = {r, g, b, 0};
    m.dwRampSize = 1;
    ASSERT_EQ(material->SetMaterial(&m), D3D_OK);
    D3DMATERIALHANDLE handle = 0;
    ASSERT_EQ(material->GetHandle(device, &handle), D3D_OK);
    ASSERT_NE(handle, 0u);
    ASSERT_EQ(viewport->SetBackground(handle), D3D_OK);
  }

  IDirectDrawSurface* MakeTexture(DWORD width, DWORD height, const DDPIXELFORMAT& format) {
    return surfacetest::MakeTexture(ddraw, width, height, format);
  }

  // 0x00RRGGBB of a back-buffer pixel (32 or 24 bits).
  std::uint32_t Pixel(int x, int y, int bytes = 4) {
    return surfacetest::Read(surfacetest::Bytes(back), (y * 320 + x) * bytes, 3);
  }
  std::uint16_t Depth(int x, int y) {
    return static_cast<std::uint16_t>(surfacetest::Read(surfacetest::Bytes(zbuffer), (y * 320 + x) * 2, 2));
  }

  // A pre-lit vertex at screen pixel (sx, sy) under identity view and
  // projection and the show's viewport.
  static D3DLVERTEX At(float sx, float sy, float z, D3DCOLOR color, float u = 0, float v = 0,
                       D3DCOLOR specular = 0xFF000000u) {
    return D3DLVERTEX{sx / 160.0f - 1.0f, 0.75f - (sy - 20.0f) / 200.0f * 1.5f, z, 0, color, specular, u, v};
  }

  HRESULT DrawList(std::vector<D3DLVERTEX> vertices) {
    HRESULT r = device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0);
    if (r != D3D_OK) return r;
    for (D3DLVERTEX& v : vertices) device->Vertex(&v);
    return device->End(0);
  }

  // Two triangles covering the screen rectangle [x0, x1] x [y0, y1], clockwise.
  HRESULT DrawRect(float x0, float y0, float x1, float y1, float z, D3DCOLOR color) {
    return DrawList({At(x0, y0, z, color, 0, 0), At(x1, y0, z, color, 1, 0), At(x1, y1, z, color, 1, 1),
                     At(x0, y0, z, color, 0, 0), At(x1, y1, z, color, 1, 1), At(x0, y1, z, color, 0, 1)});
  }

  IDirect3D2* d3d = nullptr;
  IDirectDrawSurface* zbuffer = nullptr;
  IDirect3DDevice2* device = nullptr;
  IDirect3DViewport2* viewport = nullptr;
  IDirect3DMaterial2* material = nullptr;
};
