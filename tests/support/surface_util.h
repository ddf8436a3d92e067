// surface_util.h: DirectDraw surfaces for the stand-in's tests: texture
// surfaces in system memory, colour fills, and their bytes read and written
// row by row at the surface's pitch.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace surfacetest {

inline HRESULT Fill(IDirectDrawSurface* surface, DWORD color, RECT* rect = nullptr) {
  DDBLTFX fx{};
  fx.dwSize = 100;
  fx.dwFillColor = color;
  return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

// A texture surface in system memory, every byte `fill`; the caller releases it.
inline IDirectDrawSurface* MakeTexture(IDirectDraw* ddraw, DWORD width, DWORD height,
                                       const DDPIXELFORMAT& format, std::uint8_t fill = 0) {
  DDSURFACEDESC d{};
  d.dwSize = 108;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = width;
  d.dwHeight = height;
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  IDirectDrawSurface* s = nullptr;
  EXPECT_EQ(ddraw->CreateSurface(&d, &s, nullptr), DD_OK);
  if (s == nullptr) return nullptr;
  DDSURFACEDESC l{};
  l.dwSize = 108;
  EXPECT_EQ(s->Lock(nullptr, &l, DDLOCK_WAIT, nullptr), DD_OK);
  std::memset(l.lpSurface, fill, static_cast<std::size_t>(l.lPitch) * l.dwHeight);
  s->Unlock(l.lpSurface);
  return s;
}

// The surface's bytes, row after row.
inline std::vector<std::uint8_t> Bytes(IDirectDrawSurface* s) {
  DDSURFACEDESC l{};
  l.dwSize = 108;
  EXPECT_EQ(s->Lock(nullptr, &l, DDLOCK_WAIT, nullptr), DD_OK);
  auto* p = static_cast<const std::uint8_t*>(l.lpSurface);
  std::vector<std::uint8_t> bytes(p, p + static_cast<std::size_t>(l.lPitch) * l.dwHeight);
  s->Unlock(l.lpSurface);
  return bytes;
}

// Writes `rows` rows of `rowBytes` bytes into the surface, at its pitch.
inline void WriteRows(IDirectDrawSurface* s, const void* bytes, std::size_t rowBytes, int rows) {
  DDSURFACEDESC d{};
  d.dwSize = 108;
  ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  for (int y = 0; y < rows; ++y)
    std::memcpy(static_cast<std::uint8_t*>(d.lpSurface) + y * d.lPitch,
                static_cast<const std::uint8_t*>(bytes) + y * rowBytes, rowBytes);
  s->Unlock(d.lpSurface);
}

}  // namespace surfacetest
