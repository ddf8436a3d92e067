// pictures.h: frames as pictures: PNG files, scaled copies, screenshots, and
// where a frame goes on a screen of any size.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace host {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;

// Writes packed 8-bit RGB rows as a PNG file; false (errno set, nothing left
// behind) on any failure.
bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height);
// The bytes of that PNG file; empty for a size out of range or out of memory.
// They depend on the pixels alone.
std::vector<std::uint8_t> EncodeRgbPng(const std::uint8_t* rgb, int width, int height);
// Writes a whole file's bytes under `path` through a temporary file renamed
// into place; false (errno set, nothing left behind) on any failure.
bool WritePngFile(const std::string& path, std::span<const std::uint8_t> png);
// A packed RGB picture resized to dw x dh: nearest picks the source pixel
// under each target pixel's centre; linear interpolates between the four
// nearest source pixels (edges clamped).
std::vector<std::uint8_t> ScaleRgb(std::span<const std::uint8_t> rgb, int sw, int sh, int dw,
                                   int dh, bool linear);
// "vuxa-shot-023.456s.png", or with a size "vuxa-shot-023.456s-960x720.png".
std::string ScreenshotName(double showSeconds, int width = 0, int height = 0);
// Writes the 320x240 frame and its scaled copy into `dir` and says so on
// stderr; false (with the reason on stderr) when a file cannot be written.
bool WriteScreenshots(const std::string& dir, std::span<const std::uint8_t> rgb, int scaledW,
                      int scaledH, bool linear, double showSeconds);

// Where the 320x240 frame goes in an output of w x h pixels: centred, at the
// largest integer scale that fits, else as large as fits at 4:3.
struct FramePlace {
  int x, y, w, h;
};
FramePlace PlaceFrame(int w, int h);

}  // namespace host
