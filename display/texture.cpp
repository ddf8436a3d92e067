// texture.cpp: device textures made from bitmap files named by scene materials.
//
// The bitmap is loaded as a DIB section (a resource of the program first, then
// the file "Textures\<name>"), a texture format near its depth is chosen from
// what the device offers, and the picture is copied into a system-memory
// surface through GDI. On a hardware device it is then loaded into a separate
// video-memory surface; on a software device the two are one surface.
// Failures before the bitmap is read leave the record as it was and are
// reported by the bitmap loader; later ones empty the record and print one
// warning line. A path longer than 259 characters is cut.
#include "display/texture.h"

#include <cstdio>
#include <string>

#include "platform/host/host.h"

namespace {

constexpr int PATH_SIZE = 260;

// Format search: the bitmap's depth and the format chosen so far (a zero bit
// count: nothing chosen yet).
struct FormatSearch {
  DWORD wanted;
  DDPIXELFORMAT chosen;
};

void Warn(const char* path, const std::string& what) {
  std::fprintf(stderr, "vuxa: warning: %s: %s\n", host::ResolvePath(path).c_str(), what.c_str());
}

// The DirectDraw object behind the device's render target, borrowed (the
// display state holds the reference).
IDirectDraw* DirectDrawFromDevice(IDirect3DDevice2* device) {
  IDirectDrawSurface* target = nullptr;
  if (device->GetRenderTarget(&target) != DD_OK || target == nullptr) return nullptr;
  IDirectDrawSurface2* target2 = nullptr;
  const HRESULT queried = target->QueryInterface(IID_IDirectDrawSurface2, reinterpret_cast<void**>(&target2));
  target->Release();
  if (queried != DD_OK || target2 == nullptr) return nullptr;
  IDirectDraw* ddraw = nullptr;
  const HRESULT got = target2->GetDDInterface(reinterpret_cast<void**>(&ddraw));
  target2->Release();
  if (got != DD_OK || ddraw == nullptr) return nullptr;
  ddraw->Release();
  return ddraw;
}

// Every format is looked at. Alpha formats never qualify; 8 bits or fewer only
// as an 8-bit palette, more only as RGB. Among those, the smallest depth at or
// above the wanted one, else the first offered (unsigned differences).
HRESULT ChooseFormatCallback(DDSURFACEDESC* desc, LPVOID context) {
  auto* search = static_cast<FormatSearch*>(context);
  const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
  const DWORD bits = format.dwRGBBitCount;
  if (format.dwFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) return D3DENUMRET_OK;
  if (bits <= 8) {
    if (!(format.dwFlags & (DDPF_PALETTEINDEXED4 | DDPF_PALETTEINDEXED8)) || bits != 8)
      return D3DENUMRET_OK;
  } else if (!(format.dwFlags & DDPF_RGB)) {
    return D3DENUMRET_OK;
  }
  if (search->chosen.dwRGBBitCount == 0) {
    search->chosen = format;
    return D3DENUMRET_OK;
  }
  const DWORD wanted = search->wanted;
  if (bits < wanted || bits - wanted >= search->chosen.dwRGBBitCount - wanted) return D3DENUMRET_OK;
  search->chosen = format;
  return D3DENUMRET_OK;
}

DDPIXELFORMAT ChooseTextureFormat(IDirect3DDevice2* device, DWORD wantedBits) {
  FormatSearch search{};
  search.wanted = wantedBits;
  device->EnumTextureFormats(ChooseFormatCallback, &search);
  return search.chosen;
}

// The bitmap's colour table as a DirectDraw palette, or null when it has none.
IDirectDrawPalette* PaletteFromBitmap(IDirectDraw* ddraw, HBITMAP bitmap) {
  RGBQUAD table[256] = {};
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bitmap);
  UINT count = GetDIBColorTable(dc, 0, 256, table);
  DeleteDC(dc);
  if (count == 0) return nullptr;
  if (count > 256) count = 256;
  PALETTEENTRY entries[256] = {};
  for (UINT i = 0; i < count; ++i)
    entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  IDirectDrawPalette* palette = nullptr;
  const DWORD caps = count <= 16 ? DDPCAPS_4BIT : DDPCAPS_8BIT;
  if (ddraw->CreatePalette(caps, entries, &palette, nullptr) != DD_OK) return nullptr;
  return palette;
}

// Hands the system surface's picture to the device surface.
bool LoadDeviceTexture(TextureSurface* texture) {
  if (texture->systemSurface == nullptr || texture->deviceSurface == nullptr) return false;
  if (texture->systemSurface == texture->deviceSurface) return true;
  if (texture->deviceSurface->Restore() != DD_OK) return false;
  IDirect3DTexture2* source = nullptr;
  IDirect3DTexture2* destination = nullptr;
  texture->systemSurface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&source));
  texture->deviceSurface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&destination));
  HRESULT loaded = D3DERR_TEXTURE_LOAD_FAILED;
  if (source != nullptr && destination != nullptr) loaded = destination->Load(source);
  if (source != nullptr) source->Release();
  if (destination != nullptr) destination->Release();
  return loaded == D3D_OK;
}

bool CopyBitmap(TextureSurface* texture, HBITMAP bitmap) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, bitmap);
  bool copied = false;
  HDC surfaceDC = nullptr;
  if (texture->systemSurface != nullptr && texture->systemSurface->GetDC(&surfaceDC) == DD_OK) {
    BitBlt(surfaceDC, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    texture->systemSurface->ReleaseDC(surfaceDC);
    copied = LoadDeviceTexture(texture);
  }
  DeleteDC(memory);
  return copied;
}

HRESULT CreateSurfaces(IDirectDraw* ddraw, IDirect3DDevice2* device, DDSURFACEDESC* desc,
                       TextureSurface* texture) {
  D3DDEVICEDESC hardware{};
  D3DDEVICEDESC software{};
  hardware.dwSize = 204;
  software.dwSize = 204;
  device->GetCaps(&hardware, &software);
  const bool onHardware = hardware.dcmColorModel != 0;
  desc->ddsCaps.dwCaps = onHardware ? DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD
                                    : DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  IDirectDrawSurface* surface = nullptr;
  HRESULT result = ddraw->CreateSurface(desc, &surface, nullptr);
  if (result != DD_OK) return result;
  texture->deviceSurface = surface;
  if (!onHardware) {
    texture->systemSurface = surface;
    surface->AddRef();
    return DD_OK;
  }
  desc->ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  surface = nullptr;
  result = ddraw->CreateSurface(desc, &surface, nullptr);
  if (result == DD_OK) texture->systemSurface = surface;
  return result;
}

// Fills the record from the loaded bitmap; on failure returns what went wrong.
std::string BuildTexture(TextureSurface* texture, IDirect3DDevice2* device, IDirectDraw* ddraw,
                         HBITMAP bitmap) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  const DDPIXELFORMAT format = ChooseTextureFormat(device, info.bmBitsPixel);
  DDSURFACEDESC desc{};
  desc.dwSize = 108;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(info.bmWidth);
  desc.dwHeight = static_cast<DWORD>(info.bmHeight);
  desc.ddpfPixelFormat = format;
  if (CreateSurfaces(ddraw, device, &desc, texture) != DD_OK) {
    if (format.dwRGBBitCount == 0)
      return "the device offers no texture format for a " + std::to_string(info.bmBitsPixel) +
             "-bit bitmap";
    return "cannot create the texture surfaces";
  }
  if (format.dwRGBBitCount <= 8) {
    texture->palette = PaletteFromBitmap(ddraw, bitmap);
    texture->systemSurface->SetPalette(texture->palette);
    texture->deviceSurface->SetPalette(texture->palette);
  }
  if (!CopyBitmap(texture, bitmap)) return "cannot copy the bitmap into the texture";
  IDirect3DTexture2* direct3dTexture = nullptr;
  if (texture->deviceSurface->QueryInterface(IID_IDirect3DTexture2,
                                             reinterpret_cast<void**>(&direct3dTexture)) == DD_OK &&
      direct3dTexture != nullptr) {
    D3DTEXTUREHANDLE handle = 0;
    if (direct3dTexture->GetHandle(device, &handle) == D3D_OK) texture->handle = handle;
    direct3dTexture->Release();
  }
  return {};
}

}  // namespace

int LoadTexture(TextureSurface* texture, IDirect3DDevice2* device, const char* fileName) {
  if (texture == nullptr || device == nullptr || fileName == nullptr) return 0;
  char path[PATH_SIZE];
  std::snprintf(path, sizeof path, "Textures\\%s", fileName);
  IDirectDraw* ddraw = DirectDrawFromDevice(device);
  if (ddraw == nullptr) return 0;
  auto bitmap = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr)
    bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  if (bitmap == nullptr) return 0;

  ReleaseTexture(texture);
  const std::string problem = BuildTexture(texture, device, ddraw, bitmap);
  DeleteObject(bitmap);
  if (problem.empty()) return 1;
  Warn(path, problem);
  ReleaseTexture(texture);
  return 0;
}

void ReleaseTexture(TextureSurface* texture) {
  if (texture->systemSurface != nullptr) texture->systemSurface->Release();
  if (texture->deviceSurface != nullptr) texture->deviceSurface->Release();
  if (texture->palette != nullptr) texture->palette->Release();
  texture->systemSurface = nullptr;
  texture->deviceSurface = nullptr;
  texture->palette = nullptr;
  texture->handle = 0;
}
