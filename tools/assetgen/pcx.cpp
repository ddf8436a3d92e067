#include "tools/assetgen/pcx.h"

namespace assetgen {

namespace {

void Put16(Bytes& out, size_t at, unsigned v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Run-length codes one plane line: a count byte 0xC0 | n before a repeated
// value, a bare byte for a single value below 0xC0.
void EncodeLine(const std::uint8_t* line, int n, Bytes& out) {
  int i = 0;
  while (i < n) {
    const std::uint8_t v = line[i];
    int run = 1;
    while (i + run < n && run < 63 && line[i + run] == v) ++run;
    if (run > 1 || v >= 0xC0) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | run));
      out.push_back(v);
    } else {
      out.push_back(v);
    }
    i += run;
  }
}

}  // namespace

Bytes EncodePcx(int width, int height, const Bytes& rgb) {
  if (width <= 0 || height <= 0 || width % 2 != 0 || width > 65535 || height > 65535 ||
      rgb.size() != static_cast<size_t>(width) * height * 3) {
    return {};
  }
  Bytes out(128, 0);
  out[0] = 10;  // ZSoft
  out[1] = 5;   // version 3.0 and later
  out[2] = 1;   // run-length encoding
  out[3] = 8;   // bits per pixel per plane
  Put16(out, 4, 0);
  Put16(out, 6, 0);
  Put16(out, 8, static_cast<unsigned>(width - 1));
  Put16(out, 10, static_cast<unsigned>(height - 1));
  Put16(out, 12, 72);  // resolution in dots per inch
  Put16(out, 14, 72);
  out[65] = 3;  // colour planes
  Put16(out, 66, static_cast<unsigned>(width));  // bytes per plane line
  Put16(out, 68, 1);  // colour picture
  std::vector<std::uint8_t> line(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = &rgb[static_cast<size_t>(y) * width * 3];
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < width; ++x) line[x] = row[x * 3 + plane];
      EncodeLine(line.data(), width, out);
    }
  }
  return out;
}

}  // namespace assetgen
