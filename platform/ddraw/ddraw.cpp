// ddraw.cpp: the DirectDraw object, palettes and DirectDrawCreate.
//
// The display driver is described by Profile() (driver.h): which 320x240 depths it
// offers, where a z-buffer may live, whether video-memory textures exist. Every
// call first asks host::ForcedFailure under its own name, so tests can make any
// step fail. Surfaces themselves are in ddraw/surface.cpp.

#include <cstdio>
#include <new>
#include <string>

#include "platform/host/host.h"
#include "platform/ddraw/driver.h"
#include "platform/win32/user.h"
#include "platform/ddraw/surface.h"

namespace platform {
namespace {

constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDHResult(564);
constexpr DWORD kMaxSurfaceSide = 4096;
constexpr DWORD kScreenWidth = 320;
constexpr DWORD kScreenHeight = 240;

bool ValidSize(DWORD width, DWORD height) {
  return width >= 1 && height >= 1 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide;
}

// Pixel formats a surface may have: RGB at 8, 16, 24 or 32 bits, or 8-bit
// palette indices (4-bit palettes are stored one index a byte).
bool ValidPixelFormat(const DDPIXELFORMAT& f) {
  if (f.dwFlags & DDPF_FOURCC) return false;
  if (f.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4)) return f.dwRGBBitCount == 8;
  if (f.dwFlags & DDPF_RGB)
    return f.dwRGBBitCount == 8 || f.dwRGBBitCount == 16 || f.dwRGBBitCount == 24 ||
           f.dwRGBBitCount == 32;
  return false;
}

DDPIXELFORMAT ZBufferFormat(DWORD bits) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = DDPF_ZBUFFER;
  f.dwZBufferBitDepth = bits;
  f.dwGBitMask = (1u << bits) - 1;  // the depth bits
  return f;
}

// Adds system memory as the placement when the description names none.
DDSURFACEDESC WithPlacement(const DDSURFACEDESC& desc) {
  DDSURFACEDESC placed = desc;
  if (!(placed.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)))
    placed.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  return placed;
}

// A primary surface either stands alone or heads a flip chain of exactly one
// back buffer, which needs exclusive full-screen mode.
HRESULT CheckFlipChain(const DDSURFACEDESC& d, DWORD cooperativeFlags) {
  const DWORD caps = d.ddsCaps.dwCaps;
  if (!(caps & DDSCAPS_FLIP)) return DD_OK;
  if (!(caps & DDSCAPS_COMPLEX) || !(d.dwFlags & DDSD_BACKBUFFERCOUNT) || d.dwBackBufferCount != 1)
    return DDERR_INVALIDPARAMS;
  if (!(cooperativeFlags & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
  return DD_OK;
}

bool HasValidSize(const DDSURFACEDESC& d) {
  return (d.dwFlags & DDSD_WIDTH) && (d.dwFlags & DDSD_HEIGHT) && ValidSize(d.dwWidth, d.dwHeight);
}

// A 16-bit depth surface; video memory only where the driver has z-buffer hardware.
HRESULT CheckZBuffer(const DDSURFACEDESC& d, DDPIXELFORMAT* format) {
  if (HRESULT forced = host::ForcedFailure("CreateZBuffer")) return forced;
  if (!HasValidSize(d)) return DDERR_INVALIDPARAMS;
  DWORD bits = (d.dwFlags & DDSD_ZBUFFERBITDEPTH) ? d.dwZBufferBitDepth
               : (d.dwFlags & DDSD_PIXELFORMAT)   ? d.ddpfPixelFormat.dwZBufferBitDepth
                                                  : 0;
  if (bits != 16) return DDERR_INVALIDPIXELFORMAT;
  if ((d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) && !Profile().videoMemoryZBuffer)
    return DDERR_NOZBUFFERHW;
  *format = ZBufferFormat(bits);
  return DD_OK;
}

// Textures and other off-screen surfaces: the description's size and pixel
// format (the screen's format when it gives none).
HRESULT CheckPlainSurface(const DDSURFACEDESC& d, DWORD screenBits, DDPIXELFORMAT* format) {
  const DWORD caps = d.ddsCaps.dwCaps;
  if (caps & DDSCAPS_TEXTURE)
    if (HRESULT forced = host::ForcedFailure("CreateTexture")) return forced;
  if (!HasValidSize(d)) return DDERR_INVALIDPARAMS;
  *format = (d.dwFlags & DDSD_PIXELFORMAT) ? d.ddpfPixelFormat : RgbFormat(screenBits);
  if (!ValidPixelFormat(*format)) return DDERR_INVALIDPIXELFORMAT;
  // Without a hardware 3D device there is no texture memory on the card.
  if ((caps & DDSCAPS_TEXTURE) && (caps & DDSCAPS_VIDEOMEMORY) && !Profile().halDevice)
    return DDERR_OUTOFVIDEOMEMORY;
  format->dwSize = sizeof(DDPIXELFORMAT);
  return DD_OK;
}

}  // namespace

DDPIXELFORMAT RgbFormat(DWORD bits) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = DDPF_RGB;
  f.dwRGBBitCount = bits;
  f.dwRBitMask = 0x00FF0000;
  f.dwGBitMask = 0x0000FF00;
  f.dwBBitMask = 0x000000FF;
  return f;
}

// ---- Palette ----

Palette::Palette(DWORD paletteFlags, const PALETTEENTRY* source) : flags(paletteFlags) {
  if (source != nullptr)
    for (int i = 0; i < Count(); ++i) entries[i] = source[i];
}

HRESULT Palette::QueryInterface(REFIID, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT Palette::GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* out) {
  if (HRESULT forced = host::ForcedFailure("GetEntries")) return forced;
  if (out == nullptr || base > static_cast<DWORD>(Count()) || count > Count() - base)
    return DDERR_INVALIDPARAMS;
  for (DWORD i = 0; i < count; ++i) out[i] = entries[base + i];
  return DD_OK;
}

// ---- DirectDraw ----

HRESULT DirectDraw::QueryInterface(REFIID iid, void** out) {
  if (HRESULT forced = host::ForcedFailure("QueryInterface")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirect3D2)) return E_NOINTERFACE;
  IDirect3D2* direct3d = NewDirect3D(this);
  if (direct3d == nullptr) return E_NOINTERFACE;
  *out = direct3d;
  return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out,
                                  IUnknown* outer) {
  if (HRESULT forced = host::ForcedFailure("CreatePalette")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (cooperativeFlags_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
  bool four = (flags & DDPCAPS_4BIT) != 0;
  bool eight = (flags & DDPCAPS_8BIT) != 0;
  if (four == eight || entries == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *out = new Palette(flags, entries);
  return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
  if (HRESULT forced = host::ForcedFailure("SetCooperativeLevel")) return forced;
  if (flags == 0) return DDERR_INVALIDPARAMS;
  // Exclusive full-screen mode belongs to a real window.
  bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
  if (exclusive && (!(flags & DDSCL_FULLSCREEN) || !WindowExists(window)))
    return DDERR_INVALIDPARAMS;
  window_ = window;
  cooperativeFlags_ = flags;
  return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  std::string depthCall = "SetDisplayMode" + std::to_string(bitsPerPixel);
  if (HRESULT forced = host::ForcedFailure(depthCall.c_str())) return forced;
  if (HRESULT forced = host::ForcedFailure("SetDisplayMode")) return forced;
  const DriverProfile& profile = Profile();
  bool offered = (bitsPerPixel == 32 && profile.mode32) || (bitsPerPixel == 24 && profile.mode24);
  if (width != kScreenWidth || height != kScreenHeight || !offered) return DDERR_INVALIDMODE;
  displayBits_ = bitsPerPixel;
  return DD_OK;
}

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) {
  if (HRESULT forced = host::ForcedFailure("CreateSurface")) return forced;
  if (desc == nullptr || out == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (cooperativeFlags_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
  DDSURFACEDESC d = *desc;
  if (!(d.dwFlags & DDSD_CAPS)) d.ddsCaps.dwCaps = 0;
  const DWORD caps = d.ddsCaps.dwCaps;
  const DWORD screenBits = displayBits_ != 0 ? displayBits_ : 32;
  try {
    if (caps & DDSCAPS_PRIMARYSURFACE) {
      if (primaryMade_) return DDERR_PRIMARYSURFACEALREADYEXISTS;
      if (HRESULT bad = CheckFlipChain(d, cooperativeFlags_)) return bad;
      *out = new Surface(this, d, kScreenWidth, kScreenHeight, RgbFormat(screenBits));
      primaryMade_ = true;
      return DD_OK;
    }
    DDPIXELFORMAT format{};
    HRESULT bad = (caps & DDSCAPS_ZBUFFER) ? CheckZBuffer(d, &format)
                                           : CheckPlainSurface(d, screenBits, &format);
    if (bad != DD_OK) return bad;
    *out = new Surface(this, WithPlacement(d), static_cast<int>(d.dwWidth),
                       static_cast<int>(d.dwHeight), format);
    return DD_OK;
  } catch (const std::bad_alloc&) {
    return DDERR_OUTOFMEMORY;
  }
}

}  // namespace platform

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, IUnknown* outer) {
  if (HRESULT forced = host::ForcedFailure("DirectDrawCreate")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  // Only the default display driver exists; aggregation is not offered.
  if (driver != nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  if (!host::OpenDisplay()) return DDERR_NODIRECTDRAWHW;
  *out = new platform::DirectDraw();
  return DD_OK;
}
