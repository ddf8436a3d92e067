// The show time that names screenshots, the program search on the PATH, the
// installed data directory, and the checks made before a run.
#include <gtest/gtest.h>

#include <string>

#include "support/display_fixture.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "present_support.h"
#include "support/sound_test_xm.h"

namespace {

using namespace present_test;

class ShowTime : public OffscreenPlatform {
 protected:
  void UseClock(DWORD* now) {
    host::SetTickSource([now] { return *now; });
  }
};

TEST_F(ShowTime, CountsFromTheFirstTickReadAfterTheMusicStarts) {
  DWORD now = 5000;
  UseClock(&now);
  EXPECT_EQ(host::ShowSeconds(GetTickCount()), 0.0);  // before the music: the start
  host::MarkShowStart();
  now = 5003;
  const DWORD start = GetTickCount();  // the show's own start tick
  EXPECT_EQ(start, 5003u);
  now = 6503;
  EXPECT_DOUBLE_EQ(host::ShowSeconds(GetTickCount()), 1.5);
  EXPECT_EQ(host::LastTick(), 6503u);
}

TEST_F(ShowTime, AddsTheStartOffsetAndSurvivesTheCounterWrapping) {
  host::Options options = host::GetOptions();
  options.startSeconds = 24.25;
  host::SetOptions(options);
  DWORD now = 0xFFFFFF00u;
  UseClock(&now);
  EXPECT_DOUBLE_EQ(host::ShowSeconds(now), 24.25);
  host::MarkShowStart();
  GetTickCount();
  now += 0x200;  // past the wrap
  EXPECT_DOUBLE_EQ(host::ShowSeconds(GetTickCount()), 24.25 + 0.512);
}

TEST_F(ShowTime, PlayingTheModuleMarksTheStart) {
  ScratchDir dir("showstart");
  const std::vector<std::uint8_t> xm = sound_test::TinyXm();
  fs::create_directories(dir.path() / "music");
  std::ofstream(dir.path() / "music" / "tiny.xm", std::ios::binary)
      .write(reinterpret_cast<const char*>(xm.data()), static_cast<std::streamsize>(xm.size()));
  host::SetDataDir(dir.path().string());
  DWORD now = 100;
  UseClock(&now);
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
  fs::create_directories(dir.path() / "a");
  std::ofstream(dir.path() / "a" / "tool") << "not executable";
  fs::create_directories(dir.path() / "d" / "folder");
  const std::string a = (dir.path() / "a").string(), b = (dir.path() / "b").string(),
                    c = (dir.path() / "c").string(), d = (dir.path() / "d").string();
  {
    ScopedEnv path("PATH", a + ":" + b + ":" + c);
    EXPECT_EQ(host::FindOnPath("tool"), (dir.path() / "b" / "tool").string());
    EXPECT_EQ(host::FindOnPath("missing"), "");
    EXPECT_EQ(host::FindOnPath(""), "");
  }
  {
    ScopedEnv path("PATH", d + ":" + c);
    EXPECT_EQ(host::FindOnPath("folder"), "");  // a directory is no program
    EXPECT_EQ(host::FindOnPath("tool"), (dir.path() / "c" / "tool").string());
  }
  {
    ScopedEnv path("PATH", "/nonexistent");
    // A name with a slash is taken as it stands.
    EXPECT_EQ(host::FindOnPath((dir.path() / "b" / "tool").string()),
              (dir.path() / "b" / "tool").string());
    EXPECT_EQ(host::FindOnPath((dir.path() / "a" / "tool").string()), "");
  }
}

TEST(InstalledData, FoundBesideTheProgramWhateverThePrefix) {
  ScratchDir dir("prefix");
  const fs::path prefix = dir.path() / "some" / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "vuxa" / "music");
  fs::create_directories(dir.path() / "work");
  const std::string configured = "/configured/share/vuxa";
  EXPECT_EQ(host::ChooseDataDir((dir.path() / "work").string(), (prefix / "bin").string(),
                                    configured),
            (prefix / "share" / "vuxa").string());
  // A build tree's data beside the program comes first; nothing at all: the configured place.
  fs::create_directories(prefix / "bin" / "data");
  EXPECT_EQ(host::ChooseDataDir((dir.path() / "work").string(), (prefix / "bin").string(),
                                    configured),
            (prefix / "bin" / "data").string());
  EXPECT_EQ(host::ChooseDataDir((dir.path() / "work").string(),
                                    (dir.path() / "elsewhere" / "bin").string(), configured),
            configured);
}

class OptionChecks : public OffscreenPlatform {
 protected:
  host::OptionProblem Check(const host::Options& options) {
    host::SetOptions(options);
    return host::CheckOptions();
  }
};

TEST_F(OptionChecks, VideoNeedsFfmpegAndAWritableFileName) {
  ScratchDir dir("videocheck");
  WriteScript(dir.path() / "bin" / "ffmpeg", "exit 0");
  host::Options options;
  options.videoFile = (dir.path() / "out.mp4").string();
  {
    ScopedEnv path("PATH", (dir.path() / "bin").string());
    std::ofstream(dir.path() / "out.mp4.part") << "mine";
    EXPECT_EQ(Check(options).exitCode, 0) << Check(options).message;
    // The probe is gone and the user's own file untouched.
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"bin", "out.mp4.part"}));
    EXPECT_EQ(ReadText(dir.path() / "out.mp4.part"), "mine");

    options.videoFile = (dir.path() / "no" / "such" / "dir" / "out.mp4").string();
    host::OptionProblem problem = Check(options);
    EXPECT_EQ(problem.exitCode, 2);
    EXPECT_EQ(problem.message, "invalid value '" + options.videoFile +
                                   "' for --video (cannot write there: No such file or directory)");

    options.videoFile = (dir.path() / "bin").string();  // a directory
    problem = Check(options);
    EXPECT_EQ(problem.exitCode, 2);
    EXPECT_NE(problem.message.find("directory"), std::string::npos) << problem.message;
  }
  {
    ScopedEnv path("PATH", (dir.path() / "nothing").string());
    options.videoFile = (dir.path() / "out.mkv").string();
    host::OptionProblem problem = Check(options);
    EXPECT_EQ(problem.exitCode, 1);
    EXPECT_EQ(problem.message.rfind("--video " + options.videoFile + ": ", 0), 0u)
        << problem.message;
    EXPECT_NE(problem.message.find("ffmpeg"), std::string::npos);
  }
}

TEST_F(OptionChecks, DisplaysAreNotLookedForInCaptureRuns) {
  host::Options options;
  options.captureDir = "frames";
  options.display = 9;
  EXPECT_EQ(Check(options).exitCode, 0);  // no window: no monitor to choose
}

}  // namespace
