// Time: the fixed-step tick counter, the music each frame period owns in a
// capture, MulDiv, and the start of the show time that names screenshots
// (names against frames, and --start's offset, are tests/e2e's Window); the
// program search on the PATH and the checks before a run. The scripted tick
// source is a test hook, used here and by tests/show (ShowRun).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "support/display_fixture.h"
#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "support/scratch_files.h"
#include "support/sound_test_env.h"

namespace {

using namespace scratch;

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

using ShowTime = OffscreenPlatform;

TEST_F(ShowTime, PlayingTheModuleMarksTheStart) {
  ScratchDir dir("showstart");
  WriteBytes(dir.path() / "music" / "tiny.xm", sound_test::TinyXm());
  host::SetDataDir(dir.path().string());
  DWORD now = 100;
  host::SetTickSource([&now] { return now; });
  MIDASstartup();
  ASSERT_EQ(MIDASinit(), TRUE);
  // A play that fails marks nothing.
  EXPECT_EQ(MIDASplayModule(1234, 1), 0u);
  now = 900;
  GetTickCount();
  EXPECT_EQ(host::ShowSeconds(1900), 0.0);
  // A play that succeeds: the next tick read is the start.
  ASSERT_NE(MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1), 0u);
  GetTickCount();
  EXPECT_DOUBLE_EQ(host::ShowSeconds(1900), 1.0);
  MIDASclose();
}

TEST(FindOnPath, FindsExecutablesOnlyInPathOrder) {
  ScratchDir dir("path");
  WriteScript(dir.path() / "b" / "tool", "exit 0");
  WriteScript(dir.path() / "c" / "tool", "exit 0");
  WriteBytes(dir.path() / "a" / "tool", {'n', 'o'});  // not executable
  fs::create_directories(dir.path() / "d" / "folder");
  auto at = [&](const char* where) { return (dir.path() / where).string(); };
  const struct {
    std::string path, name, found;
  } cases[] = {
      {at("a") + ":" + at("b") + ":" + at("c"), "tool", at("b/tool")},
      {at("a") + ":" + at("b"), "missing", ""},
      {at("d") + ":" + at("c"), "folder", ""},  // a directory is no program
      {at("d") + ":" + at("c"), "tool", at("c/tool")},
      {"/nonexistent", at("b/tool"), at("b/tool")},  // a name with a slash is taken as it stands
      {"/nonexistent", at("a/tool"), ""},
  };
  for (const auto& c : cases) {
    ScopedEnv path("PATH", c.path);
    EXPECT_EQ(host::FindOnPath(c.name), c.found) << c.name << " on " << c.path;
  }
}

class OptionChecks : public OffscreenPlatform {
 protected:
  host::OptionProblem Check(const host::Options& options) {
    host::SetOptions(options);
    return host::CheckOptions();
  }
};

// Bad --video values and a missing ffmpeg are run end to end (tests/e2e,
// Video); here the write probe, which must leave the user's files alone.
TEST_F(OptionChecks, TheVideoWriteProbeLeavesNothingAndTouchesNoUserFile) {
  ScratchDir dir("videocheck");
  WriteScript(dir.path() / "bin" / "ffmpeg", "exit 0");
  ScopedEnv path("PATH", (dir.path() / "bin").string());
  std::ofstream(dir.path() / "out.mp4.part") << "mine";
  host::Options options;
  options.videoFile = (dir.path() / "out.mp4").string();
  const host::OptionProblem problem = Check(options);
  EXPECT_EQ(problem.exitCode, 0) << problem.message;
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"bin", "out.mp4.part"}));
  EXPECT_EQ(ReadText(dir.path() / "out.mp4.part"), "mine");
}

TEST_F(OptionChecks, DisplaysAreNotLookedForInCaptureRuns) {
  host::Options options;
  options.captureDir = "frames";
  options.display = 9;
  EXPECT_EQ(Check(options).exitCode, 0);  // no window: no monitor to choose
}

}  // namespace
