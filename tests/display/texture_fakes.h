// texture_fakes.h: a device and DirectDraw object that record what the texture
// loader asks of them, over the stand-in's real surfaces and GDI, plus a
// small BMP writer.
//
// TextureDevice offers the formats and the hardware flag a test sets. Its
// render target leads to a RecordingDirectDraw, which makes real surfaces and
// wraps each in a RecordingSurface that counts Restore and hands out a
// RecordingTexture (Load and GetHandle recorded) instead of the real one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "platform/d3d/d3d.h"

namespace texture_test {

struct Log {
  std::vector<DDSURFACEDESC> surfaces;   // CreateSurface descriptions
  std::vector<DWORD> paletteFlags;       // CreatePalette flags
  std::vector<PALETTEENTRY> firstEntries;  // entry 0 of each palette
  int restores = 0;
  struct Load {
    void* destination;
    void* source;
  };
  std::vector<Load> loads;
  int getHandles = 0;
  int liveSurfaces = 0;
};

class RecordingSurface;

class RecordingTexture final : public IDirect3DTexture2 {
 public:
  RecordingTexture(RecordingSurface* owner, Log* log) : owner_(owner), log_(log) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetHandle(IDirect3DDevice2*, D3DTEXTUREHANDLE* out) override {
    ++log_->getHandles;
    *out = 4242;
    return D3D_OK;
  }
  HRESULT Load(IDirect3DTexture2* source) override {
    log_->loads.push_back({owner_, static_cast<RecordingTexture*>(source)->owner_});
    return D3D_OK;
  }

 private:
  ~RecordingTexture() override = default;
  RecordingSurface* owner_;
  Log* log_;
  ULONG refs_ = 1;
};

class RecordingSurface final : public IDirectDrawSurface {
 public:
  RecordingSurface(IDirectDrawSurface* real, Log* log) : real_(real), log_(log) {
    ++log_->liveSurfaces;
  }
  IDirectDrawSurface* Real() const { return real_; }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IDirect3DTexture2) {
      *out = new RecordingTexture(this, log_);
      return D3D_OK;
    }
    return real_->QueryInterface(iid, out);
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT AddAttachedSurface(IDirectDrawSurface* s) override { return real_->AddAttachedSurface(s); }
  HRESULT Blt(RECT* d, IDirectDrawSurface* s, RECT* r, DWORD f, DDBLTFX* fx) override {
    return real_->Blt(d, s, r, f, fx);
  }
  HRESULT Flip(IDirectDrawSurface* t, DWORD f) override { return real_->Flip(t, f); }
  HRESULT GetAttachedSurface(DDSCAPS* c, IDirectDrawSurface** o) override {
    return real_->GetAttachedSurface(c, o);
  }
  HRESULT GetDC(HDC* out) override { return real_->GetDC(out); }
  HRESULT GetPixelFormat(DDPIXELFORMAT* out) override { return real_->GetPixelFormat(out); }
  HRESULT GetSurfaceDesc(DDSURFACEDESC* out) override { return real_->GetSurfaceDesc(out); }
  HRESULT Lock(RECT* r, DDSURFACEDESC* d, DWORD f, HANDLE e) override { return real_->Lock(r, d, f, e); }
  HRESULT ReleaseDC(HDC dc) override { return real_->ReleaseDC(dc); }
  HRESULT Restore() override {
    ++log_->restores;
    return real_->Restore();
  }
  HRESULT SetPalette(IDirectDrawPalette* p) override { return real_->SetPalette(p); }
  HRESULT Unlock(LPVOID m) override { return real_->Unlock(m); }

 private:
  ~RecordingSurface() override {
    --log_->liveSurfaces;
    real_->Release();
  }
  IDirectDrawSurface* real_;
  Log* log_;
  ULONG refs_ = 1;
};

class RecordingDirectDraw final : public IDirectDraw {
 public:
  RecordingDirectDraw(IDirectDraw* real, Log* log) : real_(real), log_(log) {}
  ~RecordingDirectDraw() override { real_->Release(); }
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }  // lives as long as the test
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out,
                        IUnknown* outer) override {
    log_->paletteFlags.push_back(flags);
    log_->firstEntries.push_back(entries[0]);
    return real_->CreatePalette(flags, entries, out, outer);
  }
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) override {
    log_->surfaces.push_back(*desc);
    IDirectDrawSurface* real = nullptr;
    const HRESULT result = real_->CreateSurface(desc, &real, outer);
    if (result != DD_OK) return result;
    *out = new RecordingSurface(real, log_);
    return DD_OK;
  }
  HRESULT SetCooperativeLevel(HWND w, DWORD f) override { return real_->SetCooperativeLevel(w, f); }
  HRESULT SetDisplayMode(DWORD w, DWORD h, DWORD b) override { return real_->SetDisplayMode(w, h, b); }
  ULONG refs_ = 1;

 private:
  IDirectDraw* real_;
  Log* log_;
};

// The render target: only what the loader asks of it.
class TargetSurface final : public IDirectDrawSurface2 {
 public:
  explicit TargetSurface(IDirectDraw* ddraw) : ddraw_(ddraw) {}
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!(iid == IID_IDirectDrawSurface2) || refuseQuery) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IDirectDrawSurface2*>(this);
    return DD_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }
  HRESULT GetDDInterface(void** out) override {
    ddraw_->AddRef();
    *out = ddraw_;
    return DD_OK;
  }
  HRESULT AddAttachedSurface(IDirectDrawSurface*) override { return E_NOTIMPL; }
  HRESULT Blt(RECT*, IDirectDrawSurface*, RECT*, DWORD, DDBLTFX*) override { return E_NOTIMPL; }
  HRESULT Flip(IDirectDrawSurface*, DWORD) override { return E_NOTIMPL; }
  HRESULT GetAttachedSurface(DDSCAPS*, IDirectDrawSurface**) override { return E_NOTIMPL; }
  HRESULT GetDC(HDC*) override { return E_NOTIMPL; }
  HRESULT GetPixelFormat(DDPIXELFORMAT*) override { return E_NOTIMPL; }
  HRESULT GetSurfaceDesc(DDSURFACEDESC*) override { return E_NOTIMPL; }
  HRESULT Lock(RECT*, DDSURFACEDESC*, DWORD, HANDLE) override { return E_NOTIMPL; }
  HRESULT ReleaseDC(HDC) override { return E_NOTIMPL; }
  HRESULT Restore() override { return E_NOTIMPL; }
  HRESULT SetPalette(IDirectDrawPalette*) override { return E_NOTIMPL; }
  HRESULT Unlock(LPVOID) override { return E_NOTIMPL; }
  ULONG refs_ = 1;
  bool refuseQuery = false;

 private:
  IDirectDraw* ddraw_;
};

class TextureDevice final : public IDirect3DDevice2 {
 public:
  TextureDevice(IDirectDraw* ddraw) : target(ddraw) {}
  std::vector<DDPIXELFORMAT> formats;
  bool hardware = false;
  bool noTarget = false;
  TargetSurface target;

  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT AddViewport(IDirect3DViewport2*) override { return E_NOTIMPL; }
  HRESULT SetCurrentViewport(IDirect3DViewport2*) override { return E_NOTIMPL; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
  HRESULT BeginScene() override { return E_NOTIMPL; }
  HRESULT EndScene() override { return E_NOTIMPL; }
  HRESULT Begin(D3DPRIMITIVETYPE, D3DVERTEXTYPE, DWORD) override { return E_NOTIMPL; }
  HRESULT Vertex(LPVOID) override { return E_NOTIMPL; }
  HRESULT End(DWORD) override { return E_NOTIMPL; }
  HRESULT GetRenderTarget(IDirectDrawSurface** out) override {
    if (noTarget) return E_FAIL;
    target.AddRef();
    *out = &target;
    return DD_OK;
  }
  HRESULT GetCaps(D3DDEVICEDESC* hw, D3DDEVICEDESC* sw) override {
    if (hw->dwSize != 204 || sw->dwSize != 204) return DDERR_INVALIDPARAMS;
    hw->dcmColorModel = hardware ? D3DCOLOR_RGB : 0;
    sw->dcmColorModel = hardware ? 0 : D3DCOLOR_RGB;
    return D3D_OK;
  }
  HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, LPVOID context) override {
    for (const DDPIXELFORMAT& f : formats) {
      DDSURFACEDESC desc{};
      desc.dwSize = 108;
      desc.dwFlags = DDSD_PIXELFORMAT;
      desc.ddpfPixelFormat = f;
      callback(&desc, context);
    }
    return D3D_OK;
  }
};


inline const DDPIXELFORMAT Rgb565 = platform::MakePixelFormat(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F);
inline const DDPIXELFORMAT Rgb555 = platform::MakePixelFormat(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F);
inline const DDPIXELFORMAT Rgb888 = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);
inline const DDPIXELFORMAT Rgb24 = platform::MakePixelFormat(DDPF_RGB, 24, 0xFF0000, 0xFF00, 0xFF);
inline const DDPIXELFORMAT Argb8888 =
    platform::MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
inline const DDPIXELFORMAT Argb1555 =
    platform::MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
inline const DDPIXELFORMAT Rgb332 = platform::MakePixelFormat(DDPF_RGB, 8, 0xE0, 0x1C, 0x03);
inline const DDPIXELFORMAT Palette8 = platform::MakePixelFormat(DDPF_PALETTEINDEXED8, 8);

// A bottom-up BMP: 24 bits with every pixel `colour` (0xRRGGBB), or 8 bits
// with `entries` colour-table entries (entry i = (i, 2i, 255 - i)) and pixel
// values running 0, 1, 2, ... modulo the entry count.
inline void WriteBmp(const std::filesystem::path& path, int width, int height, int bits,
                     std::uint32_t colour = 0, int entries = 0) {
  const int rowBytes = ((width * bits / 8) + 3) & ~3;
  const int tableBytes = bits == 8 ? entries * 4 : 0;
  const std::uint32_t offset = 14 + 40 + tableBytes;
  std::vector<std::uint8_t> out;
  auto u16 = [&](std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  u32(offset + rowBytes * height);
  u32(0);
  u32(offset);
  u32(40);
  u32(std::uint32_t(width));
  u32(std::uint32_t(height));
  u16(1);
  u16(std::uint32_t(bits));
  u32(0);
  u32(std::uint32_t(rowBytes * height));
  u32(2835);
  u32(2835);
  u32(bits == 8 ? std::uint32_t(entries) : 0);
  u32(0);
  for (int i = 0; i < (bits == 8 ? entries : 0); ++i) {
    out.push_back(std::uint8_t(255 - i));  // blue
    out.push_back(std::uint8_t(2 * i));    // green
    out.push_back(std::uint8_t(i));        // red
    out.push_back(0);
  }
  for (int y = 0; y < height; ++y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes), 0);
    for (int x = 0; x < width; ++x) {
      if (bits == 24) {
        row[3 * x] = std::uint8_t(colour);
        row[3 * x + 1] = std::uint8_t(colour >> 8);
        row[3 * x + 2] = std::uint8_t(colour >> 16);
      } else {
        row[x] = std::uint8_t((y * width + x) % entries);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                              static_cast<long>(out.size()));
}

}  // namespace texture_test
