// surface.cpp: DirectDraw surfaces: blocks of system memory with a
// pixel format, rows packed at the pixel size.
//
// The primary surface of a flip chain makes its back buffer itself; Flip
// swaps the two buffers' memory, so the back-buffer interface always names the
// buffer being drawn. Only whole-surface locks and colour-fill blits exist.
// A surface holds a reference to its DirectDraw object, so GetDDInterface
// stays valid for as long as any surface does.
#include <memory>

#include "platform/win32/gdi.h"
#include "platform/host/host.h"
#include "platform/ddraw/driver.h"
#include "platform/ddraw/surface.h"

namespace platform {
namespace {

Surface* AsSurface(IDirectDrawSurface* s) { return dynamic_cast<Surface*>(s); }

// The back buffer's capabilities, derived from the primary's.
DDSURFACEDESC BackBufferDesc(const DDSURFACEDESC& primary) {
  DDSURFACEDESC d = primary;
  d.dwFlags &= ~DDSD_BACKBUFFERCOUNT;
  d.dwBackBufferCount = 0;
  d.ddsCaps.dwCaps &= ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER);
  d.ddsCaps.dwCaps |= DDSCAPS_BACKBUFFER;
  return d;
}

bool HeadsFlipChain(const DDSURFACEDESC& d) {
  return (d.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) && (d.ddsCaps.dwCaps & DDSCAPS_FLIP) &&
         d.dwBackBufferCount >= 1;
}

}  // namespace

Surface::Surface(DirectDraw* owner, const DDSURFACEDESC& desc, int width, int height,
                 const DDPIXELFORMAT& format)
    : owner_(owner), width_(width), height_(height), format_(format), caps_(desc.ddsCaps.dwCaps) {
  // A new z-buffer holds the far plane, so a scene drawn before the first
  // Clear (a run started at the 3D scene) is not hidden behind depth 0.
  const std::uint8_t fill = (caps_ & DDSCAPS_ZBUFFER) ? 0xFF : 0;
  memory_.assign(static_cast<std::size_t>(width) * height * BytesPerPixel(), fill);
  if (HeadsFlipChain(desc)) {
    caps_ |= DDSCAPS_FRONTBUFFER;
    back_ = new Surface(owner, BackBufferDesc(desc), width, height, format);
    back_->front_ = this;
  }
  if (owner_ != nullptr) owner_->AddRef();
}

Surface::~Surface() {
  if (back_ != nullptr) {
    back_->front_ = nullptr;
    back_->Release();
  }
  if (zbuffer_ != nullptr) zbuffer_->Release();
  if (palette_ != nullptr) palette_->Release();
  delete dc_;
  if (owner_ != nullptr) owner_->Release();
}

HRESULT Surface::QueryInterface(REFIID iid, void** out) {
  if (HRESULT forced = host::ForcedFailure("QueryInterface")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (iid == IID_IDirectDrawSurface2) {
    AddRef();
    *out = static_cast<IDirectDrawSurface2*>(this);
    return DD_OK;
  }
  if (iid == IID_IDirect3DTexture2 && (caps_ & DDSCAPS_TEXTURE)) {
    IDirect3DTexture2* texture = NewTextureInterface(this);
    if (texture == nullptr) return E_NOINTERFACE;
    *out = texture;
    return DD_OK;
  }
  return E_NOINTERFACE;
}

// A z-buffer of the same size goes onto a surface that has none yet.
HRESULT Surface::AddAttachedSurface(IDirectDrawSurface* surface) {
  if (HRESULT forced = host::ForcedFailure("AddAttachedSurface")) return forced;
  Surface* z = AsSurface(surface);
  if (z == nullptr || z == this) return DDERR_INVALIDPARAMS;
  if (!(z->caps_ & DDSCAPS_ZBUFFER) || (caps_ & DDSCAPS_ZBUFFER)) return DDERR_INVALIDPARAMS;
  if (zbuffer_ != nullptr) return DDERR_SURFACEALREADYATTACHED;
  if (z->width_ != width_ || z->height_ != height_) return DDERR_INVALIDPARAMS;
  z->AddRef();
  zbuffer_ = z;
  return DD_OK;
}

// Colour fill of the whole surface or of a rectangle inside it; the fill value
// is in the surface's own format (its low bytes, blue first).
HRESULT Surface::Blt(RECT* destRect, IDirectDrawSurface* src, RECT*, DWORD flags, DDBLTFX* fx) {
  if (HRESULT forced = host::ForcedFailure("Blt")) return forced;
  if (src != nullptr || !(flags & DDBLT_COLORFILL)) return DDERR_UNSUPPORTED;
  if (fx == nullptr) return DDERR_INVALIDPARAMS;
  if (locked_ || dc_ != nullptr) return DDERR_SURFACEBUSY;
  RECT r = destRect ? *destRect : RECT{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom || r.right > width_ ||
      r.bottom > height_)
    return DDERR_INVALIDRECT;
  const int bytes = BytesPerPixel();
  std::uint8_t value[4];
  for (int i = 0; i < 4; ++i) value[i] = static_cast<std::uint8_t>(fx->dwFillColor >> (8 * i));
  for (LONG y = r.top; y < r.bottom; ++y) {
    std::uint8_t* p = memory_.data() + static_cast<std::size_t>(y) * Pitch() + r.left * bytes;
    for (LONG x = r.left; x < r.right; ++x)
      for (int i = 0; i < bytes; ++i) *p++ = value[i];
  }
  return DD_OK;
}

// Shows the back buffer: the buffers trade memory, the frame is counted and
// presented, the music of one frame period is captured, and the test hook runs.
HRESULT Surface::Flip(IDirectDrawSurface* target, DWORD) {
  if (HRESULT forced = host::ForcedFailure("Flip")) return forced;
  if (back_ == nullptr) return DDERR_NOTFLIPPABLE;
  if (target != nullptr && AsSurface(target) != back_) return DDERR_INVALIDPARAMS;
  if (locked_ || dc_ != nullptr || back_->locked_ || back_->dc_ != nullptr)
    return DDERR_SURFACEBUSY;
  std::swap(memory_, back_->memory_);
  host::PresentFrame({Pixels(), Width(), Height(), Pitch(), BytesPerPixel()});
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out) {
  if (HRESULT forced = host::ForcedFailure("GetAttachedSurface")) return forced;
  if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  Surface* found = nullptr;
  if ((caps->dwCaps & DDSCAPS_BACKBUFFER) || (caps->dwCaps & DDSCAPS_FLIP))
    found = back_;
  else if (caps->dwCaps & DDSCAPS_ZBUFFER)
    found = zbuffer_;
  if (found == nullptr) return DDERR_NOTFOUND;
  found->AddRef();
  *out = found;
  return DD_OK;
}

// A device context drawing into this surface; one at a time, none while locked.
HRESULT Surface::GetDC(HDC* out) {
  if (HRESULT forced = host::ForcedFailure("GetDC")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!Profile().getDC || (caps_ & DDSCAPS_ZBUFFER)) return DDERR_CANTCREATEDC;
  if (dc_ != nullptr) return DDERR_DCALREADYCREATED;
  if (locked_) return DDERR_SURFACEBUSY;
  auto dc = std::make_unique<HDC__>();
  dc->surface = this;
  dc_ = dc.release();
  *out = dc_;
  return DD_OK;
}

DcPixels Surface::DcTarget() {
  DcPixels p;
  p.pixels = Pixels();
  p.width = Width();
  p.height = Height();
  p.pitch = Pitch();
  p.bytesPerPixel = BytesPerPixel();
  p.bitCount = format_.dwRGBBitCount;
  p.rgb = (format_.dwFlags & DDPF_RGB) != 0;
  p.indexed = (format_.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4)) != 0;
  p.rMask = format_.dwRBitMask;
  p.gMask = format_.dwGBitMask;
  p.bMask = format_.dwBBitMask;
  p.alphaMask = (format_.dwFlags & DDPF_ALPHAPIXELS) ? format_.dwRGBAlphaBitMask : 0;
  if (palette_ != nullptr) {
    p.palette = palette_->entries;
    p.paletteCount = palette_->Count();
  }
  return p;
}

HRESULT Surface::ReleaseDC(HDC dc) {
  if (HRESULT forced = host::ForcedFailure("ReleaseDC")) return forced;
  if (dc == nullptr || dc != dc_) return DDERR_INVALIDPARAMS;
  std::unique_ptr<HDC__> owned(dc_);
  dc_ = nullptr;
  return DD_OK;
}

HRESULT Surface::GetPixelFormat(DDPIXELFORMAT* out) {
  if (HRESULT forced = host::ForcedFailure("GetPixelFormat")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = format_;
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC* out) {
  if (HRESULT forced = host::ForcedFailure("GetSurfaceDesc")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  DWORD size = out->dwSize;
  *out = DDSURFACEDESC{};
  out->dwSize = size;
  out->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  out->dwWidth = static_cast<DWORD>(width_);
  out->dwHeight = static_cast<DWORD>(height_);
  out->lPitch = Pitch();
  out->ddpfPixelFormat = format_;
  out->ddsCaps.dwCaps = caps_;
  if (back_ != nullptr) {
    out->dwFlags |= DDSD_BACKBUFFERCOUNT;
    out->dwBackBufferCount = 1;
  }
  if (caps_ & DDSCAPS_ZBUFFER) {
    out->dwFlags |= DDSD_ZBUFFERBITDEPTH;
    out->dwZBufferBitDepth = format_.dwZBufferBitDepth;
  }
  return DD_OK;
}

HRESULT Surface::Lock(RECT* rect, DDSURFACEDESC* desc, DWORD, HANDLE) {
  if (HRESULT forced = host::ForcedFailure("Lock")) return forced;
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  if (rect != nullptr &&
      (rect->left != 0 || rect->top != 0 || rect->right != width_ || rect->bottom != height_))
    return DDERR_UNSUPPORTED;  // whole-surface locks only
  if (locked_ || dc_ != nullptr) return DDERR_SURFACEBUSY;
  GetSurfaceDesc(desc);
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = memory_.data();
  locked_ = true;
  return DD_OK;
}

HRESULT Surface::Unlock(LPVOID) {
  if (HRESULT forced = host::ForcedFailure("Unlock")) return forced;
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  return DD_OK;
}

HRESULT Surface::Restore() { return host::ForcedFailure("Restore"); }

// Palettes belong to palette-indexed surfaces; null detaches the current one.
HRESULT Surface::SetPalette(IDirectDrawPalette* palette) {
  if (HRESULT forced = host::ForcedFailure("SetPalette")) return forced;
  Palette* p = nullptr;
  if (palette != nullptr) {
    p = dynamic_cast<Palette*>(palette);
    if (p == nullptr) return DDERR_INVALIDOBJECT;
    if (!(format_.dwFlags & (DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4)))
      return DDERR_INVALIDPIXELFORMAT;
    p->AddRef();
  }
  if (palette_ != nullptr) palette_->Release();
  palette_ = p;
  return DD_OK;
}

HRESULT Surface::GetDDInterface(void** out) {
  if (HRESULT forced = host::ForcedFailure("GetDDInterface")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (owner_ == nullptr) return DDERR_INVALIDOBJECT;
  owner_->AddRef();
  *out = static_cast<IDirectDraw*>(owner_);
  return DD_OK;
}

}  // namespace platform
