// Texture interfaces and handles: drawing by handle, Load with its palette,
// and handles that name nothing.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "d3d_fixture.h"
#include "platform/ddraw/driver.h"
#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace {

using Textures = Direct3DTest;

const DDPIXELFORMAT kRgb888 = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);
const DDPIXELFORMAT kRgb565 = platform::MakePixelFormat(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F);
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
TEST_F(Textures, HandlesSelectTexturesAndUnknownHandlesDrawUntextured) {
  OpenDevice();
  IDirectDrawSurface* tex = MakeTexture(2, 2, kRgb888);
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
  for (D3DTEXTUREHANDLE nothing : {0u, handle + 1000}) {
    drawWith(nothing);
    EXPECT_EQ(Pixel(110, 70), 0x808080u) << nothing;
  }
  // The show keeps its texture surfaces; a handle outlives the caller's references.
  tex->Release();
  drawWith(handle);
  EXPECT_EQ(Pixel(190, 70), 0x008000u);
  platform::ResetDirect3D();  // handles gone: untextured again
  drawWith(handle);
  EXPECT_EQ(Pixel(190, 70), 0x808080u);
}

TEST_F(Textures, LoadCopiesPixelsAndPaletteOfAMatchingSurface) {
  OpenDevice();
  IDirectDrawSurface* from = MakeTexture(4, 2, kIndexed8);
  IDirectDrawSurface* to = MakeTexture(4, 2, kIndexed8);
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

  IDirectDrawSurface* other = MakeTexture(4, 2, kRgb565);
  IDirectDrawSurface* smaller = MakeTexture(2, 2, kIndexed8);
  IDirect3DTexture2 *o = TextureOf(other), *s = TextureOf(smaller);
  EXPECT_EQ(o->Load(src), DDERR_INVALIDPARAMS);
  EXPECT_EQ(s->Load(src), DDERR_INVALIDPARAMS);
  EXPECT_EQ(dst->Load(nullptr), DDERR_INVALIDPARAMS);
  host::ForcedFailures()["Load"] = DDERR_SURFACELOST;
  EXPECT_EQ(dst->Load(src), DDERR_SURFACELOST);
  for (IUnknown* p : std::initializer_list<IUnknown*>{o, s, src, dst, other, smaller, from, to, palette})
    p->Release();
}

TEST_F(Textures, TextureInterfacesHoldTheirSurface) {
  OpenDevice();
  IDirectDrawSurface* tex = MakeTexture(2, 2, kRgb565);
  IDirect3DTexture2* texture = TextureOf(tex);
  EXPECT_EQ(tex->Release(), 1u);  // the interface's reference remains
  D3DTEXTUREHANDLE handle = 0;
  ASSERT_EQ(texture->GetHandle(device, &handle), D3D_OK);
  EXPECT_EQ(texture->GetHandle(nullptr, &handle), DDERR_INVALIDPARAMS);
  host::ForcedFailures()["GetHandle"] = DDERR_GENERIC;
  D3DTEXTUREHANDLE untouched = 77;
  EXPECT_EQ(texture->GetHandle(device, &untouched), DDERR_GENERIC);
  EXPECT_EQ(untouched, 77u);
  host::ForcedFailures().clear();
  IDirect3DTexture2* again = nullptr;
  ASSERT_EQ(texture->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&again)), D3D_OK);
  again->Release();
  EXPECT_EQ(texture->Release(), 0u);
}

}  // namespace
