// bmp_reader.cpp: Windows bitmap files: 1, 4, 8, 16, 24 and 32 bits per
// pixel, bit-field masks, RLE4 and RLE8.
//
// Every offset and size read from the file is checked against the file's
// length before use; sizes are computed in 64 bits. Run-length pictures are
// decoded into 4- or 8-bit rows; pixels their codes skip or never reach are
// colour 0.
#include "platform/win32/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kMinInfoSize = 40;   // BITMAPINFOHEADER
constexpr std::uint32_t kMaxInfoSize = 124;  // BITMAPV5HEADER
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

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
  std::uint32_t masks[3];
};

// The default masks of 16-bit (5-5-5) and 32-bit (8-8-8) pictures.
void DefaultMasks(Header& h) {
  if (h.bits == 16) {
    h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
  } else {
    h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF;
  }
}

bool ReadHeader(std::span<const std::uint8_t> file, Header& h, std::string& error) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M')
    return Fail(error, "not a BMP file");
  h.pixelOffset = U32(file, 10);
  h.infoSize = U32(file, 14);
  if (file.size() < kFileHeaderSize + std::uint64_t{h.infoSize})
    return Fail(error, "header size " + std::to_string(h.infoSize) + " runs past the end of the " +
                           std::to_string(file.size()) + "-byte file");
  if (h.infoSize < kMinInfoSize || h.infoSize > kMaxInfoSize)
    return Fail(error, "unsupported header size " + std::to_string(h.infoSize));
  h.width = static_cast<std::int32_t>(U32(file, 18));
  h.height = static_cast<std::int32_t>(U32(file, 22));
  h.planes = U16(file, 26);
  h.bits = U16(file, 28);
  h.compression = U32(file, 30);
  h.colorsUsed = U32(file, 46);
  DefaultMasks(h);
  if (h.compression == kBiBitfields) {
    // The masks follow a 40-byte header, or sit inside a larger one.
    const std::size_t at = kFileHeaderSize + kMinInfoSize;
    if (file.size() < at + 12) return Fail(error, "truncated bit-field masks");
    for (int i = 0; i < 3; ++i) h.masks[i] = U32(file, at + 4 * static_cast<std::size_t>(i));
  }
  return true;
}

bool CheckHeader(const Header& h, std::string& error) {
  if (h.width <= 0 || h.width > kMaxBitmapSide || h.height == 0 || h.height > kMaxBitmapSide ||
      h.height < -kMaxBitmapSide)
    return Fail(error, "bad size " + std::to_string(h.width) + "x" + std::to_string(h.height));
  const std::int64_t rows = h.height < 0 ? -h.height : h.height;
  if (h.width * rows > kMaxBitmapPixels)
    return Fail(error, std::to_string(h.width) + "x" + std::to_string(rows) +
                           " is more than the " + std::to_string(kMaxBitmapPixels) +
                           " pixels a bitmap may have");
  if (h.planes != 1) return Fail(error, "bad plane count " + std::to_string(h.planes));
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
    return Fail(error, "unsupported bit depth " + std::to_string(h.bits));
  const bool ok = h.compression == kBiRgb ||
                  (h.compression == kBiRle8 && h.bits == 8) ||
                  (h.compression == kBiRle4 && h.bits == 4) ||
                  (h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32));
  if (!ok)
    return Fail(error, "compression " + std::to_string(h.compression) + " with " +
                           std::to_string(h.bits) + " bits per pixel is not supported");
  if (h.compression == kBiBitfields)
    for (std::uint32_t mask : h.masks)
      if (mask == 0 || (h.bits == 16 && mask > 0xFFFF))
        return Fail(error, "bad bit-field mask");
  if ((h.compression == kBiRle8 || h.compression == kBiRle4) && h.height < 0)
    return Fail(error, "a run-length bitmap cannot be top-down");
  return true;
}

void PutIndex(std::uint8_t* row, int bits, std::int64_t x, unsigned value) {
  if (bits == 8) {
    row[x] = static_cast<std::uint8_t>(value);
  } else {
    const int shift = (x & 1) ? 0 : 4;
    row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & ~(15 << shift)) | ((value & 15) << shift));
  }
}

// Decodes RLE8 or RLE4 codes into bottom-up rows of `stride` bytes (stored
// top-down in `pixels`). Codes past the picture's edges are dropped.
bool DecodeRle(std::span<const std::uint8_t> data, const Header& h, std::int64_t stride,
               std::vector<std::uint8_t>& pixels, std::string& error) {
  const std::int64_t width = h.width, rows = h.height;
  const int bits = static_cast<int>(h.bits);
  std::int64_t x = 0, y = 0;  // y counts from the bottom row
  std::size_t at = 0;
  auto put = [&](unsigned value) {
    if (x < width && y < rows) PutIndex(pixels.data() + (rows - 1 - y) * stride, bits, x, value);
    ++x;
  };
  while (y < rows) {
    if (at + 2 > data.size()) return Fail(error, "run-length data ends early");
    const unsigned count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {  // a run: `count` pixels, alternating two colours in RLE4
      for (unsigned i = 0; i < count && x < width; ++i)
        put(bits == 8 ? value : (i & 1) ? value & 15 : value >> 4);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // delta
      if (at + 2 > data.size()) return Fail(error, "run-length data ends early");
      x += data[at];
      y += data[at + 1];
      at += 2;
    } else {  // `value` literal pixels, padded to a whole word
      const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
      if (at + bytes > data.size()) return Fail(error, "run-length data ends early");
      for (unsigned i = 0; i < value; ++i) {
        const unsigned b = data[at + (bits == 8 ? i : i / 2)];
        if (x < width) put(bits == 8 ? b : (i & 1) ? b & 15 : b >> 4);
      }
      at += (bytes + 1) & ~std::size_t{1};
    }
  }
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
  const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  const std::uint64_t data = file.size() - h.pixelOffset;
  if (!rle && static_cast<std::uint64_t>(stride * rows) > data)
    return Fail(error, "truncated pixel data");

  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(rows);
  image.bitsPerPixel = static_cast<int>(h.bits);
  image.stride = static_cast<int>(stride);
  image.colors = std::move(colors);
  std::copy(std::begin(h.masks), std::end(h.masks), image.masks);
  image.pixels.assign(static_cast<std::size_t>(stride * rows), 0);
  if (rle) return DecodeRle(file.subspan(h.pixelOffset), h, stride, image.pixels, error);
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

namespace {

// The value under `mask` scaled to 0..255.
std::uint8_t Channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const std::uint32_t field = (value & mask) >> std::countr_zero(mask);
  const std::uint32_t top = mask >> std::countr_zero(mask);
  return static_cast<std::uint8_t>((std::uint64_t{field} * 255 + top / 2) / top);
}

}  // namespace

RGBQUAD DibPixel(const DibImage& image, int x, int y) {
  const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.stride;
  if (image.bitsPerPixel == 24) {
    const std::uint8_t* p = row + 3 * x;
    return RGBQUAD{p[0], p[1], p[2], 0};
  }
  if (image.bitsPerPixel == 16 || image.bitsPerPixel == 32) {
    const int bytes = image.bitsPerPixel / 8;
    const std::uint8_t* p = row + bytes * x;
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return RGBQUAD{Channel(v, image.masks[2]), Channel(v, image.masks[1]),
                   Channel(v, image.masks[0]), 0};
  }
  std::uint8_t index = DibIndex(image, x, y);
  return index < image.colors.size() ? image.colors[index] : RGBQUAD{0, 0, 0, 0};
}

}  // namespace platform
