#include "tools/assetgen/bmp.h"

namespace assetgen {

namespace {

void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
std::uint8_t Byte(float c) { return static_cast<std::uint8_t>(std::lround(Clamp01(c) * 255.0f)); }

// Both headers; the pixel data follows the colour table.
Bytes Headers(int width, int height, int bits, std::uint32_t colours) {
  const std::uint32_t stride = ((static_cast<std::uint32_t>(width) * bits / 8) + 3) & ~3U;
  const std::uint32_t offset = 14 + 40 + colours * 4;
  const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
  Put16(out, 1);                                   // planes
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, image);
  Put32(out, 2835);  // 72 dpi in pixels per metre
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
  return out;
}

}  // namespace

Bytes EncodeBmp24(const Image& img) {
  Bytes out = Headers(img.w, img.h, 24, 0);
  const int pad = (4 - (img.w * 3) % 4) % 4;
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.At(x, y);
      out.push_back(Byte(p.b));
      out.push_back(Byte(p.g));
      out.push_back(Byte(p.r));
    }
    for (int i = 0; i < pad; ++i) out.push_back(0);
  }
  return out;
}

Bytes EncodeBmp8(int width, int height, const std::vector<std::uint8_t>& indices, const std::vector<Rgb>& palette) {
  if (palette.empty() || palette.size() > 256 || indices.size() != static_cast<size_t>(width) * height) return {};
  Bytes out = Headers(width, height, 8, static_cast<std::uint32_t>(palette.size()));
  for (const Rgb& c : palette) {
    out.push_back(Byte(c.b));
    out.push_back(Byte(c.g));
    out.push_back(Byte(c.r));
    out.push_back(0);
  }
  const int pad = (4 - width % 4) % 4;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) out.push_back(indices[static_cast<size_t>(y) * width + x]);
    for (int i = 0; i < pad; ++i) out.push_back(0);
  }
  return out;
}

}  // namespace assetgen
