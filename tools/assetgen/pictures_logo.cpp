// Closing picture: "VUXA" in chrome over a sunset, a glowing perspective
// grid, a ringed planet and stars. The top left stays dark and quiet for the
// caption the show writes there.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/font.h"
#include "tools/assetgen/pictures.h"

namespace assetgen {

namespace {

constexpr int kW = 320, kH = 200, kSuper = 4;
constexpr float kHorizon = 134.0f;
constexpr float kSunX = 160.0f, kSunY = 104.0f, kSunR = 44.0f;

Rgb Sky(float x, float y) {
  Rgb c = Ramp({Rgb8(3, 2, 14), Rgb8(8, 4, 30), Rgb8(16, 6, 44), Rgb8(48, 12, 84), Rgb8(130, 26, 110),
                Rgb8(255, 96, 96)},
               y / kHorizon);
  // Stars, fewer and dimmer towards the horizon and in the caption corner.
  const int gx = static_cast<int>(std::floor(x / 5.0f)), gy = static_cast<int>(std::floor(y / 5.0f));
  const float h = Hash01(gx, gy, 71);
  if (h < 0.16f) {
    const float sx = (static_cast<float>(gx) + 0.15f + 0.7f * Hash01(gx, gy, 72)) * 5.0f;
    const float sy = (static_cast<float>(gy) + 0.15f + 0.7f * Hash01(gx, gy, 73)) * 5.0f;
    const float quiet = (sx < 226.0f && sy < 64.0f) ? 0.35f : 1.0f;
    const float bright = (0.25f + 4.5f * h) * quiet * (1.0f - SmoothStep(40.0f, kHorizon - 20.0f, sy));
    const float d = std::hypot(x - sx, y - sy);
    c = c + Mix(Rgb8(170, 190, 255), Rgb8(255, 220, 240), Hash01(gx, gy, 74)) * (bright * std::exp(-d * d / 0.18f));
    // The brightest get a small cross.
    if (h < 0.03f && quiet == 1.0f) {
      const float ax = std::fabs(x - sx), ay = std::fabs(y - sy);
      const float cross = std::max(0.0f, 1.0f - (std::min(ax, ay) * 5.0f + std::max(ax, ay)) / 5.0f);
      c = c + Rgb8(200, 210, 255) * (0.8f * cross);
    }
  }
  // The sun: a gradient disc cut by widening bands, with a broad glow.
  const float ds = std::hypot(x - kSunX, y - kSunY);
  const float t = (y - (kSunY - kSunR)) / (2.0f * kSunR);
  const float band_pos = (y - (kSunY - 4.0f)) / 7.0f;
  const float gap = y > kSunY - 4.0f ? Clamp01(0.12f + 0.1f * band_pos) : 0.0f;
  const float in_band = (Fract(band_pos) < gap) ? 0.0f : 1.0f;
  const Rgb sun = Ramp({Rgb8(255, 246, 160), Rgb8(255, 190, 80), Rgb8(255, 96, 110), Rgb8(230, 40, 150)}, t);
  c = c + Rgb8(255, 80, 120) * (0.45f * std::exp(-std::max(ds - kSunR, 0.0f) / 26.0f));
  c = Mix(c, sun, Fill(ds - kSunR, 0.4f) * in_band);
  // Distant mountains across the horizon, dark with a lit crest.
  const float ridge = kHorizon - 3.0f - 12.0f * Fbm(x / 26.0f, 0.5f, 4, 75) * (0.4f + 0.6f * SmoothStep(30.0f, 130.0f, std::fabs(x - kSunX)));
  if (y > ridge - 1.0f) {
    const Rgb rock = Mix(Rgb8(36, 10, 60), Rgb8(14, 4, 30), SmoothStep(ridge, kHorizon, y));
    c = Mix(c, rock, Fill(ridge - y, 0.35f));
    c = c + Rgb8(255, 120, 160) * (0.5f * Fill(std::fabs(y - ridge) - 0.25f, 0.35f));
  }
  return c;
}

Rgb Floor(float x, float y) {
  const float dy = y - kHorizon;
  const float cam_h = 20.0f, focal = 160.0f;
  const float z = cam_h * focal / dy;  // depth of this row
  const float wx = (x - 160.0f) * z / focal;
  const float spacing = 16.0f;
  // Distance to the nearest grid line in screen pixels, for even line widths.
  const float fx = std::fabs(Fract(wx / spacing + 0.5f) - 0.5f) * spacing / (z / focal);
  const float fz = std::fabs(Fract(z / spacing - 0.08f) - 0.5f) * spacing / (z * z / (cam_h * focal));
  const float fade = std::exp(-z / 420.0f);
  const float line = std::max(Fill(fx - 0.45f, 0.5f), Fill(fz - 0.45f, 0.5f));
  const float halo = std::max(std::exp(-fx / 1.6f), std::exp(-fz / 1.6f));
  Rgb c = Mix(Rgb8(46, 8, 60), Rgb8(6, 0, 18), SmoothStep(0.0f, 50.0f, dy));
  // The sun's reflection: a soft vertical streak broken by the grid.
  c = c + Rgb8(255, 80, 140) * (0.35f * std::exp(-std::fabs(x - kSunX) / 22.0f) * std::exp(-dy / 30.0f));
  const Rgb line_c = Mix(Rgb8(255, 70, 210), Rgb8(120, 60, 255), SmoothStep(0.0f, 60.0f, dy));
  c = c + line_c * (fade * (0.9f * line + 0.35f * halo));
  // Haze where the grid meets the sky.
  c = Mix(c, Rgb8(200, 60, 130), std::exp(-dy / 4.0f) * 0.7f);
  return c;
}

// A small ringed planet lit from the sunset below left.
void Planet(float x, float y, Rgb& c) {
  const float px = 283.0f, py = 38.0f, pr = 20.0f;
  const float tilt = -0.35f;
  const float ct = std::cos(tilt), st = std::sin(tilt);
  const float rx = (x - px) * ct - (y - py) * st, ry = (x - px) * st + (y - py) * ct;
  const float ring_e = std::hypot(rx / 1.0f, ry / 0.28f);  // ring ellipse radius
  const float ring = Fill(std::fabs(ring_e - 31.0f) - 4.5f, 0.5f) * (0.6f + 0.4f * std::cos(ring_e * 1.6f));
  const Rgb ring_c = Mix(Rgb8(200, 150, 255), Rgb8(255, 170, 140), SmoothStep(26.0f, 40.0f, ring_e));
  const bool back = ry < 0.0f;  // the far half of the ring passes behind the ball
  if (back) c = Mix(c, ring_c * 0.7f, ring * 0.8f);
  const float d = std::hypot(x - px, y - py);
  if (d < pr + 1.0f) {
    const float nx = (x - px) / pr, ny = (y - py) / pr;
    const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
    const float light = Clamp01(-0.55f * nx + 0.55f * ny + 0.62f * nz);
    const float bands = Fbm(ry * 0.25f, rx * 0.03f, 3, 77);
    Rgb body = Ramp({Rgb8(30, 20, 90), Rgb8(90, 70, 200), Rgb8(150, 120, 255), Rgb8(255, 160, 200)}, bands);
    body = body * (0.08f + 1.0f * light * light);
    body = body + Rgb8(255, 110, 120) * (0.6f * std::pow(1.0f - nz, 3.0f) * Clamp01(-nx + ny));  // rim light
    c = Mix(c, body, Fill(d - pr, 0.5f));
  }
  if (!back) c = Mix(c, ring_c, ring * 0.85f);
}

}  // namespace

bool MakeLogoPicture(Image& out, std::string& error) {
  Canvas canvas(kW, kH, kSuper);
  canvas.Shade([&](float x, float y, Rgb& c) {
    c = y < kHorizon ? Sky(x, y) : Floor(x, y);
    Planet(x, y, c);
  });

  // Lettering at canvas resolution, with distances inside and outside it.
  const float em = 90.0f, baseline = 140.0f;
  const float cap = 0.729f * em;  // DejaVu Sans capital height
  Plane cover(canvas.img.w, canvas.img.h);
  if (!RenderText("VUXA", em * kSuper, 2.0f * kSuper, 160.0f * kSuper, baseline * kSuper, cover, error)) return false;
  Plane inverse(cover.w, cover.h);
  for (size_t i = 0; i < cover.v.size(); ++i) inverse.v[i] = 1.0f - cover.v[i];
  const Plane outside = DistanceTo(cover);   // canvas pixels to the letters
  const Plane inside = DistanceTo(inverse);  // canvas pixels to the background
  // Soft drop shadow: the letters with their outline, moved down right, blurred.
  Plane shadow(cover.w, cover.h);
  const int off_x = 5 * kSuper, off_y = 6 * kSuper;
  for (int y = 0; y < cover.h; ++y) {
    for (int x = 0; x < cover.w; ++x) {
      const int sx = x - off_x, sy = y - off_y;
      if (sx >= 0 && sy >= 0) shadow.At(x, y) = outside.At(sx, sy) < 3.0f * kSuper ? 1.0f : 0.0f;
    }
  }
  shadow = Blur(shadow, 3 * kSuper);
  const Plane bloom = Blur(cover, 5 * kSuper);

  const float unit = canvas.Unit();
  const float top = baseline - cap;
  for (int y = 0; y < canvas.img.h; ++y) {
    for (int x = 0; x < canvas.img.w; ++x) {
      Rgb& c = canvas.img.At(x, y);
      const float fy = (static_cast<float>(y) + 0.5f) * unit;
      c = c * (1.0f - 0.8f * shadow.At(x, y));
      // A warm bloom around the letters from the sun behind them.
      c = c + Rgb8(255, 90, 150) * (0.35f * bloom.At(x, y) * (1.0f - cover.At(x, y)));
      // Signed distance to the letter edge in picture pixels (negative inside).
      const float sd = (outside.At(x, y) - inside.At(x, y)) * unit;
      const float outline = Fill(sd - 2.2f, 0.35f);
      c = Mix(c, Rgb8(6, 4, 20), outline);
      if (sd < 0.5f) {
        // Chrome: sky above a dark horizon line, warm ground below it.
        const float t = (fy - top) / cap;
        Rgb chrome = Ramp({Rgb8(255, 255, 255), Rgb8(190, 220, 255), Rgb8(110, 150, 235), Rgb8(40, 50, 130),
                           Rgb8(14, 10, 40), Rgb8(150, 60, 90), Rgb8(255, 160, 90), Rgb8(255, 220, 160),
                           Rgb8(255, 150, 110), Rgb8(180, 70, 120)},
                          t * 0.98f + 0.01f);
        // Sharp break at the horizon line, the hallmark of chrome lettering.
        if (t > 0.46f && t < 0.50f) chrome = Mix(Rgb8(20, 14, 50), chrome, 0.4f);
        // Bevel: the slope of the distance field against a light from the top left.
        const float depth = -sd;
        if (depth < 3.0f) {
          const int x0 = std::max(x - 1, 0), x1 = std::min(x + 1, canvas.img.w - 1);
          const int y0 = std::max(y - 1, 0), y1 = std::min(y + 1, canvas.img.h - 1);
          float gx = (inside.At(x1, y) - inside.At(x0, y)), gy = (inside.At(x, y1) - inside.At(x, y0));
          const float len = std::hypot(gx, gy);
          if (len > 1e-4f) {
            gx /= len;
            gy /= len;
          }
          const float facing = gx * 0.55f + gy * 0.83f;  // > 0 where the rim faces up left
          const float slope = 1.0f - SmoothStep(0.0f, 3.0f, depth);
          chrome = chrome * (1.0f + 0.7f * facing * slope);
          // The highlight line just inside the top left edges.
          const float hl = Fill(std::fabs(depth - 1.1f) - 0.3f, 0.35f) * Clamp01(facing * 1.6f);
          chrome = Mix(chrome, Rgb{1, 1, 1}, hl);
        }
        c = Mix(c, chrome, Fill(sd, 0.35f));
      }
    }
  }

  // Glints at two letter corners.
  const float glints[][3] = {{40.0f, 79.0f, 9.0f}, {262.0f, 80.0f, 7.0f}};
  canvas.Shade([&](float x, float y, Rgb& c) {
    for (const auto& g : glints) {
      const float ax = std::fabs(x - g[0]), ay = std::fabs(y - g[1]);
      const float star = std::max(0.0f, 1.0f - (std::min(ax, ay) * 7.0f + std::max(ax, ay)) / g[2]);
      const float core = std::exp(-(ax * ax + ay * ay) / 2.0f);
      c = c + Rgb8(255, 250, 240) * (star + core * 0.9f);
    }
  });
  out = canvas.Resolve();
  return true;
}

}  // namespace assetgen
