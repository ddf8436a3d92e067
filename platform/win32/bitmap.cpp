// bitmap.cpp: bitmaps: LoadImageA from BMP files, GetObjectA,
// GetDIBColorTable, and BitBlt SRCCOPY from a memory context into a surface.
//
// There are no executable resources: a load from a module finds nothing.
// A load from a file reads it through host::OpenDataFile, so '\\' and letter
// case in names work as on Windows; a file that cannot be used gives a null
// handle and one warning line on stderr. The requested size is ignored (the
// show asks for the bitmap's own size). BitBlt converts to the surface's
// pixel format: RGB formats by their masks (alpha made opaque), palette-indexed
// surfaces receive the indices of indexed bitmaps and the nearest palette
// colour of 24-bit ones. Selecting, deleting and memory contexts are in gdi.cpp.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/bmp_reader.h"
#include "platform/win32/gdi.h"
#include "platform/host/host.h"

namespace {

using platform::DibImage;

struct BitmapObject final : HGDIOBJ__ {
  BitmapObject() : HGDIOBJ__(Kind::Bitmap) {}
  DibImage image;
};

// A 2048 x 2048 bitmap at 32 bits and its headers fit easily.
constexpr long kMaxFileBytes = 32L << 20;

const BitmapObject* AsBitmap(const HGDIOBJ__* object) {
  if (object == nullptr || object->kind != HGDIOBJ__::Kind::Bitmap) return nullptr;
  return dynamic_cast<const BitmapObject*>(object);
}

HANDLE Warn(const std::string& path, const std::string& what) {
  std::fprintf(stderr, "vuxa: warning: %s: %s\n", path.c_str(), what.c_str());
  return nullptr;
}

// Reads the whole file (and closes it); false with a reason when it is
// unreadable or absurdly large.
bool ReadFile(std::FILE* f, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, &std::fclose);
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    error = "cannot read file";
    return false;
  }
  if (size > kMaxFileBytes) {
    error = "file too large";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    error = "cannot read file";
    return false;
  }
  return true;
}

// How one colour is stored in an RGB surface: each channel by its mask
// (the high bits of the byte), the alpha bits all set.
struct RgbPacker {
  DWORD r, g, b, alpha;
  std::uint32_t Pack(RGBQUAD c) const {
    return Channel(c.rgbRed, r) | Channel(c.rgbGreen, g) | Channel(c.rgbBlue, b) | alpha;
  }
  static std::uint32_t Channel(std::uint32_t v, DWORD mask) {
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    std::uint32_t value = bits >= 8 ? v * ((mask >> shift) / 255) : v >> (8 - bits);
    return (value << shift) & mask;
  }
};

std::uint8_t NearestPaletteIndex(const platform::DcPixels& target, RGBQUAD c) {
  if (target.palette == nullptr) return 0;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < target.paletteCount; ++i) {
    const PALETTEENTRY& e = target.palette[i];
    long dr = e.peRed - c.rgbRed, dg = e.peGreen - c.rgbGreen, db = e.peBlue - c.rgbBlue;
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

void StorePixel(std::uint8_t* p, int bytes, std::uint32_t value) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One axis of the copy, clipped to the source [0, srcSize) and the destination
// [0, destSize); false when nothing is left.
bool ClipAxis(long long& dest, long long& src, long long& length, long long destSize, long long srcSize) {
  if (dest < 0) { src -= dest; length += dest; dest = 0; }
  if (src < 0) { dest -= src; length += src; src = 0; }
  length = std::min({length, destSize - dest, srcSize - src});
  return length > 0;
}

}  // namespace

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT flags) {
  if (instance != nullptr || name == nullptr || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE))
    return nullptr;  // no resources; only bitmap files
  const std::string path = host::ResolvePath(name);
  std::FILE* f = host::OpenDataFile(name);
  if (f == nullptr) return Warn(path, std::string("cannot open file: ") + std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadFile(f, bytes, error)) return Warn(path, error);
  auto bitmap = std::make_unique<BitmapObject>();
  if (!platform::ReadBmp(bytes, bitmap->image, error)) return Warn(path, error);
  return static_cast<HGDIOBJ>(bitmap.release());  // freed by DeleteObject
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
  const BitmapObject* bitmap = AsBitmap(object);
  if (bitmap == nullptr) return 0;
  if (out == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  const DibImage& image = bitmap->image;
  BITMAP bm{};
  bm.bmWidth = image.width;
  bm.bmHeight = image.height;
  bm.bmWidthBytes = image.stride;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(image.bitsPerPixel);
  bm.bmBits = const_cast<std::uint8_t*>(image.pixels.data());
  *static_cast<BITMAP*>(out) = bm;
  return static_cast<int>(sizeof(BITMAP));
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  const BitmapObject* bitmap = dc != nullptr ? AsBitmap(dc->bitmap) : nullptr;
  if (bitmap == nullptr || colors == nullptr) return 0;
  const std::vector<RGBQUAD>& table = bitmap->image.colors;
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  std::copy_n(table.begin() + start, n, colors);
  return n;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  if (rop != SRCCOPY || dest == nullptr || dest->surface == nullptr || src == nullptr) return FALSE;
  const BitmapObject* bitmap = AsBitmap(src->bitmap);
  if (bitmap == nullptr || width < 0 || height < 0) return FALSE;
  const platform::DcPixels surface = dest->surface->DcTarget();
  const bool indexed = surface.indexed;
  const int bytes = surface.bytesPerPixel;
  if (indexed ? surface.bitCount != 8 : !surface.rgb || bytes < 1 || bytes > 4) return FALSE;

  const DibImage& image = bitmap->image;
  long long dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
  if (!ClipAxis(dx, sx, w, surface.width, image.width) ||
      !ClipAxis(dy, sy, h, surface.height, image.height))
    return TRUE;  // nothing overlaps

  const RgbPacker packer{surface.rMask, surface.gMask, surface.bMask, surface.alphaMask};
  const bool copyIndices = indexed && image.bitsPerPixel <= 8;
  RGBQUAD lastColor{0, 0, 0, 1};  // cache of the nearest-colour search
  std::uint8_t lastIndex = 0;
  for (long long row = 0; row < h; ++row) {
    std::uint8_t* out = surface.pixels + (dy + row) * surface.pitch + dx * bytes;
    const int by = static_cast<int>(sy + row);
    for (long long col = 0; col < w; ++col, out += bytes) {
      const int bx = static_cast<int>(sx + col);
      if (copyIndices) {
        *out = platform::DibIndex(image, bx, by);
      } else if (indexed) {
        RGBQUAD c = platform::DibPixel(image, bx, by);
        if (c.rgbRed != lastColor.rgbRed || c.rgbGreen != lastColor.rgbGreen ||
            c.rgbBlue != lastColor.rgbBlue || lastColor.rgbReserved != 0) {
          lastIndex = NearestPaletteIndex(surface, c);
          lastColor = RGBQUAD{c.rgbBlue, c.rgbGreen, c.rgbRed, 0};
        }
        *out = lastIndex;
      } else {
        StorePixel(out, bytes, packer.Pack(platform::DibPixel(image, bx, by)));
      }
    }
  }
  return TRUE;
}
