// DirectDraw surfaces where the show's runs do not go: what holds a surface
// busy, refused rectangles, z-buffers and textures, palettes. Modes per driver
// profile and forced failures are checked through the display's set-up
// (tests/display), the happy paths by every captured frame.
#include <cstring>

#include "platform/d3d/d3d.h"
#include "platform/ddraw/driver.h"
#include "platform/ddraw/surface.h"
#include "platform/host/host.h"
#include "platform/win32/gdi.h"
#include "support/display_fixture.h"
#include "support/surface_util.h"

namespace {

using surfacetest::Fill;

DDSURFACEDESC Desc(DWORD caps, DWORD width, DWORD height, const DDPIXELFORMAT& format = {},
                   DWORD zBits = 16) {
  DDSURFACEDESC d{};
  d.dwSize = 108;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT |
              ((caps & DDSCAPS_ZBUFFER) ? DDSD_ZBUFFERBITDEPTH : DDSD_PIXELFORMAT);
  d.dwWidth = width;
  d.dwHeight = height;
  d.dwZBufferBitDepth = zBits;
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps = caps;
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

using Surfaces = OffscreenPlatform;

TEST_F(Surfaces, ALockOrADeviceContextHoldsTheSurfaceAndTheFlipUntilReleased) {
  OpenDisplay(32);
  Locked first = LockWhole(back);
  ASSERT_EQ(first.result, DD_OK);
  HDC dc = nullptr;
  EXPECT_EQ(LockWhole(back).result, DDERR_SURFACEBUSY);
  EXPECT_EQ(Fill(back, 0), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACEBUSY);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
  EXPECT_EQ(host::FlipCount(), 0u);
  EXPECT_EQ(back->Unlock(first.desc.lpSurface), DD_OK);
  EXPECT_EQ(back->Unlock(nullptr), DDERR_NOTLOCKED);
  RECT part{0, 0, 10, 10};
  DDSURFACEDESC desc{};
  EXPECT_NE(back->Lock(&part, &desc, DDLOCK_WAIT, nullptr), DD_OK);  // whole surface only
  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);   // only the primary flips

  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  EXPECT_EQ(dc->surface, static_cast<platform::Surface*>(back));
  HDC second = nullptr;
  EXPECT_EQ(back->GetDC(&second), DDERR_DCALREADYCREATED);
  EXPECT_EQ(LockWhole(back).result, DDERR_SURFACEBUSY);
  EXPECT_EQ(back->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(back->ReleaseDC(dc), DDERR_INVALIDPARAMS);
  platform::Profile().getDC = false;
  EXPECT_EQ(back->GetDC(&dc), DDERR_CANTCREATEDC);
  EXPECT_EQ(dc, nullptr);
}

TEST_F(Surfaces, ColourFillCoversItsRectangleInTheSurfaceFormatAndRefusesBadOnes) {
  OpenDisplay(24);
  RECT r{10, 20, 12, 21};
  ASSERT_EQ(Fill(back, 0xFF123456), DD_OK);
  ASSERT_EQ(Fill(back, 0x00ABCDEF, &r), DD_OK);
  Locked l = LockWhole(back);
  ASSERT_EQ(l.result, DD_OK);
  auto at = [&](int x, int y) { return static_cast<std::uint8_t*>(l.desc.lpSurface) + y * 960 + x * 3; };
  EXPECT_EQ(at(10, 20)[0], 0xEF);
  EXPECT_EQ(at(11, 20)[2], 0xAB);
  EXPECT_EQ(at(12, 20)[0], 0x56);  // right and bottom edges are outside
  EXPECT_EQ(at(10, 21)[2], 0x12);
  back->Unlock(l.desc.lpSurface);
  RECT outside{300, 0, 321, 10}, inverted{5, 5, 4, 6};
  EXPECT_EQ(Fill(back, 0, &outside), DDERR_INVALIDRECT);
  EXPECT_EQ(Fill(back, 0, &inverted), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, ZBuffersAreSixteenBitsOfTheSurfaceSize) {
  OpenDisplay(32);
  IDirectDrawSurface* z = nullptr;
  DDSURFACEDESC deep = Desc(DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, 320, 240, {}, 24);
  EXPECT_EQ(ddraw->CreateSurface(&deep, &z, nullptr), DDERR_INVALIDPIXELFORMAT);
  DDSURFACEDESC small = Desc(DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, 160, 120);
  ASSERT_EQ(ddraw->CreateSurface(&small, &z, nullptr), DD_OK);
  EXPECT_EQ(back->AddAttachedSurface(z), DDERR_INVALIDPARAMS);
  EXPECT_EQ(back->AddAttachedSurface(back), DDERR_INVALIDPARAMS);
  z->Release();
  DDSURFACEDESC whole = Desc(DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, 320, 240);
  ASSERT_EQ(ddraw->CreateSurface(&whole, &z, nullptr), DD_OK);
  ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
  EXPECT_EQ(back->AddAttachedSurface(z), DDERR_SURFACEALREADYATTACHED);
  z->Release();  // the back buffer keeps its own reference
  EXPECT_EQ(Fill(static_cast<platform::Surface*>(back)->ZBuffer(), 0xFFFF), DD_OK);
}

TEST_F(Surfaces, TexturesTakeEveryOfferedFormatAndRefuseBadOnes) {
  OpenDisplay(32);
  IDirectDrawSurface* t = nullptr;
  for (const DDPIXELFORMAT& format : platform::DefaultTextureFormats()) {
    DDSURFACEDESC d = Desc(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 64, 32, format);
    ASSERT_EQ(ddraw->CreateSurface(&d, &t, nullptr), DD_OK) << format.dwRGBBitCount;
    Locked l = LockWhole(t);
    EXPECT_EQ(l.desc.lPitch, static_cast<LONG>(64 * format.dwRGBBitCount / 8));
    t->Unlock(l.desc.lpSurface);
    t->Release();
  }
  const DDPIXELFORMAT rgb = platform::DefaultTextureFormats()[0];
  const DWORD texture = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  const struct {
    DDSURFACEDESC desc;
    HRESULT result;
  } refused[] = {
      {Desc(texture, 64, 64, DDPIXELFORMAT{}), DDERR_INVALIDPIXELFORMAT},
      {Desc(texture, 64, 64, {32, DDPF_PALETTEINDEXED4, 0, {4}, 0, 0, 0, 0}), DDERR_INVALIDPIXELFORMAT},
      {Desc(texture, 64, 64, {32, DDPF_RGB, 0, {12}, 0xF00, 0xF0, 0xF, 0}), DDERR_INVALIDPIXELFORMAT},
      {Desc(texture, 0, 16, rgb), DDERR_INVALIDPARAMS},
      {Desc(texture, 16, 4097, rgb), DDERR_INVALIDPARAMS},
      {Desc(texture, 0x80000000u, 16, rgb), DDERR_INVALIDPARAMS},
  };
  for (auto c : refused) {
    EXPECT_EQ(ddraw->CreateSurface(&c.desc, &t, nullptr), c.result)
        << c.desc.dwWidth << "x" << c.desc.dwHeight;
    EXPECT_EQ(t, nullptr);
  }
  // Video-memory textures exist only with a hardware 3D device.
  DDSURFACEDESC video = Desc(DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD, 32, 32, rgb);
  EXPECT_NE(ddraw->CreateSurface(&video, &t, nullptr), DD_OK);
  platform::Profile().halDevice = true;
  ASSERT_EQ(ddraw->CreateSurface(&video, &t, nullptr), DD_OK);
  t->Release();
}

TEST_F(Surfaces, PalettesAttachToIndexedSurfacesOnlyAndLetTheOldOneGo) {
  OpenDisplay(32);
  PALETTEENTRY entries[256] = {};
  for (int i = 0; i < 256; ++i) entries[i] = {BYTE(i), BYTE(255 - i), 7, 0};
  IDirectDrawPalette *small = nullptr, *large = nullptr;
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_4BIT, entries, &small, nullptr), DD_OK);
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_8BIT, entries, &large, nullptr), DD_OK);
  PALETTEENTRY out[2] = {};
  ASSERT_EQ(large->GetEntries(0, 200, 2, out), DD_OK);
  EXPECT_EQ(out[1].peRed, 201);
  EXPECT_EQ(out[1].peGreen, 54);
  EXPECT_EQ(small->GetEntries(0, 15, 2, out), DDERR_INVALIDPARAMS);  // only 16 entries

  IDirectDrawSurface* indexed = nullptr;
  DDSURFACEDESC d =
      Desc(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 16, 16, platform::DefaultTextureFormats()[7]);
  ASSERT_EQ(ddraw->CreateSurface(&d, &indexed, nullptr), DD_OK);
  EXPECT_EQ(back->SetPalette(large), DDERR_INVALIDPIXELFORMAT);
  ASSERT_EQ(indexed->SetPalette(small), DD_OK);
  ASSERT_EQ(indexed->SetPalette(large), DD_OK);
  EXPECT_EQ(small->Release(), 0u);
  EXPECT_EQ(static_cast<platform::Surface*>(indexed)->AttachedPalette(),
            static_cast<platform::Palette*>(large));
  ASSERT_EQ(indexed->SetPalette(nullptr), DD_OK);
  EXPECT_EQ(large->Release(), 0u);
  indexed->Release();
}

}  // namespace
