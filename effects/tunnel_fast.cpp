// tunnel_fast.cpp: the tunnel fill and the credit cross-fade, four or eight
// pixels a step.
//
// ShadeTable[v][s] is max(v - s, 0), as BuildShadeTable makes it, so darkening
// the three channels of a pixel by s is one saturating byte subtraction of
// s copied into red, green and blue; 0xFF in the top byte of the subtrahend
// clears the top byte, as the plain loop leaves it. The darkening
// min(TunnelShade + 255 - L, 255) is a saturating byte addition. Texels are
// fetched one by one with SSE2 and by a gather with AVX2. fadeLevel is 0 to 255.
#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define VUXA_X86_FAST 1
#endif

namespace {

[[maybe_unused]] constexpr int CREDIT_LEFT = 96;
[[maybe_unused]] constexpr int CREDIT_TOP = 36;

#ifdef VUXA_X86_FAST

inline __m128i TopByte() { return _mm_set1_epi32(static_cast<int>(0xFF000000u)); }

inline std::uint32_t Texel(std::uint16_t map, std::uint16_t scroll) {
  return TunnelTexture[static_cast<std::uint16_t>(map + scroll)];
}

void FillTunnelSse2(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  const __m128i extra = _mm_set1_epi8(static_cast<char>(255 - fadeLevel));
  for (int i = 0; i < FRAME_PIXELS; i += 8) {
    const std::uint16_t* map = TunnelMap + i;
    const __m128i low = _mm_setr_epi32(static_cast<int>(Texel(map[0], scroll)), static_cast<int>(Texel(map[1], scroll)),
                                       static_cast<int>(Texel(map[2], scroll)), static_cast<int>(Texel(map[3], scroll)));
    const __m128i high = _mm_setr_epi32(static_cast<int>(Texel(map[4], scroll)), static_cast<int>(Texel(map[5], scroll)),
                                        static_cast<int>(Texel(map[6], scroll)), static_cast<int>(Texel(map[7], scroll)));
    const __m128i s = _mm_adds_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(TunnelShade + i)), extra);
    const __m128i pairs = _mm_unpacklo_epi8(s, s);
    const __m128i sLow = _mm_or_si128(_mm_unpacklo_epi16(pairs, pairs), TopByte());
    const __m128i sHigh = _mm_or_si128(_mm_unpackhi_epi16(pairs, pairs), TopByte());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i), _mm_subs_epu8(low, sLow));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i + 4), _mm_subs_epu8(high, sHigh));
  }
}

__attribute__((target("avx2"))) void FillTunnelAvx2(std::uint32_t* frame, int fadeLevel,
                                                     std::uint16_t scroll) {
  const __m128i extra = _mm_set1_epi8(static_cast<char>(255 - fadeLevel));
  const __m128i offset = _mm_set1_epi16(static_cast<short>(scroll));
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
                                          0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
  const __m256i top = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const auto* texture = reinterpret_cast<const int*>(TunnelTexture);
  for (int i = 0; i < FRAME_PIXELS; i += 8) {
    const __m128i index16 = _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(TunnelMap + i)), offset);
    const __m256i texel = _mm256_i32gather_epi32(texture, _mm256_cvtepu16_epi32(index16), 4);
    const __m128i s = _mm_adds_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(TunnelShade + i)), extra);
    const __m256i subtrahend = _mm256_or_si256(_mm256_shuffle_epi8(_mm256_cvtepu8_epi32(s), spread), top);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + i), _mm256_subs_epu8(texel, subtrahend));
  }
}

void AddCreditSse2(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  const __m128i subtrahend = _mm_or_si128(_mm_set1_epi32(fadeLevel * 0x010101), TopByte());
  for (int y = 0; y < CREDIT_SIZE; ++y) {
    std::uint32_t* row = frame + (CREDIT_TOP + y) * FRAME_WIDTH + CREDIT_LEFT;
    const std::uint32_t* source = picture + y * CREDIT_SIZE;
    for (int x = 0; x < CREDIT_SIZE; x += 4) {
      auto* out = reinterpret_cast<__m128i*>(row + x);
      const __m128i credit = _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x)), subtrahend);
      _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), credit));
    }
  }
}

#endif  // VUXA_X86_FAST

}  // namespace

void FillTunnelFast(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll, FastPath path) {
  if (!FastPathAvailable(path)) path = FastPath::Plain;
  switch (path) {
#ifdef VUXA_X86_FAST
    case FastPath::Sse2:
      return FillTunnelSse2(frame, fadeLevel, scroll);
    case FastPath::Avx2:
      return FillTunnelAvx2(frame, fadeLevel, scroll);
#endif
    default:
      return FillTunnel(frame, fadeLevel, scroll);
  }
}

void AddCreditFast(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel, FastPath path) {
  if (!FastPathAvailable(path)) path = FastPath::Plain;
#ifdef VUXA_X86_FAST
  // 128-pixel rows: the SSE2 loop is as fast as memory allows here.
  if (path != FastPath::Plain) return AddCreditSse2(frame, picture, fadeLevel);
#endif
  AddCredit(frame, picture, fadeLevel);
}
