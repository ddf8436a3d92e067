// span_shared.h: what both forms of the span routines share, compiled once
// for no particular SIMD target: texel addressing and sampling, blending,
// the plain (reference) routines and the choice among a set of routines.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/raster/stages.h"

// The samplers are forced inline: they are compiled once, for no particular
// target, and the compiler would otherwise call them from each target's
// routines.
namespace raster::detail::span {

constexpr float kCoordLimit = 4194304.0f;  // 2^22 texels either way keeps the fixed point in range

// Clamps a texel coordinate into a safe range; NaN becomes the lower limit.
inline float ClampCoord(float f) {
  if (!(f >= -kCoordLimit)) return -kCoordLimit;
  if (!(f <= kCoordLimit)) return kCoordLimit;
  return f;
}

inline int FloorToInt(float f) {
  int i = static_cast<int>(f);
  return i - (f < static_cast<float>(i) ? 1 : 0);
}

// i wrapped into [0, size); without a division where it is there already.
inline int WrapIndex(int i, int size, int mask) {
  if (mask >= 0) return i & mask;
  if (static_cast<unsigned>(i) < static_cast<unsigned>(size)) return i;
  int r = i % size;
  return r < 0 ? r + size : r;
}

// The index after a wrapped index w, wrapped.
inline int WrapNext(int w, int size) { return w + 1 == size ? 0 : w + 1; }

// The same two with a power-of-two size known beforehand (kPow2): masks only.
template <bool kPow2>
inline int Wrap(int i, int size, int mask) {
  if constexpr (kPow2) return i & mask;
  return WrapIndex(i, size, mask);
}
template <bool kPow2>
inline int WrapAfter(int w, int size, int mask) {
  if constexpr (kPow2) return (w + 1) & mask;
  return WrapNext(w, size);
}

// x / 255 rounded, for x up to 255 * 255 * 2.
inline std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

inline std::uint32_t Lerp(std::uint32_t a, std::uint32_t b, std::uint32_t w) {  // w in 0..256
  std::uint32_t rb = (((a & 0xFF00FFu) * (256 - w) + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  std::uint32_t ag = (((a >> 8) & 0xFF00FFu) * (256 - w) + ((b >> 8) & 0xFF00FFu) * w) & 0xFF00FF00u;
  return rb | ag;
}

// The texel at coordinates x, y (not yet wrapped).
template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline std::uint32_t SampleNearestAt(const Pipeline& p, int x, int y) {
  x = Wrap<kPow2>(x, p.texWidth, p.texMaskU);
  y = Wrap<kPow2>(y, p.texHeight, p.texMaskV);
  return DecodeTexel<F>(p.texels + static_cast<std::ptrdiff_t>(y) * p.texPitch, x, p.palette);
}

template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline std::uint32_t SampleNearest(const Pipeline& p, float u, float v) {
  return SampleNearestAt<F, kPow2>(p, FloorToInt(ClampCoord(u)), FloorToInt(ClampCoord(v)));
}

// A texel as filtering reads it: a 32-bit texel's top byte is left as stored,
// as no pixel takes its alpha from the texture (the vertex's alpha is kept).
template <TexelFormat F>
[[gnu::always_inline]] inline std::uint32_t FilteredTexel(const std::uint8_t* row, int x,
                                                          const std::uint32_t* palette) {
  if constexpr (F == TexelFormat::Xrgb8888) return Load32(row + 4 * x);
  return DecodeTexel<F>(row, x, palette);
}

// The four texels around texel coordinates u, v and the fractions (0..255)
// that weigh them.
struct Quad {
  std::uint32_t t00, t01, t10, t11;  // row, column
  std::uint32_t wx, wy;
};

// The quad at fu, fv: texel coordinates in 1/256 of a texel, less half a texel.
template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline Quad QuadAtFixed(const Pipeline& p, int fu, int fv) {
  const int x0 = Wrap<kPow2>(fu >> 8, p.texWidth, p.texMaskU);
  const int x1 = WrapAfter<kPow2>(x0, p.texWidth, p.texMaskU);
  const int y0 = Wrap<kPow2>(fv >> 8, p.texHeight, p.texMaskV);
  const int y1 = WrapAfter<kPow2>(y0, p.texHeight, p.texMaskV);
  const std::uint8_t* row0 = p.texels + static_cast<std::ptrdiff_t>(y0) * p.texPitch;
  const std::uint8_t* row1 = p.texels + static_cast<std::ptrdiff_t>(y1) * p.texPitch;
  return {FilteredTexel<F>(row0, x0, p.palette), FilteredTexel<F>(row0, x1, p.palette),
          FilteredTexel<F>(row1, x0, p.palette), FilteredTexel<F>(row1, x1, p.palette),
          static_cast<std::uint32_t>(fu & 255), static_cast<std::uint32_t>(fv & 255)};
}

template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline Quad QuadAt(const Pipeline& p, float u, float v) {
  return QuadAtFixed<F, kPow2>(p, FloorToInt(ClampCoord(u) * 256.0f - 128.0f),
                               FloorToInt(ClampCoord(v) * 256.0f - 128.0f));
}

template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline std::uint32_t SampleBilinear(const Pipeline& p, float u, float v) {
  const Quad q = QuadAt<F, kPow2>(p, u, v);
  return Lerp(Lerp(q.t00, q.t01, q.wx), Lerp(q.t10, q.t11, q.wx), q.wy);
}

inline bool DepthPass(std::uint32_t func, std::uint32_t z, std::uint32_t stored) {
  switch (func) {
    case kLessEqual: return z <= stored;
    case kLess: return z < stored;
    case kEqual: return z == stored;
    case kGreater: return z > stored;
    case kNotEqual: return z != stored;
    case kGreaterEqual: return z >= stored;
    case kNever: return false;
    default: return true;
  }
}

// Blend factor 0..255 for one channel; the colour buffer has no alpha (255).
inline std::uint32_t Factor(std::uint32_t mode, std::uint32_t src, std::uint32_t alpha, std::uint32_t dst) {
  switch (mode) {
    case kZero: return 0;
    case kSrcColor: return src;
    case kInvSrcColor: return 255 - src;
    case kSrcAlpha: return alpha;
    case kInvSrcAlpha: return 255 - alpha;
    case kInvDestAlpha: return 0;
    case kDestColor: return dst;
    case kInvDestColor: return 255 - dst;
    case kSrcAlphaSat: return 0;
    default: return 255;  // one, destination alpha
  }
}

inline std::uint32_t BlendChannel(const Pipeline& p, std::uint32_t s, std::uint32_t a, std::uint32_t d) {
  switch (p.blend) {
    case BlendMode::SrcAlpha: return Div255(s * a + d * (255 - a));
    case BlendMode::InvSrcAlpha: return Div255(s * (255 - a) + d * a);
    case BlendMode::Add: return std::min<std::uint32_t>(255, s + d);
    default: {
      std::uint32_t sum = s * Factor(p.srcBlend, s, a, d) + d * Factor(p.destBlend, s, a, d);
      return std::min<std::uint32_t>(255, Div255(sum));
    }
  }
}

// Blends 0x00RRGGBB with the colour buffer; out of line, as most pixels are opaque.
[[gnu::noinline]] inline std::uint32_t BlendPixel(const Pipeline& p, const std::uint8_t* out, std::uint32_t rgb,
                                                  std::uint32_t a) {
  std::uint32_t r = BlendChannel(p, (rgb >> 16) & 255, a, out[2]);
  std::uint32_t g = BlendChannel(p, (rgb >> 8) & 255, a, out[1]);
  std::uint32_t b = BlendChannel(p, rgb & 255, a, out[0]);
  return (r << 16) | (g << 8) | b;
}

// Colour and specular stepped along a span, channel by channel.
class ShadePlain {
 public:
  explicit ShadePlain(const Span& s) {
    constexpr int kOrder[7] = {kR, kG, kB, kA, kSr, kSg, kSb};
    for (int k = 0; k < 7; ++k) {
      f_[k] = static_cast<std::uint32_t>(s.fixed[kOrder[k]]);
      step_[k] = static_cast<std::uint32_t>(s.fixedStep[kOrder[k]]);
    }
  }
  void Advance() {
    for (int k = 0; k < 7; ++k) f_[k] += step_[k];  // unsigned: the step past the end may wrap
  }
  // Vertex colour, times the texel when textured (alpha stays the vertex's),
  // plus specular with saturation when asked: 0xAARRGGBB.
  template <bool kTextured>
  std::uint32_t Pixel(std::uint32_t texel, bool specular) const {
    std::uint32_t c[3] = {f_[0] >> 16, f_[1] >> 16, f_[2] >> 16};
    for (int k = 0; k < 3; ++k) {
      if constexpr (kTextured) c[k] = Div255(c[k] * ((texel >> (16 - 8 * k)) & 255));
      if (specular) c[k] = std::min<std::uint32_t>(255, c[k] + (f_[4 + k] >> 16));
    }
    return ((f_[3] >> 16) << 24) | (c[0] << 16) | (c[1] << 8) | c[2];
  }

 private:
  std::uint32_t f_[7], step_[7];  // r g b a, specular r g b
};

// Stores a shaded pixel 0xAARRGGBB; the top byte of a 32-bit target gets 0.
// Source alpha 255 with source-alpha blending leaves the source as it is.
// `blendSrcAlpha32` blends 0x00RRGGBB with alpha over a 32-bit pixel.
template <class BlendSrcAlpha32>
[[gnu::always_inline]] inline void WritePixel(const Pipeline& p, std::uint8_t* out, std::uint32_t argb,
                                              BlendSrcAlpha32 blendSrcAlpha32) {
  std::uint32_t a = argb >> 24, rgb = argb & 0xFFFFFFu;
  if (p.blend == BlendMode::SrcAlpha && p.bytesPerPixel == 4) {
    if (a != 255) rgb = blendSrcAlpha32(out, rgb, a);
  } else if (p.blend != BlendMode::Replace && !(a == 255 && p.blend == BlendMode::SrcAlpha)) {
    rgb = BlendPixel(p, out, rgb, a);
  }
  if (p.bytesPerPixel == 4) {
    Store32(out, rgb);
  } else {
    out[0] = static_cast<std::uint8_t>(rgb);
    out[1] = static_cast<std::uint8_t>(rgb >> 8);
    out[2] = static_cast<std::uint8_t>(rgb >> 16);
  }
}

inline std::uint32_t BlendSrcAlpha32Plain(const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
  std::uint32_t r = Div255(((rgb >> 16) & 255) * a + out[2] * (255 - a));
  std::uint32_t g = Div255(((rgb >> 8) & 255) * a + out[1] * (255 - a));
  std::uint32_t b = Div255((rgb & 255) * a + out[0] * (255 - a));
  return (r << 16) | (g << 8) | b;
}

// The depth test and write of one pixel; false when the pixel is hidden.
inline bool DepthStep(const Pipeline& p, std::uint8_t* depth, std::uint32_t z) {
  std::uint32_t zz = z >> 15;
  std::uint32_t stored = Load16(depth);
  bool pass = p.depthFunc == kLessEqual ? zz <= stored : DepthPass(p.depthFunc, zz, stored);
  if (pass && p.depthWrite) Store16(depth, static_cast<std::uint16_t>(zz));
  return pass;
}

template <TexelFormat F, bool kBilinear>
void DrawSpanPlain(const Pipeline& p, Span& s) {
  std::uint8_t* color = s.color;
  std::uint8_t* depth = s.depth;
  const int bpp = p.bytesPerPixel;
  // Unsigned so that the step past the last pixel may wrap harmlessly.
  std::uint32_t z = static_cast<std::uint32_t>(s.fixed[kZ]);
  const std::uint32_t zStep = static_cast<std::uint32_t>(s.fixedStep[kZ]);
  ShadePlain shade(s);
  float iw = s.iw, uw = s.uw, vw = s.vw;
  auto advance = [&] {
    color += bpp;
    if (depth) depth += 2;
    z += zStep;
    shade.Advance();
    if constexpr (F != TexelFormat::None) {
      iw += s.iwStep;
      uw += s.uwStep;
      vw += s.vwStep;
    }
  };
  for (int i = 0; i < s.count; ++i, advance()) {
    if (depth && !DepthStep(p, depth, z)) continue;
    std::uint32_t texel = 0;
    if constexpr (F != TexelFormat::None) {
      float w = 1.0f / iw;
      texel = kBilinear ? SampleBilinear<F>(p, uw * w, vw * w) : SampleNearest<F>(p, uw * w, vw * w);
    }
    WritePixel(p, color, shade.Pixel<F != TexelFormat::None>(texel, p.specular),
               [](const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
                 return BlendSrcAlpha32Plain(out, rgb, a);
               });
  }
}

template <template <TexelFormat> class Routines>
SpanRoutine Choose(TexelFormat format, bool bilinear) {
  int b = bilinear ? 1 : 0;
  switch (format) {
    case TexelFormat::Rgb555: return Routines<TexelFormat::Rgb555>::kPair[b];
    case TexelFormat::Argb1555: return Routines<TexelFormat::Argb1555>::kPair[b];
    case TexelFormat::Argb4444: return Routines<TexelFormat::Argb4444>::kPair[b];
    case TexelFormat::Rgb565: return Routines<TexelFormat::Rgb565>::kPair[b];
    case TexelFormat::Xrgb8888: return Routines<TexelFormat::Xrgb8888>::kPair[b];
    case TexelFormat::Argb8888: return Routines<TexelFormat::Argb8888>::kPair[b];
    case TexelFormat::Rgb332: return Routines<TexelFormat::Rgb332>::kPair[b];
    case TexelFormat::Indexed8: return Routines<TexelFormat::Indexed8>::kPair[b];
    default: return Routines<TexelFormat::None>::kPair[0];
  }
}

template <TexelFormat F>
struct PlainRoutines {
  static constexpr SpanRoutine kPair[2] = {&DrawSpanPlain<F, false>, &DrawSpanPlain<F, true>};
};

// The pipeline the 3D scene draws with: a less-or-equal depth test that
// writes, a 32-bit target, no blending or source-alpha blending, and a
// texture (if any) with power-of-two sides. Its spans take a loop where these
// are known, not tested at every pixel.
inline bool Common(const Pipeline& p, TexelFormat format) {
  const bool blend = p.blend == BlendMode::Replace || p.blend == BlendMode::SrcAlpha;
  const bool masks = format == TexelFormat::None || (p.texMaskU >= 0 && p.texMaskV >= 0);
  return p.depthTest && p.depthWrite && p.depthFunc == kLessEqual && p.bytesPerPixel == 4 && blend && masks;
}

}  // namespace raster::detail::span
