// Credit cards: four 128x128 pictures in one style, deep blue ground, neon
// glow, soft shading, dark edges so the cut from black is clean. Nothing is
// drawn as lettering: the caption glows over the lower left of the screen.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/pictures.h"

namespace assetgen {

namespace {

constexpr int kCard = 128;
constexpr int kSuper = 4;

// A card in progress: the supersampled picture and a light layer that is
// blurred and added at the end for the glow.
struct Card {
  Canvas canvas{kCard, kCard, kSuper};
  Image glow{kCard * kSuper, kCard * kSuper};

  void Shade(const std::function<void(float, float, Rgb&, Rgb&)>& fn) {
    const float unit = canvas.Unit();
    for (int y = 0; y < canvas.img.h; ++y) {
      for (int x = 0; x < canvas.img.w; ++x) {
        fn((static_cast<float>(x) + 0.5f) * unit, (static_cast<float>(y) + 0.5f) * unit, canvas.img.At(x, y),
           glow.At(x, y));
      }
    }
  }

  // Adds the blurred light layer twice, wide and tight, darkens the edges and
  // returns the final picture.
  Image Finish(float glow_gain) {
    const Image wide = Blur(glow, 6 * kSuper);
    const Image tight = Blur(glow, 1 * kSuper);
    for (size_t i = 0; i < canvas.img.px.size(); ++i) {
      canvas.img.px[i] += (wide.px[i] * 0.9f + tight.px[i] * 0.6f) * glow_gain;
    }
    Image out = canvas.Resolve();
    for (int y = 0; y < kCard; ++y) {
      for (int x = 0; x < kCard; ++x) {
        const float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
        const float edge = std::min(std::min(fx, fy), std::min(kCard - fx, kCard - fy));
        const float r = std::hypot(fx - 64.0f, fy - 64.0f);
        const float v = SmoothStep(0.5f, 16.0f, edge) * (1.0f - 0.55f * SmoothStep(44.0f, 92.0f, r));
        out.At(x, y) = out.At(x, y) * v;
      }
    }
    return out;
  }
};

// The shared ground: a violet glow in the middle falling off to navy, a
// little cloudy texture, fine scanlines.
Rgb Ground(float x, float y, int seed) {
  const float r = std::hypot(x - 64.0f, y - 58.0f);
  Rgb c = Mix(Rgb8(46, 26, 104), Rgb8(5, 6, 26), SmoothStep(0.0f, 78.0f, r));
  const float cloud = Fbm(x / 22.0f, y / 22.0f, 4, seed);
  c = c * (0.7f + 0.6f * cloud);
  c = c * (0.86f + 0.14f * std::cos(y * kPi));
  return c;
}

// Gradient of a distance function, by central differences, normalised.
template <typename F>
void Gradient(const F& sd, float x, float y, float& gx, float& gy) {
  const float e = 0.25f;
  gx = sd(x + e, y) - sd(x - e, y);
  gy = sd(x, y + e) - sd(x, y - e);
  const float len = std::hypot(gx, gy);
  if (len > 1e-6f) {
    gx /= len;
    gy /= len;
  }
}

// Lighting of a rounded bevel `width` wide inside a shape, light from the top left.
template <typename F>
float Bevel(const F& sd, float x, float y, float width) {
  const float d = sd(x, y);
  if (d > 0.0f || d < -width) return 0.0f;
  float gx, gy;
  Gradient(sd, x, y, gx, gy);
  const float facing = -(gx * -0.6f + gy * -0.8f);  // outward normal against the light
  return -facing * (1.0f - SmoothStep(0.0f, width, -d));
}

// ---------------------------------------------------------------- the eye

Image EyeCard() {
  Card card;
  const float cx = 64.0f, cy = 56.0f;
  const float hw = 44.0f, hh = 20.0f;
  const float r = (hw * hw + hh * hh) / (2.0f * hh);
  const float up_cy = cy + r - hh, lo_cy = cy - r + hh;
  auto almond = [&](float x, float y) {
    return std::max(SdCircle(x - cx, y - up_cy, r), SdCircle(x - cx, y - lo_cy, r));
  };
  const float iris_r = 17.0f, pupil_r = 6.5f;
  const Rgb neon = Rgb8(190, 90, 255);
  const Rgb hud = Rgb8(70, 150, 255);

  card.Shade([&](float x, float y, Rgb& c, Rgb& glow) {
    c = Ground(x, y, 11);
    const float dx = x - cx, dy = y - cy;
    const float rad = std::hypot(dx, dy);
    const float ang = std::atan2(dy, dx);
    glow += Rgb8(60, 30, 140) * (0.35f * std::exp(-rad / 22.0f));

    // Scanner rings: a dashed ring, ticks and a faint cross through the eye.
    const float ring = std::fabs(rad - 53.0f);
    const float dash = Fract(ang / kTau * 24.0f + 0.25f) < 0.62f ? 1.0f : 0.0f;
    const float ring_a = Fill(ring - 0.55f, 0.5f) * dash;
    const float tick_on = Fract(ang / kTau * 16.0f + 0.5f);
    const float tick = Fill(std::fabs(tick_on - 0.5f) * rad * kTau / 16.0f - 0.5f, 0.5f) *
                       Fill(std::fabs(rad - 59.5f) - 2.5f, 0.5f);
    const float inner = Fill(std::fabs(rad - 47.0f) - 0.3f, 0.5f) * 0.45f;
    const float cross = Fill(std::fabs(dy) - 0.35f, 0.5f) * SmoothStep(46.0f, 50.0f, std::fabs(dx)) *
                        (1.0f - SmoothStep(60.0f, 64.0f, std::fabs(dx)));
    const float hud_a = std::max(std::max(ring_a, tick), std::max(inner, cross * 0.8f));
    c = Mix(c, hud * 1.1f, hud_a * 0.85f);
    glow += hud * (hud_a * 0.5f);

    // The eye: sclera shaded darker under the lids, iris with radial fibres.
    const float d = almond(x, y);
    if (d < 1.0f) {
      const float in = -d;
      Rgb sclera = Mix(Rgb8(60, 56, 140), Rgb8(214, 222, 255), SmoothStep(0.0f, 13.0f, in));
      sclera = sclera * (1.0f - 0.35f * SmoothStep(10.0f, 40.0f, std::fabs(dx)));
      sclera = sclera * (0.55f + 0.45f * SmoothStep(cy - hh, cy - hh + 14.0f, y));  // lid shadow

      Rgb eye = sclera;
      const float t = rad / iris_r;
      if (t < 1.15f) {
        const float fib = ValueNoise(Fract(ang / kTau + 0.5f) * 64.0f, t * 4.0f, 5, 64, 0);
        const float fib2 = ValueNoise(Fract(ang / kTau + 0.5f) * 128.0f, t * 7.0f, 6, 128, 0);
        Rgb iris = Ramp({Rgb8(255, 180, 90), Rgb8(120, 70, 230), Rgb8(50, 200, 255), Rgb8(40, 110, 220),
                         Rgb8(16, 30, 90)},
                        t);
        iris = iris * (0.55f + 0.5f * fib + 0.3f * fib2);
        iris = iris * (1.0f - 0.75f * SmoothStep(0.82f, 1.0f, t));
        iris = iris * (0.45f + 0.55f * SmoothStep(cy - hh, cy - hh + 13.0f, y));
        const float pupil = Fill(rad - pupil_r, 0.6f);
        iris = Mix(iris, Rgb8(2, 2, 10), pupil);
        eye = Mix(eye, iris, Fill(rad - iris_r, 0.6f));
        glow += Rgb8(40, 140, 255) * (0.25f * Fill(rad - iris_r, 0.6f) * (1.0f - pupil) *
                                       SmoothStep(0.3f, 0.8f, t) * (1.0f - SmoothStep(0.8f, 1.0f, t)));
      }
      const float spot = Fill(SdCircle(x - (cx - 6.0f), y - (cy - 6.5f), 3.3f), 1.2f);
      const float spot2 = Fill(SdCircle(x - (cx + 5.5f), y - (cy + 4.5f), 1.4f), 0.8f);
      eye = eye + Rgb{1, 1, 1} * (spot + 0.7f * spot2);
      glow += Rgb{0.8f, 0.85f, 1.0f} * (spot * 0.6f);
      c = Mix(c, eye, Fill(d, 0.7f));
    }

    // Neon lids and lashes.
    const float lid = Fill(std::fabs(d) - 1.0f, 0.8f);
    const float crease_d = std::fabs(SdCircle(x - cx, y - (up_cy - 10.0f), r + 1.0f)) - 0.7f;
    const float crease = Fill(crease_d, 0.8f) * (1.0f - SmoothStep(20.0f, 34.0f, std::fabs(dx))) *
                         (y < cy ? 1.0f : 0.0f);
    float lash = 0.0f;
    for (int i = 0; i < 7; ++i) {
      // Fanned, curling strokes, longer towards the corners.
      const float phi = -0.56f + 1.12f * static_cast<float>(i) / 6.0f;
      const float ax = cx + std::sin(phi) * (r + 1.2f), ay = up_cy - std::cos(phi) * (r + 1.2f);
      const float dir = phi * 1.9f;
      const float curl = phi < 0.0f ? -0.5f : (phi > 0.0f ? 0.5f : 0.0f);
      const float len = 3.2f + 2.6f * std::fabs(phi) / 0.56f;
      const float mx = ax + std::sin(dir) * len, my = ay - std::cos(dir) * len;
      const float bx = mx + std::sin(dir + curl) * len * 0.8f, by = my - std::cos(dir + curl) * len * 0.8f;
      lash = std::max(lash, Fill(SdSegment(x, y, ax, ay, mx, my) - 0.6f, 0.7f));
      lash = std::max(lash, Fill(SdSegment(x, y, mx, my, bx, by) - 0.42f, 0.7f));
    }
    const float lower_lash = Fill(std::fabs(SdCircle(x - cx, y - (lo_cy - 4.0f), r + 4.0f)) - 0.5f, 0.7f) *
                             (1.0f - SmoothStep(14.0f, 30.0f, std::fabs(dx))) * (y > cy ? 0.6f : 0.0f);
    const float lines = std::max(std::max(lid, lash), std::max(crease * 0.8f, lower_lash));
    c = Mix(c, Mix(neon, Rgb{1, 0.9f, 1}, lid * 0.35f), lines);
    glow += neon * (lines * 0.9f);
  });
  return card.Finish(1.0f);
}

// ---------------------------------------------------------- the code screen

Image CodeCard() {
  Card card;
  const float mx = 64.0f, my = 52.0f;
  auto bezel = [&](float x, float y) { return SdBox(x - mx, y - my, 52.0f, 40.0f, 9.0f); };
  auto screen = [&](float x, float y) { return SdBox(x - mx, y - my, 43.0f, 31.0f, 6.0f); };
  // The neck and the foot of the stand.
  auto stand = [&](float x, float y) {
    const float neck = SdPolygon(x, y, {54, 90, 74, 90, 80, 106, 48, 106});
    const float foot = SdBox(x - 64.0f, y - 108.0f, 34.0f, 3.5f, 3.5f);
    return SmoothMin(neck, foot, 3.0f);
  };

  // Lines of glyphs: indent levels like nested code, varying lengths.
  const int indent[] = {0, 1, 1, 2, 2, 1, 2, 1, 0};
  const int length[] = {13, 16, 9, 14, 18, 8, 12, 10, 3};
  const float line_h = 6.5f, col_w = 3.6f;
  const float text_x = 27.0f, text_y = 27.0f;

  auto glyph_ink = [&](float u, float v, Rgb& ink) -> float {
    const int line = static_cast<int>(std::floor((v - text_y) / line_h));
    if (v < text_y || line < 0 || line >= 9) return 0.0f;
    const int col = static_cast<int>(std::floor((u - text_x) / col_w));
    if (u < text_x || col < indent[line] * 2 || col >= indent[line] * 2 + length[line]) return 0.0f;
    const int word = col - indent[line] * 2;
    // Word breaks at hashed places, never two spaces together.
    if (word > 1 && Hash01(line, col, 3) < 0.2f && Hash01(line, col - 1, 3) >= 0.2f) return 0.0f;
    const float lu = (u - text_x) / col_w - static_cast<float>(col);  // 0..1 in the cell
    const float lv = (v - text_y) / line_h - static_cast<float>(line);
    const float gx = lu * col_w, gy = lv * line_h;  // pixels in the cell
    const int bx = static_cast<int>(std::floor(gx / 0.9f)), by = static_cast<int>(std::floor((gy - 0.5f) / 0.9f));
    if (bx < 0 || bx > 2 || by < 0 || by > 4) return 0.0f;
    // A 3x5 glyph; the middle column is drawn more often so shapes read as letters.
    const float p = Hash01(line * 64 + col, bx * 8 + by, 9);
    const bool on = p < (bx == 1 ? 0.42f : 0.62f);
    if (!on) return 0.0f;
    const float cu = (static_cast<float>(bx) + 0.5f) * 0.9f, cv = 0.5f + (static_cast<float>(by) + 0.5f) * 0.9f;
    const float a = Fill(SdBox(gx - cu, gy - cv, 0.42f, 0.42f, 0.2f), 0.35f);
    const bool keyword = word < 4 && Hash01(line, 0, 4) < 0.6f;
    const bool comment = line == 5;
    ink = keyword ? Rgb8(255, 120, 230) : (comment ? Rgb8(80, 120, 230) : Rgb8(110, 235, 255));
    return a;
  };

  card.Shade([&](float x, float y, Rgb& c, Rgb& glow) {
    c = Ground(x, y, 21);
    // Screen light spills onto the ground.
    glow += Rgb8(30, 110, 200) * (0.22f * std::exp(-std::hypot(x - mx, (y - my) * 1.3f) / 30.0f));

    // Stand and bezel in violet-grey plastic with a rounded bevel.
    const float ds = stand(x, y);
    if (ds < 1.0f) {
      Rgb plastic = Mix(Rgb8(96, 96, 150), Rgb8(28, 26, 60), SmoothStep(90.0f, 112.0f, y));
      plastic = plastic + Rgb{0.5f, 0.5f, 0.7f} * (0.6f * Bevel(stand, x, y, 2.5f));
      c = Mix(c, plastic, Fill(ds, 0.7f));
    }
    const float db = bezel(x, y);
    if (db < 1.0f) {
      Rgb plastic = Mix(Rgb8(160, 160, 220), Rgb8(56, 52, 110), SmoothStep(12.0f, 94.0f, y));
      plastic = plastic * (0.9f + 0.2f * Fbm(x / 3.0f, y / 3.0f, 2, 22));
      plastic = plastic + Rgb{0.6f, 0.6f, 0.8f} * (0.7f * Bevel(bezel, x, y, 3.5f));
      // The inner lip around the glass, lit from the other side.
      const float lip = Bevel([&](float px, float py) { return -screen(px, py); }, x, y, 2.5f);
      plastic = plastic + Rgb{0.5f, 0.5f, 0.7f} * (0.5f * lip);
      // Power light.
      const float led = SdCircle(x - 106.0f, y - 85.0f, 1.4f);
      plastic = Mix(plastic, Rgb8(255, 150, 60), Fill(led, 0.6f));
      glow += Rgb8(255, 120, 40) * (0.8f * Fill(led - 0.5f, 1.0f));
      c = Mix(c, plastic, Fill(db, 0.7f));
      c = Mix(c, Rgb8(8, 6, 24), Fill(std::fabs(db) - 0.45f, 0.6f) * 0.8f);
    }

    // The glass: curved, dark teal, scanlines, glowing glyphs, a reflection.
    const float dg = screen(x, y);
    if (dg < 1.0f) {
      const float u = (x - mx) / 43.0f, v = (y - my) / 31.0f;
      const float bu = u * (1.0f + 0.07f * v * v), bv = v * (1.0f + 0.09f * u * u);
      const float tx = mx + bu * 43.0f, ty = my + bv * 31.0f;
      Rgb glass = Mix(Rgb8(30, 92, 150), Rgb8(6, 18, 46), SmoothStep(0.0f, 1.3f, std::hypot(bu, bv)));
      Rgb ink;
      const float a = glyph_ink(tx, ty, ink);
      glass = Mix(glass, ink, a);
      glow += ink * (a * 0.85f);
      // The cursor after the last line.
      const float cur = Fill(SdBox(tx - (text_x + 4.5f * col_w), ty - (text_y + 8.0f * line_h + 2.75f),
                                   1.5f, 2.2f),
                             0.4f);
      glass = Mix(glass, Rgb8(200, 255, 255), cur);
      glow += Rgb8(120, 240, 255) * cur;
      glass = glass * (0.89f + 0.11f * std::cos(ty * kTau / 1.5f));  // scanlines
      // Reflection of a window: a soft diagonal band in the upper left.
      const float band = (bu + bv * 0.8f);
      glass = glass + Rgb8(150, 170, 255) * (0.16f * SmoothStep(-1.3f, -1.0f, band) *
                                             (1.0f - SmoothStep(-0.75f, -0.45f, band)));
      glass = glass * (1.0f - 0.5f * SmoothStep(-4.0f, 0.0f, dg));
      c = Mix(c, glass, Fill(dg, 0.6f));
    }
  });
  return card.Finish(1.0f);
}

// ------------------------------------------------------------ the fox emblem

// The fox head in its own units (about 100 wide), centred near the origin,
// y down. Shapes are given for the left half and mirrored.
struct Fox {
  static float Head(float x, float y) {
    const float ax = -std::fabs(x);
    const float face = SdPolygon(ax, y, {10, -24, -14, -25, -30, -17, -43, -2, -49, 10, -35, 14, -23, 25,
                                         -8, 37, 0, 41, 10, 41});
    return face - 1.5f;
  }
  static float Ears(float x, float y) {
    const float ax = -std::fabs(x);
    return SdPolygon(ax, y, {-42, -56, -35, -11, -11, -24}) - 2.0f;
  }
  static float Body(float x, float y) { return SmoothMin(Head(x, y), Ears(x, y), 4.0f); }
  static float InnerEar(float x, float y) {
    const float ax = -std::fabs(x);
    return SdPolygon(ax, y, {-38.5f, -46, -32, -17, -17, -24}) - 1.0f;
  }
  static float Cheeks(float x, float y) {
    const float ax = -std::fabs(x);
    return SdPolygon(ax, y, {-49, 10, -36, 6, -24, 9, -13, 17, -4, 19, 10, 19, 10, 41, 0, 41, -8, 37, -23, 25,
                             -35, 14}) - 1.0f;
  }
  static float Blaze(float x, float y) {
    const float ax = -std::fabs(x);
    return SdPolygon(ax, y, {-7, -24, 7, -24, 0, -6}) - 1.0f;
  }
  static float Nose(float x, float y) { return SdBox(x, y - 36.5f, 4.5f, 3.0f, 2.6f); }
  // Slanted almond eyes, the outer corner higher.
  static float Eye(float x, float y) {
    const float ax = std::fabs(x) - 18.0f, ay = y - 4.0f;
    const float c = std::cos(-0.38f), s = std::sin(-0.38f);
    const float rx = ax * c - ay * s, ry = ax * s + ay * c;
    const float hw = 9.0f, hh = 4.2f;
    const float r = (hw * hw + hh * hh) / (2.0f * hh);
    return std::max(SdCircle(rx, ry - (r - hh), r), SdCircle(rx, ry + (r - hh), r));
  }
};

// Paints the fox at (cx, cy) scaled by s. `loud` brightens the fur and lights the eyes.
void PaintFox(float x, float y, float cx, float cy, float s, bool loud, Rgb& c, Rgb& glow) {
  const float fx = (x - cx) / s, fy = (y - cy) / s;
  const float body = Fox::Body(fx, fy) * s;
  // Dark outline band and a cool rim glow outside it.
  glow += (loud ? Rgb8(255, 120, 200) : Rgb8(110, 120, 255)) *
          ((loud ? 0.9f : 0.5f) * Fill(std::fabs(body - 1.5f * s) - 1.2f * s, 0.8f));
  if (body > 3.5f * s) return;
  auto body_fn = [&](float px, float py) { return Fox::Body((px - cx) / s, (py - cy) / s) * s; };

  Rgb fur = Ramp({Rgb8(255, 184, 70), Rgb8(250, 116, 28), Rgb8(222, 64, 36), Rgb8(150, 26, 80)},
                 (fy + 56.0f) / 100.0f);
  if (loud) fur = fur * 1.12f + Rgb8(20, 10, 20);
  fur = fur * (0.92f + 0.16f * ValueNoise(fx / 2.0f, fy / 7.0f, 41));  // a hint of fur grain
  // Shading: rounded bevel at the rim, a broad sheen from the top left.
  fur = fur * (0.8f + 0.35f * (1.0f - SmoothStep(-40.0f, 40.0f, fx * 0.6f + fy)));
  fur = fur + Rgb{1, 0.85f, 0.7f} * (0.45f * Bevel(body_fn, x, y, 3.5f * s));
  fur = Mix(fur, fur * Rgb8(200, 90, 90), Fill(Fox::Blaze(fx, fy) * s, 0.8f) * 0.5f);

  const float inner = Fox::InnerEar(fx, fy) * s;
  fur = Mix(fur, Mix(Rgb8(70, 24, 90), Rgb8(150, 60, 150), SmoothStep(-46.0f, -18.0f, fy)), Fill(inner, 0.8f));

  const float cheeks = Fox::Cheeks(fx, fy) * s;
  Rgb white = Mix(Rgb8(255, 244, 255), Rgb8(170, 160, 230), SmoothStep(8.0f, 42.0f, fy));
  white = white + Rgb{1, 1, 1} * (0.3f * Bevel([&](float px, float py) { return Fox::Cheeks((px - cx) / s, (py - cy) / s) * s; }, x, y, 2.5f * s));
  fur = Mix(fur, white, Fill(cheeks, 0.7f));

  const float nose = Fox::Nose(fx, fy) * s;
  Rgb nose_c = Mix(Rgb8(20, 14, 40), Rgb8(90, 80, 140), Fill(SdCircle(fx + 1.5f, fy - 35.0f, 1.2f) * s, 0.8f));
  fur = Mix(fur, nose_c, Fill(nose, 0.7f));

  const float eye = Fox::Eye(fx, fy) * s;
  if (eye < 1.0f) {
    const float ex = std::fabs(fx) - 18.0f, ey = fy - 4.0f;
    Rgb iris = loud ? Mix(Rgb8(255, 255, 255), Rgb8(120, 240, 255), SmoothStep(0.0f, 6.0f, std::hypot(ex, ey)))
                    : Mix(Rgb8(140, 255, 255), Rgb8(20, 40, 120), SmoothStep(0.0f, 6.0f, std::hypot(ex, ey)));
    const float slit = Fill(SdBox(ex, ey, 1.0f, 3.6f, 1.0f) * s, 0.7f);
    if (!loud) iris = Mix(iris, Rgb8(5, 5, 20), slit);
    fur = Mix(fur, Mix(Rgb8(15, 10, 35), iris, Fill(eye + 1.0f * s, 0.7f)), Fill(eye, 0.7f));
    glow += Rgb8(90, 230, 255) * ((loud ? 1.6f : 0.5f) * Fill(eye, 0.7f));
  }
  const float outline = Fill(std::fabs(body) - 0.9f * s, 0.7f);
  c = Mix(c, fur, Fill(body, 0.7f));
  c = Mix(c, Rgb8(16, 8, 40), outline);
  // Thin dark lines between face parts.
  const float seams = std::max(Fill(std::fabs(cheeks) - 0.35f, 0.6f) * Fill(body + 1.0f, 0.5f),
                               Fill(std::fabs(inner) - 0.35f, 0.6f));
  c = Mix(c, Rgb8(60, 16, 60), seams * 0.7f);
}

Image FoxCard() {
  Card card;
  const float cx = 64.0f, cy = 66.0f;
  card.Shade([&](float x, float y, Rgb& c, Rgb& glow) {
    c = Ground(x, y, 31);
    const float dx = x - cx, dy = y - (cy - 4.0f);
    const float rad = std::hypot(dx, dy);
    // Badge: a deep disc with a faint star field, a chrome rim.
    const float disc = rad - 53.0f;
    if (disc < 6.0f) {
      Rgb inside = Mix(Rgb8(52, 40, 150), Rgb8(10, 10, 52), SmoothStep(0.0f, 52.0f, rad));
      const float gx = std::floor(x / 5.0f), gy = std::floor(y / 5.0f);
      const float h = Hash01(static_cast<int>(gx), static_cast<int>(gy), 33);
      if (h < 0.18f) {
        const float sx = (gx + 0.2f + 0.6f * Hash01(static_cast<int>(gx), static_cast<int>(gy), 34)) * 5.0f;
        const float sy = (gy + 0.2f + 0.6f * Hash01(static_cast<int>(gx), static_cast<int>(gy), 35)) * 5.0f;
        inside = inside + Rgb8(180, 200, 255) * (Fill(SdCircle(x - sx, y - sy, 0.35f), 0.6f) * (0.4f + 3.0f * h));
      }
      c = Mix(c, inside, Fill(disc, 0.7f));
      const float rim = std::fabs(disc - 1.5f) - 2.6f;
      Rgb chrome = Ramp({Rgb8(235, 240, 255), Rgb8(120, 150, 230), Rgb8(30, 30, 90), Rgb8(200, 110, 255),
                         Rgb8(255, 220, 255)},
                        (dy / 58.0f) * 0.5f + 0.5f);
      chrome = chrome * (0.85f + 0.3f * (1.0f - Clamp01(std::fabs(disc - 1.5f) / 2.6f)));
      c = Mix(c, chrome, Fill(rim, 0.7f));
      c = Mix(c, Rgb8(8, 6, 30), Fill(std::fabs(rim) - 0.35f, 0.5f) * 0.8f);
      glow += Rgb8(90, 80, 255) * (0.25f * Fill(rim, 0.7f));
    }
    PaintFox(x, y, cx, cy, 0.92f, false, c, glow);
  });
  return card.Finish(1.0f);
}

Image LoudFoxCard() {
  Card card;
  const float cx = 64.0f, cy = 70.0f;
  struct Spark {
    float x, y, size;
  };
  const Spark sparks[] = {{64, 13, 10}, {113, 38, 9}, {15, 42, 7}, {117, 92, 7}, {100, 117, 5}};
  card.Shade([&](float x, float y, Rgb& c, Rgb& glow) {
    c = Ground(x, y, 41) * 1.2f;
    const float dx = x - cx, dy = y - (cy - 6.0f);
    const float rad = std::hypot(dx, dy);
    const float ang = std::atan2(dy, dx);
    // Burst: two sets of rays in alternating colours, fading outward.
    const float ray1 = std::pow(0.5f + 0.5f * std::cos(ang * 14.0f), 3.0f);
    const float ray2 = std::pow(0.5f + 0.5f * std::cos(ang * 14.0f + kPi), 6.0f);
    const float fade = std::exp(-rad / 46.0f) * SmoothStep(4.0f, 20.0f, rad);
    c = c + (Rgb8(255, 80, 190) * ray1 + Rgb8(255, 170, 70) * (0.7f * ray2)) * (1.05f * fade);
    glow += Rgb8(255, 200, 150) * (0.6f * std::exp(-rad / 16.0f));
    // Shock rings.
    const float ring = Fill(std::fabs(rad - 57.0f) - 0.8f, 0.8f) + 0.5f * Fill(std::fabs(rad - 50.0f) - 0.4f, 0.6f);
    c = Mix(c, Rgb8(150, 230, 255), Clamp01(ring) * 0.9f);
    glow += Rgb8(80, 190, 255) * (0.7f * Clamp01(ring));
    // Four-pointed sparkles.
    for (const Spark& s : sparks) {
      const float sx = std::fabs(x - s.x), sy = std::fabs(y - s.y);
      const float star = std::max(0.0f, 1.0f - (std::min(sx, sy) * 6.0f + std::max(sx, sy)) / s.size);
      const float core = std::exp(-std::hypot(sx, sy) / (s.size * 0.18f));
      c = c + Rgb8(255, 240, 255) * (star + core);
      glow += Rgb8(200, 160, 255) * (0.6f * star + core);
    }
    PaintFox(x, y, cx, cy, 1.06f, true, c, glow);
  });
  return card.Finish(1.15f);
}

}  // namespace

Image MakeCreditCard(int which) {
  switch (which) {
    case 1: return EyeCard();
    case 2: return CodeCard();
    case 3: return FoxCard();
    default: return LoudFoxCard();
  }
}

}  // namespace assetgen
