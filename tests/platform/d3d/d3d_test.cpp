// The Direct3D device: the states the show leaves at their start values,
// forced failures of the per-frame calls, triangles on a 24-bit screen
// without a z-buffer, texture handles and Load with its palette (the hardware
// path's upload). The show's own drawing (its transforms, viewport rows,
// clears, depth order, culling) is held by the captured frames' digests.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "support/surface_util.h"
#include "platform/d3d/d3d.h"
#include "support/display_fixture.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "support/scratch_files.h"

namespace {

// An offscreen display with the 3D device set up as the show does it
// (z-buffer, device, viewport on rows 20 to 219, black background) and
// cleared as every frame is (all black, depth far), and helpers to read
// pixels and submit pre-lit triangles in screen terms.
class Direct3DTest : public OffscreenPlatform {
 protected:
  void TearDown() override {
    for (IUnknown* object : std::initializer_list<IUnknown*>{material, viewport, device, zbuffer, d3d})
      if (object) object->Release();
    OffscreenPlatform::TearDown();
  }

  void OpenDevice(DWORD bits = 32, bool withZBuffer = true) {
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
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &device), D3D_OK);
    ASSERT_EQ(d3d->CreateViewport(&viewport, nullptr), D3D_OK);
    ASSERT_EQ(device->AddViewport(viewport), D3D_OK);
    D3DVIEWPORT2 vp{44, 0, 20, 320, 200, -1.0f, 0.75f, 2.0f, 1.5f, 0.0f, 1.0f};
    ASSERT_EQ(viewport->SetViewport2(&vp), D3D_OK);
    ASSERT_EQ(device->SetCurrentViewport(viewport), D3D_OK);
    ASSERT_EQ(d3d->CreateMaterial(&material, nullptr), D3D_OK);
    D3DMATERIAL black{};
    black.dwSize = 80;
    black.dwRampSize = 1;
    ASSERT_EQ(material->SetMaterial(&black), D3D_OK);
    D3DMATERIALHANDLE handle = 0;
    ASSERT_EQ(material->GetHandle(device, &handle), D3D_OK);
    ASSERT_NE(handle, 0u);
    ASSERT_EQ(viewport->SetBackground(handle), D3D_OK);
    D3DRECT all{0, 0, 320, 240};
    ASSERT_EQ(viewport->Clear(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), D3D_OK);
  }

  // 0x00RRGGBB of a back-buffer pixel (32 or 24 bits).
  std::uint32_t Pixel(int x, int y, int bytes = 4) {
    return scratch::Le(surfacetest::Bytes(back), (y * 320 + x) * bytes, 3);
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

using Devices = Direct3DTest;

// The states the show leaves as the device starts them; their effect on the
// frames is held by the captured digests, their values (each its own) here.
TEST_F(Devices, StatesTheShowLeavesStartAsOnADirectX5RgbDevice) {
  OpenDevice();
  const std::pair<D3DRENDERSTATETYPE, DWORD> defaults[] = {
      {D3DRENDERSTATE_TEXTUREHANDLE, 0},
      {D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_NEAREST},
      {D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE},
      {D3DRENDERSTATE_SPECULARENABLE, 1},
  };
  for (const auto& [state, value] : defaults) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetRenderState(state, &v), D3D_OK);
    EXPECT_EQ(v, value) << "state " << state;
  }
  DWORD v = 0;  // a state past the table, or nowhere to put it
  EXPECT_EQ(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(100000), &v), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->GetRenderState(D3DRENDERSTATE_ZENABLE, nullptr), DDERR_INVALIDPARAMS);
}

// The set-up calls are covered by the display's step-by-step failures; these
// are the calls of every frame.
TEST_F(Devices, EachFrameCallFailsWithTheCodeForcedUnderItsName) {
  OpenDevice();
  const HRESULT code = MakeD3DHResult(999);
  D3DMATRIX identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  D3DLVERTEX vertex = At(10, 30, 0.5f, ~0u);
  const std::pair<const char*, std::function<HRESULT()>> calls[] = {
      {"SetTransform", [&] { return device->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity); }},
      {"BeginScene", [&] { return device->BeginScene(); }},
      {"EndScene", [&] { return device->EndScene(); }},
      {"Begin", [&] { return device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0); }},
      {"Vertex", [&] { return device->Vertex(&vertex); }},
      {"End", [&] { return device->End(0); }},
  };
  for (const auto& [name, call] : calls) {
    host::ForcedFailures()[name] = code;
    EXPECT_EQ(call(), code) << name;
    host::ForcedFailures().clear();
    EXPECT_EQ(call(), D3D_OK) << name;
  }
  // A failure forced under another call's name leaves Vertex drawing.
  host::ForcedFailures()["EndScene"] = code;
  EXPECT_EQ(DrawRect(0, 20, 320, 220, 0.5f, 0xFF123456u), D3D_OK);
  host::ForcedFailures().clear();
  EXPECT_EQ(Pixel(5, 100), 0x123456u);
}

TEST_F(Devices, TwentyFourBitScreensWithoutAZBufferDrawInOrder) {
  OpenDevice(24, false);
  DWORD z = 1;
  device->GetRenderState(D3DRENDERSTATE_ZENABLE, &z);
  EXPECT_EQ(z, 0u);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);  // nothing to test against: drawn anyway
  DrawRect(0, 20, 320, 220, 0.5f, 0xFF123456u);
  DrawRect(0, 20, 320, 220, 0.9f, 0xFF654321u);
  EXPECT_EQ(Pixel(5, 100, 3), 0x654321u);
  EXPECT_EQ(Pixel(5, 19, 3), 0u);
}


using Textures = Direct3DTest;

const DDPIXELFORMAT kRgb888 = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);
const DDPIXELFORMAT kIndexed8 = platform::MakePixelFormat(DDPF_PALETTEINDEXED8, 8, 0, 0, 0);

IDirect3DTexture2* TextureOf(IDirectDrawSurface* surface) {
  IDirect3DTexture2* texture = nullptr;
  EXPECT_EQ(surface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&texture)), DD_OK);
  return texture;
}

D3DTEXTUREHANDLE HandleOf(IDirectDrawSurface* surface, IDirect3DDevice2* device) {
  IDirect3DTexture2* texture = TextureOf(surface);
  D3DTEXTUREHANDLE handle = 0;
  EXPECT_EQ(texture->GetHandle(device, &handle), D3D_OK);
  texture->Release();
  return handle;
}

// 2x2 texels: red, green / blue, white, drawn over a 100x100 square.
TEST_F(Textures, HandlesSelectTexturesAndHandleZeroDrawsUntextured) {
  OpenDevice();
  IDirectDrawSurface* tex = surfacetest::MakeTexture(ddraw, 2, 2, kRgb888);
  const std::uint32_t texels[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  surfacetest::WriteRows(tex, texels, 8, 2);
  D3DTEXTUREHANDLE handle = HandleOf(tex, device);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(HandleOf(tex, device), handle);  // one handle per surface and device
  auto drawWith = [&](D3DTEXTUREHANDLE h) {
    device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, h);
    DrawRect(100, 60, 200, 160, 0.5f, 0xFF808080u);
  };
  drawWith(handle);
  EXPECT_EQ(Pixel(110, 70), 0x800000u);  // red texel times grey
  EXPECT_EQ(Pixel(190, 70), 0x008000u);
  EXPECT_EQ(Pixel(110, 150), 0x000080u);
  EXPECT_EQ(Pixel(190, 150), 0x808080u);
  drawWith(0);  // a material without a texture
  EXPECT_EQ(Pixel(110, 70), 0x808080u);
  tex->Release();
}

TEST_F(Textures, LoadCopiesPixelsAndPaletteOfAMatchingSurface) {
  OpenDevice();
  IDirectDrawSurface* from = surfacetest::MakeTexture(ddraw, 4, 2, kIndexed8);
  IDirectDrawSurface* to = surfacetest::MakeTexture(ddraw, 4, 2, kIndexed8);
  const std::uint8_t indices[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  surfacetest::WriteRows(from, indices, 4, 2);
  std::array<PALETTEENTRY, 256> entries{};
  entries[5] = {1, 2, 3, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr), DD_OK);
  from->SetPalette(palette);
  IDirect3DTexture2 *src = TextureOf(from), *dst = TextureOf(to);
  ASSERT_EQ(dst->Load(src), D3D_OK);
  EXPECT_EQ(surfacetest::Bytes(to), std::vector<std::uint8_t>(indices, indices + 8));
  // The copied palette is visible through the destination when drawn.
  device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, HandleOf(to, device));
  DrawRect(0, 20, 320, 220, 0.5f, 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(10, 200), 0x010203u);  // row 1, column 0: index 5

  host::ForcedFailures()["Load"] = DDERR_SURFACELOST;  // the texture loader warns and drops the texture
  EXPECT_EQ(dst->Load(src), DDERR_SURFACELOST);
  for (IUnknown* p : std::initializer_list<IUnknown*>{src, dst, from, to, palette})
    p->Release();
}

}  // namespace
