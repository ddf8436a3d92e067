// The vector noise fills against the plain loop on every SIMD target: the same
// pixels and generator state after runs of frames from many states, meeting
// every value 0 to 32767; the dispatch runs the best target, or the one pinned.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "support/simd_targets.h"

namespace {

TEST(FastNoise, SamePixelsAndStateAsThePlainLoop) {
  std::mt19937 random(7);
  std::vector<std::uint32_t> states = {0u, 1u, 2u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFF0000u};
  for (int i = 0; i < 40; ++i) states.push_back(random());

  std::vector<bool> seen(32768, false);
  std::vector<std::uint32_t> plain(FRAME_PIXELS), fast(FRAME_PIXELS);
  ASSERT_FALSE(SimdTargets().empty());
  EXPECT_STREQ(FastFillTarget(), hwy::TargetName(SimdTargets().front()));
#if HWY_ARCH_X86_64
  EXPECT_STRNE(FastFillTarget(), "EMU128") << "a real vector target on every x86-64 of the last 15 years";
#endif
  ForEachSimdTarget([&](const char* target) {
    ASSERT_STREQ(FastFillTarget(), target) << "the dispatch runs the pinned target";
    for (std::uint32_t start : states) {
      std::uint32_t plainState = start;
      std::uint32_t fastState = start;
      for (int frame = 0; frame < 3; ++frame) {
        SetShowRandomState(plainState);
        FillNoise(plain.data());
        plainState = GetShowRandomState();

        // A frame full of a value neither path writes shows any pixel left out.
        std::fill(fast.begin(), fast.end(), 0x12345678u);
        SetShowRandomState(fastState);
        FillNoiseFast(fast.data());
        fastState = GetShowRandomState();

        ASSERT_EQ(fastState, plainState) << target << " from state " << start << ", frame " << frame;
        for (int i = 0; i < FRAME_PIXELS; ++i)
          ASSERT_EQ(fast[i], plain[i]) << target << " from state " << start << ", frame " << frame << ", pixel "
                                       << i;
      }
      // The generator values the plain loop used in the first frame.
      std::uint32_t s = start;
      for (int i = 0; i < FRAME_PIXELS; ++i) {
        s = s * 214013u + 2531011u;
        seen[s >> 16 & 0x7FFF] = true;
      }
    }
  });
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 32768) << "every grey-level conversion compared";
  EXPECT_STREQ(FastFillTarget(), hwy::TargetName(SimdTargets().front())) << "unpinned afterwards";
}

}  // namespace
