// scan.cpp: walks the rows of one screen triangle.
//
// Pixel centres lie on integer coordinates. Each row's covered run is found
// exactly from the three integer edge functions of the snapped vertices, with
// the top-left rule deciding pixels that lie on an edge, so triangles sharing
// an edge cover each pixel once. Attributes come from plane equations; each
// run is clamped to the scissor and handed to the span routine with its start
// values and steps.
//
// Two forms give the same runs and the same span values. The plain one
// divides each edge function afresh on every row and sets up the span's
// attributes one by one; it is the reference. The vector one (compiled once
// per SIMD target, dispatched at run time) steps each edge's quotient and
// remainder from row to row, which is exact, and sets up the eight
// fixed-point attributes a vector at a time with the plain form's operations
// in the plain form's order.
// Rows and spans here are a few pixels long: 512-bit vectors made the 3D frame
// slower than the 256-bit ones (measured), so the targets stop at AVX2.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_AVX3 | HWY_AVX3_DL)
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/raster/scan.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstdint>

#include "platform/raster/stages.h"

#ifndef VUXA_RASTER_SCAN_SHARED
#define VUXA_RASTER_SCAN_SHARED
namespace raster::detail::scan {

using i64 = long long;

inline i64 FloorDiv(i64 a, i64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }  // b > 0
inline i64 CeilDiv(i64 a, i64 b) { return -FloorDiv(-a, b); }

// Edge from a to b: E(X, Y) = dx (Y - ay) - dy (X - ax) >= bias inside.
struct Edge {
  i64 dx, dy, ax, ay;
  i64 bias;  // 0 on top and left edges, 1 elsewhere
};

inline Edge MakeEdge(const ScreenVertex& a, const ScreenVertex& b) {
  Edge e{b.sx - a.sx, b.sy - a.sy, a.sx, a.sy, 1};
  bool left = e.dy < 0;
  bool top = e.dy == 0 && e.dx > 0;
  if (left || top) e.bias = 0;
  return e;
}

struct Planes {
  float x0, y0;
  float base[kAttrCount];
  float dx[kAttrCount];
  float dy[kAttrCount];
};

inline Planes MakePlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  Planes p;
  constexpr float kInv = 1.0f / kSub;
  p.x0 = static_cast<float>(v0.sx) * kInv;
  p.y0 = static_cast<float>(v0.sy) * kInv;
  float e1x = static_cast<float>(v1.sx - v0.sx) * kInv, e1y = static_cast<float>(v1.sy - v0.sy) * kInv;
  float e2x = static_cast<float>(v2.sx - v0.sx) * kInv, e2y = static_cast<float>(v2.sy - v0.sy) * kInv;
  float inv = 1.0f / (e1x * e2y - e2x * e1y);
  for (int k = 0; k < kAttrCount; ++k) {
    float d1 = v1.attr[k] - v0.attr[k], d2 = v2.attr[k] - v0.attr[k];
    p.base[k] = v0.attr[k];
    p.dx[k] = (d1 * e2y - d2 * e1y) * inv;
    p.dy[k] = (d2 * e1x - d1 * e2x) * inv;
  }
  return p;
}

// Depth has 15 fractional bits and a range of 65535, colours 16 and 255.
constexpr float FixedScale(int k) { return k == kZ ? 32768.0f : 65536.0f; }
constexpr float FixedMax(int k) { return k == kZ ? 65535.0f : 255.0f; }
alignas(64) constexpr float kFixedScale[kFixedAttrs] = {FixedScale(0), FixedScale(1), FixedScale(2), FixedScale(3),
                                                        FixedScale(4), FixedScale(5), FixedScale(6), FixedScale(7)};
alignas(64) constexpr float kFixedMax[kFixedAttrs] = {FixedMax(0), FixedMax(1), FixedMax(2), FixedMax(3),
                                                      FixedMax(4), FixedMax(5), FixedMax(6), FixedMax(7)};

// v clamped to [0, hi]; NaN (from a degenerate plane) becomes 0, so the
// conversion to fixed point is defined on every processor.
inline float ClampFixed(float v, float hi) {
  const float low = v >= 0 ? v : 0.0f;
  return hi < low ? hi : low;
}

// The rows a triangle may cover and the columns its runs are clamped to;
// false when none.
struct Bounds {
  i64 yFirst, yLast, xFirst, xLast;
};
inline bool MakeBounds(const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                       const ScreenVertex& v2, Bounds& b) {
  i64 minY = std::min({v0.sy, v1.sy, v2.sy}), maxY = std::max({v0.sy, v1.sy, v2.sy});
  i64 minX = std::min({v0.sx, v1.sx, v2.sx}), maxX = std::max({v0.sx, v1.sx, v2.sx});
  b.yFirst = std::max<i64>(scissor.y0, CeilDiv(minY, kSub));
  b.yLast = std::min<i64>(scissor.y1, FloorDiv(maxY, kSub));
  b.xFirst = std::max<i64>(scissor.x0, CeilDiv(minX, kSub));
  b.xLast = std::min<i64>(scissor.x1, FloorDiv(maxX, kSub));
  return b.yFirst <= b.yLast && b.xFirst <= b.xLast;
}

// Points a span at row y from x0 to x1.
inline void PlaceSpan(const Pipeline& pipeline, const Target& target, int x0, int x1, int y, Span& span) {
  span.count = x1 - x0 + 1;
  span.color = target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch +
               static_cast<std::ptrdiff_t>(x0) * target.bytesPerPixel;
  span.depth = pipeline.depthTest
                   ? target.depth + static_cast<std::ptrdiff_t>(y) * target.depthPitch + 2 * x0
                   : nullptr;
}

// Perspective terms of a span: stepped in floating point by the span routine.
inline void SetUpPerspective(const Planes& p, float fx0, float fy, Span& s) {
  s.iw = p.base[kIw] + fy * p.dy[kIw] + fx0 * p.dx[kIw];
  s.uw = p.base[kUw] + fy * p.dy[kUw] + fx0 * p.dx[kUw];
  s.vw = p.base[kVw] + fy * p.dy[kVw] + fx0 * p.dx[kVw];
  s.iwStep = p.dx[kIw];
  s.uwStep = p.dx[kUw];
  s.vwStep = p.dx[kVw];
}

// One edge's bound on the runs, stepped exactly from row to row: the bound is
// floor(n / d) (plus one for a ceiling with a remainder) where n grows by a
// fixed amount per row, kept as quotient and remainder 0 <= r < d.
struct EdgeStepper {
  int kind;  // -1: lower bound (left edge), 1: upper bound, 0: horizontal
  i64 q, r, d, dq, dr;
  i64 k, kStep, bias;  // horizontal: the edge function at X = 0 and its step
  i64 Bound() const { return kind < 0 ? q + (r != 0 ? 1 : 0) : q; }
  void Next() {
    if (kind == 0) {
      k += kStep;
      return;
    }
    // Without a branch: the carry depends on the data and defeats prediction.
    r += dr;
    const i64 carry = r >= d;
    q += dq + carry;
    r -= d & -carry;
  }
};

inline EdgeStepper MakeStepper(const Edge& e, i64 yFirst) {
  EdgeStepper s{};
  const i64 k = e.dx * (yFirst * kSub - e.ay) + e.dy * e.ax;  // E at X = 0 on the first row
  const i64 kStep = e.dx * kSub;
  s.bias = e.bias;
  if (e.dy == 0) {
    s.kind = 0;
    s.k = k;
    s.kStep = kStep;
    return s;
  }
  // Lower bound: ceil((bias - k) / d) = -floor((k - bias) / d); here as
  // floor((bias - k) / d) with the ceiling taken from the remainder.
  s.kind = e.dy < 0 ? -1 : 1;
  s.d = (e.dy < 0 ? -e.dy : e.dy) * kSub;
  const i64 n = e.dy < 0 ? e.bias - k : k - e.bias;
  const i64 step = e.dy < 0 ? -kStep : kStep;
  s.q = FloorDiv(n, s.d);
  s.r = n - s.q * s.d;
  s.dq = FloorDiv(step, s.d);
  s.dr = step - s.dq * s.d;
  return s;
}

}  // namespace raster::detail::scan
#endif  // VUXA_RASTER_SCAN_SHARED

HWY_BEFORE_NAMESPACE();
namespace raster::detail {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace scan;

// The eight fixed-point attributes of a span: the plain form's clamp, scale,
// truncation and step division.
HWY_INLINE void SetUpFixed(const Planes& p, float fx0, float fx1, float fy, int steps, Span& s) {
  const hn::CappedTag<float, kFixedAttrs> d;
  const hn::RebindToSigned<decltype(d)> di;
  const auto vy = hn::Set(d, fy), vx0 = hn::Set(d, fx0), vx1 = hn::Set(d, fx1);
  const auto zero = hn::Zero(d);
  const auto vsteps = hn::Set(d, static_cast<float>(steps));
  auto clamp = [&](auto v, auto hi) {
    const auto low = hn::IfThenElse(hn::Ge(v, zero), v, zero);
    return hn::IfThenElse(hn::Lt(hi, low), hi, low);
  };
  for (int k = 0; k < kFixedAttrs; k += static_cast<int>(hn::Lanes(d))) {
    const auto dx = hn::LoadU(d, p.dx + k);
    const auto row = hn::Add(hn::LoadU(d, p.base + k), hn::Mul(vy, hn::LoadU(d, p.dy + k)));
    const auto hi = hn::Load(d, kFixedMax + k);
    const auto scale = hn::Load(d, kFixedScale + k);
    const auto a = hn::Mul(clamp(hn::Add(row, hn::Mul(vx0, dx)), hi), scale);
    const auto b = hn::Mul(clamp(hn::Add(row, hn::Mul(vx1, dx)), hi), scale);
    hn::StoreU(hn::ConvertTo(di, a), di, s.fixed + k);
    const auto step = steps > 0 ? hn::ConvertTo(di, hn::Div(hn::Sub(b, a), vsteps)) : hn::Zero(di);
    hn::StoreU(step, di, s.fixedStep + k);
  }
}

void ScanTriangleVector(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                        const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                        const ScreenVertex& v2) {
  Bounds b;
  if (!MakeBounds(scissor, v0, v1, v2, b)) return;
  EdgeStepper edges[3] = {MakeStepper(MakeEdge(v0, v1), b.yFirst), MakeStepper(MakeEdge(v1, v2), b.yFirst),
                          MakeStepper(MakeEdge(v2, v0), b.yFirst)};
  const Planes planes = MakePlanes(v0, v1, v2);
  Span span;
  for (i64 y = b.yFirst; y <= b.yLast; ++y) {
    i64 lo = b.xFirst, hi = b.xLast;
    for (EdgeStepper& e : edges) {
      if (e.kind < 0) lo = std::max(lo, e.Bound());
      else if (e.kind > 0) hi = std::min(hi, e.Bound());
      else if (e.k < e.bias) hi = lo - 1;
      e.Next();
    }
    if (lo > hi) continue;
    const int x0 = static_cast<int>(lo), x1 = static_cast<int>(hi), yy = static_cast<int>(y);
    PlaceSpan(pipeline, target, x0, x1, yy, span);
    const float fy = static_cast<float>(yy) - planes.y0;
    const float fx0 = static_cast<float>(x0) - planes.x0, fx1 = static_cast<float>(x1) - planes.x0;
    SetUpFixed(planes, fx0, fx1, fy, x1 - x0, span);
    SetUpPerspective(planes, fx0, fy, span);
    routine(pipeline, span);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace raster::detail
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace raster::detail {

using namespace scan;

namespace {

// Start values and steps of one run from x0 to x1 on row y.
void SetUpSpan(const Planes& p, int x0, int x1, int y, Span& s) {
  float fy = static_cast<float>(y) - p.y0;
  float fx0 = static_cast<float>(x0) - p.x0, fx1 = static_cast<float>(x1) - p.x0;
  int steps = x1 - x0;
  for (int k = 0; k < kFixedAttrs; ++k) {
    // Both ends are clamped to the attribute's range, so every value between
    // them is in range too and nothing overflows.
    float row = p.base[k] + fy * p.dy[k];
    float a = ClampFixed(row + fx0 * p.dx[k], kFixedMax[k]) * kFixedScale[k];
    float b = ClampFixed(row + fx1 * p.dx[k], kFixedMax[k]) * kFixedScale[k];
    s.fixed[k] = static_cast<std::int32_t>(a);
    s.fixedStep[k] = steps > 0 ? static_cast<std::int32_t>((b - a) / static_cast<float>(steps)) : 0;
  }
  SetUpPerspective(p, fx0, fy, s);
}

}  // namespace

void ScanTrianglePlain(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                       const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                       const ScreenVertex& v2) {
  Bounds b;
  if (!MakeBounds(scissor, v0, v1, v2, b)) return;
  const Edge edges[3] = {MakeEdge(v0, v1), MakeEdge(v1, v2), MakeEdge(v2, v0)};
  const Planes planes = MakePlanes(v0, v1, v2);
  Span span;
  for (i64 y = b.yFirst; y <= b.yLast; ++y) {
    i64 lo = b.xFirst, hi = b.xLast;
    i64 row = y * kSub;
    for (const Edge& e : edges) {
      i64 k = e.dx * (row - e.ay) + e.dy * e.ax;  // E at X = 0
      if (e.dy < 0) lo = std::max(lo, CeilDiv(e.bias - k, -e.dy * kSub));
      else if (e.dy > 0) hi = std::min(hi, FloorDiv(k - e.bias, e.dy * kSub));
      else if (k < e.bias) hi = lo - 1;
    }
    if (lo > hi) continue;
    int x0 = static_cast<int>(lo), x1 = static_cast<int>(hi), yy = static_cast<int>(y);
    PlaceSpan(pipeline, target, x0, x1, yy, span);
    SetUpSpan(planes, x0, x1, yy, span);
    routine(pipeline, span);
  }
}

HWY_EXPORT(ScanTriangleVector);

void ScanTriangle(const Pipeline& pipeline, SpanRoutine routine, const Target& target, const Scissor& scissor,
                  const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  HWY_DYNAMIC_DISPATCH(ScanTriangleVector)(pipeline, routine, target, scissor, v0, v1, v2);
}

}  // namespace raster::detail
#endif  // HWY_ONCE
