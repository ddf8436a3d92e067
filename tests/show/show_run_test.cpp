// WinMain as a whole, offscreen with a scripted clock: the timeline's length,
// Escape and close requests, a wrap of the millisecond counter, the display's
// failure path and every sound failure path.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "display/display.h"
#include "effects/glow.h"
#include "platform/ddraw/driver.h"
#include "platform/win32/user.h"
#include "show/show.h"
#include "support/display_fixture.h"

namespace {

class ShowRun : public OffscreenPlatform {
 protected:
  void SetUp() override { ResetOffscreen(VUXA_DATA_DIR); }
  // Every presented frame moves the clock on by `step` ms from `base`.
  static void ClockPerFlip(DWORD base, DWORD step) {
    host::SetTickSource([base, step] { return base + step * host::FlipCount(); });
  }
  static int Run() {
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
  }
};

TEST_F(ShowRun, TheTimelineEndsAtFiftyTwoSecondsOrWhenAsked) {
  const struct {
    const char* what;
    DWORD base, step;
    unsigned at;  // the flip on which the end is asked for (0: never)
    std::function<void()> ask;
    unsigned flips;
    const char* report;
  } cases[] = {
      // The start-up frame and turns at 0 to 51 s; the turn at 52 s presents nothing.
      {"to its end", 5000, 1000, 0, nullptr, 53, "Average framerate: 1 fps"},
      // The asking turn is presented and counted: 10 frames in 1.0 s.
      {"Escape", 0, 100, 10, [] { platform::PostKeyDown(VK_ESCAPE); }, 11, "Average framerate: 10 fps"},
      {"a close request", 0, 100, 20, [] { platform::PostCloseRequest(); }, 21, "Average framerate: 10 fps"},
      // The counter wraps in the twentieth second; Escape would end a show that does not.
      {"a wrap", 0xFFFFFFFFu - 20500u, 1000, 200, [] { platform::PostKeyDown(VK_ESCAPE); }, 53,
       "Average framerate: 1 fps"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOffscreen(VUXA_DATA_DIR);
    ClockPerFlip(c.base, c.step);
    host::SetFlipHook([&c](unsigned flip) {
      if (flip == c.at && c.ask) c.ask();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host::FlipCount(), c.flips);
    const auto& log = platform::MessageLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].caption, "Pelmorak 3D");
    EXPECT_EQ(log[0].text, c.report);
  }
}

TEST_F(ShowRun, AFailedDisplaySetUpShowsOneBoxWithTheCallsCodeAndReturnsOne) {
  // No display mode; were the module loaded on this path, this would end the process.
  platform::Profile().mode32 = platform::Profile().mode24 = false;
  host::ForcedFailures()["MIDASloadModule"] = 1;
  TitleFont = CreditFont = nullptr;
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(platform::MessageLog().size(), 1u);
  EXPECT_EQ(platform::MessageLog()[0].caption, "Pelmorak 3D");
  EXPECT_EQ(platform::MessageLog()[0].text, DescribeDisplayError(DDERR_INVALIDMODE));
  EXPECT_EQ(host::FlipCount(), 0u);
  EXPECT_TRUE(TitleFont == nullptr && CreditFont == nullptr);
}

// Written at exit of the child process: how many boxes it showed and the last one.
void ReportBoxesAtExit() {
  const auto& log = platform::MessageLog();
  std::fprintf(stderr, "boxes=%zu caption=%s text=%s\n", log.size(), log.empty() ? "" : log.back().caption.c_str(),
               log.empty() ? "" : log.back().text.c_str());
}

class SoundFailure : public ShowRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(SoundFailure, EndsTheProcessWithOneMidasBoxAndExitCodeOne) {
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

INSTANTIATE_TEST_SUITE_P(EachCall, SoundFailure,
                         ::testing::Values("MIDASinit", "MIDASloadModule", "MIDASplayModule", "MIDASstopModule",
                                           "MIDASfreeModule", "MIDASclose"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
