// The vector noise fills against the plain loop: the same pixels and the same
// generator state afterwards, from many generator states and over runs of
// consecutive frames, with every generator value 0 to 32767 met on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "fast_paths.h"

namespace {

TEST(FastNoise, SomeVectorPathRunsOnX86) {
#if defined(__x86_64__)
  EXPECT_TRUE(FastPathAvailable(FastPath::Sse2));
  EXPECT_NE(BestFastPath(), FastPath::Plain);
#endif
  EXPECT_TRUE(FastPathAvailable(BestFastPath()));
}

TEST(FastNoise, SamePixelsAndStateAsThePlainLoop) {
  std::mt19937 random(7);
  std::vector<std::uint32_t> states = {0u, 1u, 2u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFF0000u};
  for (int i = 0; i < 40; ++i) states.push_back(random());

  std::vector<bool> seen(32768, false);
  std::vector<std::uint32_t> plain(FRAME_PIXELS), fast(FRAME_PIXELS);
  for (FastPath path : VectorPaths()) {
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
        FillNoiseFast(fast.data(), path);
        fastState = GetShowRandomState();

        ASSERT_EQ(fastState, plainState) << PathName(path) << " from state " << start << ", frame " << frame;
        for (int i = 0; i < FRAME_PIXELS; ++i)
          ASSERT_EQ(fast[i], plain[i]) << PathName(path) << " from state " << start << ", frame " << frame
                                       << ", pixel " << i;
      }
      // The generator values the plain loop used in the first frame.
      std::uint32_t s = start;
      for (int i = 0; i < FRAME_PIXELS; ++i) {
        s = s * 214013u + 2531011u;
        seen[s >> 16 & 0x7FFF] = true;
      }
    }
  }
  if (!VectorPaths().empty()) {
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 32768) << "every grey-level conversion compared";
  }
}

TEST(FastNoise, PlainPathFallsBackToTheReference) {
  std::vector<std::uint32_t> plain(FRAME_PIXELS), fast(FRAME_PIXELS);
  SetShowRandomState(99);
  FillNoise(plain.data());
  const std::uint32_t after = GetShowRandomState();
  SetShowRandomState(99);
  FillNoiseFast(fast.data(), FastPath::Plain);
  EXPECT_EQ(GetShowRandomState(), after);
  EXPECT_EQ(fast, plain);
}

}  // namespace
