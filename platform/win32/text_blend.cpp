// text_blend.cpp: the row blend of text coverage, plain and a vector of
// pixels at once (compiled once per SIMD target, dispatched at run time).
//
// The vector form (32-bit pixels) splits the pixel bytes into even bytes
// (blue, red) and odd bytes (green, fourth) in 16-bit lanes and works on the
// magnitude of colour - dst: |d| x coverage is at most 255 x 255, so it fits,
// and (x + (x >> 8) + 1) >> 8 equals x / 255 for every such x; the sign is
// put back afterwards, which truncates toward zero like the plain division.
// The fourth byte gets coverage 0, which leaves it as it was. Runs of a
// vector's worth of uncovered pixels are skipped with one test. Where the
// compiler offers only one-lane vectors (HWY_SCALAR) the plain form runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/win32/text_blend.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstddef>

#include "platform/win32/text_blend.h"

#if HWY_ONCE
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

}  // namespace platform
#endif

HWY_BEFORE_NAMESPACE();
namespace platform {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// dst + sign(d) (|d| a / 255) with d = colour - dst, in 16-bit lanes holding
// one byte each.
template <class D>
HWY_INLINE hn::Vec<D> BlendLanes(D d16, hn::Vec<D> dst, hn::Vec<D> color, hn::Vec<D> cover) {
  const hn::RebindToSigned<D> di16;
  const auto d = hn::Sub(color, dst);
  const auto sign = hn::BitCast(d16, hn::ShiftRight<15>(hn::BitCast(di16, d)));
  const auto magnitude = hn::Sub(hn::Xor(d, sign), sign);
  const auto x = hn::Mul(magnitude, cover);
  const auto q = hn::ShiftRight<8>(hn::Add(hn::Add(x, hn::ShiftRight<8>(x)), hn::Set(d16, 1)));
  return hn::Add(dst, hn::Sub(hn::Xor(q, sign), sign));
}

// Returns how many pixels it blended: whole vectors from the row's start.
// The one-lane fallback target leaves every pixel to the plain loop.
#if HWY_TARGET == HWY_SCALAR
int BlendRow32(std::uint8_t*, const std::uint8_t*, int, std::uint32_t) { return 0; }
#else
int BlendRow32(std::uint8_t* pixels, const std::uint8_t* coverage, int count, std::uint32_t rgb) {
  const hn::ScalableTag<std::uint32_t> d32;
  const hn::Repartition<std::uint16_t, decltype(d32)> d16;
  const hn::Rebind<std::uint8_t, decltype(d32)> d8;
  const hn::Repartition<std::uint8_t, decltype(d32)> bytes;
  const int lanes = static_cast<int>(hn::Lanes(d32));
  const auto lowByte = hn::Set(d16, 0x00FF);
  const auto color = hn::BitCast(d16, hn::Set(d32, rgb & 0xFFFFFFu));
  const auto colorEven = hn::And(color, lowByte);
  const auto colorOdd = hn::ShiftRight<8>(color);
  int x = 0;
  for (; x + lanes <= count; x += lanes) {
    const auto a = hn::PromoteTo(d32, hn::LoadU(d8, coverage + x));
    if (hn::AllTrue(d32, hn::Eq(a, hn::Zero(d32)))) continue;
    // Each pixel's coverage in its blue, green and red bytes, 0 in the fourth.
    const auto cover = hn::BitCast(d16, hn::Or(hn::Or(a, hn::ShiftLeft<8>(a)), hn::ShiftLeft<16>(a)));
    std::uint8_t* p = pixels + 4 * static_cast<std::ptrdiff_t>(x);
    const auto dst = hn::BitCast(d16, hn::LoadU(bytes, p));
    const auto even = BlendLanes(d16, hn::And(dst, lowByte), colorEven, hn::And(cover, lowByte));
    const auto odd = BlendLanes(d16, hn::ShiftRight<8>(dst), colorOdd, hn::ShiftRight<8>(cover));
    hn::StoreU(hn::BitCast(bytes, hn::Or(even, hn::ShiftLeft<8>(odd))), bytes, p);
  }
  return x;
}
#endif

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace platform
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace platform {

HWY_EXPORT(BlendRow32);
HWY_EXPORT(TargetName);

void BlendCoverageRow(std::uint8_t* pixels, int bytesPerPixel, const std::uint8_t* coverage, int count,
                      std::uint32_t rgb) {
  int done = 0;
  if (bytesPerPixel == 4) done = HWY_DYNAMIC_DISPATCH(BlendRow32)(pixels, coverage, count, rgb);
  BlendCoverageRowPlain(pixels + static_cast<std::ptrdiff_t>(done) * bytesPerPixel, bytesPerPixel, coverage + done,
                        count - done, rgb);
}

const char* BlendTarget() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }

}  // namespace platform
#endif
