// ddraw.h: the DirectDraw interfaces, records and codes the show uses.
//
// Interfaces are plain C++ classes with reference counts; QueryInterface knows
// the few interface ids the show asks for. Surfaces live in system memory
// (ddraw/surface.cpp); the primary surface is handed to the host when it is
// flipped (host::PresentFrame).
#pragma once

#include "platform/win32/win32.h"

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

// Result codes. DirectDraw codes carry 0x8876 in their upper 16 bits.
constexpr HRESULT MakeDDHResult(unsigned code) { return static_cast<HRESULT>(0x88760000u | code); }
constexpr HRESULT DD_OK = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DDERR_INVALIDMODE = MakeDDHResult(120);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeDDHResult(130);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDDHResult(145);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDHResult(150);
constexpr HRESULT DDERR_NO3D = MakeDDHResult(170);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeDDHResult(212);
constexpr HRESULT DDERR_NODIRECTDRAWHW = MakeDDHResult(222);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDDHResult(225);
constexpr HRESULT DDERR_NOFLIPHW = MakeDDHResult(230);
constexpr HRESULT DDERR_NOTFOUND = MakeDDHResult(255);
constexpr HRESULT DDERR_NOZBUFFERHW = MakeDDHResult(340);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDDHResult(380);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDHResult(430);
constexpr HRESULT DDERR_SURFACELOST = MakeDDHResult(450);
constexpr HRESULT DDERR_SURFACENOTATTACHED = MakeDDHResult(460);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeDDHResult(410);
constexpr HRESULT DDERR_NOTLOCKED = MakeDDHResult(584);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeDDHResult(620);
constexpr HRESULT DDERR_CANTCREATEDC = MakeDDHResult(585);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDDHResult(582);
constexpr HRESULT DDERR_WRONGMODE = MakeDDHResult(587);
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeDDHResult(572);

// Interface ids the show asks for.
inline constexpr GUID IID_IDirectDrawSurface2 = {
    0x57805885, 0x6eec, 0x11cf, {0x94, 0x41, 0xa8, 0x23, 0x03, 0xc1, 0x0e, 0x27}};
inline constexpr GUID IID_IDirect3D2 = {
    0x6aae1ec1, 0x662a, 0x11d0, {0x88, 0x9d, 0x00, 0xaa, 0x00, 0xbb, 0xb7, 0x6a}};
inline constexpr GUID IID_IDirect3DTexture2 = {
    0x93281502, 0x8cf8, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};

// Cooperative level.
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

// Surface description flags.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_ZBUFFERBITDEPTH = 0x00000040;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
constexpr DWORD DDSD_LPSURFACE = 0x00000800;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_TEXTURE = 0x00001000;
constexpr DWORD DDSCAPS_3DDEVICE = 0x00002000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;
constexpr DWORD DDSCAPS_ZBUFFER = 0x00020000;
constexpr DWORD DDSCAPS_ALLOCONLOAD = 0x04000000;

// Pixel format flags.
constexpr DWORD DDPF_ALPHAPIXELS = 0x00000001;
constexpr DWORD DDPF_ALPHA = 0x00000002;
constexpr DWORD DDPF_FOURCC = 0x00000004;
constexpr DWORD DDPF_PALETTEINDEXED4 = 0x00000008;
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDPF_ZBUFFER = 0x00000400;

// Blits, flips, locks, palettes.
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDPCAPS_4BIT = 0x00000001;
constexpr DWORD DDPCAPS_8BIT = 0x00000004;
constexpr DWORD DDPCAPS_ALLOW256 = 0x00000040;

struct DDSCAPS {
  DWORD dwCaps;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

// 32 bytes, as the show fills it (size 32).
struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwZBufferBitDepth;
  };
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

// The show sets dwSize to 108, the record's size on the original platform; the
// layout here has the same members in the same order but 64-bit pointers.
struct DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  union {
    DWORD dwZBufferBitDepth;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwReserved;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved2;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  DWORD dwFillColor;
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};

// The base of every interface: a reference count and a query for other ids.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirectDrawPalette : public IUnknown {
 public:
  virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) = 0;
};

class IDirectDrawSurface : public IUnknown {
 public:
  virtual HRESULT AddAttachedSurface(IDirectDrawSurface* surface) = 0;
  virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
                      DDBLTFX* fx) = 0;
  virtual HRESULT Flip(IDirectDrawSurface* target, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out) = 0;
  virtual HRESULT GetDC(HDC* out) = 0;
  virtual HRESULT GetPixelFormat(DDPIXELFORMAT* out) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* out) = 0;
  virtual HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT Restore() = 0;
  virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
  virtual HRESULT Unlock(LPVOID surfaceMemory) = 0;
};

class IDirectDraw;

class IDirectDrawSurface2 : public IDirectDrawSurface {
 public:
  // Gives the DirectDraw object that made the surface, with a reference taken.
  virtual HRESULT GetDDInterface(void** out) = 0;
};

class IDirectDraw : public IUnknown {
 public:
  virtual HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out,
                                IUnknown* outer) = 0;
  virtual HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
};

using LPDIRECTDRAW = IDirectDraw*;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;

// Creates the DirectDraw object of the default display driver (guid null).
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, IUnknown* outer);
