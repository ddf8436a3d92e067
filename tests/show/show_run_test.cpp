// Tests of WinMain as a whole, offscreen with a scripted clock: the length of
// the timeline, Escape and close requests, a wrap of the millisecond counter,
// the display failure path and every sound failure path.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/display.h"
#include "effects/glow.h"
#include "platform/platform.h"
#include "platform/ddraw/driver.h"
#include "platform/win32/user.h"
#include "platform/host/host.h"
#include "show/show.h"

namespace {

class ShowRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    host::SetDataDir(VUXA_DATA_DIR);
  }
  void TearDown() override { platform::ResetPlatform(); }

  // Every presented frame moves the clock on by `step` milliseconds from `base`.
  static void ClockPerFlip(DWORD base, DWORD step) {
    host::SetTickSource([base, step] { return base + step * host::FlipCount(); });
  }

  static int Run() {
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
  }

  static std::string Report() {
    const auto& log = platform::MessageLog();
    if (log.size() != 1 || log[0].caption != "Pelmorak 3D") return "(no single report box)";
    return log[0].text;
  }
};

// One second a frame: the start-up frame, then turns at t = 0, 1, ..., 51;
// the turn at t = 52 ends the loop without presenting.
TEST_F(ShowRunTest, TheTimelineRunsFiftyTwoSecondsAndReportsTheAverage) {
  ClockPerFlip(5000, 1000);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host::FlipCount(), 1u + 52u);
  EXPECT_EQ(Report(), "Average framerate: 1 fps");
}

// A tenth of a second a frame: escape during the tenth turn. That turn is
// presented and counted, so 10 frames over 1.0 s are reported as 10 fps.
TEST_F(ShowRunTest, EscapeEndsTheShowAfterTheCurrentTurn) {
  ClockPerFlip(0, 100);
  host::SetFlipHook([](unsigned flip) {
    if (flip == 10) platform::PostKeyDown(VK_ESCAPE);
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host::FlipCount(), 11u);
  EXPECT_EQ(Report(), "Average framerate: 10 fps");
}

TEST_F(ShowRunTest, ACloseRequestEndsTheShowLikeEscape) {
  ClockPerFlip(0, 100);
  host::SetFlipHook([](unsigned flip) {
    if (flip == 20) platform::PostCloseRequest();
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host::FlipCount(), 21u);
  EXPECT_EQ(Report(), "Average framerate: 10 fps");
}

TEST_F(ShowRunTest, AWrapOfTheMillisecondCounterDoesNotHoldTheTimeline) {
  ClockPerFlip(0xFFFFFFFFu - 20500u, 1000);  // wraps during the twentieth second
  host::SetFlipHook([](unsigned flip) {
    if (flip == 200) platform::PostKeyDown(VK_ESCAPE);  // ends a show that would not end
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host::FlipCount(), 1u + 52u);
  EXPECT_EQ(Report(), "Average framerate: 1 fps");
}

TEST_F(ShowRunTest, AFailedDisplaySetUpShowsOneBoxAndReturnsOne) {
  platform::Profile().mode32 = false;
  platform::Profile().mode24 = false;
  // Were the module loaded on this path, this would end the process.
  host::ForcedFailures()["MIDASloadModule"] = 1;
  TitleFont = SubtitleFont = ClosingFont = CreditFont = nullptr;

  EXPECT_EQ(Run(), 1);
  const auto& log = platform::MessageLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].caption, "Pelmorak 3D");
  EXPECT_EQ(log[0].text, DescribeDisplayError(DDERR_INVALIDMODE));
  EXPECT_EQ(host::FlipCount(), 0u);
  EXPECT_EQ(TitleFont, nullptr);
  EXPECT_EQ(CreditFont, nullptr);
}

TEST_F(ShowRunTest, TheCodeOfAnyFailingSetUpCallIsNamed) {
  host::ForcedFailures()["DirectDrawCreate"] = DDERR_NODIRECTDRAWHW;
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(platform::MessageLog().size(), 1u);
  EXPECT_EQ(platform::MessageLog()[0].text,
            "DirectDraw support is not possible with the current display driver.");
}

// Written from an exit handler of the child process: how many boxes it showed
// and what the last one said.
void ReportBoxesAtExit() {
  const auto& log = platform::MessageLog();
  std::fprintf(stderr, "boxes=%zu caption=%s text=%s\n", log.size(),
               log.empty() ? "" : log.back().caption.c_str(),
               log.empty() ? "" : log.back().text.c_str());
}

class SoundFailureTest : public ShowRunTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SoundFailureTest, EndsTheProcessWithOneMidasBoxAndExitCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit(ReportBoxesAtExit);
        ClockPerFlip(0, 1000);
        host::ForcedFailures()[GetParam()] = 1;
        Run();
        std::fprintf(stderr, "WinMain returned\n");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(1), "boxes=1 caption=Midas text=[^\n]+");
}

INSTANTIATE_TEST_SUITE_P(EachTestedCall, SoundFailureTest,
                         ::testing::Values("MIDASinit", "MIDASloadModule", "MIDASplayModule",
                                           "MIDASstopModule", "MIDASfreeModule", "MIDASclose"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
