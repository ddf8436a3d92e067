// The Direct3D device: render-state defaults, forced failures of the per-frame
// calls, viewport clears, transforms, triangle submission and its rules. The
// show's own drawing (its viewport rows, depth order, culling) is held by the
// captured frames' digests.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "d3d_fixture.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

using Devices = Direct3DTest;

TEST_F(Devices, RenderStatesStartAsOnADirectX5RgbDevice) {
  OpenDevice();
  const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } defaults[] = {
      {D3DRENDERSTATE_TEXTUREHANDLE, 0},
      {D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_NEAREST},
      {D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_NEAREST},
      {D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE},
      {D3DRENDERSTATE_SPECULARENABLE, 1},
      {D3DRENDERSTATE_ZENABLE, 1},  // a z-buffer is attached
      {D3DRENDERSTATE_ZWRITEENABLE, 1},
      {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE},
      {D3DRENDERSTATE_DESTBLEND, D3DBLEND_ZERO},
      {D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
      {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD},
      {D3DRENDERSTATE_WRAPU, 0},
      {D3DRENDERSTATE_ALPHABLENDENABLE, 0},
  };
  for (const auto& d : defaults) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetRenderState(d.state, &v), D3D_OK);
    EXPECT_EQ(v, d.value) << "state " << d.state;
  }
  DWORD v = 0;
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_BOTHSRCALPHA), D3D_OK);
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_SRCBLEND, &v), D3D_OK);
  EXPECT_EQ(v, DWORD{D3DBLEND_BOTHSRCALPHA});
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
}

TEST_F(Devices, ClearPaintsTheBackgroundAndResetsDepthInsideItsRectangles) {
  OpenDevice();
  std::vector<std::uint8_t> grey(320 * 240 * 4, 0x55), zeros(320 * 240 * 2, 0);
  surfacetest::WriteRows(back, grey.data(), 1280, 240);
  surfacetest::WriteRows(zbuffer, zeros.data(), 640, 240);
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
  IDirect3DViewport2* loose = nullptr;
  ASSERT_EQ(d3d->CreateViewport(&loose, nullptr), D3D_OK);
  EXPECT_EQ(loose->Clear(1, rects, D3DCLEAR_TARGET), D3DERR_VIEWPORTHASNODEVICE);
  loose->Release();
}

// Vertices go through world, view and projection in that order: a world
// scale of one half, then a view shift of an eighth of the screen.
TEST_F(Devices, WorldViewAndProjectionAllMoveTheVertices) {
  OpenDevice();
  D3DMATRIX world{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  D3DMATRIX view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, 0, 0, 1};
  D3DMATRIX projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world), D3D_OK);
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view), D3D_OK);
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection), D3D_OK);
  EXPECT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, nullptr), DDERR_INVALIDPARAMS);
  // The whole viewport, clip x -1..1, becomes -0.25..0.75: columns 120 to 280.
  auto span = [&](int x0, int x1) {
    ClearScreen();
    DrawRect(0, 20, 320, 220, 0.5f, 0xFFFFFFFFu);
    return std::vector<std::uint32_t>{Pixel(x0 - 5, 120), Pixel(x0 + 5, 120), Pixel(x1 - 5, 120),
                                      Pixel(x1 + 5, 120)};
  };
  const std::vector<std::uint32_t> edges{0u, 0xFFFFFFu, 0xFFFFFFu, 0u};
  EXPECT_EQ(span(120, 280), edges);
  projection._11 = 0.5f;  // the projection halves x again: columns 140 to 220
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection), D3D_OK);
  EXPECT_EQ(span(140, 220), edges);
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

TEST_F(Devices, TextureFormatsAreOfferedInTheProfilesOrderUntilCancelled) {
  OpenDevice();
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

}  // namespace
