// screenshot.cpp: F12's screenshots: the frame shown last as a 320x240 PNG and
// as a PNG at the size it had on screen, named with the show time.
//
// The scaled copy is made here with the window's filter (nearest or linear)
// rather than read back from the renderer, so it looks as the frame did on
// screen without the black bars, and works with any renderer. Files go into
// the given directory (the working directory); an existing screenshot of the
// same name is replaced.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/host/pictures.h"

namespace host {
namespace {

std::vector<std::uint8_t> Nearest(std::span<const std::uint8_t> rgb, int sw, int sh, int dw,
                                  int dh) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(dw) * dh * 3);
  std::uint8_t* dst = out.data();
  for (int y = 0; y < dh; ++y) {
    // The source pixel under the target pixel's centre, in integers.
    const std::int64_t sy = (std::int64_t{2} * y + 1) * sh / (std::int64_t{2} * dh);
    for (int x = 0; x < dw; ++x) {
      const std::int64_t sx = (std::int64_t{2} * x + 1) * sw / (std::int64_t{2} * dw);
      const std::uint8_t* src = rgb.data() + (sy * sw + sx) * 3;
      *dst++ = src[0];
      *dst++ = src[1];
      *dst++ = src[2];
    }
  }
  return out;
}

// Where a target pixel's centre falls between two source pixels: the lower
// index and the weight of the upper one, clamped at the picture's edges.
struct Tap {
  int low, high;
  float weight;
};

Tap Between(int target, int sourceSize, int targetSize) {
  const float at = (static_cast<float>(target) + 0.5f) * static_cast<float>(sourceSize) /
                       static_cast<float>(targetSize) -
                   0.5f;
  const float clamped = std::fmin(std::fmax(at, 0.0f), static_cast<float>(sourceSize - 1));
  const int low = static_cast<int>(clamped);
  const int high = low + 1 < sourceSize ? low + 1 : low;
  return Tap{low, high, clamped - static_cast<float>(low)};
}

std::vector<std::uint8_t> Linear(std::span<const std::uint8_t> rgb, int sw, int sh, int dw,
                                 int dh) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(dw) * dh * 3);
  std::uint8_t* dst = out.data();
  auto at = [&](int x, int y, int c) {
    return static_cast<float>(rgb[(static_cast<std::size_t>(y) * sw + x) * 3 + c]);
  };
  for (int y = 0; y < dh; ++y) {
    const Tap ty = Between(y, sh, dh);
    for (int x = 0; x < dw; ++x) {
      const Tap tx = Between(x, sw, dw);
      for (int c = 0; c < 3; ++c) {
        const float top =
            at(tx.low, ty.low, c) * (1 - tx.weight) + at(tx.high, ty.low, c) * tx.weight;
        const float bottom =
            at(tx.low, ty.high, c) * (1 - tx.weight) + at(tx.high, ty.high, c) * tx.weight;
        *dst++ = static_cast<std::uint8_t>(std::lround(top * (1 - ty.weight) + bottom * ty.weight));
      }
    }
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> ScaleRgb(std::span<const std::uint8_t> rgb, int sw, int sh, int dw,
                                   int dh, bool linear) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 ||
      rgb.size() < static_cast<std::size_t>(sw) * sh * 3)
    return {};
  return linear ? Linear(rgb, sw, sh, dw, dh) : Nearest(rgb, sw, sh, dw, dh);
}

std::string ScreenshotName(double showSeconds, int width, int height) {
  // Never "-000.000": times before the show's start are its start.
  const double seconds = std::isfinite(showSeconds) && showSeconds > 0 ? showSeconds : 0.0;
  char name[80];
  if (width > 0 && height > 0)
    std::snprintf(name, sizeof name, "vuxa-shot-%07.3fs-%dx%d.png", seconds, width, height);
  else
    std::snprintf(name, sizeof name, "vuxa-shot-%07.3fs.png", seconds);
  return name;
}

bool WriteScreenshots(const std::string& dir, std::span<const std::uint8_t> rgb, int scaledW,
                      int scaledH, bool linear, double showSeconds) {
  constexpr int kWidth = 320, kHeight = 240;
  if (rgb.size() < std::size_t{kWidth} * kHeight * 3) return false;
  const std::string small = ScreenshotName(showSeconds);
  const std::string large = ScreenshotName(showSeconds, scaledW, scaledH);
  auto write = [&](const std::string& name, const std::uint8_t* pixels, int w, int h) {
    const std::string path = (std::filesystem::path(dir) / name).string();
    errno = 0;
    if (WriteRgbPng(path, pixels, w, h)) return true;
    std::fprintf(stderr, "vuxa: cannot save the screenshot %s: %s\n", path.c_str(),
                 std::strerror(errno != 0 ? errno : EIO));
    return false;
  };
  if (!write(small, rgb.data(), kWidth, kHeight)) return false;
  const std::vector<std::uint8_t> scaled = ScaleRgb(rgb, kWidth, kHeight, scaledW, scaledH, linear);
  if (scaled.empty() || !write(large, scaled.data(), scaledW, scaledH)) {
    std::fprintf(stderr, "vuxa: saved %s\n", small.c_str());
    return false;
  }
  std::fprintf(stderr, "vuxa: saved %s and %s\n", small.c_str(), large.c_str());
  return true;
}

}  // namespace host
