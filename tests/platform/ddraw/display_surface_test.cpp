// DirectDraw surfaces: the flip chain, modes per driver profile, locks, fills,
// device contexts, z-buffers, textures, palettes and forced failures.
#include <cstring>

#include "platform/host/host.h"
#include "platform/d3d/d3d.h"
#include "support/display_fixture.h"
#include "platform/ddraw/driver.h"
#include "platform/win32/gdi.h"
#include "platform/ddraw/surface.h"

namespace {

DDSURFACEDESC ZBufferDesc(DWORD memory, DWORD width = 320, DWORD height = 240) {
  DDSURFACEDESC d{};
  d.dwSize = 108;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
  d.dwWidth = width;
  d.dwHeight = height;
  d.dwZBufferBitDepth = 16;
  d.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | memory;
  return d;
}

DDSURFACEDESC TextureDesc(DWORD width, DWORD height, const DDPIXELFORMAT& format,
                          DWORD memory = DDSCAPS_SYSTEMMEMORY) {
  DDSURFACEDESC d{};
  d.dwSize = 108;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = width;
  d.dwHeight = height;
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | memory;
  return d;
}

struct Locked {
  HRESULT result;
  DDSURFACEDESC desc;
};

Locked LockWhole(IDirectDrawSurface* surface) {
  Locked l{};
  l.desc.dwSize = 108;
  l.result = surface->Lock(nullptr, &l.desc, DDLOCK_WAIT, nullptr);
  return l;
}

std::uint32_t Pixel32(IDirectDrawSurface* surface, int x, int y) {
  Locked l = LockWhole(surface);
  EXPECT_EQ(l.result, DD_OK);
  std::uint32_t value = 0;
  std::memcpy(&value, static_cast<std::uint8_t*>(l.desc.lpSurface) + y * l.desc.lPitch + x * 4, 4);
  surface->Unlock(l.desc.lpSurface);
  return value;
}

HRESULT Fill(IDirectDrawSurface* surface, DWORD color, RECT* rect = nullptr) {
  DDBLTFX fx{};
  fx.dwSize = 100;
  fx.dwFillColor = color;
  return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

using Surfaces = OffscreenPlatform;

TEST_F(Surfaces, FlipChainAt32BitsHasPackedRowsBlueLowest) {
  OpenDisplay(32);
  DDPIXELFORMAT format{};
  format.dwSize = 32;
  ASSERT_EQ(primary->GetPixelFormat(&format), DD_OK);
  EXPECT_EQ(format.dwRGBBitCount, 32u);
  EXPECT_EQ(format.dwFlags & DDPF_RGB, DDPF_RGB);
  EXPECT_EQ(format.dwRBitMask, 0x00FF0000u);
  EXPECT_EQ(format.dwGBitMask, 0x0000FF00u);
  EXPECT_EQ(format.dwBBitMask, 0x000000FFu);

  Locked l = LockWhole(back);
  ASSERT_EQ(l.result, DD_OK);
  EXPECT_EQ(l.desc.dwWidth, 320u);
  EXPECT_EQ(l.desc.dwHeight, 240u);
  EXPECT_EQ(l.desc.lPitch, 1280);
  EXPECT_NE(l.desc.lpSurface, nullptr);
  EXPECT_EQ(l.desc.ddpfPixelFormat.dwRGBBitCount, 32u);
  EXPECT_EQ(back->Unlock(l.desc.lpSurface), DD_OK);
  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);  // only the primary flips
}

TEST_F(Surfaces, DisplayModesFollowTheDriverProfile) {
  platform::Profile().mode32 = false;
  OpenDisplay(24);
  EXPECT_EQ(ddraw->SetDisplayMode(320, 240, 32), DDERR_INVALIDMODE);
  EXPECT_EQ(ddraw->SetDisplayMode(640, 480, 24), DDERR_INVALIDMODE);
  EXPECT_EQ(ddraw->SetDisplayMode(320, 240, 16), DDERR_INVALIDMODE);
  DDSURFACEDESC desc{};
  desc.dwSize = 108;
  ASSERT_EQ(back->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 24u);
  EXPECT_EQ(desc.lPitch, 960);
  platform::Profile().mode24 = false;
  EXPECT_EQ(ddraw->SetDisplayMode(320, 240, 24), DDERR_INVALIDMODE);
}

TEST_F(Surfaces, SurfacesNeedACooperativeLevelAndExclusiveModeNeedsAWindow) {
  ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
  DDSURFACEDESC z = ZBufferDesc(DDSCAPS_SYSTEMMEMORY);
  IDirectDrawSurface* surface = nullptr;
  EXPECT_EQ(ddraw->CreateSurface(&z, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(surface, nullptr);
  EXPECT_EQ(ddraw->SetCooperativeLevel(nullptr, 0x13), DDERR_INVALIDPARAMS);
  EXPECT_EQ(ddraw->SetCooperativeLevel(MakeWindow(), 0x13), DD_OK);
  EXPECT_EQ(ddraw->CreateSurface(&z, &surface, nullptr), DD_OK);
  surface->Release();
}

TEST_F(Surfaces, FlipSwapsTheBuffersAndCountsFrames) {
  OpenDisplay(32);
  ASSERT_EQ(Fill(primary, 0x00111111), DD_OK);
  ASSERT_EQ(Fill(back, 0x00ABCDEF), DD_OK);
  EXPECT_EQ(host::FlipCount(), 0u);
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(host::FlipCount(), 1u);
  EXPECT_EQ(Pixel32(primary, 5, 7), 0x00ABCDEFu);  // the drawn frame is in front
  EXPECT_EQ(Pixel32(back, 5, 7), 0x00111111u);     // the old front is drawn next
  ASSERT_EQ(primary->Flip(back, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(Pixel32(primary, 319, 239), 0x00111111u);
  EXPECT_EQ(host::FlipCount(), 2u);

  // A locked buffer or an open device context holds the flip back.
  Locked l = LockWhole(back);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
  back->Unlock(l.desc.lpSurface);
  EXPECT_EQ(host::FlipCount(), 2u);
}

TEST_F(Surfaces, ColourFillCoversTheRectangleInTheSurfaceFormat) {
  OpenDisplay(24);
  RECT r{10, 20, 12, 21};
  ASSERT_EQ(Fill(back, 0xFF123456), DD_OK);
  ASSERT_EQ(Fill(back, 0x00ABCDEF, &r), DD_OK);
  Locked l = LockWhole(back);
  ASSERT_EQ(l.result, DD_OK);
  auto* bytes = static_cast<std::uint8_t*>(l.desc.lpSurface);
  auto at = [&](int x, int y) { return bytes + y * 960 + x * 3; };
  EXPECT_EQ(at(10, 20)[0], 0xEF);
  EXPECT_EQ(at(10, 20)[1], 0xCD);
  EXPECT_EQ(at(11, 20)[2], 0xAB);
  EXPECT_EQ(at(12, 20)[0], 0x56);  // right and bottom edges are outside
  EXPECT_EQ(at(10, 21)[2], 0x12);
  EXPECT_EQ(at(319, 239)[0], 0x56);
  back->Unlock(l.desc.lpSurface);

  RECT outside{300, 0, 321, 10};
  EXPECT_EQ(Fill(back, 0, &outside), DDERR_INVALIDRECT);
  RECT inverted{5, 5, 4, 6};
  EXPECT_EQ(Fill(back, 0, &inverted), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, LocksAreWholeSurfaceAndExclusive) {
  OpenDisplay(32);
  Locked first = LockWhole(back);
  ASSERT_EQ(first.result, DD_OK);
  EXPECT_EQ(LockWhole(back).result, DDERR_SURFACEBUSY);
  EXPECT_EQ(Fill(back, 0), DDERR_SURFACEBUSY);
  HDC dc = nullptr;
  EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->Unlock(first.desc.lpSurface), DD_OK);
  EXPECT_EQ(back->Unlock(nullptr), DDERR_NOTLOCKED);

  RECT part{0, 0, 10, 10};
  DDSURFACEDESC desc{};
  EXPECT_NE(back->Lock(&part, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  RECT whole{0, 0, 320, 240};
  EXPECT_EQ(back->Lock(&whole, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  back->Unlock(desc.lpSurface);
}

TEST_F(Surfaces, DeviceContextsOneAtATimeAndOnlyWhenTheDriverGivesThem) {
  OpenDisplay(32);
  HDC dc = nullptr;
  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->surface, static_cast<platform::Surface*>(back));
  HDC second = nullptr;
  EXPECT_EQ(back->GetDC(&second), DDERR_DCALREADYCREATED);
  EXPECT_EQ(LockWhole(back).result, DDERR_SURFACEBUSY);
  EXPECT_NE(back->ReleaseDC(reinterpret_cast<HDC>(&second)), DD_OK);
  EXPECT_EQ(back->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(back->ReleaseDC(dc), DDERR_INVALIDPARAMS);

  platform::Profile().getDC = false;
  EXPECT_EQ(back->GetDC(&dc), DDERR_CANTCREATEDC);
  EXPECT_EQ(dc, nullptr);
}

TEST_F(Surfaces, ZBufferPlacementFollowsTheDriverProfile) {
  OpenDisplay(32);
  IDirectDrawSurface* z = nullptr;
  DDSURFACEDESC video = ZBufferDesc(DDSCAPS_VIDEOMEMORY);
  EXPECT_EQ(ddraw->CreateSurface(&video, &z, nullptr), DDERR_NOZBUFFERHW);
  EXPECT_EQ(z, nullptr);

  DDSURFACEDESC system = ZBufferDesc(DDSCAPS_SYSTEMMEMORY);
  ASSERT_EQ(ddraw->CreateSurface(&system, &z, nullptr), DD_OK);
  DDSURFACEDESC desc{};
  ASSERT_EQ(z->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.ddsCaps.dwCaps & (DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY),
            DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY);
  EXPECT_EQ(desc.lPitch, 640);
  ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
  EXPECT_EQ(back->AddAttachedSurface(z), DDERR_SURFACEALREADYATTACHED);
  EXPECT_EQ(static_cast<platform::Surface*>(back)->ZBuffer(), static_cast<platform::Surface*>(z));
  EXPECT_EQ(Fill(z, 0xFFFF), DD_OK);  // depth clears work like colour fills
  Locked l = LockWhole(z);
  EXPECT_EQ(static_cast<std::uint8_t*>(l.desc.lpSurface)[640 * 240 - 1], 0xFF);
  z->Unlock(l.desc.lpSurface);
  z->Release();  // the back buffer keeps its own reference

  platform::Profile().videoMemoryZBuffer = true;
  ASSERT_EQ(ddraw->CreateSurface(&video, &z, nullptr), DD_OK);
  EXPECT_EQ(primary->AddAttachedSurface(z), DD_OK);
  z->Release();
}

TEST_F(Surfaces, ZBuffersMustBeSixteenBitsAndMatchTheirSurface) {
  OpenDisplay(32);
  IDirectDrawSurface* z = nullptr;
  DDSURFACEDESC deep = ZBufferDesc(DDSCAPS_SYSTEMMEMORY);
  deep.dwZBufferBitDepth = 24;
  EXPECT_EQ(ddraw->CreateSurface(&deep, &z, nullptr), DDERR_INVALIDPIXELFORMAT);
  DDSURFACEDESC small = ZBufferDesc(DDSCAPS_SYSTEMMEMORY, 160, 120);
  ASSERT_EQ(ddraw->CreateSurface(&small, &z, nullptr), DD_OK);
  EXPECT_EQ(back->AddAttachedSurface(z), DDERR_INVALIDPARAMS);
  EXPECT_EQ(back->AddAttachedSurface(back), DDERR_INVALIDPARAMS);
  z->Release();
}

TEST_F(Surfaces, TexturesTakeEveryOfferedFormatAndRefuseBadOnes) {
  OpenDisplay(32);
  IDirectDrawSurface* t = nullptr;
  for (const DDPIXELFORMAT& format : platform::DefaultTextureFormats()) {
    DDSURFACEDESC d = TextureDesc(64, 32, format);
    ASSERT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DD_OK) << format.dwRGBBitCount;
    Locked l = LockWhole(t);
    EXPECT_EQ(l.desc.lPitch, static_cast<LONG>(64 * format.dwRGBBitCount / 8));
    t->Unlock(l.desc.lpSurface);
    t->Release();
  }
  DDPIXELFORMAT none{};
  DDSURFACEDESC d = TextureDesc(64, 64, none);
  EXPECT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DDERR_INVALIDPIXELFORMAT);
  DDPIXELFORMAT palette4{32, DDPF_PALETTEINDEXED4, 0, {4}, 0, 0, 0, 0};
  d = TextureDesc(64, 64, palette4);
  EXPECT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DDERR_INVALIDPIXELFORMAT);
  DDPIXELFORMAT rgb12{32, DDPF_RGB, 0, {12}, 0xF00, 0xF0, 0xF, 0};
  d = TextureDesc(64, 64, rgb12);
  EXPECT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DDERR_INVALIDPIXELFORMAT);

  const DDPIXELFORMAT rgb = platform::DefaultTextureFormats()[0];
  for (DWORD side : {0u, 4097u, 0x80000000u}) {
    d = TextureDesc(side, 16, rgb);
    EXPECT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DDERR_INVALIDPARAMS) << side;
    d = TextureDesc(16, side, rgb);
    EXPECT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DDERR_INVALIDPARAMS) << side;
  }
  EXPECT_EQ(t, nullptr);

  // Video-memory textures exist only with a hardware 3D device.
  d = TextureDesc(32, 32, rgb, DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD);
  EXPECT_NE(ddraw->CreateSurface(&d, &t, nullptr), DD_OK);
  platform::Profile().halDevice = true;
  ASSERT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DD_OK);
  t->Release();
}

TEST_F(Surfaces, PalettesAttachToIndexedSurfacesOnly) {
  OpenDisplay(32);
  PALETTEENTRY entries[256] = {};
  for (int i = 0; i < 256; ++i) entries[i] = {BYTE(i), BYTE(255 - i), 7, 0};
  IDirectDrawPalette* small = nullptr;
  IDirectDrawPalette* large = nullptr;
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_4BIT, entries, &small, nullptr), DD_OK);
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_8BIT, entries, &large, nullptr), DD_OK);
  IDirectDrawPalette* bad = large;
  EXPECT_EQ(ddraw->CreatePalette(0, entries, &bad, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(ddraw->CreatePalette(DDPCAPS_4BIT | DDPCAPS_8BIT, entries, &bad, nullptr),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(bad, nullptr);

  PALETTEENTRY out[2] = {};
  ASSERT_EQ(large->GetEntries(0, 200, 2, out), DD_OK);
  EXPECT_EQ(out[1].peRed, 201);
  EXPECT_EQ(out[1].peGreen, 54);
  EXPECT_EQ(small->GetEntries(0, 15, 2, out), DDERR_INVALIDPARAMS);  // only 16 entries

  IDirectDrawSurface* indexed = nullptr;
  DDSURFACEDESC d = TextureDesc(16, 16, platform::DefaultTextureFormats()[7]);
  ASSERT_EQ(ddraw->CreateSurface(&d, &indexed, nullptr), DD_OK);
  EXPECT_EQ(back->SetPalette(large), DDERR_INVALIDPIXELFORMAT);
  ASSERT_EQ(indexed->SetPalette(small), DD_OK);
  ASSERT_EQ(indexed->SetPalette(large), DD_OK);  // the small one is let go
  EXPECT_EQ(small->Release(), 0u);
  auto* surface = static_cast<platform::Surface*>(indexed);
  EXPECT_EQ(surface->AttachedPalette(), static_cast<platform::Palette*>(large));
  ASSERT_EQ(indexed->SetPalette(nullptr), DD_OK);
  EXPECT_EQ(surface->AttachedPalette(), nullptr);
  EXPECT_EQ(large->Release(), 0u);
  indexed->Release();
}

TEST_F(Surfaces, InterfacesAndReferences) {
  OpenDisplay(32);
  void* out = &out;
  ASSERT_EQ(back->QueryInterface(IID_IDirectDrawSurface2, &out), DD_OK);
  auto* surface2 = static_cast<IDirectDrawSurface2*>(out);
  EXPECT_EQ(static_cast<IDirectDrawSurface*>(surface2), back);
  void* owner = nullptr;
  ASSERT_EQ(surface2->GetDDInterface(&owner), DD_OK);
  EXPECT_EQ(owner, static_cast<void*>(ddraw));
  static_cast<IDirectDraw*>(owner)->Release();
  surface2->Release();

  out = &out;
  EXPECT_EQ(back->QueryInterface(IID_IDirect3DTexture2, &out), E_NOINTERFACE);  // not a texture
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(back->QueryInterface(IID_IDirect3DRGBDevice, &out), E_NOINTERFACE);

  // The show releases the back buffer before the primary; the other order is safe too.
  back->Release();
  back = nullptr;
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  primary->Release();
  primary = nullptr;
  ASSERT_EQ(Fill(back, 1), DD_OK);
}

TEST_F(Surfaces, ForcedFailuresReturnTheirCodeByCallName) {
  const HRESULT code = DDERR_OUTOFVIDEOMEMORY;
  host::ForcedFailures()["DirectDrawCreate"] = code;
  EXPECT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), code);
  host::ForcedFailures().clear();

  host::ForcedFailures()["SetDisplayMode32"] = code;
  host::ForcedFailures()["CreateZBuffer"] = DDERR_GENERIC;
  ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
  ASSERT_EQ(ddraw->SetCooperativeLevel(MakeWindow(), 0x13), DD_OK);
  EXPECT_EQ(ddraw->SetDisplayMode(320, 240, 32), code);
  EXPECT_EQ(ddraw->SetDisplayMode(320, 240, 24), DD_OK);
  IDirectDrawSurface* z = nullptr;
  DDSURFACEDESC zd = ZBufferDesc(DDSCAPS_SYSTEMMEMORY);
  EXPECT_EQ(ddraw->CreateSurface(&zd, &z, nullptr), DDERR_GENERIC);

  host::ForcedFailures().clear();
  host::ForcedFailures()["Lock"] = DDERR_SURFACELOST;
  host::ForcedFailures()["Flip"] = DDERR_SURFACELOST;
  DDSURFACEDESC pd{};
  pd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  pd.dwBackBufferCount = 1;
  pd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  ASSERT_EQ(ddraw->CreateSurface(&pd, &primary, nullptr), DD_OK);
  EXPECT_EQ(LockWhole(primary).result, DDERR_SURFACELOST);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
  EXPECT_EQ(host::FlipCount(), 0u);
  EXPECT_EQ(host::ForcedFailure("Unlock"), DD_OK);
}

}  // namespace
