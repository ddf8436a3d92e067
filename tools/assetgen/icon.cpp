// Writes icons/vuxa.png: the program's 256x256 desktop icon, a ringed planet
// like the show's 3D scene in front of a dusk sky, on a rounded square with
// transparent corners. Drawn 4x supersampled; written with libpng (RGBA, the
// same bytes on every run: no time stamp, fixed compression settings).
#include <png.h>

#include <cmath>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/draw.h"

namespace assetgen {

namespace {

constexpr int kSize = 256, kSuper = 4;
constexpr float kCx = 128.0f, kCy = 134.0f;  // the planet's centre
constexpr float kPlanet = 58.0f;
constexpr float kTilt = -0.35f;       // the ring's slant, radians
constexpr float kRingSquash = 0.30f;  // how flat the ring's ellipse is
constexpr float kRingInner = 76.0f, kRingOuter = 110.0f;

float Tile(float x, float y) { return SdBox(x - 128.0f, y - 128.0f, 120.0f, 120.0f, 40.0f); }

Rgb Sky(float x, float y) {
  Rgb c = Ramp({Rgb8(6, 4, 26), Rgb8(22, 8, 58), Rgb8(70, 16, 96), Rgb8(170, 40, 120)}, y / 256.0f);
  // Stars: one chance in seven per 9-pixel cell, a soft dot at a hashed place.
  const int gx = static_cast<int>(std::floor(x / 9.0f)),
            gy = static_cast<int>(std::floor(y / 9.0f));
  if (Hash01(gx, gy, 901) < 0.14f) {
    const float sx = (static_cast<float>(gx) + 0.2f + 0.6f * Hash01(gx, gy, 902)) * 9.0f;
    const float sy = (static_cast<float>(gy) + 0.2f + 0.6f * Hash01(gx, gy, 903)) * 9.0f;
    const float d = std::hypot(x - sx, y - sy);
    c += Rgb8(220, 220, 255) * (0.9f * std::exp(-d * d / 0.8f));
  }
  // The show's grey noise, faintly, as film grain.
  c += Rgb{1, 1, 1} *
       ((Hash01(static_cast<int>(x * 4), static_cast<int>(y * 4), 904) - 0.5f) * 0.03f);
  return c;
}

// The planet's surface at a point of its disc: bands warped by noise, lit from
// the upper left, with a rim of atmosphere.
Rgb Planet(float x, float y) {
  const float px = (x - kCx) / kPlanet, py = (y - kCy) / kPlanet;
  const float pz = std::sqrt(std::fmax(0.0f, 1.0f - px * px - py * py));
  const float lat = py * std::cos(kTilt) - px * std::sin(kTilt);
  const float band = lat * 5.0f + 1.4f * Fbm(px * 3.0f + 7.0f, lat * 9.0f, 4, 905);
  const Rgb surface = Ramp({Rgb8(70, 80, 200), Rgb8(140, 120, 235), Rgb8(230, 150, 200),
                            Rgb8(110, 100, 230), Rgb8(80, 150, 230)},
                           Fract(band * 0.5f));
  const float light = Clamp01(-0.55f * px - 0.55f * py + 0.62f * pz);
  const float rim = std::pow(1.0f - pz, 3.0f);
  return surface * (0.12f + 0.95f * light) + Rgb8(255, 140, 210) * (0.5f * rim) +
         Rgb{1, 1, 1} * (0.5f * std::pow(light, 24.0f));
}

// The ring at a point: its colour and coverage, and whether that part lies in
// front of the planet (the lower half of the ellipse).
struct RingSample {
  Rgb colour;
  float cover = 0;
  bool front = false;
};

RingSample Ring(float x, float y) {
  const float dx = x - kCx, dy = y - kCy;
  const float rx = dx * std::cos(kTilt) + dy * std::sin(kTilt);
  const float ry = (-dx * std::sin(kTilt) + dy * std::cos(kTilt)) / kRingSquash;
  const float r = std::hypot(rx, ry);
  RingSample s;
  if (r < kRingInner || r > kRingOuter) return s;
  const float t = (r - kRingInner) / (kRingOuter - kRingInner);
  const float grooves = 0.65f + 0.35f * std::sin(t * 38.0f) * std::sin(t * 11.0f + 1.0f);
  s.colour = Ramp({Rgb8(250, 190, 170), Rgb8(230, 140, 150), Rgb8(190, 120, 190)}, t) * grooves;
  s.cover = 0.9f * SmoothStep(0.0f, 0.06f, t) * SmoothStep(1.0f, 0.9f, t);
  s.front = ry > 0;
  return s;
}

Rgb Icon(float x, float y) {
  Rgb c = Sky(x, y);
  const float dPlanet = std::hypot(x - kCx, y - kCy) - kPlanet;
  // A glow round the planet, then the ring behind, the planet, the ring in front.
  c += Rgb8(200, 90, 200) * (0.45f * std::exp(-std::fmax(dPlanet, 0.0f) / 14.0f));
  const RingSample ring = Ring(x, y);
  if (!ring.front) c = Mix(c, ring.colour, ring.cover);
  if (dPlanet < 0) c = Planet(x, y);
  if (ring.front) c = Mix(c, ring.colour, ring.cover);
  // A thin light edge just inside the tile.
  const float edge = std::fabs(Tile(x, y) + 2.0f);
  c += Rgb8(255, 160, 230) * (0.35f * Clamp01(1.5f - edge));
  return c;
}

void PutPngBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}
[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// RGBA rows as PNG bytes; empty on failure.
Bytes EncodePng(const std::vector<std::uint8_t>& rgba, int w, int h) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    rows[y] = const_cast<png_bytep>(rgba.data() + static_cast<std::size_t>(y) * w * 4);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PutPngBytes, NoFlush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

bool WriteIcon(const std::filesystem::path& outdir, std::string& error) {
  // Colour premultiplied by the tile's coverage, and the coverage itself.
  Canvas colour(kSize, kSize, kSuper);
  Canvas cover(kSize, kSize, kSuper);
  colour.Shade([](float x, float y, Rgb& c) { c = Tile(x, y) < 0 ? Icon(x, y) : Rgb{}; });
  cover.Shade([](float x, float y, Rgb& c) { c.r = Tile(x, y) < 0 ? 1.0f : 0.0f; });
  const Image rgb = colour.Resolve();
  const Image alpha = cover.Resolve();
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kSize) * kSize * 4);
  auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float a = alpha.At(x, y).r;
      const Rgb c = a > 0 ? rgb.At(x, y) * (1.0f / a) : Rgb{};
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kSize + x) * 4];
      p[0] = byte(c.r);
      p[1] = byte(c.g);
      p[2] = byte(c.b);
      p[3] = byte(a);
    }
  }
  const Bytes png = EncodePng(rgba, kSize, kSize);
  if (png.empty()) {
    error = "cannot encode the icon";
    return false;
  }
  return WriteFileBytes(outdir / "icons" / "vuxa.png", png, error);
}

}  // namespace assetgen
