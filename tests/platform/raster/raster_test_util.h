// raster_test_util.h: a colour and depth buffer with guard bytes around them,
// and a draw context whose clip space is screen space, for the rasterizer tests.
#pragma once

#include <cstdint>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/raster/raster.h"

namespace rastertest {

constexpr std::uint8_t kGuard = 0xA5;
constexpr int kGuardPixels = 8;

// width x height pixels at `bpp` bytes, surrounded by kGuardPixels of guard on
// every side, plus a depth buffer with the same margin.
struct Canvas {
  int width, height, bpp;
  int pitch, depthPitch;
  std::vector<std::uint8_t> color, depth;

  Canvas(int w, int h, int bytesPerPixel = 4)
      : width(w), height(h), bpp(bytesPerPixel),
        pitch((w + 2 * kGuardPixels) * bytesPerPixel), depthPitch((w + 2 * kGuardPixels) * 2),
        color(static_cast<std::size_t>(pitch) * (h + 2 * kGuardPixels), kGuard),
        depth(static_cast<std::size_t>(depthPitch) * (h + 2 * kGuardPixels), kGuard) {
    for (int y = 0; y < h; ++y) {
      std::memset(Pixel(0, y), 0, static_cast<std::size_t>(w) * bpp);
      std::memset(DepthAt(0, y), 0xFF, static_cast<std::size_t>(w) * 2);
    }
  }

  std::uint8_t* Pixel(int x, int y) {
    return color.data() + static_cast<std::size_t>(y + kGuardPixels) * pitch + (x + kGuardPixels) * bpp;
  }
  std::uint8_t* DepthAt(int x, int y) {
    return depth.data() + static_cast<std::size_t>(y + kGuardPixels) * depthPitch + (x + kGuardPixels) * 2;
  }
  // 0x00RRGGBB of a pixel.
  std::uint32_t Rgb(int x, int y) {
    const std::uint8_t* p = Pixel(x, y);
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
  }
  std::uint16_t Depth(int x, int y) {
    std::uint16_t v;
    std::memcpy(&v, DepthAt(x, y), 2);
    return v;
  }
  void Fill(std::uint32_t rgb) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = Pixel(x, y);
        p[0] = static_cast<std::uint8_t>(rgb);
        p[1] = static_cast<std::uint8_t>(rgb >> 8);
        p[2] = static_cast<std::uint8_t>(rgb >> 16);
      }
  }
  raster::Target Target() {
    return raster::Target{Pixel(0, 0), width, height, pitch, bpp, DepthAt(0, 0), width, height, depthPitch};
  }
  // True when every byte outside the width x height area still holds the guard.
  bool GuardsIntact() {
    auto check = [](const std::vector<std::uint8_t>& buf, int rowBytes, int w, int h, int px) {
      for (int y = 0; y < h + 2 * kGuardPixels; ++y)
        for (int x = 0; x < rowBytes; ++x) {
          bool inside = y >= kGuardPixels && y < h + kGuardPixels && x >= kGuardPixels * px &&
                        x < (kGuardPixels + w) * px;
          if (!inside && buf[static_cast<std::size_t>(y) * rowBytes + x] != kGuard) return false;
        }
      return true;
    };
    return check(color, pitch, width, height, bpp) && check(depth, depthPitch, width, height, 2);
  }
};

// Clip space equals screen space: a vertex (sx, -sy, z) with w = 1 lands on
// pixel coordinates (sx, sy), depth z.
inline raster::DrawContext ScreenContext(Canvas& canvas) {
  raster::DrawContext c;
  c.target = canvas.Target();
  c.viewport = {0, 0, canvas.width, canvas.height, 0.0f, 0.0f,
                static_cast<float>(canvas.width), static_cast<float>(canvas.height), 0.0f, 1.0f};
  c.states.cull = raster::kCullNone;
  c.states.specular = false;
  return c;
}

inline raster::Vertex V(float sx, float sy, std::uint32_t color = 0xFFFFFFFFu, float z = 0.5f,
                        float u = 0, float v = 0, std::uint32_t specular = 0) {
  return raster::Vertex{sx, -sy, z, color, specular, u, v};
}

// A camera at the origin looking down +z, near plane 1, 90 degrees, turned
// about y by `turn` radians.
inline raster::Matrix Camera(float turn = 0) {
  raster::Matrix m;
  const float s = std::sqrt(0.5f), q = s / (1 - 1 / 100.0f);
  const float c = std::cos(turn), n = std::sin(turn);
  // Rotation about y, then the projection.
  raster::Matrix r;
  r.m[0][0] = c;
  r.m[0][2] = -n;
  r.m[2][0] = n;
  r.m[2][2] = c;
  m.m[0][0] = s;
  m.m[1][1] = s;
  m.m[2][2] = q;
  m.m[2][3] = s;
  m.m[3][2] = -q;
  m.m[3][3] = 0;
  return raster::Multiply(r, m);
}

}  // namespace rastertest
