// noise_fast.cpp: the title noise with several generator steps side by side,
// compiled once per SIMD target and dispatched at run time.
//
// ShowRandom's generator is state = state x 214013 + 2531011 (mod 2^32), so k
// steps at once are state x A(k) + C(k) with constants for k. Each vector
// lane holds the state of one pixel, and every lane jumps on by the number of
// lanes in flight; four vectors run at once so the multiplies overlap.
// The grey level comes from integer arithmetic that gives the plain loop's
// float result for every generator value (see NoisePixels), so the pixels are
// bit-identical. Where the compiler offers only one-lane vectors (HWY_SCALAR)
// the plain loop runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/noise_fast.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"

#ifndef VUXA_NOISE_JUMP
#define VUXA_NOISE_JUMP
namespace noise_jump {

constexpr std::uint32_t RANDOM_A = 214013u;
constexpr std::uint32_t RANDOM_C = 2531011u;

// The generator k steps at once: state becomes a x state + c.
struct Jump {
  std::uint32_t a;
  std::uint32_t c;
};

constexpr Jump JumpOf(std::size_t k) {
  Jump jump{1u, 0u};
  for (std::size_t i = 0; i < k; ++i) jump = {jump.a * RANDOM_A, jump.c * RANDOM_A + RANDOM_C};
  return jump;
}

}  // namespace noise_jump
#endif

HWY_BEFORE_NAMESPACE();
namespace vuxa_noise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace noise_jump;

constexpr std::size_t VECTORS = 4;

// Byte indices that copy byte 0 of each 32-bit lane into bytes 0 to 2 and
// clear byte 3 (TableLookupBytesOr0 works within 16-byte blocks).
template <class D>
HWY_INLINE hn::Vec<D> SpreadLowByte(D du) {
  const auto inBlock = hn::ShiftLeft<2>(hn::And(hn::Iota(du, 0), hn::Set(du, 3u)));
  return hn::Or(hn::Mul(inBlock, hn::Set(du, 0x010101u)), hn::Set(du, 0x80000000u));
}

// Pixels 0xFF000000 + v x 0x010101 from doubled generator states (see below).
// The plain loop's level, trunc(r x 9.155553e-6f x 255.0f) with two float
// roundings, equals (r x 626707) >> 28 for every r from 0 to 32767 (the
// equality tests meet each one). With 626707 = 9 x 2^16 + 36883 that is
// (9 r + (36883 r >> 16)) >> 12: r < 2^15 sits in the low 16 bits of its
// lane, so a 16-bit high multiply gives the second term.
template <class D>
HWY_INLINE hn::Vec<D> NoisePixels(D du, hn::Vec<D> doubled, hn::Vec<D> spread) {
  const hn::Repartition<std::uint16_t, D> d16;
  const hn::Repartition<std::uint8_t, D> bytes;
  const auto r = hn::ShiftRight<17>(doubled);
  const auto low = hn::BitCast(du, hn::MulHigh(hn::BitCast(d16, r), hn::Set(d16, std::uint16_t{36883})));
  const auto v = hn::ShiftRight<12>(hn::Add(hn::Add(hn::ShiftLeft<3>(r), r), low));
  return hn::Or(hn::BitCast(du, hn::TableLookupBytesOr0(hn::BitCast(bytes, v), hn::BitCast(bytes, spread))),
                hn::Set(du, 0xFF000000u));
}

#if HWY_TARGET == HWY_SCALAR
// One-lane vectors: the plain loop.
void FillNoiseLanes(std::uint32_t* frame, std::uint32_t state) {
  SetShowRandomState(state);
  FillNoise(frame);
}
#else
// The lanes hold each state doubled (mod 2^32): the generator's value, bits
// 16 to 30 of the state, is then the doubled state shifted right by 17, and
// k steps take a doubled state t to A(k) x t + 2 x C(k). Pixel p uses the
// state after p + 1 steps from `state`.
void FillNoiseLanes(std::uint32_t* frame, std::uint32_t state) {
  const hn::ScalableTag<std::uint32_t> du;
  const std::size_t lanes = hn::Lanes(du);
  const std::size_t step = VECTORS * lanes;
  HWY_ALIGN std::uint32_t first[VECTORS * hn::MaxLanes(du)];
  std::uint32_t s = state;
  for (std::size_t j = 0; j < step; ++j) {
    s = s * RANDOM_A + RANDOM_C;
    first[j] = s << 1;
  }
  auto s0 = hn::Load(du, first);
  auto s1 = hn::Load(du, first + lanes);
  auto s2 = hn::Load(du, first + 2 * lanes);
  auto s3 = hn::Load(du, first + 3 * lanes);
  const Jump jump = JumpOf(step);
  const auto a = hn::Set(du, jump.a);
  const auto c = hn::Set(du, jump.c << 1);
  const auto spread = SpreadLowByte(du);
  std::size_t i = 0;
  for (; i + step <= FRAME_PIXELS; i += step) {
    hn::StoreU(NoisePixels(du, s0, spread), du, frame + i);
    hn::StoreU(NoisePixels(du, s1, spread), du, frame + i + lanes);
    hn::StoreU(NoisePixels(du, s2, spread), du, frame + i + 2 * lanes);
    hn::StoreU(NoisePixels(du, s3, spread), du, frame + i + 3 * lanes);
    s0 = hn::Add(hn::Mul(s0, a), c);
    s1 = hn::Add(hn::Mul(s1, a), c);
    s2 = hn::Add(hn::Mul(s2, a), c);
    s3 = hn::Add(hn::Mul(s3, a), c);
  }
#if HWY_HAVE_SCALABLE
  // Vector lengths that need not divide the frame: the rest one pixel at a
  // time, as the plain loop does it.
  if (i < FRAME_PIXELS) {
    const Jump done = JumpOf(i);
    s = state * done.a + done.c;
    for (; i < FRAME_PIXELS; ++i) {
      s = s * RANDOM_A + RANDOM_C;
      const float r = static_cast<float>((s >> 16) & 0x7FFF);
      const auto v = static_cast<std::uint32_t>(static_cast<int>(r * 9.155553e-6f * 255.0f));
      frame[i] = 0xFF000000u | v << 16 | v << 8 | v;
    }
  }
#endif
}
#endif

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace vuxa_noise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
// The dispatch tables and their calls live in the kernels' namespace (with
// one target, the dispatch names the function relative to it).
namespace vuxa_noise {
HWY_EXPORT(FillNoiseLanes);
HWY_EXPORT(TargetName);
void Fill(std::uint32_t* frame, std::uint32_t state) { HWY_DYNAMIC_DISPATCH(FillNoiseLanes)(frame, state); }
const char* Target() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }
}  // namespace vuxa_noise

void FillNoiseFast(std::uint32_t* frame) {
  const std::uint32_t state = GetShowRandomState();
  vuxa_noise::Fill(frame, state);
  constexpr noise_jump::Jump FRAME_JUMP = noise_jump::JumpOf(FRAME_PIXELS);
  SetShowRandomState(state * FRAME_JUMP.a + FRAME_JUMP.c);
}

const char* FastFillTarget() { return vuxa_noise::Target(); }
#endif
