// pipeline.cpp: from three pre-lit vertices to screen triangles.
//
// Transform to clip space, cylindrical wrapping of u and v, Sutherland-Hodgman
// clipping on all six planes of the viewport's clip volume, division by w,
// screen mapping, snapping, culling, and the choice of span routine. Every
// clipped vertex that is not finite, or not in front of the eye, or absurdly
// far off screen, drops the triangle.
//
// A triangle wholly inside the clip volume that culling drops is dropped
// as soon as its corners are projected, and one that is drawn takes its
// corners' depth and colours as they were prepared. Drawing through a Batch
// keeps the pipeline state and the prepared corners of recent vertices, so a
// vertex shared by several triangles of a mesh is transformed, projected and
// shaded once; the pixels are the same either way.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/raster/stages.h"

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

// Four floats, each lane worked on as the scalar would be: the compiler's
// generic vectors, which the browser build has as well.
using Float4 = float __attribute__((vector_size(16)));

Float4 LoadFloat4(const float* p) {
  Float4 r;
  std::memcpy(&r, p, sizeof r);
  return r;
}

// Each plane adds at most one vertex to a convex polygon (9 in all); rounding
// can bend that rule, so there is room to spare and a hard limit.
constexpr int kMaxPolygon = 16;

// The position as x * row 0 + y * row 1 + z * row 2 + row 3, the four
// coordinates at once.
ClipVertex ToClipSpace(const Matrix& m, const Vertex& in) {
  static_assert(cY == cX + 1 && cZ == cX + 2 && cW == cX + 3, "x, y, z, w lie in order");
  ClipVertex out;
  const Float4 position = in.x * LoadFloat4(m.m[0]) + in.y * LoadFloat4(m.m[1]) +
                          in.z * LoadFloat4(m.m[2]) + LoadFloat4(m.m[3]);
  std::memcpy(out.v + cX, &position, sizeof position);
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

// The six distances at once, as PlaneDistance gives them: classifying a
// vertex through the switch in a loop jumps through a table to a new place
// each time, which the processor cannot predict.
void PlaneDistances(const ClipVertex& p, const Viewport& vp, float (&d)[6]) {
  const float* v = p.v;
  d[0] = v[cX] - vp.clipX * v[cW];
  d[1] = (vp.clipX + vp.clipWidth) * v[cW] - v[cX];
  d[2] = vp.clipY * v[cW] - v[cY];
  d[3] = v[cY] - (vp.clipY - vp.clipHeight) * v[cW];
  d[4] = v[cZ];
  d[5] = v[cW] - v[cZ];
}

// The planes of the clip volume a vertex lies outside of, one bit each.
unsigned OutsidePlanes(const ClipVertex& c, const Viewport& vp) {
  float d[6];
  PlaneDistances(c, vp, d);
  unsigned outside = 0;
  for (int plane = 0; plane < 6; ++plane)
    if (!(d[plane] >= 0)) outside |= 1u << plane;
  return outside;
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
    const unsigned outside = OutsidePlanes(poly[i], vp);
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
inline void WrapCoordinate(float (&t)[3], bool wrap) {
  float base = t[0];
  if (wrap) {
    for (int i = 1; i < 3; ++i) {
      float d = t[i] - base;
      if (d > 0.5f) t[i] -= 1.0f;
      else if (d < -0.5f) t[i] += 1.0f;
    }
  }
  const float least = std::min({t[0], t[1], t[2]});
  // From +0 up to 1 the move is by +0, which changes no value, so most
  // triangles skip the floor. Compared as bits: no -0 (its floor -0 turns
  // a -0 coordinate into +0) and no NaN passes.
  if (__builtin_bit_cast(std::uint32_t, least) < __builtin_bit_cast(std::uint32_t, 1.0f)) return;
  const float low = std::floor(least);
  if (std::isfinite(low))
    for (float& x : t) x -= low;
}

// The texture coordinates of a triangle's corners, wrapped and in texels
// when it is textured.
[[gnu::always_inline]] inline void TriangleCoordinates(const DrawContext& ctx, const DrawState& state, float (&u)[3],
                                                       float (&v)[3]) {
  if (!state.textured) return;
  WrapCoordinate(u, ctx.states.wrapU);
  WrapCoordinate(v, ctx.states.wrapV);
  for (int i = 0; i < 3; ++i) {
    u[i] *= state.texWidth;
    v[i] *= state.texHeight;
  }
}

bool Finite(float v) { return std::isfinite(v); }

// Nearest integer, halves upwards; |v| must be well inside the int range.
std::int32_t RoundToInt(float v) {
  float f = v + 0.5f;
  auto i = static_cast<std::int32_t>(f);
  return i - (f < static_cast<float>(i) ? 1 : 0);
}

// Division by w and the screen position, snapped; false when the vertex
// cannot be drawn. Sets iw to 1 / w.
inline bool ProjectPosition(const ClipVertex& c, const Viewport& vp, ScreenVertex& s, float& iw) {
  float w = c.v[cW];
  if (!(w > 0) || !Finite(w)) return false;
  iw = 1.0f / w;
  s.x = static_cast<float>(vp.x) + (c.v[cX] * iw - vp.clipX) / vp.clipWidth * static_cast<float>(vp.width);
  s.y = static_cast<float>(vp.y) + (vp.clipY - c.v[cY] * iw) / vp.clipHeight * static_cast<float>(vp.height);
  if (!(std::fabs(s.x) < kMaxScreen) || !(std::fabs(s.y) < kMaxScreen)) return false;
  s.sx = RoundToInt(s.x * kSub);
  s.sy = RoundToInt(s.y * kSub);
  return true;
}

// Depth and colours of a vertex whose position is projected, the screen
// attributes kSb..kA; false when the depth is not finite. (Colours are
// whole bytes, except where clipping interpolated them: Project checks those.)
bool ShadeAttributes(const ClipVertex& c, const Viewport& vp, float iw, float (&shade)[kFixedAttrs]) {
  float z = vp.minZ + c.v[cZ] * iw * (vp.maxZ - vp.minZ);
  shade[kZ] = std::clamp(z, 0.0f, 1.0f) * 65535.0f;
  shade[kR] = c.v[cR];
  shade[kG] = c.v[cG];
  shade[kB] = c.v[cB];
  shade[kA] = c.v[cA];
  shade[kSr] = c.v[cSr];
  shade[kSg] = c.v[cSg];
  shade[kSb] = c.v[cSb];
  return Finite(shade[kZ]);
}

// 1 / w (1 without perspective) and the texture coordinates u and v over w,
// for a vertex that ProjectPosition placed (its 1 / w is finite: an infinite
// one leaves no finite screen position). Returns +0 when u and v over w are
// finite, else NaN: x - x is +0 for every finite x and NaN for an infinity or
// NaN, and sums keep a NaN, so the results of several calls add up to one
// test without a branch.
float TextureAttributes(float u, float v, bool perspective, float iw, ScreenVertex& s) {
  const float tw = perspective ? iw : 1.0f, uw = u * tw, vw = v * tw;
  s.attr[kIw] = tw;
  s.attr[kUw] = uw;
  s.attr[kVw] = vw;
  return (uw - uw) + (vw - vw);
}

// Division by w and screen mapping; false when the vertex cannot be drawn.
bool Project(const ClipVertex& c, const Viewport& vp, bool perspective, ScreenVertex& s) {
  float iw = 0;
  float shade[kFixedAttrs];
  if (!ProjectPosition(c, vp, s, iw) || !ShadeAttributes(c, vp, iw, shade)) return false;
  bool finite = true;
  for (float a : shade) finite &= Finite(a);
  if (!finite) return false;
  std::memcpy(s.attr, shade, sizeof shade);
  return TextureAttributes(c.v[cU], c.v[cV], perspective, iw, s) == 0.0f;
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
// The six quotients u/w / 1/w and v/w / 1/w take two vector divisions
// instead of six: each lane is the very division done alone.
bool Minified(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, float area) {
  const Float4 first = Float4{a.attr[kUw], b.attr[kUw], c.attr[kUw], a.attr[kVw]} /
                       Float4{a.attr[kIw], b.attr[kIw], c.attr[kIw], a.attr[kIw]};
  const Float4 second = Float4{b.attr[kVw], c.attr[kVw], 0.0f, 0.0f} /
                        Float4{b.attr[kIw], c.attr[kIw], 1.0f, 1.0f};
  const float ua = first[0], ub = first[1], uc = first[2], va = first[3];
  const float vb = second[0], vc = second[1];
  float texArea = (ub - ua) * (vc - va) - (uc - ua) * (vb - va);
  return std::fabs(texArea) > std::fabs(area);
}

// Twice the signed screen area of p0 p1 p2 in snapped units; > 0: clockwise
// on screen (y grows downwards).
// (Widened before the differences, which are small enough either way: each
// coordinate is then loaded and widened in one instruction.)
long long SnappedArea(const ScreenVertex& p0, const ScreenVertex& p1, const ScreenVertex& p2) {
  const long long x0 = p0.sx, y0 = p0.sy, x1 = p1.sx, y1 = p1.sy, x2 = p2.sx, y2 = p2.sy;
  return (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
}

// The DrawState's cullSign for a culling state.
long long CullSign(std::uint32_t cull) {
  return cull == kCullCounterClockwise ? 1 : cull == kCullClockwise ? -1 : 0;
}

// True when culling drops a triangle of this snapped area.
bool Culled(const DrawState& state, long long area) { return area == 0 || state.cullSign * area < 0; }

// Fills `p` in place (a batch entry): the screen position and shade are set
// only when the vertex is projected, and only a kind of 0 says both can be drawn.
void PrepareVertex(const DrawContext& ctx, const Vertex& in, PreparedVertex& p) {
  const ClipVertex clip = ToClipSpace(ctx.transform, in);
  p.u = clip.v[cU];
  p.v = clip.v[cV];
  if (OutsidePlanes(clip, ctx.viewport) != 0) {
    p.kind = PreparedVertex::kOutside | PreparedVertex::kUndrawable;
    return;
  }
  p.kind = PreparedVertex::kUndrawable;
  if (!ProjectPosition(clip, ctx.viewport, p.screen, p.iw)) return;
  float shade[kFixedAttrs];
  const bool shadeFinite = ShadeAttributes(clip, ctx.viewport, p.iw, shade);
  std::memcpy(p.screen.attr, shade, sizeof shade);
  if (shadeFinite) p.kind = 0;
}

// The batch entry that holds `in` when it is there.
std::uint32_t Slot(const Vertex& in) {
  static_assert(sizeof(Vertex) == 7 * 4, "vertices are compared as their bytes");
  // The builtin behind std::bit_cast, which the browser build's library lacks.
  auto word = [](float f) { return __builtin_bit_cast(std::uint32_t, f); };
  const std::uint32_t hash = (word(in.x) * 0x9E3779B1u) ^ (word(in.y) * 0x85EBCA77u) ^
                             (word(in.z) * 0xC2B2AE3Du) ^ (word(in.u) * 0x27D4EB2Fu) ^ (word(in.v) * 0x165667B1u);
  return (hash >> 16) & (Batch::kVertices - 1);
}

// The prepared vertex of `in` from entry `slot` of a batch's entries with
// the batch's current stamp, prepared now if it is not there. (The caller
// keeps both in registers: after a call to PrepareVertex they would be
// loaded anew from the batch.)
PreparedVertex& Prepared(const DrawContext& ctx, Batch::Entry* entries, std::uint32_t stamp, const Vertex& in,
                         std::uint32_t slot) {
  Batch::Entry& e = entries[slot];
  if (e.stamp != stamp || std::memcmp(&e.key, &in, sizeof in) != 0) {
    e.key = in;
    e.stamp = stamp;
    PrepareVertex(ctx, in, e.prepared);
  }
  return e.prepared;
}

// Rasterizes a screen triangle that culling keeps, clockwise, with the span
// routine for its texture's filter.
[[gnu::always_inline]] inline void DrawScreenTriangle(const DrawContext& ctx, const DrawState& state,
                        const ScreenVertex& p0, const ScreenVertex* p1, const ScreenVertex* p2, long long area) {
  if (area < 0) std::swap(p1, p2);
  // Whether the triangle is minified matters only when the two filters differ.
  bool bilinear = state.linear[0];
  if (state.linear[0] != state.linear[1]) {
    float pixelArea = static_cast<float>(std::llabs(area)) / (kSub * kSub);
    bilinear = state.linear[Minified(p0, *p1, *p2, pixelArea)];
  }
  state.scan[bilinear](state.pipeline, state.routine[bilinear], ctx.target, state.scissor, p0, *p1, *p2);
}

// Cuts the clipped polygon into a fan of triangles from its first vertex,
// culls them by their winding on screen and rasterizes the rest.
void DrawFan(const DrawContext& ctx, const DrawState& state,
             const ScreenVertex* screen, int n) {
  for (int k = 1; k + 1 < n; ++k) {
    long long area = SnappedArea(screen[0], screen[k], screen[k + 1]);
    if (!Culled(state, area))
      DrawScreenTriangle(ctx, state, screen[0], &screen[k], &screen[k + 1], area);
  }
}

}  // namespace

namespace {

// The part of a triangle's drawing that is the same for every triangle of a
// context.
DrawState PrepareState(const DrawContext& ctx) {
  DrawState s;
  const Target& target = ctx.target;
  if (!target.pixels || (target.bytesPerPixel != 3 && target.bytesPerPixel != 4)) return s;
  s.textured = UsableTexture(ctx.texture);
  s.linear[0] = s.textured && IsLinear(ctx.states.magFilter);
  s.linear[1] = s.textured && IsLinear(ctx.states.minFilter);
  s.cullSign = CullSign(ctx.states.cull);
  s.texWidth = static_cast<float>(ctx.texture.width);
  s.texHeight = static_cast<float>(ctx.texture.height);
  s.pipeline = MakePipeline(ctx, s.textured);
  s.drawable = MakeScissor(ctx, s.pipeline.depthTest, s.scissor);
  const TexelFormat format = s.textured ? ctx.texture.format : TexelFormat::None;
  s.routine[0] = ChooseSpanRoutine(format, false);
  s.routine[1] = ChooseSpanRoutine(format, true);
  s.scan[0] = ChooseScanRoutine(s.pipeline, format, false);
  s.scan[1] = ChooseScanRoutine(s.pipeline, format, true);
  return s;
}

// A triangle wholly inside the clip volume whose corners can all be drawn
// stays one triangle, so its winding is known from its projected corners: a
// culled one is dropped before anything else is worked on. Depth and colours
// come prepared with the corners; only the texture coordinates belong to the
// triangle, and they are written into the corners' own screen vertices
// (nothing else reads them there), which the scan then takes without a copy.
[[gnu::always_inline]] inline void DrawInside(const DrawContext& ctx, const DrawState& state,
                                              PreparedVertex* const (&corner)[3]) {
  const States& st = ctx.states;
  const long long area = SnappedArea(corner[0]->screen, corner[1]->screen, corner[2]->screen);
  if (Culled(state, area)) return;
  ScreenVertex* screen[3];
  float u[3], v[3];
  for (int i = 0; i < 3; ++i) {
    screen[i] = &corner[i]->screen;
    u[i] = corner[i]->u;
    v[i] = corner[i]->v;
  }
  ScreenVertex flat[3];
  if (st.flat) {  // every colour of the first corner, each corner's own depth
    for (int i = 0; i < 3; ++i) {
      flat[i] = *screen[i];
      screen[i] = &flat[i];
    }
    for (int i = 1; i < 3; ++i)
      for (int k = 0; k < kFixedAttrs; ++k)
        if (k != kZ) flat[i].attr[k] = flat[0].attr[k];
  }
  TriangleCoordinates(ctx, state, u, v);
  // One test for the three corners: a triangle is rarely dropped here.
  float finite = 0.0f;
  for (int i = 0; i < 3; ++i) finite += TextureAttributes(u[i], v[i], st.perspective, corner[i]->iw, *screen[i]);
  if (!(finite == 0.0f)) return;
  DrawScreenTriangle(ctx, state, *screen[0], screen[1], screen[2], area);
}

// A triangle that crosses a plane of the clip volume: clipped in clip space
// and drawn as a fan.
[[gnu::noinline]] void DrawClipped(const DrawContext& ctx, const DrawState& state, const Vertex& a, const Vertex& b,
                                   const Vertex& c) {
  const Viewport& vp = ctx.viewport;
  const States& st = ctx.states;
  ClipVertex poly[kMaxPolygon];
  poly[0] = ToClipSpace(ctx.transform, a);
  poly[1] = ToClipSpace(ctx.transform, b);
  poly[2] = ToClipSpace(ctx.transform, c);
  if (st.flat)
    for (int i = 1; i < 3; ++i) std::copy(poly[0].v + cR, poly[0].v + cU, poly[i].v + cR);
  float u[3], v[3];
  for (int i = 0; i < 3; ++i) {
    u[i] = poly[i].v[cU];
    v[i] = poly[i].v[cV];
  }
  TriangleCoordinates(ctx, state, u, v);
  for (int i = 0; i < 3; ++i) {
    poly[i].v[cU] = u[i];
    poly[i].v[cV] = v[i];
  }
  const int n = ClipPolygon(vp, poly);
  if (n == 0) return;
  ScreenVertex screen[kMaxPolygon];
  for (int i = 0; i < n; ++i)
    if (!Project(poly[i], vp, st.perspective, screen[i])) return;
  DrawFan(ctx, state, screen, n);
}

// Inline in the batch's DrawTriangle: most triangles are culled in a few
// instructions, and a call would cost as much. `a`, `b` and `c` are the
// corners' vertices, which clipping starts from.
[[gnu::always_inline]] inline void DrawPrepared(const DrawContext& ctx, const DrawState& state,
                                                PreparedVertex* const (&corner)[3], const Vertex& a,
                                                const Vertex& b, const Vertex& c) {
  const unsigned kinds = corner[0]->kind | corner[1]->kind | corner[2]->kind;
  if (kinds == 0)
    DrawInside(ctx, state, corner);
  else if (kinds & PreparedVertex::kOutside)
    DrawClipped(ctx, state, a, b, c);
  // else: inside the clip volume, with a corner that cannot be drawn
}

}  // namespace

void DrawTriangle(const DrawContext& ctx, const Vertex& a, const Vertex& b, const Vertex& c) {
  const DrawState state = PrepareState(ctx);
  if (!state.drawable) return;
  PreparedVertex prepared[3];
  PrepareVertex(ctx, a, prepared[0]);
  PrepareVertex(ctx, b, prepared[1]);
  PrepareVertex(ctx, c, prepared[2]);
  PreparedVertex* const corner[3] = {&prepared[0], &prepared[1], &prepared[2]};
  DrawPrepared(ctx, state, corner, a, b, c);
}

namespace detail {

void DrawTriangle(const DrawContext& ctx, Batch& batch, const Vertex& a, const Vertex& b, const Vertex& c) {
  const std::uint32_t slots[3] = {Slot(a), Slot(b), Slot(c)};
  DrawTriangle(ctx, batch, a, b, c, slots);
}

void DrawTriangle(const DrawContext& ctx, Batch& batch, const Vertex& a, const Vertex& b, const Vertex& c,
                  const std::uint32_t (&slots)[3]) {
  const std::uint32_t sa = slots[0], sb = slots[1], sc = slots[2];
  if (!batch.ready) {
    batch.state = PrepareState(ctx);
    batch.ready = true;
  }
  if (!batch.state.drawable) return;
  Batch::Entry* const entries = batch.entries.data();
  const std::uint32_t stamp = batch.stamp;
  if (sa != sb && sb != sc && sa != sc) {
    PreparedVertex* const corner[3] = {&Prepared(ctx, entries, stamp, a, sa),
                                       &Prepared(ctx, entries, stamp, b, sb),
                                       &Prepared(ctx, entries, stamp, c, sc)};
    DrawPrepared(ctx, batch.state, corner, a, b, c);
    return;
  }
  // Copies: a later look-up may take the entry of an earlier one.
  PreparedVertex copies[3] = {Prepared(ctx, entries, stamp, a, sa), Prepared(ctx, entries, stamp, b, sb),
                              Prepared(ctx, entries, stamp, c, sc)};
  PreparedVertex* const corner[3] = {&copies[0], &copies[1], &copies[2]};
  DrawPrepared(ctx, batch.state, corner, a, b, c);
}

}  // namespace detail

}  // namespace raster
