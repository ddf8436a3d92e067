// scan.cpp: walks the rows of one screen triangle.
//
// Pixel centres lie on integer coordinates. Each row's covered run is found
// exactly from the three integer edge functions of the snapped vertices, with
// the top-left rule deciding pixels that lie on an edge, so triangles sharing
// an edge cover each pixel once. Attributes come from plane equations; each
// run is clamped to the scissor and handed to the span routine with its start
// values and steps.
#include <algorithm>
#include <cstdint>

#include "platform/raster/stages.h"

namespace raster::detail {

namespace {

using i64 = long long;

i64 FloorDiv(i64 a, i64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }  // b > 0
i64 CeilDiv(i64 a, i64 b) { return -FloorDiv(-a, b); }

// Edge from a to b: E(X, Y) = dx (Y - ay) - dy (X - ax) >= bias inside.
struct Edge {
  i64 dx, dy, ax, ay;
  i64 bias;  // 0 on top and left edges, 1 elsewhere
};

Edge MakeEdge(const ScreenVertex& a, const ScreenVertex& b) {
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

Planes MakePlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
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

constexpr float kFixedScale[kFixedAttrs] = {32768, 65536, 65536, 65536, 65536, 65536, 65536, 65536};
constexpr float kFixedMax[kFixedAttrs] = {65535, 255, 255, 255, 255, 255, 255, 255};

// Start values and steps of one run from x0 to x1 on row y.
void SetUpSpan(const Planes& p, int x0, int x1, int y, Span& s) {
  float fy = static_cast<float>(y) - p.y0;
  float fx0 = static_cast<float>(x0) - p.x0, fx1 = static_cast<float>(x1) - p.x0;
  int steps = x1 - x0;
  for (int k = 0; k < kFixedAttrs; ++k) {
    // Both ends are clamped to the attribute's range, so every value between
    // them is in range too and nothing overflows.
    float row = p.base[k] + fy * p.dy[k];
    float a = std::clamp(row + fx0 * p.dx[k], 0.0f, kFixedMax[k]) * kFixedScale[k];
    float b = std::clamp(row + fx1 * p.dx[k], 0.0f, kFixedMax[k]) * kFixedScale[k];
    s.fixed[k] = static_cast<std::int32_t>(a);
    s.fixedStep[k] = steps > 0 ? static_cast<std::int32_t>((b - a) / static_cast<float>(steps)) : 0;
  }
  s.iw = p.base[kIw] + fy * p.dy[kIw] + fx0 * p.dx[kIw];
  s.uw = p.base[kUw] + fy * p.dy[kUw] + fx0 * p.dx[kUw];
  s.vw = p.base[kVw] + fy * p.dy[kVw] + fx0 * p.dx[kVw];
  s.iwStep = p.dx[kIw];
  s.uwStep = p.dx[kUw];
  s.vwStep = p.dx[kVw];
}

}  // namespace

void ScanTriangle(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                  const Scissor& scissor, const ScreenVertex& v0, const ScreenVertex& v1,
                  const ScreenVertex& v2) {
  i64 minY = std::min({v0.sy, v1.sy, v2.sy}), maxY = std::max({v0.sy, v1.sy, v2.sy});
  i64 minX = std::min({v0.sx, v1.sx, v2.sx}), maxX = std::max({v0.sx, v1.sx, v2.sx});
  i64 yFirst = std::max<i64>(scissor.y0, CeilDiv(minY, kSub));
  i64 yLast = std::min<i64>(scissor.y1, FloorDiv(maxY, kSub));
  i64 xFirst = std::max<i64>(scissor.x0, CeilDiv(minX, kSub));
  i64 xLast = std::min<i64>(scissor.x1, FloorDiv(maxX, kSub));
  if (yFirst > yLast || xFirst > xLast) return;

  const Edge edges[3] = {MakeEdge(v0, v1), MakeEdge(v1, v2), MakeEdge(v2, v0)};
  const Planes planes = MakePlanes(v0, v1, v2);
  Span span;
  for (i64 y = yFirst; y <= yLast; ++y) {
    i64 lo = xFirst, hi = xLast;
    i64 row = y * kSub;
    for (const Edge& e : edges) {
      i64 k = e.dx * (row - e.ay) + e.dy * e.ax;  // E at X = 0
      if (e.dy < 0) lo = std::max(lo, CeilDiv(e.bias - k, -e.dy * kSub));
      else if (e.dy > 0) hi = std::min(hi, FloorDiv(k - e.bias, e.dy * kSub));
      else if (k < e.bias) hi = lo - 1;
    }
    if (lo > hi) continue;
    int x0 = static_cast<int>(lo), x1 = static_cast<int>(hi), yy = static_cast<int>(y);
    span.count = x1 - x0 + 1;
    span.color = target.pixels + static_cast<std::ptrdiff_t>(yy) * target.pitch +
                 static_cast<std::ptrdiff_t>(x0) * target.bytesPerPixel;
    span.depth = pipeline.depthTest
                     ? target.depth + static_cast<std::ptrdiff_t>(yy) * target.depthPitch + 2 * x0
                     : nullptr;
    SetUpSpan(planes, x0, x1, yy, span);
    routine(pipeline, span);
  }
}

}  // namespace raster::detail
