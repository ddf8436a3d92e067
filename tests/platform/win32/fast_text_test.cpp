// The text blend's vector form against the plain one on every SIMD target at
// 32 bits (24 takes the plain form): every colour, destination and coverage
// value, rows of every length and alignment with runs of zero coverage. The
// plain form's rounding and byte order, at both depths.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/win32/text_blend.h"
#include "support/simd_targets.h"

namespace {

using platform::BlendCoverageRow;
using platform::BlendCoverageRowPlain;

TEST(FastText, EveryColourDestinationAndCoverage) {
  // One row per colour value v (all three channels v): 256 x 256 pixels whose
  // blue, green and red are the destination d and whose coverage is a.
  std::vector<std::uint8_t> coverage(256 * 256);
  std::vector<std::uint8_t> base(4 * coverage.size());
  for (int d = 0; d < 256; ++d)
    for (int a = 0; a < 256; ++a) {
      const std::size_t k = static_cast<std::size_t>(d) * 256 + a;
      coverage[k] = static_cast<std::uint8_t>(a);
      base[4 * k] = base[4 * k + 1] = base[4 * k + 2] = static_cast<std::uint8_t>(d);
      base[4 * k + 3] = static_cast<std::uint8_t>(a ^ d);  // must stay as it is
    }
  const int count = static_cast<int>(coverage.size());
  for (std::uint32_t v = 0; v < 256 && !HasFailure(); ++v) {
    const std::uint32_t rgb = v * 0x010101u;
    std::vector<std::uint8_t> plain = base;
    BlendCoverageRowPlain(plain.data(), 4, coverage.data(), count, rgb);
    ForEachSimdTarget([&](const char* target) {
      std::vector<std::uint8_t> fast = base;
      BlendCoverageRow(fast.data(), 4, coverage.data(), count, rgb);
      EXPECT_EQ(fast, plain) << target << ", colour " << v;
    });
  }
  // The plain form is the rounding toward zero of (colour - dst) a / 255.
  std::vector<std::uint8_t> px = {200, 10, 128, 7};
  const std::uint8_t a = 100;
  BlendCoverageRowPlain(px.data(), 4, &a, 1, 0x00FF0080u);  // red 255, green 0, blue 128
  EXPECT_EQ(px, (std::vector<std::uint8_t>{static_cast<std::uint8_t>(200 - 72 * 100 / 255),
                                           10 - 10 * 100 / 255, 128 + 127 * 100 / 255, 7}));
  // At 24 bits the same, pixel after pixel three bytes apart.
  std::vector<std::uint8_t> two = {200, 10, 128, 200, 10, 128};
  const std::uint8_t both[2] = {a, a};
  BlendCoverageRowPlain(two.data(), 3, both, 2, 0x00FF0080u);
  EXPECT_EQ(two, (std::vector<std::uint8_t>{px[0], px[1], px[2], px[0], px[1], px[2]}));
}

TEST(FastText, RowsOfEveryLengthAndOffset) {
  ForEachSimdTarget([](const char* target) {
    std::mt19937 random(7);
    for (int bytes : {4, 3}) {
      for (int count = 0; count < 70; ++count) {
        for (int offset = 0; offset < 4; ++offset) {
          // Runs of zero coverage up to 31 long, so whole vectors are skipped too.
          std::vector<std::uint8_t> coverage(static_cast<std::size_t>(count + offset));
          std::uint32_t zeros = 0;
          for (std::uint8_t& c : coverage) {
            const std::uint32_t r = random();
            if (zeros == 0 && (r & 7) == 0) zeros = r >> 3 & 31;
            c = zeros > 0 ? 0 : static_cast<std::uint8_t>(r >> 8);
            zeros -= zeros > 0;
          }
          std::vector<std::uint8_t> pixels(static_cast<std::size_t>(bytes) * (count + offset) + 8);
          for (std::uint8_t& p : pixels) p = static_cast<std::uint8_t>(random());
          std::vector<std::uint8_t> fast = pixels, plain = pixels;
          const std::uint32_t rgb = random() & 0xFFFFFFu;
          BlendCoverageRow(fast.data() + bytes * offset, bytes, coverage.data() + offset, count, rgb);
          BlendCoverageRowPlain(plain.data() + bytes * offset, bytes, coverage.data() + offset, count, rgb);
          ASSERT_EQ(fast, plain) << target << ", " << bytes << " bytes, " << count << " pixels from "
                                 << offset;
        }
      }
    }
  });
}

}  // namespace
