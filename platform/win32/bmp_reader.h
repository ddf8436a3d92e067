// bmp_reader.h: reads Windows bitmap files into memory (for LoadImageA).
//
// Accepted: BITMAPFILEHEADER, then a BITMAPINFOHEADER of 40 bytes or one of
// its larger successors (V2 to V5); 1, 4, 8, 16, 24 or 32 bits per pixel,
// uncompressed (BI_RGB; 16 bits as 5-5-5, 32 as 8-8-8), with bit-field masks
// (BI_BITFIELDS, 16 and 32 bits) or run-length coded (RLE8, RLE4); bottom-up
// or top-down rows padded to four bytes, a colour table of biClrUsed entries
// (or 2^bits when zero, at most 2^bits). Sides above 8192 pixels,
// more than 2048 x 2048 pixels in all, non-positive widths, truncated data
// and offsets past the end are refused with a short reason.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace platform {

struct DibImage {
  int width = 0;
  int height = 0;         // rows, always positive
  int bitsPerPixel = 0;   // 1, 4, 8, 16, 24 or 32 (run-length pictures decoded to 4 or 8)
  int stride = 0;         // bytes per row, a multiple of 4
  std::vector<RGBQUAD> colors;       // the colour table (up to 8 bits per pixel)
  std::vector<std::uint8_t> pixels;  // rows from the top, `stride` bytes each
  std::uint32_t masks[3] = {};       // red, green, blue of 16- and 32-bit pixels
};

constexpr int kMaxBitmapSide = 8192;
// At most 2048 x 2048 pixels in all (16 MB at 32 bits): far beyond the show's
// textures, and small enough that a scene's few bitmaps stay well within memory.
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 22;

// Parses a whole file. On failure returns false with `error` saying what was wrong.
bool ReadBmp(std::span<const std::uint8_t> file, DibImage& image, std::string& error);

// The colour of pixel (x, y), as the colour table gives it for indexed
// bitmaps (black beyond the table's end).
RGBQUAD DibPixel(const DibImage& image, int x, int y);
// The colour-table index of pixel (x, y) of an indexed bitmap.
std::uint8_t DibIndex(const DibImage& image, int x, int y);

}  // namespace platform
