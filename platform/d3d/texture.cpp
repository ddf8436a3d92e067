// texture.cpp: the texture interface of a surface (IDirect3DTexture2),
// texture handles, and how the rasterizer reads a texture surface.
//
// A handle keeps a reference to its surface until the device it was made for
// is released, so a handle can never name freed memory; a handle that names
// nothing (0, unknown, or dropped with its device) draws untextured. Surfaces
// in a pixel format the rasterizer does not sample also draw untextured.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace platform {

namespace {

struct HandleEntry {
  Surface* surface;                // owned reference; null once dropped
  const IDirect3DDevice2* device;  // the device the handle was made for
};

std::vector<HandleEntry>& HandleTable() {
  static std::vector<HandleEntry> table;  // handle - 1 -> entry
  return table;
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
  return a.dwFlags == b.dwFlags && a.dwRGBBitCount == b.dwRGBBitCount &&
         a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
         a.dwBBitMask == b.dwBBitMask && a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

bool Masks(const DDPIXELFORMAT& f, DWORD r, DWORD g, DWORD b) {
  return f.dwRBitMask == r && f.dwGBitMask == g && f.dwBBitMask == b;
}

raster::TexelFormat TexelFormatOf(const DDPIXELFORMAT& f) {
  using raster::TexelFormat;
  if (f.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4))
    return f.dwRGBBitCount == 8 ? TexelFormat::Indexed8 : TexelFormat::None;
  if (!(f.dwFlags & DDPF_RGB)) return TexelFormat::None;
  const bool alpha = (f.dwFlags & DDPF_ALPHAPIXELS) != 0;
  const DWORD a = alpha ? f.dwRGBAlphaBitMask : 0;
  switch (f.dwRGBBitCount) {
    case 8:
      return Masks(f, 0xE0, 0x1C, 0x03) ? TexelFormat::Rgb332 : TexelFormat::None;
    case 16:
      if (Masks(f, 0x7C00, 0x03E0, 0x001F)) return a == 0x8000 ? TexelFormat::Argb1555 : TexelFormat::Rgb555;
      if (Masks(f, 0xF800, 0x07E0, 0x001F) && a == 0) return TexelFormat::Rgb565;
      if (Masks(f, 0x0F00, 0x00F0, 0x000F) && a == 0xF000) return TexelFormat::Argb4444;
      return TexelFormat::None;
    case 32:
      if (!Masks(f, 0xFF0000, 0xFF00, 0xFF)) return TexelFormat::None;
      return a == 0xFF000000u ? TexelFormat::Argb8888 : TexelFormat::Xrgb8888;
    default:
      return TexelFormat::None;
  }
}

}  // namespace

raster::Texture TextureView(const Surface& surface, std::array<std::uint32_t, 256>& palette) {
  raster::Texture t;
  t.format = TexelFormatOf(surface.Format());
  if (t.format == raster::TexelFormat::Indexed8) {
    const Palette* p = surface.AttachedPalette();
    if (p == nullptr) return raster::Texture{};
    for (int i = 0; i < 256; ++i) {
      const PALETTEENTRY& e = p->entries[i];
      palette[i] = 0xFF000000u | (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    t.palette = palette.data();
  }
  t.pixels = surface.Pixels();
  t.width = surface.Width();
  t.height = surface.Height();
  t.pitch = surface.Pitch();
  return t;
}

Surface* FindTexture(D3DTEXTUREHANDLE handle) {
  const auto& table = HandleTable();
  if (handle == 0 || handle > table.size()) return nullptr;
  return table[handle - 1].surface;
}

void ForgetTextureHandles(const IDirect3DDevice2* device) {
  for (HandleEntry& e : HandleTable()) {
    if (e.device == device && e.surface != nullptr) {
      Surface* s = e.surface;
      e.surface = nullptr;
      s->Release();
    }
  }
}

void ResetTextureHandles() {
  auto& table = HandleTable();
  std::vector<HandleEntry> old;
  old.swap(table);
  for (HandleEntry& e : old)
    if (e.surface != nullptr) e.surface->Release();
}

Direct3DTexture::Direct3DTexture(Surface* surface) : surface_(surface) { surface_->AddRef(); }

Direct3DTexture::~Direct3DTexture() { surface_->Release(); }

HRESULT Direct3DTexture::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirect3DTexture2)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDirect3DTexture2*>(this);
  return D3D_OK;
}

// One handle per surface and device.
HRESULT Direct3DTexture::GetHandle(IDirect3DDevice2* device, D3DTEXTUREHANDLE* out) {
  if (HRESULT forced = host::ForcedFailure("GetHandle")) return forced;
  if (device == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
  auto& table = HandleTable();
  auto found = std::find_if(table.begin(), table.end(), [&](const HandleEntry& e) {
    return e.surface == surface_ && e.device == device;
  });
  if (found == table.end()) {
    surface_->AddRef();
    found = table.insert(table.end(), HandleEntry{surface_, device});
  }
  *out = static_cast<D3DTEXTUREHANDLE>(found - table.begin() + 1);
  return D3D_OK;
}

// Copies the source texture's pixels, and its palette, into this one; both
// must have the same size and pixel format.
HRESULT Direct3DTexture::Load(IDirect3DTexture2* source) {
  if (HRESULT forced = host::ForcedFailure("Load")) return forced;
  auto* from = dynamic_cast<Direct3DTexture*>(source);
  if (from == nullptr) return DDERR_INVALIDPARAMS;
  Surface* src = from->surface_;
  Surface* dst = surface_;
  if (src == dst) return D3D_OK;
  if (src->Width() != dst->Width() || src->Height() != dst->Height() ||
      !SameFormat(src->Format(), dst->Format()))
    return DDERR_INVALIDPARAMS;
  std::memcpy(dst->Pixels(), src->Pixels(), static_cast<std::size_t>(src->Pitch()) * src->Height());
  if (Palette* p = src->AttachedPalette()) {
    if (Palette* q = dst->AttachedPalette()) std::copy(std::begin(p->entries), std::end(p->entries), q->entries);
    else dst->SetPalette(p);
  }
  return D3D_OK;
}

IDirect3DTexture2* NewTextureInterface(Surface* surface) {
  return surface != nullptr ? new Direct3DTexture(surface) : nullptr;
}

}  // namespace platform
