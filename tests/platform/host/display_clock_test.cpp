// The tick counter (fixed-step, scripted and real), the music each frame
// period owns in a capture, MulDiv and the module handle.
#include <SDL.h>

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

TEST_F(Clock, FixedStepAdvancesOneFramePeriodPerFlip) {
  UseFps(25);
  OpenDisplay(32);
  EXPECT_EQ(GetTickCount(), 0u);
  EXPECT_EQ(TicksAfterFlips(1), 40u);
  EXPECT_EQ(TicksAfterFlips(2), 80u);
  EXPECT_EQ(TicksAfterFlips(25), 1000u);
}

TEST_F(Clock, FixedStepAtSixtyFramesRoundsDown) {
  UseFps(60);
  OpenDisplay(32);
  EXPECT_EQ(TicksAfterFlips(1), 16u);
  EXPECT_EQ(TicksAfterFlips(2), 33u);
  EXPECT_EQ(TicksAfterFlips(3), 50u);
  EXPECT_EQ(TicksAfterFlips(59), 983u);
  EXPECT_EQ(TicksAfterFlips(60), 1000u);
  EXPECT_EQ(TicksAfterFlips(61), 1016u);
}

TEST_F(Clock, FlipHookSeesEachFrameIndexAfterTheClockMoved) {
  UseFps(25);
  OpenDisplay(32);
  std::vector<std::pair<unsigned, DWORD>> seen;
  host::SetFlipHook([&](unsigned index) { seen.push_back({index, GetTickCount()}); });
  TicksAfterFlips(3);
  ASSERT_EQ(seen.size(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].first, i);
    EXPECT_EQ(seen[i].second, (i + 1) * 40);
  }
}

TEST_F(Clock, ScriptedSourceOverridesUntilReset) {
  OpenDisplay(32);
  DWORD now = 0xFFFFFFF0u;
  host::SetTickSource([&] { return now; });
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  now = 5;
  primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_EQ(GetTickCount(), 5u);
  CloseDisplay();
  platform::ResetPlatform();
  EXPECT_EQ(GetTickCount(), 0u);  // back to the fixed step, no flips yet
}

TEST_F(Clock, RealClockCountsMilliseconds) {
  host::SetOptions(host::Options{});  // not offscreen: the real clock
  DWORD before = GetTickCount();
  SDL_Delay(30);
  DWORD elapsed = GetTickCount() - before;
  EXPECT_GE(elapsed, 25u);
  EXPECT_LT(elapsed, 2000u);
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

TEST(MulDiv, RoundsToNearestWithA64BitProduct) {
  EXPECT_EQ(MulDiv(16, 96, 72), 21);
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(1, 1, 2), 1);     // halves round away from zero
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(-5, 2, -3), 3);   // 10/3
  EXPECT_EQ(MulDiv(7, 0, 3), 0);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(100000, 100000, 1000), 10000000);
}

TEST(MulDiv, ZeroDenominatorAndOverflowGiveMinusOne) {
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0, 0, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
}

TEST(ModuleHandle, OwnModuleIsStableAndOthersDoNotExist) {
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_NE(self, nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), self);
  EXPECT_EQ(GetModuleHandleA("midas11.dll"), nullptr);
}

}  // namespace
