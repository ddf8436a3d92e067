// Tunnel wall: hexagonal armour plates with glowing seams, 256x256 and
// periodic in both directions, so the tunnel can wrap it around and along.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/pictures.h"

namespace assetgen {

namespace {

constexpr int kSize = 256;
constexpr int kSuper = 3;

// Hexagon lattice: a1 = (32, 0), a2 = (16, 25.6). Both (256, 0) = 8 a1 and
// (0, 256) = 10 a2 - 5 a1 are lattice vectors, so everything built on it tiles.
constexpr float kA1x = 32.0f, kA2x = 16.0f, kA2y = 25.6f;

struct Cell {
  int i = 0, j = 0;      // lattice index, reduced to one tile
  float cx = 0, cy = 0;  // centre, picture units (may lie outside the tile)
  float edge = 0;        // distance to the nearest seam
};

// Nearest lattice centre and the distance to the Voronoi edge around it.
Cell NearestCell(float x, float y) {
  const float jf = y / kA2y;
  const float if_ = (x - kA2x * jf) / kA1x;
  const int j0 = static_cast<int>(std::floor(jf)), i0 = static_cast<int>(std::floor(if_));
  float best = 1e30f;
  int bi = 0, bj = 0;
  float cand_x[16], cand_y[16];
  int n = 0;
  for (int dj = -1; dj <= 2; ++dj) {
    for (int di = -1; di <= 2; ++di) {
      const int ci = i0 + di, cj = j0 + dj;
      const float px = static_cast<float>(ci) * kA1x + static_cast<float>(cj) * kA2x;
      const float py = static_cast<float>(cj) * kA2y;
      cand_x[n] = px;
      cand_y[n] = py;
      ++n;
      const float d2 = (x - px) * (x - px) + (y - py) * (y - py);
      if (d2 < best) {
        best = d2;
        bi = ci;
        bj = cj;
      }
    }
  }
  Cell c;
  c.cx = static_cast<float>(bi) * kA1x + static_cast<float>(bj) * kA2x;
  c.cy = static_cast<float>(bj) * kA2y;
  c.edge = 1e30f;
  for (int k = 0; k < n; ++k) {
    const float ex = cand_x[k] - c.cx, ey = cand_y[k] - c.cy;
    const float len = std::hypot(ex, ey);
    if (len < 1e-3f) continue;
    const float dk = (x - cand_x[k]) * (x - cand_x[k]) + (y - cand_y[k]) * (y - cand_y[k]);
    c.edge = std::min(c.edge, (dk - best) / (2.0f * len));
  }
  // Reduce the index to one tile: (i, j) ~ (i + 5k, j - 10k) ~ (i + 8, j).
  const int jm = ((bj % 10) + 10) % 10;
  const int k = (bj - jm) / 10;
  c.j = jm;
  c.i = (((bi + 5 * k) % 8) + 8) % 8;
  return c;
}

Rgb Hsv(float h, float s, float v) {
  h = Fract(h) * 6.0f;
  const float c = v * s;
  const float x = c * (1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f));
  const float m = v - c;
  Rgb rgb;
  if (h < 1) rgb = {c, x, 0};
  else if (h < 2) rgb = {x, c, 0};
  else if (h < 3) rgb = {0, c, x};
  else if (h < 4) rgb = {0, x, c};
  else if (h < 5) rgb = {x, 0, c};
  else rgb = {c, 0, x};
  return rgb + Rgb{m, m, m};
}

}  // namespace

Image MakeTunnelTexture() {
  Canvas canvas(kSize, kSize, kSuper);
  const float w = static_cast<float>(kSize);
  canvas.Shade([&](float x, float y, Rgb& out) {
    const Cell cell = NearestCell(x, y);
    const float e = cell.edge;
    const float dx = x - cell.cx, dy = y - cell.cy;
    const float r = std::hypot(dx, dy);
    const float kind = Hash01(cell.i, cell.j, 7);

    // Colour drifts across the tile: blue, violet, cyan, through whole periods.
    const float hue = 0.64f + 0.07f * std::sin(kTau * x / w) + 0.06f * std::sin(kTau * 2.0f * y / w + 1.0f) +
                      0.04f * std::cos(kTau * (x + y) / w);
    const Rgb seam = Hsv(hue - 0.06f, 0.55f, 1.0f);
    const Rgb plate_tint = Hsv(hue + 0.02f, 0.65f, 1.0f);

    // Plate: dark metal with brushed grain, a raised rim lit from above.
    const float grain = Fbm(x / 8.0f, y / 2.0f, 3, 13, kSize / 8, kSize / 2);
    Rgb plate = plate_tint * (0.10f + 0.07f * grain);
    plate = plate * (0.75f + 0.5f * (1.0f - SmoothStep(0.0f, 14.0f, r)) * 0.5f);
    const float rim = SmoothStep(1.2f, 2.2f, e) * (1.0f - SmoothStep(3.5f, 5.0f, e));
    const float lit = -(dx * 0.3f + dy * 0.95f) / std::max(r, 1e-3f);
    plate = plate + plate_tint * (rim * (0.16f + 0.16f * lit));
    const float groove = Fill(std::fabs(e - 5.2f) - 0.35f, 0.5f);
    plate = plate * (1.0f - 0.6f * groove);

    // Plate details by kind: a glowing core, an inner ring, vent slits.
    if (kind < 0.22f) {
      const float core = Fill(r - 3.2f, 0.8f);
      const float halo = std::exp(-r / 3.5f);
      plate = Mix(plate, Hsv(hue + 0.5f, 0.5f, 1.0f) * 0.9f, core);
      plate = plate + Hsv(hue + 0.45f, 0.7f, 1.0f) * (0.5f * halo);
      plate = Mix(plate, Rgb{0.02f, 0.02f, 0.05f}, Fill(std::fabs(r - 5.2f) - 0.5f, 0.5f) * 0.8f);
    } else if (kind < 0.6f) {
      const float ring = Fill(std::fabs(e - 8.0f) - 0.5f, 0.6f);
      plate = plate + seam * (0.45f * ring);
    } else if (kind < 0.8f) {
      const float slit = Fill(std::fabs(Fract((dy + 8.0f) / 4.0f) - 0.5f) * 4.0f - 0.7f, 0.5f) *
                         Fill(std::fabs(dx) - 7.0f, 0.6f) * Fill(std::fabs(dy) - 7.0f, 0.6f);
      plate = Mix(plate, Rgb{0.0f, 0.0f, 0.02f}, slit * 0.85f);
      plate = plate + seam * (0.12f * (1.0f - slit) * Fill(std::fabs(dx) - 7.5f, 0.6f) * Fill(std::fabs(dy) - 7.5f, 0.6f));
    } else {
      // Four rivets.
      for (int q = 0; q < 4; ++q) {
        const float a = kPi * 0.25f + kPi * 0.5f * static_cast<float>(q);
        const float rx = dx - 7.0f * std::cos(a), ry = dy - 7.0f * std::sin(a);
        const float dr = std::hypot(rx, ry);
        plate = Mix(plate, plate_tint * (0.25f + 0.35f * (-ry / 1.4f)), Fill(dr - 1.4f, 0.5f));
      }
    }

    // Seams: a white-hot core and coloured glow spreading onto the plates.
    const float core = Fill(e - 0.55f, 0.6f);
    const float glow = std::exp(-e / 2.2f);
    out = plate + seam * (0.85f * glow) + Rgb{1, 1, 1} * (0.55f * core);
  });
  return canvas.Resolve();
}

}  // namespace assetgen
