// text_blend.cpp: the row blend of text coverage, plain and four pixels at once.
//
// The fast form (SSE2, 32-bit pixels) works in 16-bit lanes on the magnitude
// of colour - dst: |d| x coverage is at most 255 x 255, so it fits, and
// (x + (x >> 8) + 1) >> 8 equals x / 255 for every such x; the sign is put
// back afterwards, which truncates toward zero like the plain division.
// Runs of four uncovered pixels are skipped with one test.
#include "platform/win32/text_blend.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

void BlendCoverageRowPlain(std::uint8_t* pixels, int bytesPerPixel, const std::uint8_t* coverage,
                           int count, std::uint32_t rgb) {
  const int channel[3] = {static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                          static_cast<int>((rgb >> 16) & 0xFF)};
  for (int x = 0; x < count; ++x) {
    const int a = coverage[x];
    if (a == 0) continue;
    std::uint8_t* pixel = pixels + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
    for (int i = 0; i < 3; ++i)
      pixel[i] = static_cast<std::uint8_t>(pixel[i] + (channel[i] - pixel[i]) * a / 255);
  }
}

#if defined(__SSE2__)
namespace {

// Two pixels in 16-bit lanes: dst + sign(d) (|d| a / 255) with d = colour - dst.
inline __m128i BlendPair(__m128i dst, __m128i color, __m128i cover) {
  const __m128i d = _mm_sub_epi16(color, dst);
  const __m128i sign = _mm_srai_epi16(d, 15);
  const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(d, sign), sign);
  const __m128i x = _mm_mullo_epi16(magnitude, cover);
  const __m128i q = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), _mm_set1_epi16(1)), 8);
  return _mm_add_epi16(dst, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
}

void BlendRow32(std::uint8_t* pixels, const std::uint8_t* coverage, int count, std::uint32_t rgb) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i color = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(rgb & 0xFFFFFFu)), zero);
  const __m128i noAlpha = _mm_set1_epi32(0x00FFFFFF);
  int x = 0;
  for (; x + 4 <= count; x += 4) {
    std::uint32_t four;
    std::memcpy(&four, coverage + x, 4);
    if (four == 0) continue;
    // Each pixel's coverage in its blue, green and red bytes, 0 in the fourth.
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(four));
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_and_si128(_mm_unpacklo_epi16(a, a), noAlpha);
    std::uint8_t* p = pixels + 4 * static_cast<std::ptrdiff_t>(x);
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i low = BlendPair(_mm_unpacklo_epi8(dst, zero), color, _mm_unpacklo_epi8(a, zero));
    const __m128i high = BlendPair(_mm_unpackhi_epi8(dst, zero), color, _mm_unpackhi_epi8(a, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(low, high));
  }
  BlendCoverageRowPlain(pixels + 4 * static_cast<std::ptrdiff_t>(x), 4, coverage + x, count - x, rgb);
}

}  // namespace
#endif

void BlendCoverageRow(std::uint8_t* pixels, int bytesPerPixel, const std::uint8_t* coverage, int count,
                      std::uint32_t rgb) {
#if defined(__SSE2__)
  if (bytesPerPixel == 4) {
    BlendRow32(pixels, coverage, count, rgb);
    return;
  }
#endif
  BlendCoverageRowPlain(pixels, bytesPerPixel, coverage, count, rgb);
}

}  // namespace platform
