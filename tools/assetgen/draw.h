// Drawing kit for the generated pictures: float colours, shapes as signed
// distances, hashed noise, supersampled canvases, blurs and a distance transform.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/assetgen/assetgen.h"

namespace assetgen {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 6.28318530717959f;

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(float k, Rgb a) { return a * k; }
inline Rgb& operator+=(Rgb& a, Rgb b) { return a = a + b; }

// 0..255 triple as a float colour.
inline Rgb Rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

inline float Clamp(float x, float lo, float hi) { return x < lo ? lo : (x > hi ? hi : x); }
inline float Clamp01(float x) { return Clamp(x, 0.0f, 1.0f); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline float Fract(float x) { return x - std::floor(x); }
inline float SmoothStep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
// Coverage of the inside (d < 0) of a signed distance, blurred over `soft` units.
inline float Fill(float d, float soft) { return Clamp01(0.5f - d / soft); }

// Colour ramp through evenly spaced stops; t in 0..1.
Rgb Ramp(const std::vector<Rgb>& stops, float t);

// Integer hash and values in 0..1 from it.
std::uint32_t Hash(std::uint32_t x);
float Hash01(int x, int y, int seed);
// Smooth value noise in 0..1; with period px, py (cells) it tiles.
float ValueNoise(float x, float y, int seed, int px = 0, int py = 0);
// Sum of octaves, each half the amplitude and twice the frequency; periodic
// when px, py are given (the period doubles with each octave).
float Fbm(float x, float y, int octaves, int seed, int px = 0, int py = 0);

// 2D shape distances (negative inside).
float SdCircle(float x, float y, float r);
float SdBox(float x, float y, float hw, float hh, float round = 0.0f);
float SdSegment(float x, float y, float ax, float ay, float bx, float by);
// Closed polygon given as x0, y0, x1, y1, ...
float SdPolygon(float x, float y, const std::vector<float>& pts);
// Polynomial smooth minimum: unions two shapes with a blend radius k.
float SmoothMin(float a, float b, float k);

// A float picture; x runs right, y down.
struct Image {
  int w = 0, h = 0;
  std::vector<Rgb> px;
  Image() = default;
  Image(int width, int height, Rgb fill = {}) : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
  Rgb& At(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
  const Rgb& At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
  Rgb Sample(float x, float y) const;  // bilinear, clamped at the borders
};

// A single-channel float plane of the same layout.
struct Plane {
  int w = 0, h = 0;
  std::vector<float> v;
  Plane() = default;
  Plane(int width, int height, float fill = 0) : w(width), h(height), v(static_cast<size_t>(width) * height, fill) {}
  float& At(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
  float At(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
  float Sample(float x, float y) const;  // bilinear, clamped at the borders
};

// A canvas drawn at `scale` times the final size; shaders receive coordinates
// in final-picture pixels, so shapes are written once and come out anti-aliased.
struct Canvas {
  int out_w, out_h, scale;
  Image img;
  Canvas(int w, int h, int ss, Rgb fill = {}) : out_w(w), out_h(h), scale(ss), img(w * ss, h * ss, fill) {}
  // Calls fn(x, y, colour) for every canvas pixel with its centre in picture units.
  void Shade(const std::function<void(float, float, Rgb&)>& fn);
  float Unit() const { return 1.0f / static_cast<float>(scale); }  // one canvas pixel in picture units
  Image Resolve() const;  // box-filters down to the final size
};

// Separable box blur repeated three times (close to a Gaussian), radius in pixels.
Plane Blur(const Plane& in, int radius, bool wrap = false);
Image Blur(const Image& in, int radius, bool wrap = false);
// Euclidean distance (pixels) from every pixel to the nearest pixel where inside > 0.5.
Plane DistanceTo(const Plane& inside);

// Packs to 8-bit RGB rows (r, g, b per pixel), rounding and clamping each channel.
Bytes ToRgb8(const Image& img);

}  // namespace assetgen
