// bmp_reader.cpp: Windows bitmap files, uncompressed, 1 to 24 bits per pixel.
//
// Every offset and size read from the file is checked against the file's
// length before use; sizes are computed in 64 bits.
#include "platform/win32/bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kMinInfoSize = 40;   // BITMAPINFOHEADER
constexpr std::uint32_t kMaxInfoSize = 124;  // BITMAPV5HEADER
constexpr std::uint32_t kBiRgb = 0;

std::uint32_t U32(std::span<const std::uint8_t> f, std::size_t at) {
  return std::uint32_t{f[at]} | (std::uint32_t{f[at + 1]} << 8) | (std::uint32_t{f[at + 2]} << 16) |
         (std::uint32_t{f[at + 3]} << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> f, std::size_t at) {
  return static_cast<std::uint16_t>(f[at] | (f[at + 1] << 8));
}

bool Fail(std::string& error, std::string what) {
  error = std::move(what);
  return false;
}

struct Header {
  std::uint32_t pixelOffset, infoSize, colorsUsed, compression;
  std::int64_t width, height;
  unsigned planes, bits;
};

bool ReadHeader(std::span<const std::uint8_t> file, Header& h, std::string& error) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M')
    return Fail(error, "not a BMP file");
  h.pixelOffset = U32(file, 10);
  h.infoSize = U32(file, 14);
  if (h.infoSize < kMinInfoSize || h.infoSize > kMaxInfoSize)
    return Fail(error, "unsupported header size " + std::to_string(h.infoSize));
  if (file.size() < kFileHeaderSize + h.infoSize) return Fail(error, "truncated header");
  h.width = static_cast<std::int32_t>(U32(file, 18));
  h.height = static_cast<std::int32_t>(U32(file, 22));
  h.planes = U16(file, 26);
  h.bits = U16(file, 28);
  h.compression = U32(file, 30);
  h.colorsUsed = U32(file, 46);
  return true;
}

bool CheckHeader(const Header& h, std::string& error) {
  if (h.width <= 0 || h.width > kMaxBitmapSide || h.height == 0 || h.height > kMaxBitmapSide ||
      h.height < -kMaxBitmapSide)
    return Fail(error, "bad size " + std::to_string(h.width) + "x" + std::to_string(h.height));
  if (h.planes != 1) return Fail(error, "bad plane count " + std::to_string(h.planes));
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
    return Fail(error, "unsupported bit depth " + std::to_string(h.bits));
  if (h.compression != kBiRgb) return Fail(error, "compressed bitmaps are not supported");
  return true;
}

}  // namespace

bool ReadBmp(std::span<const std::uint8_t> file, DibImage& image, std::string& error) {
  Header h{};
  if (!ReadHeader(file, h, error) || !CheckHeader(h, error)) return false;

  std::vector<RGBQUAD> colors;
  if (h.bits <= 8) {
    const std::uint64_t full = 1u << h.bits;
    const std::uint64_t count = std::min<std::uint64_t>(h.colorsUsed != 0 ? h.colorsUsed : full, full);
    const std::uint64_t at = kFileHeaderSize + h.infoSize;
    if (at + 4 * count > file.size()) return Fail(error, "truncated colour table");
    colors.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint8_t* e = file.data() + at + 4 * i;
      colors[i] = RGBQUAD{e[0], e[1], e[2], e[3]};
    }
  }

  const std::int64_t rows = h.height < 0 ? -h.height : h.height;
  const std::int64_t stride = (h.width * h.bits + 31) / 32 * 4;
  if (h.pixelOffset < kFileHeaderSize + h.infoSize || h.pixelOffset > file.size())
    return Fail(error, "pixel data offset " + std::to_string(h.pixelOffset) + " outside the file");
  if (static_cast<std::uint64_t>(h.pixelOffset) + static_cast<std::uint64_t>(stride * rows) > file.size())
    return Fail(error, "truncated pixel data");

  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(rows);
  image.bitsPerPixel = static_cast<int>(h.bits);
  image.stride = static_cast<int>(stride);
  image.colors = std::move(colors);
  image.pixels.resize(static_cast<std::size_t>(stride * rows));
  const bool bottomUp = h.height > 0;
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::uint8_t* from = file.data() + h.pixelOffset + r * stride;
    const std::int64_t to = bottomUp ? rows - 1 - r : r;
    std::memcpy(image.pixels.data() + to * stride, from, static_cast<std::size_t>(stride));
  }
  return true;
}

std::uint8_t DibIndex(const DibImage& image, int x, int y) {
  const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.stride;
  switch (image.bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    case 8: return row[x];
    default: return 0;
  }
}

RGBQUAD DibPixel(const DibImage& image, int x, int y) {
  if (image.bitsPerPixel == 24) {
    const std::uint8_t* p = image.pixels.data() + static_cast<std::size_t>(y) * image.stride + 3 * x;
    return RGBQUAD{p[0], p[1], p[2], 0};
  }
  std::uint8_t index = DibIndex(image, x, y);
  return index < image.colors.size() ? image.colors[index] : RGBQUAD{0, 0, 0, 0};
}

}  // namespace platform
