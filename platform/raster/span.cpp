// span.cpp: shades one row of pixels.
//
// Per pixel: depth test and write, Gouraud colour, a perspective-correct
// texture sample (nearest, or bilinear from four texels) with tiled
// addressing, modulate (texel colour times vertex colour, alpha from the
// vertex), specular added with saturation, blending with the colour buffer,
// and the store at 32 or 24 bits. One routine is compiled for every texel
// format and filter, so the inner loop has no calls through pointers.
#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/raster/stages.h"

namespace raster::detail {

namespace {

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

inline int WrapIndex(int i, int size, int mask) {
  if (mask >= 0) return i & mask;
  int r = i % size;
  return r < 0 ? r + size : r;
}

// x / 255 rounded, for x up to 255 * 255 * 2.
inline std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

inline std::uint32_t Lerp(std::uint32_t a, std::uint32_t b, std::uint32_t w) {  // w in 0..256
  std::uint32_t rb = (((a & 0xFF00FFu) * (256 - w) + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  std::uint32_t ag = (((a >> 8) & 0xFF00FFu) * (256 - w) + ((b >> 8) & 0xFF00FFu) * w) & 0xFF00FF00u;
  return rb | ag;
}

template <TexelFormat F>
inline std::uint32_t SampleNearest(const Pipeline& p, float u, float v) {
  int x = WrapIndex(FloorToInt(ClampCoord(u)), p.texWidth, p.texMaskU);
  int y = WrapIndex(FloorToInt(ClampCoord(v)), p.texHeight, p.texMaskV);
  return DecodeTexel<F>(p.texels + static_cast<std::ptrdiff_t>(y) * p.texPitch, x, p.palette);
}

template <TexelFormat F>
inline std::uint32_t SampleBilinear(const Pipeline& p, float u, float v) {
  int fu = FloorToInt(ClampCoord(u) * 256.0f - 128.0f);
  int fv = FloorToInt(ClampCoord(v) * 256.0f - 128.0f);
  int x0 = WrapIndex(fu >> 8, p.texWidth, p.texMaskU);
  int x1 = WrapIndex((fu >> 8) + 1, p.texWidth, p.texMaskU);
  int y0 = WrapIndex(fv >> 8, p.texHeight, p.texMaskV);
  int y1 = WrapIndex((fv >> 8) + 1, p.texHeight, p.texMaskV);
  const std::uint8_t* row0 = p.texels + static_cast<std::ptrdiff_t>(y0) * p.texPitch;
  const std::uint8_t* row1 = p.texels + static_cast<std::ptrdiff_t>(y1) * p.texPitch;
  std::uint32_t wx = static_cast<std::uint32_t>(fu & 255), wy = static_cast<std::uint32_t>(fv & 255);
  std::uint32_t top = Lerp(DecodeTexel<F>(row0, x0, p.palette), DecodeTexel<F>(row0, x1, p.palette), wx);
  std::uint32_t bottom = Lerp(DecodeTexel<F>(row1, x0, p.palette), DecodeTexel<F>(row1, x1, p.palette), wx);
  return Lerp(top, bottom, wy);
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

#if defined(__SSE2__)
// Source-alpha blending over a 32-bit pixel, the three channels at once with
// BlendChannel's arithmetic: (s a + d (255 - a)) / 255, rounded. Every sum
// stays below 65536, so 16-bit lanes hold it exactly.
inline std::uint32_t BlendSrcAlpha32(const std::uint8_t* out, std::uint32_t rgb, std::uint32_t a) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rgb)), zero);
  const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(Load32(out))), zero);
  const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s, _mm_set1_epi16(static_cast<short>(a))),
                                  _mm_mullo_epi16(d, _mm_set1_epi16(static_cast<short>(255 - a))));
  const __m128i y = _mm_add_epi16(x, _mm_set1_epi16(128));
  const __m128i q = _mm_srli_epi16(_mm_add_epi16(y, _mm_srli_epi16(y, 8)), 8);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(q, zero))) & 0xFFFFFFu;
}
#endif

// Stores a shaded pixel 0xAARRGGBB; the top byte of a 32-bit target gets 0.
[[gnu::always_inline]] inline void WritePixel(const Pipeline& p, std::uint8_t* out, std::uint32_t argb) {
  std::uint32_t a = argb >> 24, rgb = argb & 0xFFFFFFu;
  // Source alpha 255 with source-alpha blending leaves the source as it is.
#if defined(__SSE2__)
  if (p.blend == BlendMode::SrcAlpha && p.bytesPerPixel == 4) {
    if (a != 255) rgb = BlendSrcAlpha32(out, rgb, a);
  } else
#endif
  if (p.blend != BlendMode::Replace && !(a == 255 && p.blend == BlendMode::SrcAlpha))
    rgb = BlendPixel(p, out, rgb, a);
  if (p.bytesPerPixel == 4) {
    Store32(out, rgb);
  } else {
    out[0] = static_cast<std::uint8_t>(rgb);
    out[1] = static_cast<std::uint8_t>(rgb >> 8);
    out[2] = static_cast<std::uint8_t>(rgb >> 16);
  }
}

#if defined(__SSE2__)
// Colour and specular stepped along a span, four channels at once. Lanes hold
// blue, green, red, alpha in 16.16 fixed point.
class Shade {
 public:
  explicit Shade(const Span& s)
      : color_(Lanes(s.fixed, kB, kG, kR, kA)), colorStep_(Lanes(s.fixedStep, kB, kG, kR, kA)),
        spec_(Lanes(s.fixed, kSb, kSg, kSr, -1)), specStep_(Lanes(s.fixedStep, kSb, kSg, kSr, -1)) {}
  void Advance() {
    color_ = _mm_add_epi32(color_, colorStep_);
    spec_ = _mm_add_epi32(spec_, specStep_);
  }
  // Vertex colour, times the texel when textured (alpha stays the vertex's),
  // plus specular with saturation when asked: 0xAARRGGBB.
  template <bool kTextured>
  std::uint32_t Pixel(std::uint32_t texel, bool specular) const {
    const __m128i zero = _mm_setzero_si128();
    __m128i c = _mm_packs_epi32(_mm_srli_epi32(color_, 16), zero);  // 16-bit b g r a
    if constexpr (kTextured) {
      __m128i t = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(texel | 0xFF000000u)), zero);
      __m128i m = _mm_add_epi16(_mm_mullo_epi16(t, c), _mm_set1_epi16(128));
      c = _mm_srli_epi16(_mm_add_epi16(m, _mm_srli_epi16(m, 8)), 8);  // x / 255, rounded
    }
    if (specular) c = _mm_add_epi16(c, _mm_packs_epi32(_mm_srli_epi32(spec_, 16), zero));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(c, zero)));
  }

 private:
  static __m128i Lanes(const std::int32_t* v, int b, int g, int r, int a) {
    return _mm_setr_epi32(v[b], v[g], v[r], a >= 0 ? v[a] : 0);
  }
  __m128i color_, colorStep_, spec_, specStep_;
};
#else
// Colour and specular stepped along a span, channel by channel.
class Shade {
 public:
  explicit Shade(const Span& s) {
    for (int k = 0; k < 7; ++k) {
      f_[k] = static_cast<std::uint32_t>(s.fixed[kR + k]);
      step_[k] = static_cast<std::uint32_t>(s.fixedStep[kR + k]);
    }
  }
  void Advance() {
    for (int k = 0; k < 7; ++k) f_[k] += step_[k];  // unsigned: the step past the end may wrap
  }
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
#endif

template <TexelFormat F, bool kBilinear>
void DrawSpan(const Pipeline& p, Span& s) {
  std::uint8_t* color = s.color;
  std::uint8_t* depth = s.depth;
  const int bpp = p.bytesPerPixel;
  // Unsigned so that the step past the last pixel may wrap harmlessly.
  std::uint32_t z = static_cast<std::uint32_t>(s.fixed[kZ]);
  const std::uint32_t zStep = static_cast<std::uint32_t>(s.fixedStep[kZ]);
  Shade shade(s);
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
    if (depth) {
      std::uint32_t zz = z >> 15;
      std::uint32_t stored = Load16(depth);
      bool pass = p.depthFunc == kLessEqual ? zz <= stored : DepthPass(p.depthFunc, zz, stored);
      if (!pass) continue;
      if (p.depthWrite) Store16(depth, static_cast<std::uint16_t>(zz));
    }
    std::uint32_t texel = 0;
    if constexpr (F != TexelFormat::None) {
      float w = 1.0f / iw;
      texel = kBilinear ? SampleBilinear<F>(p, uw * w, vw * w) : SampleNearest<F>(p, uw * w, vw * w);
    }
    WritePixel(p, color, shade.Pixel<F != TexelFormat::None>(texel, p.specular));
  }
}

template <TexelFormat F>
constexpr SpanRoutine kPair[2] = {&DrawSpan<F, false>, &DrawSpan<F, true>};

}  // namespace

SpanRoutine ChooseSpanRoutine(TexelFormat format, bool bilinear) {
  int b = bilinear ? 1 : 0;
  switch (format) {
    case TexelFormat::Rgb555: return kPair<TexelFormat::Rgb555>[b];
    case TexelFormat::Argb1555: return kPair<TexelFormat::Argb1555>[b];
    case TexelFormat::Argb4444: return kPair<TexelFormat::Argb4444>[b];
    case TexelFormat::Rgb565: return kPair<TexelFormat::Rgb565>[b];
    case TexelFormat::Xrgb8888: return kPair<TexelFormat::Xrgb8888>[b];
    case TexelFormat::Argb8888: return kPair<TexelFormat::Argb8888>[b];
    case TexelFormat::Rgb332: return kPair<TexelFormat::Rgb332>[b];
    case TexelFormat::Indexed8: return kPair<TexelFormat::Indexed8>[b];
    default: return &DrawSpan<TexelFormat::None, false>;
  }
}

}  // namespace raster::detail
