// noise_fast.cpp: the title noise with several generator steps side by side.
//
// ShowRandom's generator is state = state x 214013 + 2531011 (mod 2^32), so k
// steps at once are state x A(k) + C(k) with constants for k. Each vector
// lane holds the state of one pixel, and every lane jumps on by the number of
// lanes in flight; several vectors run at once so the multiplies overlap.
// The grey level comes from the same two single-precision multiplies and the
// same truncation as the plain loop, which the vector instructions round
// exactly as the scalar ones do, so the pixels are bit-identical.
#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define VUXA_X86_FAST 1
#endif

namespace {

constexpr std::uint32_t RANDOM_A = 214013u;
constexpr std::uint32_t RANDOM_C = 2531011u;
[[maybe_unused]] constexpr float NOISE_SCALE = 9.155553e-6f;

// The generator k steps at once: state becomes a x state + c.
struct Jump {
  std::uint32_t a;
  std::uint32_t c;
};

constexpr Jump JumpOf(int k) {
  Jump jump{1u, 0u};
  for (int i = 0; i < k; ++i) jump = {jump.a * RANDOM_A, jump.c * RANDOM_A + RANDOM_C};
  return jump;
}

constexpr Jump FRAME_JUMP = JumpOf(FRAME_PIXELS);

#ifdef VUXA_X86_FAST

// The lanes hold each state doubled (mod 2^32): the generator's value, bits
// 16 to 30 of the state, is then the doubled state shifted right by 17, and
// k steps take a doubled state t to A(k) x t + 2 x C(k).

// The doubled states of the first `lanes` pixels: pixel p uses the state after p + 1 steps.
template <int lanes>
void FirstStates(std::uint32_t state, std::uint32_t (&states)[lanes]) {
  for (std::uint32_t& s : states) {
    state = state * RANDOM_A + RANDOM_C;
    s = state << 1;
  }
}

// Grey levels of four pixels from their doubled generator states.
inline __m128i NoiseLevels(__m128i doubled) {
  const __m128i r = _mm_srli_epi32(doubled, 17);
  __m128 level = _mm_mul_ps(_mm_cvtepi32_ps(r), _mm_set1_ps(NOISE_SCALE));
  level = _mm_mul_ps(level, _mm_set1_ps(255.0f));
  return _mm_cvttps_epi32(level);
}

// Eight pixels 0xFF000000 + v x 0x010101 from two vectors of four levels.
inline void StoreNoisePixels(std::uint32_t* out, __m128i low, __m128i high) {
  const __m128i v = _mm_packs_epi32(low, high);
  const __m128i blueGreen = _mm_mullo_epi16(v, _mm_set1_epi16(0x0101));
  const __m128i redTop = _mm_or_si128(v, _mm_set1_epi16(static_cast<short>(0xFF00)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(blueGreen, redTop));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(blueGreen, redTop));
}

// SSE2 multiplies only the even 32-bit lanes (to 64 bits), so each vector
// keeps two states, in its lanes 0 and 2; the upper halves of the products
// are never read. Vector 2q holds pixels 4q and 4q + 1, vector 2q + 1 pixels
// 4q + 2 and 4q + 3.
void FillNoiseSse2(std::uint32_t* frame, std::uint32_t state) {
  constexpr int VECTORS = 8;
  constexpr int LANES = VECTORS * 2;
  static_assert(FRAME_PIXELS % LANES == 0);
  std::uint32_t first[LANES];
  FirstStates(state, first);
  __m128i states[VECTORS];
  for (int j = 0; j < VECTORS; ++j)
    states[j] = _mm_setr_epi32(static_cast<int>(first[2 * j]), 0, static_cast<int>(first[2 * j + 1]), 0);
  constexpr Jump STEP = JumpOf(LANES);
  const __m128i a = _mm_set1_epi32(static_cast<int>(STEP.a));
  const __m128i c = _mm_set1_epi32(static_cast<int>(STEP.c << 1));
  for (int i = 0; i < FRAME_PIXELS; i += LANES) {
    for (int j = 0; j < VECTORS; j += 4) {
      __m128i levels[2];
      for (int h = 0; h < 2; ++h) {
        const __m128 pair0 = _mm_castsi128_ps(states[j + 2 * h]);
        const __m128 pair1 = _mm_castsi128_ps(states[j + 2 * h + 1]);
        levels[h] = NoiseLevels(_mm_castps_si128(_mm_shuffle_ps(pair0, pair1, _MM_SHUFFLE(2, 0, 2, 0))));
      }
      StoreNoisePixels(frame + i + 2 * j, levels[0], levels[1]);
    }
    for (__m128i& s : states) s = _mm_add_epi32(_mm_mul_epu32(s, a), c);
  }
}

__attribute__((target("avx2"))) inline __m256i NoisePixelsAvx2(__m256i doubled) {
  const __m256i r = _mm256_srli_epi32(doubled, 17);
  __m256 level = _mm256_mul_ps(_mm256_cvtepi32_ps(r), _mm256_set1_ps(NOISE_SCALE));
  level = _mm256_mul_ps(level, _mm256_set1_ps(255.0f));
  const __m256i v = _mm256_cvttps_epi32(level);
  // Copy the level byte into red, green and blue; the top byte becomes 0xFF.
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
                                          0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
  return _mm256_or_si256(_mm256_shuffle_epi8(v, spread),
                         _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
}

__attribute__((target("avx2"))) void FillNoiseAvx2(std::uint32_t* frame, std::uint32_t state) {
  constexpr int VECTORS = 4;
  constexpr int LANES = VECTORS * 8;
  static_assert(FRAME_PIXELS % LANES == 0);
  alignas(32) std::uint32_t first[LANES];
  FirstStates(state, first);
  __m256i states[VECTORS];
  for (int j = 0; j < VECTORS; ++j)
    states[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(first + 8 * j));
  constexpr Jump STEP = JumpOf(LANES);
  const __m256i a = _mm256_set1_epi32(static_cast<int>(STEP.a));
  const __m256i c = _mm256_set1_epi32(static_cast<int>(STEP.c << 1));
  for (int i = 0; i < FRAME_PIXELS; i += LANES) {
    for (int j = 0; j < VECTORS; ++j) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + i + 8 * j), NoisePixelsAvx2(states[j]));
      states[j] = _mm256_add_epi32(_mm256_mullo_epi32(states[j], a), c);
    }
  }
}

#endif  // VUXA_X86_FAST

}  // namespace

void FillNoiseFast(std::uint32_t* frame, FastPath path) {
  if (!FastPathAvailable(path)) path = FastPath::Plain;
  const std::uint32_t state = GetShowRandomState();
  switch (path) {
#ifdef VUXA_X86_FAST
    case FastPath::Sse2:
      FillNoiseSse2(frame, state);
      break;
    case FastPath::Avx2:
      FillNoiseAvx2(frame, state);
      break;
#endif
    default:
      FillNoise(frame);
      return;
  }
  SetShowRandomState(state * FRAME_JUMP.a + FRAME_JUMP.c);
}
