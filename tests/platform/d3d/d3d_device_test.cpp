// The Direct3D objects: devices per driver profile, render-state defaults,
// forced failures, viewport clears, triangle submission and its rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "d3d_fixture.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

using Devices = Direct3DTest;

TEST_F(Devices, DeviceTypesFollowTheDriverProfile) {
  OpenDirect3D();
  IDirect3DDevice2* d = nullptr;
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, back, &d), DDERR_NO3D);
  EXPECT_EQ(d, nullptr);
  for (const GUID* type : {&IID_IDirect3DRGBDevice, &IID_IDirect3DRampDevice}) {
    ASSERT_EQ(d3d->CreateDevice(*type, back, &d), D3D_OK);
    D3DDEVICEDESC hw{}, sw{};
    hw.dwSize = sw.dwSize = 204;
    ASSERT_EQ(d->GetCaps(&hw, &sw), D3D_OK);
    EXPECT_EQ(hw.dcmColorModel, 0u);  // a software device
    EXPECT_EQ(sw.dcmColorModel, D3DCOLOR_RGB);
    EXPECT_EQ(hw.dwSize, 204u);
    d->Release();
  }
  platform::Profile().halDevice = true;
  platform::Profile().rampDevice = false;
  ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, back, &d), D3D_OK);
  D3DDEVICEDESC hw{}, sw{};
  ASSERT_EQ(d->GetCaps(&hw, &sw), D3D_OK);
  EXPECT_EQ(hw.dcmColorModel, D3DCOLOR_RGB);
  d->Release();
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRampDevice, back, &d), DDERR_NO3D);
  host::ForcedFailures()["CreateDevice"] = DDERR_OUTOFMEMORY;
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &d), DDERR_OUTOFMEMORY);
  host::ForcedFailures().clear();
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, &d), DDERR_INVALIDPARAMS);
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, zbuffer, &d), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(Devices, RenderStatesStartAsOnADirectX5RgbDevice) {
  OpenDevice();
  auto state = [&](D3DRENDERSTATETYPE s) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetRenderState(s, &v), D3D_OK);
    return v;
  };
  EXPECT_EQ(state(D3DRENDERSTATE_TEXTUREHANDLE), 0u);
  EXPECT_EQ(state(D3DRENDERSTATE_TEXTUREMAG), D3DFILTER_NEAREST);
  EXPECT_EQ(state(D3DRENDERSTATE_TEXTUREMIN), D3DFILTER_NEAREST);
  EXPECT_EQ(state(D3DRENDERSTATE_TEXTUREMAPBLEND), D3DTBLEND_MODULATE);
  EXPECT_EQ(state(D3DRENDERSTATE_SPECULARENABLE), 1u);
  EXPECT_EQ(state(D3DRENDERSTATE_ZENABLE), 1u);  // a z-buffer is attached
  EXPECT_EQ(state(D3DRENDERSTATE_ZWRITEENABLE), 1u);
  EXPECT_EQ(state(D3DRENDERSTATE_ZFUNC), D3DCMP_LESSEQUAL);
  EXPECT_EQ(state(D3DRENDERSTATE_SRCBLEND), D3DBLEND_ONE);
  EXPECT_EQ(state(D3DRENDERSTATE_DESTBLEND), D3DBLEND_ZERO);
  EXPECT_EQ(state(D3DRENDERSTATE_CULLMODE), D3DCULL_CCW);
  EXPECT_EQ(state(D3DRENDERSTATE_SHADEMODE), D3DSHADE_GOURAUD);
  EXPECT_EQ(state(D3DRENDERSTATE_WRAPU), 0u);
  EXPECT_EQ(state(D3DRENDERSTATE_ALPHABLENDENABLE), 0u);
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_BOTHSRCALPHA), D3D_OK);
  EXPECT_EQ(state(D3DRENDERSTATE_SRCBLEND), D3DBLEND_BOTHSRCALPHA);
}

TEST_F(Devices, EverySetUpCallFailsWithItsForcedCode) {
  OpenDevice();
  const HRESULT code = MakeD3DHResult(999);
  auto forced = [&](const char* name, auto call) {
    host::ForcedFailures()[name] = code;
    EXPECT_EQ(call(), code) << name;
    host::ForcedFailures().clear();
    EXPECT_EQ(call(), D3D_OK) << name;
  };
  IDirect3DViewport2* v = nullptr;
  IDirect3DMaterial2* m = nullptr;
  forced("CreateViewport", [&] {
    if (v) v->Release();
    v = nullptr;
    return d3d->CreateViewport(&v, nullptr);
  });
  forced("CreateMaterial", [&] {
    if (m) m->Release();
    m = nullptr;
    return d3d->CreateMaterial(&m, nullptr);
  });
  D3DVIEWPORT2 data = ShowViewport();
  forced("SetViewport2", [&] { return v->SetViewport2(&data); });
  host::ForcedFailures()["AddViewport"] = code;
  EXPECT_EQ(device->AddViewport(v), code);
  host::ForcedFailures().clear();
  EXPECT_EQ(device->AddViewport(v), D3D_OK);
  forced("SetCurrentViewport", [&] { return device->SetCurrentViewport(v); });
  D3DMATERIAL black{};
  black.dwSize = 80;
  forced("SetMaterial", [&] { return m->SetMaterial(&black); });
  D3DMATERIALHANDLE handle = 0;
  forced("GetHandle", [&] { return m->GetHandle(device, &handle); });
  forced("SetBackground", [&] { return v->SetBackground(handle); });
  forced("SetRenderState", [&] { return device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1); });
  m->Release();
  v->Release();
}

TEST_F(Devices, ClearPaintsTheBackgroundAndResetsDepthInsideItsRectangles) {
  OpenDevice();
  std::vector<std::uint8_t> grey(320 * 240 * 4, 0x55), zeros(320 * 240 * 2, 0);
  WriteBytes(back, grey.data(), 1280, 240);
  WriteBytes(zbuffer, zeros.data(), 640, 240);
  SetBackground(1.0f, 0.5f, 0.25f);  // bytes 255, 127, 63
  D3DRECT rects[2] = {{10, 30, 20, 40}, {300, 230, 400, 300}};  // the second runs off the surface
  ASSERT_EQ(viewport->Clear(2, rects, D3DCLEAR_TARGET), D3D_OK);
  EXPECT_EQ(Pixel(10, 30), 0xFF7F3Fu);
  EXPECT_EQ(Pixel(19, 39), 0xFF7F3Fu);
  EXPECT_EQ(Pixel(20, 39), 0x555555u);
  EXPECT_EQ(Pixel(9, 30), 0x555555u);
  EXPECT_EQ(Pixel(319, 239), 0xFF7F3Fu);
  EXPECT_EQ(Depth(15, 35), 0u);  // target only
  ASSERT_EQ(viewport->Clear(1, rects, D3DCLEAR_ZBUFFER), D3D_OK);
  EXPECT_EQ(Depth(15, 35), 0xFFFFu);
  EXPECT_EQ(Depth(25, 35), 0u);
  // The show's per-frame clear of the whole screen, black background.
  SetBackground(0, 0, 0);
  D3DRECT screen{0, 0, 320, 240};
  ASSERT_EQ(viewport->Clear(1, &screen, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), D3D_OK);
  EXPECT_EQ(Pixel(0, 0), 0u);
  EXPECT_EQ(Depth(319, 239), 0xFFFFu);
  IDirect3DViewport2* loose = nullptr;
  ASSERT_EQ(d3d->CreateViewport(&loose, nullptr), D3D_OK);
  EXPECT_EQ(loose->Clear(1, &screen, D3DCLEAR_TARGET), D3DERR_VIEWPORTHASNODEVICE);
  loose->Release();
}

TEST_F(Devices, TrianglesStayInTheViewportRowsAndTestDepth) {
  OpenDevice();
  D3DRECT screen{0, 0, 320, 240};
  viewport->Clear(1, &screen, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  // A rectangle much larger than the screen, clockwise: clipped to rows 20 to 219.
  ASSERT_EQ(DrawRect(-500, -500, 800, 800, 0.5f, 0xFF00FF00u), D3D_OK);
  EXPECT_EQ(Pixel(0, 19), 0u);
  EXPECT_EQ(Pixel(0, 20), 0x00FF00u);
  EXPECT_EQ(Pixel(319, 219), 0x00FF00u);
  EXPECT_EQ(Pixel(319, 220), 0u);
  EXPECT_NEAR(Depth(100, 100), 0.5 * 65535, 2);
  DrawRect(50, 50, 100, 100, 0.7f, 0xFFFF0000u);  // behind: hidden
  EXPECT_EQ(Pixel(70, 70), 0x00FF00u);
  DrawRect(50, 50, 100, 100, 0.3f, 0xFF0000FFu);  // in front
  EXPECT_EQ(Pixel(70, 70), 0x0000FFu);
  // Counter-clockwise on screen: culled.
  DrawList({At(150, 50, 0.1f, 0xFFFFFFFFu), At(150, 100, 0.1f, 0xFFFFFFFFu), At(200, 50, 0.1f, 0xFFFFFFFFu)});
  EXPECT_EQ(Pixel(160, 60), 0x00FF00u);
  ASSERT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(Devices, BlendingAndSpecularAsTheShowSetsThem) {
  OpenDevice();
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_BOTHSRCALPHA);
  DrawRect(0, 20, 320, 220, 0.9f, 0xFF0000C8u);
  // Opacity 0.9 (alpha 229) over blue 200, with a grey specular added first.
  DrawList({At(10, 30, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u), At(100, 30, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u),
            At(10, 120, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u)});
  std::uint32_t p = Pixel(20, 40);
  // red min(200+64, 255) = 255 -> 255*229/255 = 229; green 64*229/255 = 57; blue 64*229/255 + 200*26/255 = 78.
  EXPECT_EQ(p, (229u << 16) | (57u << 8) | 78u);
  device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, 0);
  ClearScreen();
  DrawRect(0, 20, 320, 220, 0.9f, 0xFF0000C8u);
  DrawList({At(10, 30, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u), At(100, 30, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u),
            At(10, 120, 0.5f, 0xE5C80000u, 0, 0, 0xFF404040u)});
  EXPECT_EQ(Pixel(20, 40), (180u << 16) | 20u);  // 200*229/255 = 179.6; 200*26/255 = 20.4, rounded
}

TEST_F(Devices, OnlyTriangleListsOfPreLitVerticesInsideBeginAndEnd) {
  OpenDevice();
  D3DLVERTEX v = At(10, 30, 0.5f, ~0u);
  EXPECT_EQ(device->Begin(D3DPT_TRIANGLESTRIP, D3DVT_LVERTEX, 0), D3DERR_INVALIDPRIMITIVETYPE);
  EXPECT_EQ(device->Begin(D3DPT_TRIANGLELIST, D3DVT_TLVERTEX, 0), D3DERR_INVALIDVERTEXTYPE);
  EXPECT_EQ(device->Vertex(&v), D3DERR_NOTINBEGIN);
  EXPECT_EQ(device->End(0), D3DERR_NOTINBEGIN);
  ASSERT_EQ(device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0), D3D_OK);
  EXPECT_EQ(device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0), D3DERR_INBEGIN);
  EXPECT_EQ(device->Vertex(nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->End(0), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  // Two vertices left over at End are dropped, not carried into the next list.
  DrawList({At(10, 30, 0.5f, ~0u), At(100, 30, 0.5f, ~0u)});
  DrawList({At(10, 120, 0.5f, ~0u)});
  EXPECT_EQ(Pixel(20, 40), 0u);
}

TEST_F(Devices, RenderTargetAndTextureFormats) {
  OpenDevice();
  IDirectDrawSurface* target = nullptr;
  ASSERT_EQ(device->GetRenderTarget(&target), D3D_OK);
  EXPECT_EQ(target, back);
  ULONG refs = target->AddRef();
  EXPECT_EQ(target->Release(), refs - 1);
  target->Release();

  struct Seen {
    std::vector<DDPIXELFORMAT> formats;
    std::size_t stopAfter;
  } seen{{}, 100};
  auto callback = [](DDSURFACEDESC* desc, LPVOID context) -> HRESULT {
    auto* s = static_cast<Seen*>(context);
    EXPECT_TRUE(desc->dwFlags & DDSD_PIXELFORMAT);
    s->formats.push_back(desc->ddpfPixelFormat);
    return s->formats.size() >= s->stopAfter ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
  };
  ASSERT_EQ(device->EnumTextureFormats(callback, &seen), D3D_OK);
  const std::vector<DDPIXELFORMAT> offered = platform::Profile().textureFormats;
  ASSERT_EQ(seen.formats.size(), offered.size());
  for (std::size_t i = 0; i < offered.size(); ++i) {
    EXPECT_EQ(seen.formats[i].dwFlags, offered[i].dwFlags);
    EXPECT_EQ(seen.formats[i].dwRGBBitCount, offered[i].dwRGBBitCount);
    EXPECT_EQ(seen.formats[i].dwRBitMask, offered[i].dwRBitMask);
  }
  seen = Seen{{}, 3};
  device->EnumTextureFormats(callback, &seen);
  EXPECT_EQ(seen.formats.size(), 3u);
}

TEST_F(Devices, TwentyFourBitScreensAndNoZBuffer) {
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

}  // namespace
