// Windows bitmap writer: BITMAPFILEHEADER, 40-byte BITMAPINFOHEADER, rows
// stored bottom-up and padded to four bytes, no compression.
#pragma once

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/draw.h"

namespace assetgen {

// 24 bits per pixel from a float picture.
Bytes EncodeBmp24(const Image& img);
// 8 bits per pixel: one palette index per pixel (rows from the top) and a
// colour table of 1 to 256 entries.
Bytes EncodeBmp8(int width, int height, const std::vector<std::uint8_t>& indices, const std::vector<Rgb>& palette);

}  // namespace assetgen
