// stages.h: the rasterizer's stages, shared by the files of raster/.
//
// pipeline.cpp transforms, clips and projects a triangle and cuts the
// clipped polygon into screen triangles; scan.cpp walks their rows with
// exact integer edge functions; span.cpp shades one row of pixels with
// a routine chosen per triangle for the texture format and filter.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/raster/raster.h"

namespace raster::detail {

constexpr int kSubBits = 8;  // sub-pixel precision of snapped vertex positions
constexpr int kSub = 1 << kSubBits;
constexpr float kMaxScreen = 16384.0f;  // vertices beyond this many pixels are rejected

// Interpolated attributes. Depth is 0..65535; colours 0..255; IW is 1/w, UW and
// VW are u/w and v/w in texels. Specular and colour run blue first, as a
// pixel's bytes do, so each loads as one vector of four lanes.
enum Attr { kSb, kSg, kSr, kZ, kB, kG, kR, kA, kIw, kUw, kVw, kAttrCount };
constexpr int kFixedAttrs = kIw;  // kSb..kA are stepped in fixed point

struct ScreenVertex {
  float x, y;             // pixels
  std::int32_t sx, sy;    // snapped, 1/kSub pixel
  float attr[kAttrCount];
};

enum class BlendMode : std::uint8_t { Replace, SrcAlpha, InvSrcAlpha, Add, General };

// Everything the span routine needs that is fixed for a triangle.
struct Pipeline {
  // texture
  const std::uint8_t* texels = nullptr;
  int texWidth = 0, texHeight = 0, texPitch = 0;
  int texMaskU = -1, texMaskV = -1;  // width-1 / height-1 when a power of two, else -1
  const std::uint32_t* palette = nullptr;
  // pixel operations
  bool depthTest = false;
  bool depthWrite = false;
  std::uint32_t depthFunc = kLessEqual;
  bool specular = true;
  BlendMode blend = BlendMode::Replace;
  std::uint32_t srcBlend = kOne, destBlend = kZero;
  int bytesPerPixel = 4;
};

// One row of pixels. Fixed-point values carry 16 fractional bits, depth 15.
struct Span {
  std::uint8_t* color;
  std::uint8_t* depth;  // null without depth test
  int count;
  std::int32_t fixed[kFixedAttrs];
  std::int32_t fixedStep[kFixedAttrs];
  float iw, uw, vw;
  float iwStep, uwStep, vwStep;
};

using SpanRoutine = void (*)(const Pipeline&, Span&);

// A vertex in clip space: position, colours 0..255, texture coordinates.
enum ClipAttr { cX, cY, cZ, cW, cR, cG, cB, cA, cSr, cSg, cSb, cU, cV, kClipAttrCount };
struct ClipVertex {
  float v[kClipAttrCount];
};

// A vertex with what a triangle's set-up asks of it first: whether it lies
// outside the clip volume or cannot be drawn as it is and, when neither, its
// screen position, exact and snapped, and the screen attributes that do not
// depend on the triangle (depth and colours, kSb..kA). What culling reads
// comes first, then what a drawn triangle reads. The clip-space vertex is not
// kept: only the rare triangle that crosses a plane needs it, and it is made
// anew from the vertex, with the same values; so a batch entry spans fewer
// cache lines.
struct PreparedVertex {
  static constexpr std::uint8_t kOutside = 1;     // outside a plane of the clip volume
  static constexpr std::uint8_t kUndrawable = 2;  // outside, or its position or depth cannot be drawn
  std::uint8_t kind;  // kOutside and kUndrawable bits: the corners' together decide a triangle's path
  float iw;           // 1 / w
  // When kind is 0: x, y, sx, sy and the attributes kSb..kA. A triangle
  // that is drawn writes its own texture attributes (kIw..kVw) here and
  // hands this to the scan as it is.
  ScreenVertex screen;
  float u, v;  // the vertex's texture coordinates, beside the screen attributes
};
// The span routine for a texel format and filter: the vector form on the
// best SIMD target this processor runs, or the plain reference.
SpanRoutine ChooseSpanRoutine(TexelFormat format, bool bilinear);
SpanRoutine ChooseSpanRoutinePlain(TexelFormat format, bool bilinear);

// Inclusive pixel bounds that nothing may cross.
struct Scissor {
  int x0, y0, x1, y1;
};

// Rasterizes a screen triangle (ScanTriangle below).
using ScanRoutine = void (*)(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                             const Scissor& scissor, const ScreenVertex& a, const ScreenVertex& b,
                             const ScreenVertex& c);

// What drawing a triangle needs that is the same for every triangle of a
// context: the state of the pixel pipeline, the pixels it may touch and the
// span and scan routines for its texture, nearest and bilinear.
struct DrawState {
  bool drawable = false;  // false: nothing can be drawn with the context
  bool textured = false;
  bool linear[2] = {};  // textured and the filter is bilinear: magnified, minified
  // Culling: a triangle is dropped when cullSign * its snapped area < 0 (1:
  // counter-clockwise ones, -1: clockwise ones, 0: neither) or its area is 0.
  long long cullSign = 0;
  Pipeline pipeline;
  Scissor scissor{};
  SpanRoutine routine[2] = {};
  ScanRoutine scan[2] = {};
  float texWidth = 0, texHeight = 0;  // the texture's size, which texture coordinates are scaled by
};

// What stays the same while triangles are drawn with one context: its
// DrawState and the vertices prepared lately, so that a vertex
// shared by several triangles is transformed and projected once. Vertices are
// looked up by their whole value. Reset() whenever anything in the context
// changes; a reset forgets everything without touching the stored entries.
struct Batch {
  static constexpr int kVertices = 1024;  // a power of two
  struct Entry {
    Vertex key;
    std::uint32_t stamp = 0;
    PreparedVertex prepared;
  };
  void Reset() {
    ready = false;
    if (++stamp == 0) {
      for (Entry& e : entries) e.stamp = 0;
      stamp = 1;
    }
  }
  std::uint32_t stamp = 1;  // entries with another stamp are empty
  std::vector<Entry> entries = std::vector<Entry>(kVertices);
  bool ready = false;  // `state` is set for the current context
  DrawState state;
};

// DrawTriangle for a run of triangles drawn with one context and one batch.
void DrawTriangle(const DrawContext& context, Batch& batch, const Vertex& a, const Vertex& b,
                  const Vertex& c);
// The same with the batch entries to look the corners up in chosen by the
// caller (each below Batch::kVertices), who knows a cheaper key than the
// vertex's value, such as where its record lies. A vertex is still found by
// its whole value: an entry holding another value is prepared anew.
void DrawTriangle(const DrawContext& context, Batch& batch, const Vertex& a, const Vertex& b,
                  const Vertex& c, const std::uint32_t (&slots)[3]);

// Rasterizes a clockwise (on screen, y down) triangle inside the scissor.
void ScanTriangle(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                  const Scissor& scissor, const ScreenVertex& a, const ScreenVertex& b,
                  const ScreenVertex& c);
// ScanTriangle's form for the best SIMD target this processor runs, chosen
// once so that each triangle does not go through the run-time dispatch; for
// the pipeline the 3D scene draws with and its texel formats, one with the
// span loop inline, which ignores the span routine it is given.
ScanRoutine ChooseScanRoutine(const Pipeline& pipeline, TexelFormat format, bool bilinear);
// The same runs and span values, found the plain way: the reference.
void ScanTrianglePlain(const Pipeline& pipeline, SpanRoutine routine, const Target& target,
                       const Scissor& scissor, const ScreenVertex& a, const ScreenVertex& b,
                       const ScreenVertex& c);

// --- small helpers shared by the stages ---

inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }
inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

inline std::uint32_t Expand5(std::uint32_t v) { return (v << 3) | (v >> 2); }
inline std::uint32_t Expand6(std::uint32_t v) { return (v << 2) | (v >> 4); }
inline std::uint32_t Pack(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// One texel of format F at byte `p` (or index for the palette), as 0xAARRGGBB.
template <TexelFormat F>
inline std::uint32_t DecodeTexel(const std::uint8_t* row, int x, const std::uint32_t* palette) {
  if constexpr (F == TexelFormat::Rgb555 || F == TexelFormat::Argb1555) {
    std::uint32_t p = Load16(row + 2 * x);
    std::uint32_t a = F == TexelFormat::Rgb555 ? 255 : ((p & 0x8000) ? 255 : 0);
    return Pack(a, Expand5((p >> 10) & 31), Expand5((p >> 5) & 31), Expand5(p & 31));
  } else if constexpr (F == TexelFormat::Argb4444) {
    std::uint32_t p = Load16(row + 2 * x);
    return Pack(((p >> 12) & 15) * 17, ((p >> 8) & 15) * 17, ((p >> 4) & 15) * 17, (p & 15) * 17);
  } else if constexpr (F == TexelFormat::Rgb565) {
    std::uint32_t p = Load16(row + 2 * x);
    return Pack(255, Expand5(p >> 11), Expand6((p >> 5) & 63), Expand5(p & 31));
  } else if constexpr (F == TexelFormat::Xrgb8888) {
    return Load32(row + 4 * x) | 0xFF000000u;
  } else if constexpr (F == TexelFormat::Argb8888) {
    return Load32(row + 4 * x);
  } else if constexpr (F == TexelFormat::Rgb332) {
    std::uint32_t p = row[x];
    return Pack(255, ((p >> 5) & 7) * 255 / 7, ((p >> 2) & 7) * 255 / 7, (p & 3) * 85);
  } else if constexpr (F == TexelFormat::Indexed8) {
    return palette[row[x]];
  } else {
    return 0xFFFFFFFFu;
  }
}

}  // namespace raster::detail
