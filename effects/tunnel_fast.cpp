// tunnel_fast.cpp: the tunnel fill and the credit cross-fade, a vector of
// pixels a step, compiled once per SIMD target and dispatched at run time.
//
// ShadeTable[v][s] is max(v - s, 0), as BuildShadeTable makes it, so darkening
// the three channels of a pixel by s is one saturating byte subtraction of
// s copied into red, green and blue; 0xFF in the top byte of the subtrahend
// clears the top byte, as the plain loop leaves it. The darkening
// min(TunnelShade + 255 - L, 255) is a saturating byte addition. Texels are fetched
// by a gather (one by one where the target has none). fadeLevel is 0 to 255.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/tunnel_fast.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"

#ifndef VUXA_TUNNEL_SHADE
#define VUXA_TUNNEL_SHADE
namespace tunnel_shade {

constexpr int CREDIT_LEFT = 96;
constexpr int CREDIT_TOP = 36;

// One pixel as the vectors do it, for the lanes left over where the vector
// length need not divide the row (scalable targets: SVE, RISC-V V).
inline std::uint32_t SubtractBytes(std::uint32_t pixel, std::uint32_t s) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int v = static_cast<int>(pixel >> shift & 0xFF) - static_cast<int>(s >> shift & 0xFF);
    out |= static_cast<std::uint32_t>(v > 0 ? v : 0) << shift;
  }
  return out;
}

inline std::uint32_t Subtrahend(std::uint32_t s) { return 0xFF000000u | s * 0x010101u; }

}  // namespace tunnel_shade
#endif

HWY_BEFORE_NAMESPACE();
namespace vuxa_tunnel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace tunnel_shade;

#if HWY_TARGET == HWY_SCALAR
// One-lane vectors: the plain loops.
void FillTunnelLanes(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  FillTunnel(frame, fadeLevel, scroll);
}
void AddCreditLanes(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  AddCredit(frame, picture, fadeLevel);
}
#else
// Byte indices that copy byte 0 of each 32-bit lane into bytes 0 to 2 and
// clear byte 3 (TableLookupBytesOr0 works within 16-byte blocks).
template <class D>
HWY_INLINE hn::Vec<D> SpreadLowByte(D du) {
  const auto inBlock = hn::ShiftLeft<2>(hn::And(hn::Iota(du, 0), hn::Set(du, 3u)));
  return hn::Or(hn::Mul(inBlock, hn::Set(du, 0x010101u)), hn::Set(du, 0x80000000u));
}

// The texture index wraps in 16 bits and the darkening saturates in 8 bits
// before each widens to its pixel's lane.
void FillTunnelLanes(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  const hn::ScalableTag<std::uint32_t> du;
  const hn::RebindToSigned<decltype(du)> di;
  const hn::Rebind<std::uint16_t, decltype(du)> du16;
  const hn::Rebind<std::uint8_t, decltype(du)> du8;
  const hn::Repartition<std::uint8_t, decltype(du)> bytes;
  const std::size_t lanes = hn::Lanes(du);
  const auto extra = hn::Set(du8, static_cast<std::uint8_t>(255 - fadeLevel));
  const auto offset = hn::Set(du16, scroll);
  const auto spread = hn::BitCast(bytes, SpreadLowByte(du));
  const auto top = hn::Set(du, 0xFF000000u);
  std::size_t i = 0;
  for (; i + lanes <= FRAME_PIXELS; i += lanes) {
    const auto index = hn::PromoteTo(du, hn::Add(hn::LoadU(du16, TunnelMap + i), offset));
    const auto texel = hn::GatherIndex(du, TunnelTexture, hn::BitCast(di, index));
    const auto s = hn::PromoteTo(du, hn::SaturatedAdd(hn::LoadU(du8, TunnelShade + i), extra));
    const auto subtrahend = hn::Or(hn::BitCast(du, hn::TableLookupBytesOr0(hn::BitCast(bytes, s), spread)), top);
    hn::StoreU(hn::BitCast(du, hn::SaturatedSub(hn::BitCast(bytes, texel), hn::BitCast(bytes, subtrahend))), du,
               frame + i);
  }
#if HWY_HAVE_SCALABLE
  // Vector lengths that need not divide the frame: the rest one by one.
  for (; i < FRAME_PIXELS; ++i) {
    const int s = TunnelShade[i] + 255 - fadeLevel;
    frame[i] = SubtractBytes(TunnelTexture[static_cast<std::uint16_t>(TunnelMap[i] + scroll)],
                             Subtrahend(static_cast<std::uint32_t>(s > 255 ? 255 : s)));
  }
#endif
}

// The frame pixel plus the darkened picture pixel, as 32-bit sums (a carry
// out of one channel goes into the next, as in the plain loop).
void AddCreditLanes(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  const hn::ScalableTag<std::uint32_t> du;
  const hn::Repartition<std::uint8_t, decltype(du)> bytes;
  const std::size_t lanes = hn::Lanes(du);
  const std::uint32_t scalar = Subtrahend(static_cast<std::uint32_t>(fadeLevel));
  const auto subtrahend = hn::BitCast(bytes, hn::Set(du, scalar));
  for (int y = 0; y < CREDIT_SIZE; ++y) {
    std::uint32_t* row = frame + (CREDIT_TOP + y) * FRAME_WIDTH + CREDIT_LEFT;
    const std::uint32_t* source = picture + y * CREDIT_SIZE;
    std::size_t x = 0;
    for (; x + lanes <= CREDIT_SIZE; x += lanes) {
      const auto credit = hn::SaturatedSub(hn::BitCast(bytes, hn::LoadU(du, source + x)), subtrahend);
      hn::StoreU(hn::Add(hn::LoadU(du, row + x), hn::BitCast(du, credit)), du, row + x);
    }
#if HWY_HAVE_SCALABLE
    for (; x < CREDIT_SIZE; ++x) row[x] += SubtractBytes(source[x], scalar);
#endif
  }
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace vuxa_tunnel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
// The dispatch tables and their calls live in the kernels' namespace (with
// one target, the dispatch names the function relative to it).
namespace vuxa_tunnel {
HWY_EXPORT(FillTunnelLanes);
HWY_EXPORT(AddCreditLanes);
void Fill(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  HWY_DYNAMIC_DISPATCH(FillTunnelLanes)(frame, fadeLevel, scroll);
}
void Add(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  HWY_DYNAMIC_DISPATCH(AddCreditLanes)(frame, picture, fadeLevel);
}
}  // namespace vuxa_tunnel

void FillTunnelFast(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  vuxa_tunnel::Fill(frame, fadeLevel, scroll);
}

void AddCreditFast(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  vuxa_tunnel::Add(frame, picture, fadeLevel);
}
#endif
