// raster_pipeline.cpp: from three pre-lit vertices to screen triangles.
//
// Transform to clip space, cylindrical wrapping of u and v, Sutherland-Hodgman
// clipping on all six planes of the viewport's clip volume, division by w,
// screen mapping, snapping, culling, and the choice of span routine. Every
// clipped vertex that is not finite, or not in front of the eye, or absurdly
// far off screen, drops the triangle.
#include <algorithm>
#include <cmath>

#include "platform/raster_internal.h"

namespace raster {

using namespace detail;

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

namespace {

enum ClipAttr { cX, cY, cZ, cW, cR, cG, cB, cA, cSr, cSg, cSb, cU, cV, kClipAttrCount };
struct ClipVertex {
  float v[kClipAttrCount];
};
// Each plane adds at most one vertex to a convex polygon (9 in all); rounding
// can bend that rule, so there is room to spare and a hard limit.
constexpr int kMaxPolygon = 16;

ClipVertex ToClipSpace(const Matrix& m, const Vertex& in) {
  ClipVertex out;
  for (int j = 0; j < 4; ++j)
    out.v[cX + j] = in.x * m.m[0][j] + in.y * m.m[1][j] + in.z * m.m[2][j] + m.m[3][j];
  auto channel = [](std::uint32_t c, int shift) { return static_cast<float>((c >> shift) & 255); };
  out.v[cR] = channel(in.color, 16);
  out.v[cG] = channel(in.color, 8);
  out.v[cB] = channel(in.color, 0);
  out.v[cA] = channel(in.color, 24);
  out.v[cSr] = channel(in.specular, 16);
  out.v[cSg] = channel(in.specular, 8);
  out.v[cSb] = channel(in.specular, 0);
  out.v[cU] = in.u;
  out.v[cV] = in.v;
  return out;
}

// Signed distance to one of the six planes; inside when >= 0 (NaN is outside).
float PlaneDistance(int plane, const ClipVertex& p, const Viewport& vp) {
  const float* v = p.v;
  switch (plane) {
    case 0: return v[cX] - vp.clipX * v[cW];
    case 1: return (vp.clipX + vp.clipWidth) * v[cW] - v[cX];
    case 2: return vp.clipY * v[cW] - v[cY];
    case 3: return v[cY] - (vp.clipY - vp.clipHeight) * v[cW];
    case 4: return v[cZ];
    default: return v[cW] - v[cZ];
  }
}

// The crossing is always computed from the inside vertex towards the outside
// one, so an edge shared by two triangles is cut at the same point in both.
ClipVertex Crossing(const ClipVertex& in, const ClipVertex& out, float dIn, float dOut) {
  float t = dIn / (dIn - dOut);
  ClipVertex r;
  for (int k = 0; k < kClipAttrCount; ++k) r.v[k] = in.v[k] + t * (out.v[k] - in.v[k]);
  return r;
}

int ClipAgainst(int plane, const Viewport& vp, const ClipVertex* in, int n, ClipVertex* out) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    if (m + 2 > kMaxPolygon) return 0;  // degenerate beyond repair: drop it
    const ClipVertex& cur = in[i];
    const ClipVertex& next = in[(i + 1) % n];
    float dc = PlaneDistance(plane, cur, vp);
    float dn = PlaneDistance(plane, next, vp);
    bool curIn = dc >= 0, nextIn = dn >= 0;
    if (curIn) out[m++] = cur;
    if (curIn && !nextIn) out[m++] = Crossing(cur, next, dc, dn);
    if (!curIn && nextIn) out[m++] = Crossing(next, cur, dn, dc);
  }
  return m;
}

// Clips in place; returns the vertex count of the result (0: nothing left).
int ClipPolygon(const Viewport& vp, ClipVertex (&poly)[kMaxPolygon]) {
  unsigned outsideAll = 0x3F, insideAll = 0x3F;
  for (int i = 0; i < 3; ++i) {
    unsigned outside = 0;
    for (int plane = 0; plane < 6; ++plane)
      if (!(PlaneDistance(plane, poly[i], vp) >= 0)) outside |= 1u << plane;
    outsideAll &= outside;
    insideAll &= ~outside;
  }
  if (outsideAll != 0) return 0;
  if (insideAll == 0x3F) return 3;
  ClipVertex scratch[kMaxPolygon];
  int n = 3;
  for (int plane = 0; plane < 6 && n >= 3; ++plane) {
    if (!(insideAll & (1u << plane))) {
      n = ClipAgainst(plane, vp, poly, n, scratch);
      std::copy(scratch, scratch + n, poly);
    }
  }
  return n >= 3 ? n : 0;
}

// Makes u (or v) go the short way round between the first vertex and the
// others, then moves all three by a whole number of tiles towards zero.
void WrapCoordinate(ClipVertex* tri, int attr, bool wrap) {
  float base = tri[0].v[attr];
  if (wrap) {
    for (int i = 1; i < 3; ++i) {
      float d = tri[i].v[attr] - base;
      if (d > 0.5f) tri[i].v[attr] -= 1.0f;
      else if (d < -0.5f) tri[i].v[attr] += 1.0f;
    }
  }
  float low = std::floor(std::min({tri[0].v[attr], tri[1].v[attr], tri[2].v[attr]}));
  if (std::isfinite(low))
    for (int i = 0; i < 3; ++i) tri[i].v[attr] -= low;
}

bool Finite(float v) { return std::isfinite(v); }

// Nearest integer, halves upwards; |v| must be well inside the int range.
std::int32_t RoundToInt(float v) {
  float f = v + 0.5f;
  auto i = static_cast<std::int32_t>(f);
  return i - (f < static_cast<float>(i) ? 1 : 0);
}

// Division by w and screen mapping; false when the vertex cannot be drawn.
bool Project(const ClipVertex& c, const Viewport& vp, bool perspective, ScreenVertex& s) {
  float w = c.v[cW];
  if (!(w > 0) || !Finite(w)) return false;
  float iw = 1.0f / w;
  s.x = static_cast<float>(vp.x) + (c.v[cX] * iw - vp.clipX) / vp.clipWidth * static_cast<float>(vp.width);
  s.y = static_cast<float>(vp.y) + (vp.clipY - c.v[cY] * iw) / vp.clipHeight * static_cast<float>(vp.height);
  if (!(std::fabs(s.x) < kMaxScreen) || !(std::fabs(s.y) < kMaxScreen)) return false;
  s.sx = RoundToInt(s.x * kSub);
  s.sy = RoundToInt(s.y * kSub);
  float z = vp.minZ + c.v[cZ] * iw * (vp.maxZ - vp.minZ);
  s.attr[kZ] = std::clamp(z, 0.0f, 1.0f) * 65535.0f;
  for (int k = 0; k < 7; ++k) s.attr[kR + k] = c.v[cR + k];
  float tw = perspective ? iw : 1.0f;
  s.attr[kIw] = tw;
  s.attr[kUw] = c.v[cU] * tw;
  s.attr[kVw] = c.v[cV] * tw;
  for (float a : s.attr)
    if (!Finite(a)) return false;
  return Finite(s.attr[kZ]);
}

int PowerOfTwoMask(int n) { return (n > 0 && (n & (n - 1)) == 0) ? n - 1 : -1; }

bool IsLinear(std::uint32_t filter) { return filter == 2 || filter == 4 || filter == 6; }

Pipeline MakePipeline(const DrawContext& ctx, bool textured) {
  Pipeline p;
  const States& st = ctx.states;
  if (textured) {
    const Texture& t = ctx.texture;
    p.texels = t.pixels;
    p.texWidth = t.width;
    p.texHeight = t.height;
    p.texPitch = t.pitch;
    p.texMaskU = PowerOfTwoMask(t.width);
    p.texMaskV = PowerOfTwoMask(t.height);
    p.palette = t.palette;
  }
  p.depthTest = st.depthTest && ctx.target.depth != nullptr;
  p.depthWrite = p.depthTest && st.depthWrite;
  p.depthFunc = st.depthFunc;
  p.specular = st.specular;
  p.bytesPerPixel = ctx.target.bytesPerPixel;
  p.srcBlend = st.srcBlend;
  p.destBlend = st.srcBlend == kBothSrcAlpha      ? kInvSrcAlpha
                : st.srcBlend == kBothInvSrcAlpha ? kSrcAlpha
                                                  : st.destBlend;
  if (st.srcBlend == kBothSrcAlpha) p.srcBlend = kSrcAlpha;
  if (st.srcBlend == kBothInvSrcAlpha) p.srcBlend = kInvSrcAlpha;
  if (!st.alphaBlend || (p.srcBlend == kOne && p.destBlend == kZero)) p.blend = BlendMode::Replace;
  else if (p.srcBlend == kSrcAlpha && p.destBlend == kInvSrcAlpha) p.blend = BlendMode::SrcAlpha;
  else if (p.srcBlend == kInvSrcAlpha && p.destBlend == kSrcAlpha) p.blend = BlendMode::InvSrcAlpha;
  else if (p.srcBlend == kOne && p.destBlend == kOne) p.blend = BlendMode::Add;
  else p.blend = BlendMode::General;
  return p;
}

bool UsableTexture(const Texture& t) {
  if (t.format == TexelFormat::None || !t.pixels || t.width <= 0 || t.height <= 0) return false;
  if (t.format == TexelFormat::Indexed8 && !t.palette) return false;
  return true;
}

// The viewport, clamped to the colour buffer and (when tested) the depth buffer.
bool MakeScissor(const DrawContext& ctx, bool depthTest, Scissor& s) {
  const Target& t = ctx.target;
  const Viewport& vp = ctx.viewport;
  long long x1 = std::min<long long>(static_cast<long long>(vp.x) + vp.width, t.width);
  long long y1 = std::min<long long>(static_cast<long long>(vp.y) + vp.height, t.height);
  if (depthTest) {
    x1 = std::min<long long>(x1, t.depthWidth);
    y1 = std::min<long long>(y1, t.depthHeight);
  }
  s.x0 = std::max(vp.x, 0);
  s.y0 = std::max(vp.y, 0);
  s.x1 = static_cast<int>(x1) - 1;
  s.y1 = static_cast<int>(y1) - 1;
  return s.x0 <= s.x1 && s.y0 <= s.y1;
}

// Texels per pixel above one: the triangle is minified.
bool Minified(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, float area) {
  auto u = [](const ScreenVertex& v) { return v.attr[kUw] / v.attr[kIw]; };
  auto v = [](const ScreenVertex& s) { return s.attr[kVw] / s.attr[kIw]; };
  float texArea = (u(b) - u(a)) * (v(c) - v(a)) - (u(c) - u(a)) * (v(b) - v(a));
  return std::fabs(texArea) > std::fabs(area);
}

// Cuts the clipped polygon into a fan of triangles from its first vertex,
// culls them by their winding on screen and rasterizes the rest clockwise.
void DrawFan(const DrawContext& ctx, const Pipeline& pipeline, const Scissor& scissor, bool textured,
             const ScreenVertex* screen, int n) {
  const States& st = ctx.states;
  for (int k = 1; k + 1 < n; ++k) {
    const ScreenVertex& p0 = screen[0];
    const ScreenVertex* p1 = &screen[k];
    const ScreenVertex* p2 = &screen[k + 1];
    long long area = static_cast<long long>(p1->sx - p0.sx) * (p2->sy - p0.sy) -
                     static_cast<long long>(p2->sx - p0.sx) * (p1->sy - p0.sy);
    // area > 0: clockwise on screen (y grows downwards).
    if (area == 0) continue;
    if (st.cull == kCullCounterClockwise && area < 0) continue;
    if (st.cull == kCullClockwise && area > 0) continue;
    if (area < 0) std::swap(p1, p2);
    bool bilinear = false;
    if (textured) {
      float pixelArea = static_cast<float>(std::llabs(area)) / (kSub * kSub);
      bool minified = Minified(p0, *p1, *p2, pixelArea);
      bilinear = IsLinear(minified ? st.minFilter : st.magFilter);
    }
    SpanRoutine routine = ChooseSpanRoutine(textured ? ctx.texture.format : TexelFormat::None, bilinear);
    ScanTriangle(pipeline, routine, ctx.target, scissor, p0, *p1, *p2);
  }
}

}  // namespace

void DrawTriangle(const DrawContext& ctx, const Vertex& a, const Vertex& b, const Vertex& c) {
  const Target& target = ctx.target;
  const Viewport& vp = ctx.viewport;
  if (!target.pixels || (target.bytesPerPixel != 3 && target.bytesPerPixel != 4)) return;
  const States& st = ctx.states;
  bool textured = UsableTexture(ctx.texture);
  Pipeline pipeline = MakePipeline(ctx, textured);
  Scissor scissor;
  if (!MakeScissor(ctx, pipeline.depthTest, scissor)) return;

  ClipVertex poly[kMaxPolygon];
  poly[0] = ToClipSpace(ctx.transform, a);
  poly[1] = ToClipSpace(ctx.transform, b);
  poly[2] = ToClipSpace(ctx.transform, c);
  if (st.flat)
    for (int i = 1; i < 3; ++i) std::copy(poly[0].v + cR, poly[0].v + cU, poly[i].v + cR);
  if (textured) {
    WrapCoordinate(poly, cU, st.wrapU);
    WrapCoordinate(poly, cV, st.wrapV);
    for (int i = 0; i < 3; ++i) {
      poly[i].v[cU] *= static_cast<float>(ctx.texture.width);
      poly[i].v[cV] *= static_cast<float>(ctx.texture.height);
    }
  }
  int n = ClipPolygon(vp, poly);
  if (n == 0) return;

  ScreenVertex screen[kMaxPolygon];
  for (int i = 0; i < n; ++i)
    if (!Project(poly[i], vp, st.perspective, screen[i])) return;

  DrawFan(ctx, pipeline, scissor, textured, screen, n);
}

}  // namespace raster
