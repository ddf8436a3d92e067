// span.cpp: shades one row of pixels.
//
// Per pixel: depth test and write, Gouraud colour, a perspective-correct
// texture sample (nearest, or bilinear from four texels) with tiled
// addressing, modulate (texel colour times vertex colour, alpha from the
// vertex), specular added with saturation, blending with the colour buffer,
// and the store at 32 or 24 bits. One routine is made for every texel format
// and filter, so the inner loop has no calls through pointers.
//
// Two forms of each routine give the same bytes. The plain one works a
// channel at a time; it is the reference. The vector one (compiled once per
// SIMD target, dispatched at run time) steps colour and specular and
// modulates, adds specular and blends the channels of a pixel at once, with
// the plain form's arithmetic: every sum fits its lane, so nothing wraps or
// saturates that the plain form would not. (Texel coordinates four pixels at
// a time cost more than they saved: most runs are a few pixels long.) Where
// the target has only one-lane vectors the plain form runs.
// Rows and spans here are a few pixels long: 512-bit vectors made the 3D frame
// slower than the 256-bit ones (measured), so the targets stop at AVX2.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_AVX3 | HWY_AVX3_DL)
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/raster/span.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "platform/raster/stages.h"

#ifndef VUXA_RASTER_SPAN_SHARED
#define VUXA_RASTER_SPAN_SHARED
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

// The four texels around texel coordinates u, v and the fractions (0..255)
// that weigh them.
struct Quad {
  std::uint32_t t00, t01, t10, t11;  // row, column
  std::uint32_t wx, wy;
};

template <TexelFormat F, bool kPow2 = false>
[[gnu::always_inline]] inline Quad QuadAt(const Pipeline& p, float u, float v) {
  // In 1/256 of a texel, less half a texel.
  const int fu = FloorToInt(ClampCoord(u) * 256.0f - 128.0f), fv = FloorToInt(ClampCoord(v) * 256.0f - 128.0f);
  const int x0 = Wrap<kPow2>(fu >> 8, p.texWidth, p.texMaskU);
  const int x1 = WrapAfter<kPow2>(x0, p.texWidth, p.texMaskU);
  const int y0 = Wrap<kPow2>(fv >> 8, p.texHeight, p.texMaskV);
  const int y1 = WrapAfter<kPow2>(y0, p.texHeight, p.texMaskV);
  const std::uint8_t* row0 = p.texels + static_cast<std::ptrdiff_t>(y0) * p.texPitch;
  const std::uint8_t* row1 = p.texels + static_cast<std::ptrdiff_t>(y1) * p.texPitch;
  return {DecodeTexel<F>(row0, x0, p.palette), DecodeTexel<F>(row0, x1, p.palette),
          DecodeTexel<F>(row1, x0, p.palette), DecodeTexel<F>(row1, x1, p.palette),
          static_cast<std::uint32_t>(fu & 255), static_cast<std::uint32_t>(fv & 255)};
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
[[gnu::noinline]] std::uint32_t BlendPixel(const Pipeline& p, const std::uint8_t* out, std::uint32_t rgb,
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

}  // namespace raster::detail::span
#endif  // VUXA_RASTER_SPAN_SHARED

HWY_BEFORE_NAMESPACE();
namespace raster::detail {
namespace HWY_NAMESPACE {
using namespace span;

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
SpanRoutine ChooseSpanRoutineVector(TexelFormat format, bool bilinear) {
  return Choose<PlainRoutines>(format, bilinear);
}
#else
namespace hn = hwy::HWY_NAMESPACE;

const hn::FixedTag<std::int32_t, 4> kI32;
const hn::FixedTag<std::uint32_t, 4> kU32;
const hn::Rebind<std::int16_t, decltype(kI32)> kI16;   // four lanes
const hn::Rebind<std::uint16_t, decltype(kI32)> kU16;  // four lanes
const hn::Rebind<std::uint8_t, decltype(kI32)> kU8;    // four lanes
const hn::FixedTag<std::uint32_t, 1> kOne32;

// The four bytes of a pixel (blue first) in 16-bit lanes.
HWY_INLINE hn::Vec<decltype(kU16)> Bytes(std::uint32_t v) {
  return hn::PromoteTo(kU16, hn::BitCast(kU8, hn::Set(kOne32, v)));
}
// 16-bit lanes holding 0..255 back to four bytes, saturating as a pack does.
HWY_INLINE std::uint32_t Pack(hn::Vec<decltype(kU16)> v) {
  return hn::GetLane(hn::BitCast(kOne32, hn::DemoteTo(kU8, hn::BitCast(kI16, v))));
}
// x / 255 rounded, lane by lane, for x up to 255 * 255.
HWY_INLINE hn::Vec<decltype(kU16)> Div255Lanes(hn::Vec<decltype(kU16)> x) {
  const auto y = hn::Add(x, hn::Set(kU16, 128));
  return hn::ShiftRight<8>(hn::Add(y, hn::ShiftRight<8>(y)));
}

// Source-alpha blending over a 32-bit pixel, the three channels at once with
// the plain form's arithmetic: (s a + d (255 - a)) / 255, rounded.
HWY_INLINE std::uint32_t BlendSrcAlpha32Lanes(const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
  const auto x = hn::Add(hn::Mul(Bytes(rgb), hn::Set(kU16, static_cast<std::uint16_t>(a))),
                         hn::Mul(Bytes(Load32(out)), hn::Set(kU16, static_cast<std::uint16_t>(255 - a))));
  return Pack(Div255Lanes(x)) & 0xFFFFFFu;
}

// Lerp's filtering of a quad of texels, every channel of two texels at once
// (no product or sum leaves its 16-bit lane), as channels with alpha 255.
HWY_INLINE hn::Vec<decltype(kU16)> BilinearLanes(const Quad& q) {
  const hn::FixedTag<std::uint16_t, 8> d16;
  const hn::FixedTag<std::uint64_t, 1> d64;
  auto pair = [&](std::uint32_t first, std::uint32_t second) {
    const auto both = hn::Set(d64, static_cast<std::uint64_t>(second) << 32 | first);
    return hn::PromoteTo(d16, hn::BitCast(hn::Rebind<std::uint8_t, decltype(d16)>(), both));
  };
  const auto wx = hn::Set(d16, static_cast<std::uint16_t>(q.wx));
  const auto ix = hn::Set(d16, static_cast<std::uint16_t>(256 - q.wx));
  const auto rows = hn::ShiftRight<8>(hn::Add(hn::Mul(pair(q.t00, q.t10), ix), hn::Mul(pair(q.t01, q.t11), wx)));
  const auto wy = hn::Set(kU16, static_cast<std::uint16_t>(q.wy));
  const auto iy = hn::Set(kU16, static_cast<std::uint16_t>(256 - q.wy));
  const auto v = hn::ShiftRight<8>(hn::Add(hn::Mul(hn::LowerHalf(kU16, rows), iy), hn::Mul(hn::UpperHalf(kU16, rows), wy)));
  alignas(8) static constexpr std::uint16_t kAlpha[4] = {0, 0, 0, 255};
  alignas(8) static constexpr std::uint16_t kColour[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0};
  return hn::Or(hn::And(v, hn::Load(kU16, kColour)), hn::Load(kU16, kAlpha));
}

// Colour and specular stepped along a span, four channels at once. Lanes hold
// blue, green, red, alpha in 16.16 fixed point.
class ShadeLanes {
 public:
  explicit ShadeLanes(const Span& s)
      : color_(Lanes(s.fixed + kB)), colorStep_(Lanes(s.fixedStep + kB)),
        spec_(hn::And(Lanes(s.fixed + kSb), NoFourth())), specStep_(hn::And(Lanes(s.fixedStep + kSb), NoFourth())) {}
  void Advance() {
    color_ = hn::Add(color_, colorStep_);
    spec_ = hn::Add(spec_, specStep_);
  }
  template <bool kTextured>
  std::uint32_t Pixel(std::uint32_t texel, bool specular) const {
    return Modulated<kTextured>(Bytes(texel | 0xFF000000u), specular);
  }
  // Pixel, the texel given as its channels in lanes (alpha 255).
  template <bool kTextured>
  std::uint32_t Modulated(hn::Vec<decltype(kU16)> texel, bool specular) const {
    auto c = Whole(color_);
    if constexpr (kTextured) c = Div255Lanes(hn::Mul(texel, c));
    if (specular) c = hn::Add(c, Whole(spec_));
    return Pack(c);
  }

 private:
  using V = hn::Vec<decltype(kU32)>;
  static_assert(kG == kB + 1 && kR == kB + 2 && kA == kB + 3 && kSg == kSb + 1 && kSr == kSb + 2);
  static V Lanes(const std::int32_t* v) { return hn::BitCast(kU32, hn::LoadU(kI32, v)); }
  // Specular has no alpha: its fourth lane (depth) is cleared.
  static V NoFourth() {
    alignas(16) static constexpr std::uint32_t kMask[4] = {~0u, ~0u, ~0u, 0u};
    return hn::Load(kU32, kMask);
  }
  // The whole part of each lane in 16 bits, saturating as a signed pack does.
  static hn::Vec<decltype(kU16)> Whole(V v) {
    return hn::BitCast(kU16, hn::DemoteTo(kI16, hn::BitCast(kI32, hn::ShiftRight<16>(v))));
  }
  V color_, colorStep_, spec_, specStep_;
};

// The pipeline the 3D scene draws with: a less-or-equal depth test that
// writes, a 32-bit target, no blending or source-alpha blending, and a
// texture (if any) with power-of-two sides. Its spans take a loop where these
// are known, not tested at every pixel.
template <TexelFormat F>
HWY_INLINE bool Common(const Pipeline& p) {
  const bool blend = p.blend == BlendMode::Replace || p.blend == BlendMode::SrcAlpha;
  const bool masks = F == TexelFormat::None || (p.texMaskU >= 0 && p.texMaskV >= 0);
  return p.depthTest && p.depthWrite && p.depthFunc == kLessEqual && p.bytesPerPixel == 4 && blend && masks;
}

template <TexelFormat F, bool kBilinear, bool kCommon>
HWY_INLINE void DrawSpanLoop(const Pipeline& p, Span& s) {
  constexpr bool kTextured = F != TexelFormat::None;
  std::uint8_t* color = s.color;
  std::uint8_t* depth = s.depth;
  const int bpp = kCommon ? 4 : p.bytesPerPixel;
  std::uint32_t z = static_cast<std::uint32_t>(s.fixed[kZ]);
  const std::uint32_t zStep = static_cast<std::uint32_t>(s.fixedStep[kZ]);
  ShadeLanes shade(s);
  float iw = s.iw, uw = s.uw, vw = s.vw;
  auto advance = [&] {
    color += bpp;
    if (kCommon || depth) depth += 2;
    z += zStep;
    shade.Advance();
    if constexpr (kTextured) {
      iw += s.iwStep;
      uw += s.uwStep;
      vw += s.vwStep;
    }
  };
  for (int i = 0; i < s.count; ++i, advance()) {
    if constexpr (kCommon) {
      const std::uint32_t zz = z >> 15;
      if (zz > Load16(depth)) continue;
      Store16(depth, static_cast<std::uint16_t>(zz));
    } else if (depth && !DepthStep(p, depth, z)) {
      continue;
    }
    std::uint32_t argb;
    if constexpr (kTextured && kBilinear) {
      const float w = 1.0f / iw;
      argb = shade.Modulated<true>(BilinearLanes(QuadAt<F, kCommon>(p, uw * w, vw * w)), p.specular);
    } else if constexpr (kTextured) {
      const float w = 1.0f / iw;
      argb = shade.Pixel<true>(SampleNearest<F, kCommon>(p, uw * w, vw * w), p.specular);
    } else {
      argb = shade.Pixel<false>(0, p.specular);
    }
    if constexpr (kCommon) {
      const std::uint32_t a = argb >> 24, rgb = argb & 0xFFFFFFu;
      Store32(color, p.blend == BlendMode::SrcAlpha && a != 255 ? BlendSrcAlpha32Lanes(color, rgb, a) : rgb);
    } else {
      WritePixel(p, color, argb, [](const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
        return BlendSrcAlpha32Lanes(out, rgb, a);
      });
    }
  }
}

template <TexelFormat F, bool kBilinear>
void DrawSpanVector(const Pipeline& p, Span& s) {
  if (Common<F>(p)) DrawSpanLoop<F, kBilinear, true>(p, s);
  else DrawSpanLoop<F, kBilinear, false>(p, s);
}

template <TexelFormat F>
struct VectorRoutines {
  static constexpr SpanRoutine kPair[2] = {&DrawSpanVector<F, false>, &DrawSpanVector<F, true>};
};

SpanRoutine ChooseSpanRoutineVector(TexelFormat format, bool bilinear) {
  return Choose<VectorRoutines>(format, bilinear);
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace raster::detail
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace raster::detail {

HWY_EXPORT(ChooseSpanRoutineVector);

SpanRoutine ChooseSpanRoutine(TexelFormat format, bool bilinear) {
  return HWY_DYNAMIC_DISPATCH(ChooseSpanRoutineVector)(format, bilinear);
}

SpanRoutine ChooseSpanRoutinePlain(TexelFormat format, bool bilinear) {
  return span::Choose<span::PlainRoutines>(format, bilinear);
}

}  // namespace raster::detail
#endif  // HWY_ONCE
