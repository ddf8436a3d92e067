// to_rgb.cpp: surface memory (blue first, 3 or 4 bytes a pixel) as packed
// RGB bytes, the form the capture's PNG files and the video encoder take.
//
// Every captured or exported frame passes through here on the thread that
// renders, so 32-bit pixels go four at a time through one byte shuffle
// (Highway: one source for SSSE3/AVX2, NEON and WebAssembly, dispatched at
// run time). Each shuffle stores sixteen bytes of which the last four are
// the next pixels' place, written again by the next store: the vector loop
// stops while two pixels are still left, and the plain loop does the rest.
// The plain loop alone is the reference, and ToRgbPlain gives it to tests.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/host/to_rgb.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/host/present.h"

HWY_BEFORE_NAMESPACE();
namespace host {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Converts the 32-bit pixels from the first on while at least two are left
// after each group of four; returns how many it converted.
std::size_t ToRgbLanes(const std::uint8_t* pixels, std::size_t count, std::uint8_t* rgb) {
#if HWY_TARGET == HWY_SCALAR
  (void)pixels, (void)rgb, (void)count;
  return 0;
#else
  const hn::FixedTag<std::uint8_t, 16> d;
  // Red, green, blue of each pixel; the last four bytes are overwritten.
  alignas(16) static constexpr std::uint8_t kOrder[16] = {2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 0, 0, 0, 0};
  const auto order = hn::Load(d, kOrder);
  std::size_t i = 0;
  for (; i + 6 <= count; i += 4)
    hn::StoreU(hn::TableLookupBytes(hn::LoadU(d, pixels + 4 * i), order), d, rgb + 3 * i);
  return i;
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace host
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace host {

HWY_EXPORT(ToRgbLanes);

namespace {

void PlainRgb(const std::uint8_t* src, int bytes, std::size_t count, std::uint8_t* dst) {
  for (std::size_t i = 0; i < count; ++i, src += bytes) {
    *dst++ = src[2];
    *dst++ = src[1];
    *dst++ = src[0];
  }
}

// The conversion, with the vector loop first where `lanes` allows it.
std::vector<std::uint8_t> Rgb(const std::uint8_t* pixels, int bytes, int width, int height, bool lanes) {
  if (bytes < 3) return {};
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::vector<std::uint8_t> rgb(count * 3);
  const std::size_t done = lanes && bytes == 4 ? HWY_DYNAMIC_DISPATCH(ToRgbLanes)(pixels, count, rgb.data()) : 0;
  PlainRgb(pixels + done * bytes, bytes, count - done, rgb.data() + done * 3);
  return rgb;
}

}  // namespace

std::vector<std::uint8_t> ToRgb(const std::uint8_t* pixels, int bytes, int width, int height) {
  return Rgb(pixels, bytes, width, height, true);
}

std::vector<std::uint8_t> ToRgbPlain(const std::uint8_t* pixels, int bytes, int width, int height) {
  return Rgb(pixels, bytes, width, height, false);
}

}  // namespace host
#endif  // HWY_ONCE
