// span_lanes-inl.h: the vector form of the span loop, for each SIMD target.
//
// Steps colour and specular and modulates, adds specular and blends the
// channels of a pixel at once, with the plain form's arithmetic: every sum
// fits its lane, so nothing wraps or saturates that the plain form would
// not. Included once per target (Highway's -inl.h convention) by span.cpp,
// whose routines run it for one row, and by scan.cpp, which runs it inline
// for the rows of the pipeline the 3D scene draws with. There, two
// neighbouring pixels that the depth test shows are shaded, packed and
// blended in one vector, their texture coordinates found together.

// Per-target include guard: toggled by foreach_target.h for each target.
#if defined(VUXA_RASTER_SPAN_LANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VUXA_RASTER_SPAN_LANES_INL_H_
#undef VUXA_RASTER_SPAN_LANES_INL_H_
#else
#define VUXA_RASTER_SPAN_LANES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstring>

#include "platform/raster/span_shared.h"

HWY_BEFORE_NAMESPACE();
namespace raster::detail {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Lanes truncated towards zero that are known to fit in 32 bits. Highway's
// ConvertTo on x86 guards each lane against overflow, at four instructions a
// vector, which values clamped to the attributes' ranges and whole texel
// coordinates never need; the other targets' conversions saturate without a guard.
template <class DI, class V>
HWY_INLINE hn::Vec<DI> TruncateInRange(DI di, V v) {
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
  if constexpr (sizeof(v.raw) == 32) return hn::Vec<DI>{_mm256_cvttps_epi32(v.raw)};
  else return hn::Vec<DI>{_mm_cvttps_epi32(v.raw)};
#else
  return hn::ConvertTo(di, v);
#endif
}

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
namespace lanes {
using namespace span;

const hn::FixedTag<std::int32_t, 4> kI32;
const hn::FixedTag<std::uint32_t, 4> kU32;
const hn::Rebind<std::int16_t, decltype(kI32)> kI16;   // four lanes
const hn::Rebind<std::uint16_t, decltype(kI32)> kU16;  // four lanes
const hn::Rebind<std::uint8_t, decltype(kI32)> kU8;    // four lanes
const hn::FixedTag<std::uint32_t, 1> kOne32;
// Two pixels side by side: their channels in eight 16-bit lanes, their bytes.
const hn::FixedTag<std::uint16_t, 8> kPairU16;
const hn::Rebind<std::uint8_t, decltype(kPairU16)> kPairU8;  // eight lanes

// The four bytes of a pixel (blue first) in 16-bit lanes.
HWY_INLINE hn::Vec<decltype(kU16)> Bytes(std::uint32_t v) {
  return hn::PromoteTo(kU16, hn::BitCast(kU8, hn::Set(kOne32, v)));
}
// 16-bit lanes holding 0..255 back to four bytes, saturating as a pack does.
HWY_INLINE std::uint32_t Pack(hn::Vec<decltype(kU16)> v) {
  return hn::GetLane(hn::BitCast(kOne32, hn::DemoteTo(kU8, hn::BitCast(kI16, v))));
}
// Pack for two pixels side by side: the low one's bytes first.
HWY_INLINE std::uint64_t PackPair(hn::Vec<decltype(kPairU16)> v) {
  const hn::FixedTag<std::uint64_t, 1> d64;
  return hn::GetLane(hn::BitCast(d64, hn::DemoteTo(kPairU8, hn::BitCast(hn::RebindToSigned<decltype(kPairU16)>(), v))));
}
// x / 255 rounded, lane by lane, for x up to 255 * 255.
// The constant is loaded from memory, as an operand of the sum: made by a
// broadcast, it was made again before every run.
template <class V>
HWY_INLINE V Div255Lanes(V x) {
  alignas(16) static constexpr std::uint16_t kHalf[8] = {128, 128, 128, 128, 128, 128, 128, 128};
  const auto y = hn::Add(x, hn::Load(hn::DFromV<V>(), kHalf));
  return hn::ShiftRight<8>(hn::Add(y, hn::ShiftRight<8>(y)));
}

// Source-alpha blending of a shaded pixel still in its lanes (ShadeLanes::
// Shaded) over a 32-bit pixel, its alpha the fourth lane, the three channels
// at once with the plain form's arithmetic: (s a + d (255 - a)) / 255,
// rounded. The channels are taken as Pack would store them, none above 255;
// the alpha lane's result is cleared with the pixel's top byte.
HWY_INLINE std::uint32_t BlendShadedLanes(const std::uint8_t* out, hn::Vec<decltype(kU16)> shaded) {
  alignas(8) static constexpr std::uint16_t kMax[4] = {255, 255, 255, 255};
  const auto max = hn::Load(kU16, kMax);
  const auto s = hn::Min(shaded, max);
  const auto a = hn::Broadcast<3>(s);
  const auto x = hn::Add(hn::Mul(s, a), hn::Mul(hn::PromoteTo(kU16, hn::LoadU(kU8, out)), hn::Sub(max, a)));
  return Pack(Div255Lanes(x)) & 0xFFFFFFu;
}

// The same for a packed pixel 0x00RRGGBB and its alpha.
HWY_INLINE std::uint32_t BlendSrcAlpha32Lanes(const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
  return BlendShadedLanes(out, Bytes(rgb | a << 24));
}

// BlendShadedLanes for two pixels side by side (their channels in lanes 0-3
// and 4-7), each with its own alpha: their two blended pixels, low one first.
// A pixel of alpha 255 comes out as its channels, saturated, as unblended.
HWY_INLINE std::uint64_t BlendShadedPair(const std::uint8_t* out, hn::Vec<decltype(kPairU16)> shaded) {
  const hn::Repartition<std::uint8_t, decltype(kPairU16)> bytes;
  alignas(16) static constexpr std::uint8_t kAlphas[16] = {6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15};
  const auto max = hn::Set(kPairU16, 255);
  const auto s = hn::Min(shaded, max);
  const auto a = hn::TableLookupBytes(s, hn::BitCast(kPairU16, hn::Load(bytes, kAlphas)));
  const auto x = hn::Add(hn::Mul(s, a), hn::Mul(hn::PromoteTo(kPairU16, hn::LoadU(kPairU8, out)), hn::Sub(max, a)));
  return PackPair(Div255Lanes(x)) & 0x00FFFFFF00FFFFFFull;
}

// 255 in the alpha lane of a pixel's channels, 0 in the others.
alignas(8) constexpr std::uint16_t kAlphaLane[4] = {0, 0, 0, 255};

// Lerp's filtering of a quad of texels, every channel of two texels at once
// (no product or sum leaves its 16-bit lane), as channels with alpha 255.
HWY_INLINE hn::Vec<decltype(kU16)> BilinearLanes(const Quad& q) {
  const hn::FixedTag<std::uint32_t, 4> d32;
  const hn::FixedTag<std::uint16_t, 8> d16;
  const hn::Repartition<std::uint8_t, decltype(d32)> d8;
  // Column x0 of both rows, then column x1, in one vector (the texels' loads
  // go straight into its lanes), widened to the pairs (t00, t10), (t01, t11).
  const auto quad = hn::InsertLane(hn::InsertLane(hn::InsertLane(hn::Set(d32, q.t00), 1, q.t10), 2, q.t01), 3, q.t11);
  const auto bytes = hn::BitCast(d8, quad), zero = hn::Zero(d8);
  // Each weight and its complement to 256, the complement taken in the lanes.
  const auto wx = hn::Set(d16, static_cast<std::uint16_t>(q.wx));
  const auto ix = hn::Sub(hn::Set(d16, 256), wx);
  const auto rows = hn::ShiftRight<8>(
      hn::Add(hn::Mul(hn::ZipLower(d16, bytes, zero), ix), hn::Mul(hn::ZipUpper(d16, bytes, zero), wx)));
  const auto wy = hn::Set(kU16, static_cast<std::uint16_t>(q.wy));
  const auto iy = hn::Sub(hn::Set(kU16, 256), wy);
  const auto v = hn::ShiftRight<8>(hn::Add(hn::Mul(hn::LowerHalf(kU16, rows), iy), hn::Mul(hn::UpperHalf(kU16, rows), wy)));
  // Every lane is at most 255, so an OR with 255 sets the alpha lane to 255.
  return hn::Or(v, hn::Load(kU16, kAlphaLane));
}

// A texel as ShadeLanes::Shaded takes it: its channels in lanes, alpha 255.
HWY_INLINE hn::Vec<decltype(kU16)> TexelLanes(std::uint32_t texel) { return Bytes(texel | 0xFF000000u); }

// TexelLanes(SampleNearestAt<F, kPow2>(p, x, y)). A texel of 32 bits, or the
// palette's entry of an 8-bit one, is widened straight from where it lies.
template <TexelFormat F, bool kPow2>
HWY_INLINE hn::Vec<decltype(kU16)> NearestLanes(const Pipeline& p, int x, int y) {
  if constexpr (F == TexelFormat::Xrgb8888 || F == TexelFormat::Indexed8) {
    x = Wrap<kPow2>(x, p.texWidth, p.texMaskU);
    y = Wrap<kPow2>(y, p.texHeight, p.texMaskV);
    const std::uint8_t* row = p.texels + static_cast<std::ptrdiff_t>(y) * p.texPitch;
    const void* texel = F == TexelFormat::Indexed8 ? static_cast<const void*>(p.palette + row[x]) : row + 4 * x;
    const auto bytes = hn::LoadU(kU8, static_cast<const std::uint8_t*>(texel));
    return hn::Or(hn::PromoteTo(kU16, bytes), hn::Load(kU16, kAlphaLane));
  } else {
    return TexelLanes(SampleNearestAt<F, kPow2>(p, x, y));
  }
}

// Colour and specular stepped along a span, four channels at once. Lanes hold
// blue, green, red, alpha in 16.16 fixed point. Without specular its lanes
// hold 0, whose sum changes nothing, so no pixel tests for it.
class ShadeLanes {
 public:
  using V = hn::Vec<decltype(kU32)>;
  // From the lanes kB..kA and kSb..kZ of the start values and steps, the
  // latter cleared where `specularMask` (SpecularMask) is.
  ShadeLanes(V color, V colorStep, V specular, V specularStep, V specularMask)
      : color_(color), colorStep_(colorStep), specular_(hn::And(specular, specularMask)),
        specularStep_(hn::And(specularStep, specularMask)) {}
  ShadeLanes(const Span& s, bool specular)
      : ShadeLanes(Lanes(s.fixed + kB), Lanes(s.fixedStep + kB), Lanes(s.fixed + kSb), Lanes(s.fixedStep + kSb),
                   SpecularMask(specular)) {}
  // Specular has no alpha: its fourth lane (depth) is cleared, and every
  // lane when specular is off. The same for every run of a pipeline.
  static V SpecularMask(bool specular) {
    alignas(16) static constexpr std::uint32_t kMask[4] = {~0u, ~0u, ~0u, 0u};
    return specular ? hn::Load(kU32, kMask) : hn::Zero(kU32);
  }
  void Advance() {
    color_ = hn::Add(color_, colorStep_);
    specular_ = hn::Add(specular_, specularStep_);
  }
  // The pixel's channels in lanes, before Pack saturates them: at most 510,
  // a channel and its specular. The texel is given as its channels in lanes
  // (alpha 255; TexelLanes).
  template <bool kTextured>
  hn::Vec<decltype(kU16)> Shaded(hn::Vec<decltype(kU16)> texel) const {
    auto c = Whole(color_);
    if constexpr (kTextured) c = Div255Lanes(hn::Mul(texel, c));
    return hn::Add(c, Whole(specular_));
  }
  // Shaded for this pixel and the next, whose values are one step on, side
  // by side (lanes 0-3 and 4-7), from both texels given the same way.
  template <bool kTextured>
  hn::Vec<decltype(kPairU16)> ShadedPair(hn::Vec<decltype(kPairU16)> texels) const {
    auto c = WholePair(color_, hn::Add(color_, colorStep_));
    if constexpr (kTextured) c = Div255Lanes(hn::Mul(texels, c));
    return hn::Add(c, WholePair(specular_, hn::Add(specular_, specularStep_)));
  }

 private:
  static_assert(kG == kB + 1 && kR == kB + 2 && kA == kB + 3 && kSg == kSb + 1 && kSr == kSb + 2);
  static V Lanes(const std::int32_t* v) { return hn::BitCast(kU32, hn::LoadU(kI32, v)); }
  // The whole part of each lane in 16 bits, saturating as a signed pack does.
  static hn::Vec<decltype(kU16)> Whole(V v) {
    return hn::BitCast(kU16, hn::DemoteTo(kI16, hn::BitCast(kI32, hn::ShiftRight<16>(v))));
  }
  // Whole of a in lanes 0-3 and of b in lanes 4-7.
  static hn::Vec<decltype(kPairU16)> WholePair(V a, V b) {
    const hn::RebindToSigned<decltype(kPairU16)> d16;
    const auto wa = hn::BitCast(kI32, hn::ShiftRight<16>(a)), wb = hn::BitCast(kI32, hn::ShiftRight<16>(b));
#if HWY_ARCH_X86 || HWY_ARCH_WASM  // one signed pack, in order
    return hn::BitCast(kPairU16, hn::ReorderDemote2To(d16, wa, wb));
#else
    return hn::BitCast(kPairU16, hn::Combine(d16, hn::DemoteTo(kI16, wb), hn::DemoteTo(kI16, wa)));
#endif
  }
  V color_, colorStep_, specular_, specularStep_;
};

// u/w and v/w stepped along a span in two lanes, and the texel coordinates
// they give, both at once, with the plain form's ClampCoord and FloorToInt:
// each lane sees the same additions, products and limits in the same order.
class CoordLanes {
  static constexpr hn::FixedTag<float, 2> kF32{};

 public:
  using V = hn::Vec<decltype(kF32)>;
  CoordLanes(V uv, V step) : uv_(uv), step_(step) {}
  explicit CoordLanes(const Span& s) : uv_(Pair(s.uw, s.vw)), step_(Pair(s.uwStep, s.vwStep)) {}
  void Advance() { uv_ = hn::Add(uv_, step_); }
  // The texel (nearest) or, for bilinear, the point in 1/256 of a texel less
  // half a texel, at 1/w = `w`.
  template <bool kBilinear>
  HWY_INLINE void Floored(float w, int& x, int& y) const {
    // Whole numbers of at most 2^30: each converts exactly, without the
    // vector conversion's guard against overflow.
    const auto floored = hn::Floor(Limited<kBilinear>(hn::Mul(uv_, hn::Set(kF32, w))));
    x = static_cast<int>(hn::GetLane(floored));
    y = static_cast<int>(hn::ExtractLane(floored, 1));
  }
  // Floored for this pixel, at 1/w = 1 / iw0, and the next, one step on, at
  // 1 / iw1: the same operations in each lane, both pixels at once. `at` gets
  // x0, y0, x1, y1.
  template <bool kBilinear>
  HWY_INLINE void FlooredPair(float iw0, float iw1, std::int32_t (&at)[4]) const {
    const hn::FixedTag<float, 4> d;
    const auto w = hn::Div(hn::Set(d, 1.0f), hn::ConcatLowerLower(d, hn::Set(d, iw1), hn::Set(d, iw0)));
    const auto floored = hn::Floor(Limited<kBilinear>(hn::Mul(hn::Combine(d, hn::Add(uv_, step_), uv_), w)));
    const hn::RebindToSigned<decltype(d)> di;
    hn::StoreU(TruncateInRange(di, floored), di, at);
  }

 private:
  // Texel coordinates c clamped to the limits and, for bilinear, in 1/256 of
  // a texel less half a texel. Whatever is not at least the lower limit, NaN
  // included, becomes it: Max gives its second operand when the first is not
  // a number (x86, Arm's 64-bit targets and WebAssembly).
  template <bool kBilinear, class VF>
  static HWY_INLINE VF Limited(VF c) {
    const hn::DFromV<VF> d;
    c = hn::Min(hn::Max(c, hn::Set(d, -kCoordLimit)), hn::Set(d, kCoordLimit));
    if constexpr (kBilinear) c = hn::Sub(hn::Mul(c, hn::Set(d, 256.0f)), hn::Set(d, 128.0f));
    return c;
  }
  static V Pair(float a, float b) { return hn::InterleaveLower(kF32, hn::Set(kF32, a), hn::Set(kF32, b)); }
  V uv_, step_;
};

// What the span loop starts from: where the run lies, its length and its
// attributes' start values and steps, held as the loop holds them, so that
// the scan can hand them over in registers.
struct Run {
  std::uint8_t* color;
  std::uint8_t* depth;  // null without depth test
  int count;  // at least 1: the scans hand over no empty run
  std::uint32_t z, zStep;  // unsigned, as the plain form steps them
  ShadeLanes shade;
  float iw, iwStep;
  CoordLanes coords;
};

// One row of pixels; kCommon: with the pipeline Common() accepts, whose
// tests and wrapping are then known rather than looked up at each pixel.
template <TexelFormat F, bool kBilinear, bool kCommon>
HWY_INLINE void DrawRun(const Pipeline& p, Run r) {
  constexpr bool kTextured = F != TexelFormat::None;
  const int bpp = kCommon ? 4 : p.bytesPerPixel;
  auto advance = [&] {
    r.color += bpp;
    if (kCommon || r.depth) r.depth += 2;
    r.z += r.zStep;
    r.shade.Advance();
    if constexpr (kTextured) {
      r.iw += r.iwStep;
      r.coords.Advance();
    }
  };
  // The texel of a pixel at texel coordinates x, y, as Shaded takes it.
  auto texel = [&](int x, int y) __attribute__((always_inline)) {
    if constexpr (kBilinear) return BilinearLanes(QuadAtFixed<F, kCommon>(p, x, y));
    else return NearestLanes<F, kCommon>(p, x, y);
  };
  // One pixel, left as it is where the depth test hides it.
  auto pixel = [&]() __attribute__((always_inline)) {
    if constexpr (kCommon) {
      const std::uint32_t zz = r.z >> 15;
      if (zz > Load16(r.depth)) return;
      Store16(r.depth, static_cast<std::uint16_t>(zz));
    } else if (r.depth && !DepthStep(p, r.depth, r.z)) {
      return;
    }
    hn::Vec<decltype(kU16)> shaded;
    if constexpr (kTextured) {
      int x, y;
      r.coords.Floored<kBilinear>(1.0f / r.iw, x, y);
      shaded = r.shade.Shaded<true>(texel(x, y));
    } else {
      shaded = r.shade.Shaded<false>(hn::Zero(kU16));
    }
    const std::uint32_t argb = Pack(shaded);
    if constexpr (kCommon) {
      const bool blend = p.blend == BlendMode::SrcAlpha && argb >> 24 != 255;
      Store32(r.color, blend ? BlendShadedLanes(r.color, shaded) : argb & 0xFFFFFFu);
    } else {
      WritePixel(p, r.color, argb, [](const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
        return BlendSrcAlpha32Lanes(out, rgb, a);
      });
    }
  };
  if constexpr (kCommon) {
    // This pixel and the next at once, when the depth test shows both:
    // coordinates, shading, packing and blending take one vector for the
    // two. False, with nothing written, when it hides either.
    auto pair = [&]() __attribute__((always_inline)) {
      const std::uint32_t z0 = r.z >> 15, z1 = (r.z + r.zStep) >> 15;
      const unsigned hidden = unsigned{z0 > Load16(r.depth)} | unsigned{z1 > Load16(r.depth + 2)};  // one branch
      if (hidden != 0) return false;
      Store16(r.depth, static_cast<std::uint16_t>(z0));
      Store16(r.depth + 2, static_cast<std::uint16_t>(z1));
      hn::Vec<decltype(kPairU16)> texels = hn::Zero(kPairU16);
      if constexpr (kTextured) {
        alignas(16) std::int32_t at[4];
        r.coords.FlooredPair<kBilinear>(r.iw, r.iw + r.iwStep, at);
        texels = hn::Combine(kPairU16, texel(at[2], at[3]), texel(at[0], at[1]));
      }
      const auto shaded = r.shade.ShadedPair<kTextured>(texels);
      const std::uint64_t argb = PackPair(shaded);
      constexpr std::uint64_t kAlphas = 0xFF000000FF000000ull;
      const bool blend = p.blend == BlendMode::SrcAlpha && (argb & kAlphas) != kAlphas;
      const std::uint64_t out = blend ? BlendShadedPair(r.color, shaded) : argb & ~kAlphas;
      std::memcpy(r.color, &out, sizeof out);
      return true;
    };
    // Pairs where the depth test shows both; where it hides either, the
    // first pixel alone, and the next pair starts after it; the last pixel
    // of an odd count alone. The values step only between pixels, not past
    // the last one.
    int left = r.count;
    for (; left >= 2; advance()) {
      if (pair()) {
        if ((left -= 2) == 0) return;
        advance();
      } else {
        pixel();
        --left;
      }
    }
    pixel();
  } else {
    for (int i = 1;; ++i) {
      pixel();
      if (i == r.count) break;
      advance();
    }
  }
}

// DrawRun for a span the scan has stored.
template <TexelFormat F, bool kBilinear, bool kCommon>
HWY_INLINE void DrawSpanLoop(const Pipeline& p, const Span& s) {
  DrawRun<F, kBilinear, kCommon>(p, Run{s.color, s.depth, s.count, static_cast<std::uint32_t>(s.fixed[kZ]),
                                        static_cast<std::uint32_t>(s.fixedStep[kZ]), ShadeLanes(s, p.specular),
                                        s.iw, s.iwStep, CoordLanes(s)});
}

}  // namespace lanes
#endif
}  // namespace HWY_NAMESPACE
}  // namespace raster::detail
HWY_AFTER_NAMESPACE();

#endif  // VUXA_RASTER_SPAN_LANES_INL_H_
