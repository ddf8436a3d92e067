#include "tools/assetgen/draw.h"

#include <algorithm>
#include <limits>

namespace assetgen {

Rgb Ramp(const std::vector<Rgb>& stops, float t) {
  if (stops.size() == 1) return stops[0];
  const float pos = Clamp01(t) * static_cast<float>(stops.size() - 1);
  const size_t i = std::min(static_cast<size_t>(pos), stops.size() - 2);
  return Mix(stops[i], stops[i + 1], pos - static_cast<float>(i));
}

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

float Hash01(int x, int y, int seed) {
  const std::uint32_t h = Hash(static_cast<std::uint32_t>(x) * 0x9E3779B1U ^ Hash(static_cast<std::uint32_t>(y) + 0x632BE5ABU * static_cast<std::uint32_t>(seed)));
  return static_cast<float>(h >> 8) / 16777216.0f;
}

namespace {
int Wrap(int i, int period) {
  if (period <= 0) return i;
  const int m = i % period;
  return m < 0 ? m + period : m;
}
}  // namespace

float ValueNoise(float x, float y, int seed, int px, int py) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const int x0 = Wrap(ix, px), x1 = Wrap(ix + 1, px);
  const int y0 = Wrap(iy, py), y1 = Wrap(iy + 1, py);
  const float a = Hash01(x0, y0, seed), b = Hash01(x1, y0, seed);
  const float c = Hash01(x0, y1, seed), d = Hash01(x1, y1, seed);
  return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

float Fbm(float x, float y, int octaves, int seed, int px, int py) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * ValueNoise(x, y, seed + 31 * o, px, py);
    norm += amp;
    amp *= 0.5f;
    x *= 2;
    y *= 2;
    px *= 2;
    py *= 2;
  }
  return sum / norm;
}

float SdCircle(float x, float y, float r) { return std::sqrt(x * x + y * y) - r; }

float SdBox(float x, float y, float hw, float hh, float round) {
  const float qx = std::fabs(x) - hw + round, qy = std::fabs(y) - hh + round;
  const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - round;
}

float SdSegment(float x, float y, float ax, float ay, float bx, float by) {
  const float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
  const float h = Clamp01((pax * bax + pay * bay) / (bax * bax + bay * bay));
  const float dx = pax - bax * h, dy = pay - bay * h;
  return std::sqrt(dx * dx + dy * dy);
}

float SdPolygon(float x, float y, const std::vector<float>& pts) {
  const size_t n = pts.size() / 2;
  float d = std::numeric_limits<float>::max();
  float s = 1.0f;
  for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
    const float vix = pts[2 * i], viy = pts[2 * i + 1], vjx = pts[2 * j], vjy = pts[2 * j + 1];
    const float ex = vjx - vix, ey = vjy - viy, wx = x - vix, wy = y - viy;
    const float h = Clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
    const float bx = wx - ex * h, by = wy - ey * h;
    d = std::min(d, bx * bx + by * by);
    // Crossing test for the sign (even-odd rule).
    const bool c1 = y >= viy, c2 = y < vjy, c3 = ex * wy > ey * wx;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
  }
  return s * std::sqrt(d);
}

float SmoothMin(float a, float b, float k) {
  const float h = Clamp01(0.5f + 0.5f * (b - a) / k);
  return Mix(b, a, h) - k * h * (1.0f - h);
}

Rgb Image::Sample(float x, float y) const {
  x = Clamp(x, 0.0f, static_cast<float>(w - 1));
  y = Clamp(y, 0.0f, static_cast<float>(h - 1));
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
  const float tx = x - static_cast<float>(x0), ty = y - static_cast<float>(y0);
  return Mix(Mix(At(x0, y0), At(x1, y0), tx), Mix(At(x0, y1), At(x1, y1), tx), ty);
}

float Plane::Sample(float x, float y) const {
  x = Clamp(x, 0.0f, static_cast<float>(w - 1));
  y = Clamp(y, 0.0f, static_cast<float>(h - 1));
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
  const float tx = x - static_cast<float>(x0), ty = y - static_cast<float>(y0);
  return Mix(Mix(At(x0, y0), At(x1, y0), tx), Mix(At(x0, y1), At(x1, y1), tx), ty);
}

void Canvas::Shade(const std::function<void(float, float, Rgb&)>& fn) {
  const float unit = Unit();
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      fn((static_cast<float>(x) + 0.5f) * unit, (static_cast<float>(y) + 0.5f) * unit, img.At(x, y));
    }
  }
}

Image Canvas::Resolve() const {
  Image out(out_w, out_h);
  const float norm = 1.0f / static_cast<float>(scale * scale);
  for (int y = 0; y < out_h; ++y) {
    for (int x = 0; x < out_w; ++x) {
      Rgb sum;
      for (int sy = 0; sy < scale; ++sy) {
        for (int sx = 0; sx < scale; ++sx) sum += img.At(x * scale + sx, y * scale + sy);
      }
      out.At(x, y) = sum * norm;
    }
  }
  return out;
}

namespace {

// One box pass along a line of n values spaced `stride` apart.
template <typename T>
void BoxLine(const T* src, T* dst, int n, int stride, int r, bool wrap) {
  const float norm = 1.0f / static_cast<float>(2 * r + 1);
  auto at = [&](int i) -> T {
    if (wrap) i = Wrap(i, n);
    else i = std::clamp(i, 0, n - 1);
    return src[static_cast<size_t>(i) * stride];
  };
  T sum{};
  for (int i = -r; i <= r; ++i) sum = sum + at(i);
  for (int i = 0; i < n; ++i) {
    dst[static_cast<size_t>(i) * stride] = sum * norm;
    sum = sum + at(i + r + 1) - at(i - r);
  }
}

template <typename T>
void BlurField(std::vector<T>& v, int w, int h, int radius, bool wrap) {
  if (radius <= 0) return;
  std::vector<T> tmp(v.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) BoxLine(&v[static_cast<size_t>(y) * w], &tmp[static_cast<size_t>(y) * w], w, 1, radius, wrap);
    for (int x = 0; x < w; ++x) BoxLine(&tmp[static_cast<size_t>(x)], &v[static_cast<size_t>(x)], h, w, radius, wrap);
  }
}

// Squared distance transform of one line (Felzenszwalb and Huttenlocher).
void Edt1d(const std::vector<float>& f, std::vector<float>& d, int n) {
  std::vector<int> v(n);
  std::vector<float> z(n + 1);
  int k = 0;
  v[0] = 0;
  z[0] = -std::numeric_limits<float>::infinity();
  z[1] = std::numeric_limits<float>::infinity();
  for (int q = 1; q < n; ++q) {
    float s;
    while (true) {
      const int p = v[k];
      s = ((f[q] + static_cast<float>(q * q)) - (f[p] + static_cast<float>(p * p))) / static_cast<float>(2 * q - 2 * p);
      if (s <= z[k] && k > 0) {
        --k;
        continue;
      }
      break;
    }
    ++k;
    v[k] = q;
    z[k] = s;
    z[k + 1] = std::numeric_limits<float>::infinity();
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < static_cast<float>(q)) ++k;
    const float dq = static_cast<float>(q - v[k]);
    d[q] = dq * dq + f[v[k]];
  }
}

}  // namespace

Plane Blur(const Plane& in, int radius, bool wrap) {
  Plane out = in;
  BlurField(out.v, out.w, out.h, radius, wrap);
  return out;
}

Image Blur(const Image& in, int radius, bool wrap) {
  Image out = in;
  BlurField(out.px, out.w, out.h, radius, wrap);
  return out;
}

Plane DistanceTo(const Plane& inside) {
  const float big = 1e12f;
  const int w = inside.w, h = inside.h;
  Plane out(w, h);
  std::vector<float> f(std::max(w, h)), d(std::max(w, h));
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) f[y] = inside.At(x, y) > 0.5f ? 0.0f : big;
    Edt1d(f, d, h);
    for (int y = 0; y < h; ++y) out.At(x, y) = d[y];
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) f[x] = out.At(x, y);
    Edt1d(f, d, w);
    for (int x = 0; x < w; ++x) out.At(x, y) = std::sqrt(d[x]);
  }
  return out;
}

Bytes ToRgb8(const Image& img) {
  Bytes out;
  out.reserve(img.px.size() * 3);
  auto q = [](float c) { return static_cast<std::uint8_t>(std::lround(Clamp01(c) * 255.0f)); };
  for (const Rgb& p : img.px) {
    out.push_back(q(p.r));
    out.push_back(q(p.g));
    out.push_back(q(p.b));
  }
  return out;
}

}  // namespace assetgen
