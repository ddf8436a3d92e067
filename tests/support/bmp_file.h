// bmp_file.h: Windows bitmap files built in tests: every depth, both row
// orders, colour tables, bit-field masks, run-length data and header sizes,
// each settable to a wrong value.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win32/win32.h"

namespace bmpfile {

struct BmpLayout {
  int width = 4;
  int height = 4;  // negative: rows stored top-down
  int bits = 24;
  std::vector<RGBQUAD> colors{};       // the colour table written
  std::uint32_t colorsUsed = 0;        // biClrUsed
  std::uint32_t compression = 0;       // biCompression
  std::uint32_t infoSize = 40;         // biSize
  std::vector<std::uint32_t> masks{};  // bit-field masks written after the header
  std::vector<std::uint8_t> data{};    // pixel data written instead of the rows (run-length codes)
  // Pixel (x, y), y counted from the top: an index, or the value stored at 16 bits and more
  // (0xRRGGBB at 24).
  std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };
};

// `size` bytes of v, least significant first.
inline void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& s) {
  const int rows = s.height < 0 ? -s.height : s.height;
  const int width = s.width > 0 ? s.width : 1;
  const int stride = (width * s.bits + 31) / 32 * 4;
  const auto tables = static_cast<std::uint32_t>(s.colors.size() + s.masks.size());
  const std::uint32_t offset = 14 + s.infoSize + 4 * tables;
  std::vector<std::uint8_t> out = {'B', 'M'};
  // File header, then the info header's fields up to biClrImportant.
  for (std::uint32_t v : {offset + static_cast<std::uint32_t>(stride * rows), 0u, offset, s.infoSize,
                          static_cast<std::uint32_t>(s.width), static_cast<std::uint32_t>(s.height),
                          1u | static_cast<std::uint32_t>(s.bits) << 16, s.compression,
                          static_cast<std::uint32_t>(stride * rows), 2835u, 2835u, s.colorsUsed, 0u})
    Put(out, v);
  out.resize(14 + s.infoSize, 0);
  for (std::uint32_t m : s.masks) Put(out, m);
  for (const RGBQUAD& c : s.colors) Put(out, c.rgbBlue | c.rgbGreen << 8 | c.rgbRed << 16);
  if (!s.data.empty()) {
    out.insert(out.end(), s.data.begin(), s.data.end());
    return out;
  }
  for (int r = 0; r < rows; ++r) {
    const int y = s.height > 0 ? rows - 1 - r : r;  // file row r holds image row y
    std::vector<std::uint8_t> row;
    int packed = 0;  // pixels below 8 bits, most significant first
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = s.pixel(x, y);
      if (s.bits >= 8) {
        Put(row, v, s.bits / 8);
        continue;
      }
      packed = packed << s.bits | static_cast<int>(v & ((1u << s.bits) - 1));
      if ((x + 1) * s.bits % 8 == 0) {
        row.push_back(static_cast<std::uint8_t>(packed));
        packed = 0;
      }
    }
    if (width * s.bits % 8) row.push_back(static_cast<std::uint8_t>(packed << (8 - width * s.bits % 8)));
    row.resize(static_cast<std::size_t>(stride), 0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace bmpfile
