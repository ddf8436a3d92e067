// fill.cpp: rectangle fills of the colour and depth buffers (the
// viewport clear) and single texel reads.
#include <algorithm>
#include <cstring>

#include "platform/raster/stages.h"

namespace raster {

using namespace detail;

namespace {

// Clips [x1, x2) x [y1, y2) to a width x height buffer; false when empty.
bool ClipRect(int width, int height, int& x1, int& y1, int& x2, int& y2) {
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width);
  y2 = std::min(y2, height);
  return x1 < x2 && y1 < y2;
}

}  // namespace

void FillColor(const Target& t, int x1, int y1, int x2, int y2, std::uint32_t rgb) {
  if (!t.pixels || (t.bytesPerPixel != 3 && t.bytesPerPixel != 4)) return;
  if (!ClipRect(t.width, t.height, x1, y1, x2, y2)) return;
  rgb &= 0xFFFFFFu;
  // The first row pixel by pixel, the others copied from it.
  const std::size_t rowBytes = static_cast<std::size_t>(x2 - x1) * t.bytesPerPixel;
  std::uint8_t* first = t.pixels + static_cast<std::ptrdiff_t>(y1) * t.pitch +
                        static_cast<std::ptrdiff_t>(x1) * t.bytesPerPixel;
  if (t.bytesPerPixel == 4) {
    for (int x = 0; x < x2 - x1; ++x) Store32(first + 4 * x, rgb);
  } else {
    for (int x = 0; x < x2 - x1; ++x) {
      first[3 * x] = static_cast<std::uint8_t>(rgb);
      first[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
      first[3 * x + 2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  }
  for (int y = y1 + 1; y < y2; ++y)
    std::memcpy(first + static_cast<std::ptrdiff_t>(y - y1) * t.pitch, first, rowBytes);
}

void FillDepth(const Target& t, int x1, int y1, int x2, int y2, std::uint16_t depth) {
  if (!t.depth) return;
  if (!ClipRect(t.depthWidth, t.depthHeight, x1, y1, x2, y2)) return;
  const std::size_t rowBytes = static_cast<std::size_t>(x2 - x1) * 2;
  std::uint8_t* first = t.depth + static_cast<std::ptrdiff_t>(y1) * t.depthPitch + 2 * x1;
  for (int x = 0; x < x2 - x1; ++x) Store16(first + 2 * x, depth);
  for (int y = y1 + 1; y < y2; ++y)
    std::memcpy(first + static_cast<std::ptrdiff_t>(y - y1) * t.depthPitch, first, rowBytes);
}

std::uint32_t FetchTexel(const Texture& t, int x, int y) {
  if (!t.pixels || t.width <= 0 || t.height <= 0) return 0;
  x %= t.width;
  y %= t.height;
  if (x < 0) x += t.width;
  if (y < 0) y += t.height;
  const std::uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch;
  switch (t.format) {
    case TexelFormat::Rgb555: return DecodeTexel<TexelFormat::Rgb555>(row, x, nullptr);
    case TexelFormat::Argb1555: return DecodeTexel<TexelFormat::Argb1555>(row, x, nullptr);
    case TexelFormat::Argb4444: return DecodeTexel<TexelFormat::Argb4444>(row, x, nullptr);
    case TexelFormat::Rgb565: return DecodeTexel<TexelFormat::Rgb565>(row, x, nullptr);
    case TexelFormat::Xrgb8888: return DecodeTexel<TexelFormat::Xrgb8888>(row, x, nullptr);
    case TexelFormat::Argb8888: return DecodeTexel<TexelFormat::Argb8888>(row, x, nullptr);
    case TexelFormat::Rgb332: return DecodeTexel<TexelFormat::Rgb332>(row, x, nullptr);
    case TexelFormat::Indexed8:
      return t.palette ? DecodeTexel<TexelFormat::Indexed8>(row, x, t.palette) : 0;
    default: return 0;
  }
}

}  // namespace raster
