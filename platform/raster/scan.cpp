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
// in the plain form's order. It sorts the edges once per triangle: a
// horizontal edge only decides which rows are covered at all, so it narrows
// the rows; the others bound each row's run from the left or from the right.
// Of the two edges on one side of a clockwise triangle only one binds on each
// row (ScanSplit), so its rows take two bounds, not three; where x86 vectors
// hold four 64-bit lanes, the three edges step together in one. A triangle at
// most a vector of columns wide skips the steppers: each row tests its edge
// functions at every column at once (ScanNarrow). For the pipeline
// the 3D scene draws with, the span loop runs inline (ScanTriangleCommon).
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

#include "platform/raster/span_lanes-inl.h"
#include "platform/raster/span_shared.h"
#include "platform/raster/stages.h"

#ifndef VUXA_RASTER_SCAN_SHARED
#define VUXA_RASTER_SCAN_SHARED
namespace raster::detail::scan {

using i64 = long long;

inline i64 FloorDiv(i64 a, i64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }  // b > 0
inline i64 CeilDiv(i64 a, i64 b) { return -FloorDiv(-a, b); }
// The same for b = kSub: an arithmetic shift rounds towards minus infinity.
inline i64 FloorDivSub(i64 a) { return a >> kSubBits; }
inline i64 CeilDivSub(i64 a) { return -((-a) >> kSubBits); }

// Edge from a to b: E(X, Y) = dx (Y - ay) - dy (X - ax) >= Bias(edge) inside.
struct Edge {
  i64 dx, dy, ax, ay;
};

inline Edge MakeEdge(const ScreenVertex& a, const ScreenVertex& b) { return {b.sx - a.sx, b.sy - a.sy, a.sx, a.sy}; }

// 0 on top and left edges, 1 elsewhere. (A sloped edge's is 0 when it is a
// left edge, dy < 0; MakeStepper finds it so without this test.)
inline i64 Bias(const Edge& e) { return e.dy < 0 || (e.dy == 0 && e.dx > 0) ? 0 : 1; }

// Room for the last attributes to load as one vector of four lanes.
constexpr int kPlaneLanes = kAttrCount + 1;
struct Planes {
  float x0, y0;
  float base[kPlaneLanes];
  float dx[kPlaneLanes];
  float dy[kPlaneLanes];
};

// The triangle's two edge vectors from v0 in pixels and the inverse of twice
// its area: what every attribute's plane is made of.
struct PlaneFrame {
  float e1x, e1y, e2x, e2y, inv;
};
inline PlaneFrame MakePlaneFrame(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                 Planes& p) {
  constexpr float kInv = 1.0f / kSub;
  p.x0 = static_cast<float>(v0.sx) * kInv;
  p.y0 = static_cast<float>(v0.sy) * kInv;
  PlaneFrame f;
  f.e1x = static_cast<float>(v1.sx - v0.sx) * kInv;
  f.e1y = static_cast<float>(v1.sy - v0.sy) * kInv;
  f.e2x = static_cast<float>(v2.sx - v0.sx) * kInv;
  f.e2y = static_cast<float>(v2.sy - v0.sy) * kInv;
  f.inv = 1.0f / (f.e1x * f.e2y - f.e2x * f.e1y);
  p.base[kAttrCount] = p.dx[kAttrCount] = p.dy[kAttrCount] = 0.0f;
  return f;
}

inline Planes MakePlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  Planes p;
  const PlaneFrame f = MakePlaneFrame(v0, v1, v2, p);
  for (int k = 0; k < kAttrCount; ++k) {
    float d1 = v1.attr[k] - v0.attr[k], d2 = v2.attr[k] - v0.attr[k];
    p.base[k] = v0.attr[k];
    p.dx[k] = (d1 * f.e2y - d2 * f.e1y) * f.inv;
    p.dy[k] = (d2 * f.e1x - d1 * f.e2x) * f.inv;
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
// false when none. `extent` is the larger side of the corners' snapped box,
// which is the largest |dx| or |dy| of the three edges: the corners at the
// box's two ends of either axis share an edge.
struct Bounds {
  i64 yFirst, yLast, xFirst, xLast, extent;
};
inline bool MakeBounds(const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                       const ScreenVertex& v2, Bounds& b) {
  i64 minY = std::min({v0.sy, v1.sy, v2.sy}), maxY = std::max({v0.sy, v1.sy, v2.sy});
  i64 minX = std::min({v0.sx, v1.sx, v2.sx}), maxX = std::max({v0.sx, v1.sx, v2.sx});
  b.yFirst = std::max<i64>(scissor.y0, CeilDivSub(minY));
  b.yLast = std::min<i64>(scissor.y1, FloorDivSub(maxY));
  b.xFirst = std::max<i64>(scissor.x0, CeilDivSub(minX));
  b.xLast = std::min<i64>(scissor.x1, FloorDivSub(maxX));
  b.extent = std::max(maxX - minX, maxY - minY);
  return b.yFirst <= b.yLast && b.xFirst <= b.xLast;
}

// Pixel (x, y) of the target's colour and depth buffers.
inline std::uint8_t* ColorAt(const Target& target, int bytesPerPixel, int x, int y) {
  return target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
}
inline std::uint8_t* DepthAt(const Target& target, int x, int y) {
  return target.depth + static_cast<std::ptrdiff_t>(y) * target.depthPitch + 2 * x;
}

// Points a span at row y from x0 to x1.
inline void PlaceSpan(const Pipeline& pipeline, const Target& target, int x0, int x1, int y, Span& span) {
  span.count = x1 - x0 + 1;
  span.color = ColorAt(target, target.bytesPerPixel, x0, y);
  span.depth = pipeline.depthTest ? DepthAt(target, x0, y) : nullptr;
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

// The bound a sloped edge puts on the runs, stepped exactly from row to row:
// floor(n / d) where n grows by a fixed amount per row, kept as quotient and
// remainder 0 <= r < d. A left edge's bound is a ceiling, ceil(m / d), kept
// as floor((m + d - 1) / d).
struct EdgeStepper {
  i64 q, r, d, dq, dr;
  i64 Bound() const { return q; }
  void Next() {
    // Without a branch: the carry depends on the data and defeats prediction.
    r += dr;
    const i64 carry = r >= d;
    q += dq + carry;
    r -= d & -carry;
  }
};

// The rows a horizontal edge (dy = 0) lets through, E = dx (Y - ay) >= bias
// with Y = y kSub, narrowed into [yFirst, yLast]. With |dx| >= 1 and bias 0
// or 1 the test is Y - ay >= bias for dx > 0 and ay - Y >= bias for dx < 0;
// an edge of length 0 has E = 0 < bias (1) on every row.
inline void NarrowRows(const Edge& e, i64& yFirst, i64& yLast) {
  const i64 bias = Bias(e);
  if (e.dx > 0) yFirst = std::max(yFirst, CeilDivSub(e.ay + bias));
  else if (e.dx < 0) yLast = std::min(yLast, FloorDivSub(e.ay - bias));
  else if (bias > 0) yLast = yFirst - 1;
}

// Twice the signed area of v0 v1 v2 in snapped units; > 0: clockwise on
// screen, and each vertex lies strictly inside the opposite edge's half-plane.
inline i64 SnappedArea(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  return static_cast<i64>(v1.sx - v0.sx) * (v2.sy - v0.sy) - static_cast<i64>(v2.sx - v0.sx) * (v1.sy - v0.sy);
}

// floor(n / d) and the remainder n - q d in [0, d), for d > 0: the quotient
// rounded towards zero, one less when the remainder is negative. One
// division gives both, and no branch depends on the sign of n.
inline void FloorDivMod(i64 n, i64 d, i64& q, i64& r) {
  q = n / d;
  r = n % d;
  const i64 below = r < 0;
  q -= below;
  r += d & -below;
}

// The stepper of an edge with dy != 0, on row yFirst. Forced inline: a
// triangle makes three, and the calls' own cost showed in the profile.
[[gnu::always_inline]] inline EdgeStepper MakeStepper(const Edge& e, i64 yFirst) {
  EdgeStepper s{};
  const i64 k = e.dx * (yFirst * kSub - e.ay) + e.dy * e.ax;  // E at X = 0 on the first row
  // Left edge (dy < 0): X >= (bias - k) / d, right edge: X <= (k - bias) / d.
  // `flip` is -1 on a left edge, 0 on a right one: (v ^ flip) - flip is v or
  // -v without a branch on the edge's side, which is unpredictable.
  const i64 flip = -static_cast<i64>(e.dy < 0);
  const i64 dy = (e.dy ^ flip) - flip;
  s.d = dy * kSub;
  const i64 bias = 1 + flip;  // Bias(e): 0 on a left edge, 1 on a right one
  const i64 n = (((k - bias) ^ flip) - flip) + ((s.d - 1) & flip);
  FloorDivMod(n, s.d, s.q, s.r);
  // The step of n per row is (+-dx) kSub and d = |dy| kSub: the quotient is
  // that of +-dx by |dy| and the remainder kSub times theirs.
  i64 dq, dr;
  FloorDivMod((e.dx ^ flip) - flip, dy, dq, dr);
  s.dq = dq;
  s.dr = dr * kSub;
  return s;
}

}  // namespace raster::detail::scan
#endif  // VUXA_RASTER_SCAN_SHARED

HWY_BEFORE_NAMESPACE();
namespace raster::detail {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace scan;

// The fixed-point start values and steps of the attributes k.. of a run in
// the lanes of d: the plain form's clamp, scale, truncation and step division.
template <class D>
HWY_INLINE void FixedLanes(D d, const Planes& p, int k, float fx0, float fx1, float fy, float divisor,
                           hn::Vec<hn::RebindToSigned<D>>& start, hn::Vec<hn::RebindToSigned<D>>& step) {
  const hn::RebindToSigned<D> di;
  const auto zero = hn::Zero(d);
  const auto vsteps = hn::Set(d, divisor);
  // ClampFixed: Max gives its second operand when the first is not a number
  // (on every target), and +0 for -0, which truncates to the same integers.
  auto clamp = [&](auto v, auto hi) { return hn::Min(hn::Max(v, zero), hi); };
  const auto dx = hn::LoadU(d, p.dx + k);
  const auto row = hn::Add(hn::LoadU(d, p.base + k), hn::Mul(hn::Set(d, fy), hn::LoadU(d, p.dy + k)));
  const auto hi = hn::Load(d, kFixedMax + k);
  const auto scale = hn::Load(d, kFixedScale + k);
  const auto a = hn::Mul(clamp(hn::Add(row, hn::Mul(hn::Set(d, fx0), dx)), hi), scale);
  const auto b = hn::Mul(clamp(hn::Add(row, hn::Mul(hn::Set(d, fx1), dx)), hi), scale);
  start = TruncateInRange(di, a);
  step = TruncateInRange(di, hn::Div(hn::Sub(b, a), vsteps));
}

// The eight fixed-point attributes of a span, as many at a time as a vector holds.
HWY_INLINE void SetUpFixed(const Planes& p, float fx0, float fx1, float fy, float divisor, Span& s) {
  const hn::CappedTag<float, kFixedAttrs> d;
  const hn::RebindToSigned<decltype(d)> di;
  for (int k = 0; k < kFixedAttrs; k += static_cast<int>(hn::Lanes(d))) {
    hn::Vec<decltype(di)> start, step;
    FixedLanes(d, p, k, fx0, fx1, fy, divisor, start, step);
    hn::StoreU(start, di, s.fixed + k);
    hn::StoreU(step, di, s.fixedStep + k);
  }
}

// MakePlanes with the attributes a vector at a time, each lane the plain
// form's operations in its order, stored so that every later load of the
// planes finds all its bytes in one store and takes them straight from it (a
// load across two stores waits for both to reach the cache): the eight
// fixed-point attributes in the vectors SetUpFixed loads, and the
// perspective terms in one vector of four lanes from kIw. A vertex has no
// room to load past its last attribute, so those are loaded from kIw - 1 and
// moved down a lane.
HWY_INLINE void MakePlanesVector(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                 Planes& p) {
  const PlaneFrame f = MakePlaneFrame(v0, v1, v2, p);
  // The planes of attributes k.. in the lanes of a vector: base, dx, dy.
  auto planes = [&](auto d, int k, auto store) {
    const auto a0 = hn::LoadU(d, v0.attr + k);
    const auto d1 = hn::Sub(hn::LoadU(d, v1.attr + k), a0), d2 = hn::Sub(hn::LoadU(d, v2.attr + k), a0);
    const auto inv = hn::Set(d, f.inv);
    store(a0, p.base);
    store(hn::Mul(hn::Sub(hn::Mul(d1, hn::Set(d, f.e2y)), hn::Mul(d2, hn::Set(d, f.e1y))), inv), p.dx);
    store(hn::Mul(hn::Sub(hn::Mul(d2, hn::Set(d, f.e1x)), hn::Mul(d1, hn::Set(d, f.e2x))), inv), p.dy);
  };
  const hn::CappedTag<float, kFixedAttrs> d8;
  for (int k = 0; k < kFixedAttrs; k += static_cast<int>(hn::Lanes(d8)))
    planes(d8, k, [&](auto v, float* to) { hn::StoreU(v, d8, to + k); });
  const hn::CappedTag<float, 4> d4;
#if HWY_TARGET == HWY_SCALAR  // one lane
  for (int k = kIw; k < kAttrCount; ++k) planes(d4, k, [&](auto v, float* to) { hn::StoreU(v, d4, to + k); });
#else
  planes(d4, kIw - 1, [&](auto v, float* to) { hn::StoreU(hn::ShiftRightLanes<1>(d4, v), d4, to + kIw); });
#endif
}

// v in every lane of four: where vectors of eight exist, the lower half of
// the eight SetUpFixed's lanes take, so that one broadcast serves both.
template <class D8 = hn::CappedTag<float, kFixedAttrs>>  // a template: the branch not taken is not compiled
HWY_INLINE hn::Vec<hn::CappedTag<float, 4>> Broadcast4(float v) {
  if constexpr (hn::MaxLanes(D8()) >= 8) return hn::LowerHalf(hn::Half<D8>(), hn::Set(D8(), v));
  else return hn::Set(hn::CappedTag<float, 4>(), v);
}

// SetUpPerspective's three sums, 1/w, u/w and v/w, in the first lanes of one
// vector, each the plain form's operations in its order.
HWY_INLINE hn::Vec<hn::CappedTag<float, 4>> PerspectiveLanes(const Planes& p, float fx0, float fy) {
  const hn::CappedTag<float, 4> d;
  const auto row = hn::Add(hn::LoadU(d, p.base + kIw), hn::Mul(Broadcast4(fy), hn::LoadU(d, p.dy + kIw)));
  return hn::Add(row, hn::Mul(Broadcast4(fx0), hn::LoadU(d, p.dx + kIw)));
}

// SetUpPerspective with its three sums in the lanes of one vector.
HWY_INLINE void SetUpPerspectiveVector(const Planes& p, float fx0, float fy, Span& s) {
  const hn::CappedTag<float, 4> d;
  if constexpr (hn::MaxLanes(d) < 4) {
    SetUpPerspective(p, fx0, fy, s);
  } else {
    alignas(16) float at[4];
    hn::Store(PerspectiveLanes(p, fx0, fy), d, at);
    s.iw = at[0];
    s.uw = at[1];
    s.vw = at[2];
    s.iwStep = p.dx[kIw];
    s.uwStep = p.dx[kUw];
    s.vwStep = p.dx[kVw];
  }
}

// Where a run lies: row y from x0 to x1, and the same relative to the planes'
// origin; `divisor` divides the difference of its ends into its steps: the
// number of steps, or 1 for a one-pixel run, whose ends are the same, so that
// its step is 0 without a branch (which the runs' lengths would mispredict).
struct RunPlace {
  int x0, x1, y;
  float fx0, fx1, fy, divisor;
};

// Draws row y's run from lo to hi (lo <= hi) with what draw(planes) gave.
template <class DrawRun>
HWY_INLINE void DrawRow(const DrawRun& drawRun, const Planes& planes, i64 y, i64 lo, i64 hi) {
  const int x0 = static_cast<int>(lo), x1 = static_cast<int>(hi), yy = static_cast<int>(y);
  const float fy = static_cast<float>(yy) - planes.y0;
  // Columns within the vertices' range (kMaxScreen): converted and subtracted exactly.
  const float px0 = static_cast<float>(x0), px1 = static_cast<float>(x1);
  drawRun(RunPlace{x0, x1, yy, px0 - planes.x0, px1 - planes.x0, fy, std::max(px1 - px0, 1.0f)});
}

// Rows yFirst..yLast of a triangle; `runOf(y, lo, hi)` narrows [lo, hi] to
// row y's run and steps its edges to the next row. A run goes from the
// largest left bound to the smallest right one. `draw(planes)` works out
// once what the triangle's runs share and gives what draws one run.
template <class Draw, class RunOf>
HWY_INLINE void ScanRows(const Draw& draw, const Bounds& b, const Planes& planes, const RunOf& runOf) {
  const auto drawRun = draw(planes);
  for (i64 y = b.yFirst; y <= b.yLast; ++y) {
    i64 lo = b.xFirst, hi = b.xLast;
    runOf(y, lo, hi);
    if (lo <= hi) DrawRow(drawRun, planes, y, lo, hi);
  }
}

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
// Edges shorter than this (in snapped units, 64 pixels) keep a narrow
// triangle's edge functions within 32 bits.
constexpr i64 kNarrowExtent = i64{64} << kSubBits;

// A triangle whose box (clamped to the scissor) is at most a vector of
// columns wide, with edges shorter than kNarrowExtent: each row's run comes
// from the three edge functions at every column of the box at once, the
// pixels where each is at least its bias, which are the pixels the steppers
// bound; no division and no sorting of the edges. The functions start at the
// box's first pixel and step by whole columns and rows. The box lies within
// the corners' range, so |E| <= |dx| |Y - ay| + |dy| |X - ax| < 2^14 (2^14 +
// 2^14 + 2^11), which fits in 32 bits. False (nothing drawn) for any other triangle.
template <class Draw>
HWY_INLINE bool ScanNarrow(const Draw& draw, const Bounds& b, const Edge (&edges)[3], const ScreenVertex& v0,
                           const ScreenVertex& v1, const ScreenVertex& v2) {
  const hn::CappedTag<std::int32_t, 8> d;
  const i64 width = b.xLast - b.xFirst + 1;
  if (width > static_cast<i64>(hn::Lanes(d)) || b.extent >= kNarrowExtent) return false;
  const i64 x0 = b.xFirst * kSub, y0 = b.yFirst * kSub;
  // E - bias of each edge in lane k for column xFirst + k, and its step down a row.
  hn::Vec<decltype(d)> e[3], down[3];
  for (int i = 0; i < 3; ++i) {
    const Edge& g = edges[i];
    const i64 first = g.dx * (y0 - g.ay) - g.dy * (x0 - g.ax) - Bias(g);
    const auto across = hn::Mul(hn::Iota(d, 0), hn::Set(d, static_cast<std::int32_t>(-g.dy * kSub)));
    e[i] = hn::Add(hn::Set(d, static_cast<std::int32_t>(first)), across);
    down[i] = hn::Set(d, static_cast<std::int32_t>(g.dx * kSub));
  }
  const unsigned columns = (1u << width) - 1;
  // The row's covered columns, a bit each from xFirst (all three functions
  // at least 0: their OR is), then the functions step down a row.
  auto nextRow = [&] {
    std::uint8_t bits[8];
    hn::StoreMaskBits(d, hn::Gt(hn::Or(hn::Or(e[0], e[1]), e[2]), hn::Set(d, -1)), bits);
    for (int i = 0; i < 3; ++i) e[i] = hn::Add(e[i], down[i]);
    return bits[0] & columns;
  };
  // The planes only once a row is covered: many tiny triangles cover none.
  i64 y = b.yFirst;
  unsigned bits = nextRow();
  while (bits == 0) {
    if (++y > b.yLast) return true;
    bits = nextRow();
  }
  Planes planes;
  MakePlanesVector(v0, v1, v2, planes);
  const auto drawRun = draw(planes);
  for (;;) {
    if (bits != 0) DrawRow(drawRun, planes, y, b.xFirst + __builtin_ctz(bits), b.xFirst + 31 - __builtin_clz(bits));
    if (++y > b.yLast) return true;
    bits = nextRow();
  }
}
#endif

// x86 only: its vectors have the same number of lanes at compile and run time.
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
// ScanSplit's three steppers stepped together, one in each 64-bit lane of a
// vector of four: the edge alone, and the upper and the lower edge of the
// pair. The lower one is stepped from the first row as well, which gives the
// same bounds on its own rows as starting there; a row picks the pair's bound
// for its side of M. Kept in vector registers, the steppers leave the general
// ones to the runs: stepped one by one, they were loaded and stored on every row.
template <bool kPairLeft, class Draw>
HWY_INLINE void ScanSplitLanes(const Draw& draw, const Bounds& b, const Edge& alone, const Edge& upper,
                               const Edge& lower, i64 firstBelow, const Planes& planes) {
  using I64 = std::int64_t;  // Highway's lane type
  const hn::CappedTag<I64, 4> d;
  const hn::Half<decltype(d)> dh;
  // Each stepper made straight into its lane; the fourth lane is not used.
  alignas(32) I64 q[4] = {}, r[4] = {}, divisor[4] = {}, dq[4] = {}, dr[4] = {};
  const Edge* const edge[3] = {&alone, &upper, &lower};
  for (int k = 0; k < 3; ++k) {
    const EdgeStepper e = MakeStepper(*edge[k], b.yFirst);
    q[k] = e.q, r[k] = e.r, divisor[k] = e.d - 1, dq[k] = e.dq, dr[k] = e.dr;
  }
  auto vq = hn::Load(d, q), vr = hn::Load(d, r);
  const auto vdivisor = hn::Load(d, divisor), vdq = hn::Load(d, dq), vdr = hn::Load(d, dr);
  const auto one = hn::Set(d, 1);
  ScanRows(draw, b, planes, [&](i64 y, i64& lo, i64& hi) {
    const i64 bounds[3] = {hn::GetLane(vq), hn::ExtractLane(hn::LowerHalf(dh, vq), 1),
                           hn::GetLane(hn::UpperHalf(dh, vq))};
    const i64 pair = y < firstBelow ? bounds[1] : bounds[2];
    if constexpr (kPairLeft) {
      lo = std::max(lo, pair);
      hi = std::min(hi, bounds[0]);
    } else {
      lo = std::max(lo, bounds[0]);
      hi = std::min(hi, pair);
    }
    // EdgeStepper::Next in each lane: the carry is -1 where r reaches d.
    vr = hn::Add(vr, vdr);
    const auto carry = hn::VecFromMask(d, hn::Gt(vr, vdivisor));
    vq = hn::Sub(hn::Add(vq, vdq), carry);
    vr = hn::Sub(vr, hn::And(hn::Add(vdivisor, one), carry));
  });
}
#endif

// A clockwise triangle (twice its snapped area above 0) with no horizontal
// edge: `single` is the edge alone on its side, the other two meet at the
// middle vertex M. Each of those two bounds the runs only on its own side of
// M: on a row above M, the upper one's crossing lies strictly inside the
// lower one's half-plane (the triangle's third vertex does, and M is on its
// line), so every pixel the upper edge lets through the lower one does too,
// and below M the other way round. On M's own row both lines cross at M and,
// being on the same side, have the same bias: either gives the same bound.
// Each row steps the stepper for its side of M, picked without a branch, and
// the lower one starts on the first row below M: one loop, whose end is the
// only branch on the triangle's shape (a loop for each part would end twice,
// and the ends of loops this short are mispredicted).
template <bool kPairLeft, class Draw>
HWY_INLINE void ScanSplit(const Draw& draw, const Bounds& b, const Edge (&edges)[3], int single,
                          const ScreenVertex* const (&v)[3], const Planes& planes) {
  // The pair in the order of the triangle: edge `in` ends at M, `out` starts there.
  constexpr int kNext[3] = {1, 2, 0};
  const int in = kNext[single], out = kNext[in];
  // A left pair runs upwards (dy < 0): `out` goes from M up; a right pair down.
  const i64 firstBelow = CeilDivSub(v[out]->sy);  // the first row with Y = y kSub >= M's
  const Edge& upper = edges[kPairLeft ? out : in];
  const Edge& lower = edges[kPairLeft ? in : out];
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
  if constexpr (hn::MaxLanes(hn::CappedTag<std::int64_t, 4>()) >= 4) {
    ScanSplitLanes<kPairLeft>(draw, b, edges[single], upper, lower, firstBelow, planes);
    return;
  }
#endif
  EdgeStepper above = MakeStepper(upper, b.yFirst);
  EdgeStepper below = MakeStepper(lower, std::max(b.yFirst, firstBelow));
  EdgeStepper alone = MakeStepper(edges[single], b.yFirst);
  ScanRows(draw, b, planes, [&](i64 y, i64& lo, i64& hi) {
    EdgeStepper& pair = *(y < firstBelow ? &above : &below);
    if constexpr (kPairLeft) {
      lo = std::max(lo, pair.Bound());
      hi = std::min(hi, alone.Bound());
    } else {
      lo = std::max(lo, alone.Bound());
      hi = std::min(hi, pair.Bound());
    }
    pair.Next();
    alone.Next();
  });
}

// The runs of a triangle, each handed to what draw(planes) gives (ScanRows).
template <class Draw>
HWY_INLINE void ScanWith(const Draw& draw, const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                         const ScreenVertex& v2) {
  Bounds b;
  if (!MakeBounds(scissor, v0, v1, v2, b)) return;
  const Edge edges[3] = {MakeEdge(v0, v1), MakeEdge(v1, v2), MakeEdge(v2, v0)};
#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
  if (ScanNarrow(draw, b, edges, v0, v1, v2)) return;
#endif
  for (const Edge& e : edges)
    if (e.dy == 0) NarrowRows(e, b.yFirst, b.yLast);
  if (b.yFirst > b.yLast) return;
  // The edges' dy add up to 0, so a triangle with an edge that is not
  // horizontal has edges on both sides; one with none covers no row.
  int lowerEdge[2], upperEdge[2];
  int lowers = 0, uppers = 0;
  for (int k = 0; k < 3; ++k) {
    if (edges[k].dy < 0) lowerEdge[lowers++] = k;
    else if (edges[k].dy > 0) upperEdge[uppers++] = k;
  }
  if (lowers == 0 || uppers == 0) return;
  Planes planes;
  MakePlanesVector(v0, v1, v2, planes);
  if (lowers + uppers == 3 && SnappedArea(v0, v1, v2) > 0) {
    const ScreenVertex* const v[3] = {&v0, &v1, &v2};
    if (lowers == 2) ScanSplit<true>(draw, b, edges, upperEdge[0], v, planes);
    else ScanSplit<false>(draw, b, edges, lowerEdge[0], v, planes);
    return;
  }
  // Any other triangle (counter-clockwise or flat, which cover no pixel, or
  // with a horizontal edge) steps all its sloped edges on every row.
  EdgeStepper lower[2], upper[2];
  for (int i = 0; i < lowers; ++i) lower[i] = MakeStepper(edges[lowerEdge[i]], b.yFirst);
  for (int i = 0; i < uppers; ++i) upper[i] = MakeStepper(edges[upperEdge[i]], b.yFirst);
  ScanRows(draw, b, planes, [&](i64, i64& lo, i64& hi) {
    for (int i = 0; i < lowers; ++i) {
      lo = std::max(lo, lower[i].Bound());
      lower[i].Next();
    }
    for (int i = 0; i < uppers; ++i) {
      hi = std::min(hi, upper[i].Bound());
      upper[i].Next();
    }
  });
}

void ScanTriangleVector(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                        const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                        const ScreenVertex& v2) {
  // Each run set up in a Span for the span routine.
  auto draw = [&](const Planes& planes) {
    return [&](const RunPlace& r) __attribute__((always_inline)) {
      Span span;
      PlaceSpan(pipeline, target, r.x0, r.x1, r.y, span);
      SetUpFixed(planes, r.fx0, r.fx1, r.fy, r.divisor, span);
      SetUpPerspectiveVector(planes, r.fx0, r.fy, span);
      routine(pipeline, span);
    };
  };
  ScanWith(draw, scissor, v0, v1, v2);
}

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
ScanRoutine ChooseScanRoutineVector(TexelFormat, bool, bool) { return &ScanTriangleVector; }
#else
// The eight fixed-point attributes of a run in two vectors of four lanes,
// kSb..kZ and kB..kA, and their steps: one vector of eight where the target
// has it, split in halves.
struct FixedRun {
  hn::Vec<hn::FixedTag<std::uint32_t, 4>> specular, specularStep, color, colorStep;
};
template <class D = hn::CappedTag<float, kFixedAttrs>>  // a template: the branch not taken is not compiled
HWY_INLINE FixedRun FixedRunLanes(const Planes& p, const RunPlace& r) {
  const hn::FixedTag<std::uint32_t, 4> du;
  const D d;
  if constexpr (hn::MaxLanes(d) >= 8) {
    const hn::Half<hn::RebindToSigned<D>> dh;
    hn::Vec<hn::RebindToSigned<D>> start, step;
    FixedLanes(d, p, 0, r.fx0, r.fx1, r.fy, r.divisor, start, step);
    return {hn::BitCast(du, hn::LowerHalf(dh, start)), hn::BitCast(du, hn::LowerHalf(dh, step)),
            hn::BitCast(du, hn::UpperHalf(dh, start)), hn::BitCast(du, hn::UpperHalf(dh, step))};
  } else {
    const hn::FixedTag<float, 4> d4;
    hn::Vec<hn::RebindToSigned<decltype(d4)>> start[2], step[2];
    FixedLanes(d4, p, 0, r.fx0, r.fx1, r.fy, r.divisor, start[0], step[0]);
    FixedLanes(d4, p, 4, r.fx0, r.fx1, r.fy, r.divisor, start[1], step[1]);
    return {hn::BitCast(du, start[0]), hn::BitCast(du, step[0]), hn::BitCast(du, start[1]),
            hn::BitCast(du, step[1])};
  }
}

// The scan of the common pipeline (span::Common) with its span loop inline:
// no call through a pointer and no test of the pipeline for each run. Each
// run's start values go to the loop in registers; the steps of 1/w, u/w and
// v/w (the planes' dx) and the specular mask are worked out per triangle.
template <TexelFormat F, bool kBilinear>
void ScanTriangleCommon(const Pipeline& pipeline, SpanRoutine, const Target& target, const Scissor& scissor,
                        const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  static_assert(kSb == 0 && kZ == 3 && kB == 4 && kUw == kIw + 1 && kVw == kIw + 2);
  const auto specularMask = lanes::ShadeLanes::SpecularMask(pipeline.specular);
  // The run's lambda is forced inline, as the compiler otherwise calls it for each run.
  auto draw = [&](const Planes& planes) {
    const float iwStep = planes.dx[kIw];
    const auto uvStep = hn::LoadU(hn::FixedTag<float, 2>(), planes.dx + kUw);
    return [&, iwStep, uvStep](const RunPlace& r) __attribute__((always_inline)) {
      const FixedRun f = FixedRunLanes(planes, r);
      // 1/w, u/w, v/w: the pair moved down a lane from the sums' vector.
      const auto persp = PerspectiveLanes(planes, r.fx0, r.fy);
      const hn::CappedTag<float, 4> d4;
      const auto uv = hn::LowerHalf(hn::ShiftRightLanes<1>(d4, persp));
      lanes::DrawRun<F, kBilinear, true>(
          pipeline, lanes::Run{ColorAt(target, 4, r.x0, r.y), DepthAt(target, r.x0, r.y), r.x1 - r.x0 + 1,
                               hn::ExtractLane(f.specular, kZ), hn::ExtractLane(f.specularStep, kZ),
                               lanes::ShadeLanes(f.color, f.colorStep, f.specular, f.specularStep, specularMask),
                               hn::GetLane(persp), iwStep, lanes::CoordLanes(uv, uvStep)});
    };
  };
  ScanWith(draw, scissor, v0, v1, v2);
}

// The 3D scene's texel formats get the inline loop; the others the span routine.
ScanRoutine ChooseScanRoutineVector(TexelFormat format, bool bilinear, bool common) {
  if (!common) return &ScanTriangleVector;
  switch (format) {
    case TexelFormat::None: return &ScanTriangleCommon<TexelFormat::None, false>;
    case TexelFormat::Xrgb8888:
      return bilinear ? &ScanTriangleCommon<TexelFormat::Xrgb8888, true> : &ScanTriangleCommon<TexelFormat::Xrgb8888, false>;
    case TexelFormat::Indexed8:
      return bilinear ? &ScanTriangleCommon<TexelFormat::Indexed8, true> : &ScanTriangleCommon<TexelFormat::Indexed8, false>;
    default: return &ScanTriangleVector;
  }
}
#endif

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
      if (e.dy < 0) lo = std::max(lo, CeilDiv(Bias(e) - k, -e.dy * kSub));
      else if (e.dy > 0) hi = std::min(hi, FloorDiv(k - Bias(e), e.dy * kSub));
      else if (k < Bias(e)) hi = lo - 1;
    }
    if (lo > hi) continue;
    int x0 = static_cast<int>(lo), x1 = static_cast<int>(hi), yy = static_cast<int>(y);
    PlaceSpan(pipeline, target, x0, x1, yy, span);
    SetUpSpan(planes, x0, x1, yy, span);
    routine(pipeline, span);
  }
}

HWY_EXPORT(ScanTriangleVector);
HWY_EXPORT(ChooseScanRoutineVector);

ScanRoutine ChooseScanRoutine(const Pipeline& pipeline, TexelFormat format, bool bilinear) {
  return HWY_DYNAMIC_DISPATCH(ChooseScanRoutineVector)(format, bilinear, span::Common(pipeline, format));
}

void ScanTriangle(const Pipeline& pipeline, SpanRoutine routine, const Target& target, const Scissor& scissor,
                  const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  HWY_DYNAMIC_DISPATCH(ScanTriangleVector)(pipeline, routine, target, scissor, v0, v1, v2);
}

}  // namespace raster::detail
#endif  // HWY_ONCE
