// The fixed-step tick counter, the music each frame period owns in a
// capture, and MulDiv. The scripted tick source and the flip hook are test
// hooks, run by the show-time tests here and by tests/show (ShowRun).
#include <climits>
#include <cstdint>

#include "support/display_fixture.h"
#include "platform/platform.h"
#include "platform/host/host.h"

namespace {

class Clock : public OffscreenPlatform {
 protected:
  void UseFps(int fps) {
    host::Options options;
    options.offscreen = true;
    options.fps = fps;
    host::SetOptions(options);
  }
  DWORD TicksAfterFlips(unsigned flips) {
    while (host::FlipCount() < flips) primary->Flip(nullptr, DDFLIP_WAIT);
    return GetTickCount();
  }
};

TEST_F(Clock, FixedStepAdvancesOneFramePeriodPerFlipRoundingDown) {
  const struct {
    int fps;
    unsigned flips;
    DWORD ticks;
  } cases[] = {{25, 0, 0},   {25, 1, 40},  {25, 2, 80},  {25, 25, 1000}, {60, 1, 16},
               {60, 2, 33},  {60, 3, 50},  {60, 59, 983}, {60, 60, 1000}, {60, 61, 1016}};
  int open = 0;
  for (const auto& c : cases) {
    if (c.fps != open) {
      CloseDisplay();
      platform::ResetPlatform();
      UseFps(open = c.fps);
      OpenDisplay(32);
    }
    EXPECT_EQ(TicksAfterFlips(c.flips), c.ticks) << c.fps << " fps, " << c.flips << " flips";
  }
}

TEST_F(Clock, CaptureSamplesAddUpToTheSampleRate) {
  EXPECT_EQ(host::CaptureSamplesForFrame(0, 60), 800u);
  EXPECT_EQ(host::CaptureSamplesForFrame(0, 25), 1920u);
  for (int fps : {7, 24, 30, 144}) {
    std::uint64_t total = 0;
    for (unsigned k = 0; k < static_cast<unsigned>(fps) * 3; ++k) {
      std::uint32_t n = host::CaptureSamplesForFrame(k, fps);
      EXPECT_LE(n, 48000u / fps + 1);
      EXPECT_GE(n, 48000u / fps);
      total += n;
    }
    EXPECT_EQ(total, 3u * 48000u) << fps;
  }
  // Deep into a long run the 64-bit arithmetic keeps the count exact.
  EXPECT_EQ(host::CaptureSamplesForFrame(4000000000u, 60), 800u);
}

TEST(MulDiv, RoundsHalvesAwayFromZeroWithA64BitProductAndFailsAsMinusOne) {
  const int cases[][4] = {
      {16, 96, 72, 21}, {12, 96, 72, 16}, {1, 1, 2, 1}, {-1, 1, 2, -1}, {3, 1, -2, -2}, {-5, 2, -3, 3},
      {7, 0, 3, 0}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {100000, 100000, 1000, 10000000},
      {1, 1, 0, -1}, {0, 0, 0, -1}, {INT_MAX, 2, 1, -1},  // no denominator, overflow
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << "*" << c[1] << "/" << c[2];
}

}  // namespace
