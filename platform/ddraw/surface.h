// surface.h: the stand-in's DirectDraw objects, shared by ddraw/ and d3d/.
//
// A Surface is a block of system memory with a pixel format. The primary
// surface and its back buffer swap their memory on Flip, so the back-buffer
// interface always names the buffer being drawn. A z-buffer is a 16-bit
// surface attached to the back buffer. Texture surfaces answer QueryInterface
// for IDirect3DTexture2, and the DirectDraw object for IDirect3D2: as in the
// real DirectDraw, that is where Direct3D's objects come from (made by d3d/).
//
// Not for the show's rooms: they see only the interfaces of ddraw.h and d3d.h.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/win32/gdi.h"

class IDirect3D2;
class IDirect3DTexture2;

namespace platform {

class DirectDraw;

// Reference counting shared by every stand-in object.
template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~RefCounted() override = default;

 private:
  ULONG refs_ = 1;
};

class Palette final : public RefCounted<IDirectDrawPalette> {
 public:
  Palette(DWORD flags, const PALETTEENTRY* entries);
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) override;

  DWORD flags;
  PALETTEENTRY entries[256] = {};
  int Count() const { return (flags & DDPCAPS_8BIT) ? 256 : 16; }
};

class Surface final : public RefCounted<IDirectDrawSurface2>, public DcSurface {
 public:
  Surface(DirectDraw* owner, const DDSURFACEDESC& desc, int width, int height,
          const DDPIXELFORMAT& format);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT AddAttachedSurface(IDirectDrawSurface* surface) override;
  HRESULT Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
              DDBLTFX* fx) override;
  HRESULT Flip(IDirectDrawSurface* target, DWORD flags) override;
  HRESULT GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out) override;
  HRESULT GetDC(HDC* out) override;
  HRESULT GetPixelFormat(DDPIXELFORMAT* out) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC* out) override;
  HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT Restore() override;
  HRESULT SetPalette(IDirectDrawPalette* palette) override;
  HRESULT Unlock(LPVOID surfaceMemory) override;
  HRESULT GetDDInterface(void** out) override;
  DcPixels DcTarget() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BytesPerPixel() const { return static_cast<int>((format_.dwRGBBitCount + 7) / 8); }
  int Pitch() const { return width_ * BytesPerPixel(); }  // rows are packed
  std::uint8_t* Pixels() { return memory_.data(); }
  const std::uint8_t* Pixels() const { return memory_.data(); }
  const DDPIXELFORMAT& Format() const { return format_; }
  DWORD Caps() const { return caps_; }
  Surface* BackBuffer() const { return back_; }  // primary: its back buffer
  Surface* ZBuffer() const { return zbuffer_; }  // back buffer: its attached depth surface
  Palette* AttachedPalette() const { return palette_; }
  DirectDraw* Owner() const { return owner_; }

 private:
  ~Surface() override;

  DirectDraw* owner_;
  int width_;
  int height_;
  DDPIXELFORMAT format_;
  DWORD caps_;
  std::vector<std::uint8_t> memory_;
  Surface* back_ = nullptr;     // primary: the chain's back buffer (owned reference)
  Surface* front_ = nullptr;    // back buffer: the primary it belongs to (not owned)
  Surface* zbuffer_ = nullptr;  // owned reference
  Palette* palette_ = nullptr;  // owned reference
  HDC dc_ = nullptr;            // the one device context handed out, if any
  bool locked_ = false;
};

class DirectDraw final : public RefCounted<IDirectDraw> {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out,
                        IUnknown* outer) override;
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;

  DWORD DisplayBits() const { return displayBits_; }
  HWND Window() const { return window_; }

 private:
  HWND window_ = nullptr;
  DWORD cooperativeFlags_ = 0;
  DWORD displayBits_ = 0;
  bool primaryMade_ = false;
};

// Pixel format of a w-bit RGB surface (32 or 24), blue in the lowest byte.
DDPIXELFORMAT RgbFormat(DWORD bits);

// Factories of the Direct3D side, defined in d3d/.
IDirect3D2* NewDirect3D(DirectDraw* ddraw);
IDirect3DTexture2* NewTextureInterface(Surface* surface);

}  // namespace platform
