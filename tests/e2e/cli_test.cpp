// The command line as a user meets it: help and version, bad values (one
// line, a pointer to the help, exit 2, nothing made), where the data is taken
// from, a missing display or module (exit 1 and why), and --benchmark.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "show/show.h"
#include "support/run_vuxa.h"

namespace {

using namespace scratch;

TEST(CommandLine, HelpAndVersionOnStdoutOrAMessageWhenItIsFull) {
  const ScratchDir dir("cli_help");
  // A plain --help run is the install test's, beside the man page it is checked against.
  const ProgramRun version = RunVuxa(dir.path(), "--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("vuxa [0-9]+\\.[0-9]+\\.[0-9]+\nSDL [0-9.]+\n"
                                                       "libopenmpt [0-9.]+\nFreeType [0-9.]+\n")))
      << version.out;
  for (const char* args : {"--help", "--version"}) {
    const ProgramRun full = RunVuxa(dir.path(), args, "", "> /dev/full 2> stderr.txt");
    EXPECT_NE(full.exitCode, 0) << args;
    EXPECT_EQ(full.err.rfind("vuxa: cannot write the ", 0), 0u) << full.err;
    EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
  }
}

TEST(CommandLine, BadValuesGiveOneLineAndAPointerToHelpAndMakeNothing) {
  const ScratchDir dir("cli_bad");
  fs::create_directories(dir.path() / "d.mkv");
  const struct {
    std::string args, firstLine;  // the first line's start
  } cases[] = {  // the parser's refusals are its own tests: one here, then the later checks
      {"--capture c --fps 0", "vuxa: invalid value '0' for --fps"},
      {"--video missing/c.mp4", "vuxa: invalid value 'missing/c.mp4' for --video"},
      {"--video d.mkv", "vuxa: invalid value 'd.mkv' for --video"},
      {"--data missing", "vuxa: invalid value 'missing' for --data (not a directory)\n"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = RunVuxa(dir.path(), c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_EQ(run.err.rfind(c.firstLine, 0), 0u) << run.err;
    EXPECT_EQ(run.err.substr(run.err.find('\n') + 1), "Try 'vuxa --help'.\n") << c.args;
  }
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"d.mkv", "stderr.txt", "stdout.txt"}));
}

TEST(CommandLine, DataFolderDisplayAndModuleFailures) {
  // A working directory with only a damaged bitmap is used, and what it
  // lacks is said: without music the sound library ends the run.
  const ScratchDir dir("cli_data");
  WriteBytes(dir.path() / "Textures/PLANET.BMP", {'B', 'M', ' ', 'b', 'a', 'd'});
  ProgramRun run = RunVuxa(dir.path(), "--capture out --fps 5 --start 50");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("working directory, which lacks music/, scenes/, images/\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Midas: Unable to open file: music/vuxa.xm: "), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.path() / "out" / FrameName(0)));
  EXPECT_EQ(run.out, "");
  run = RunVuxa(dir.path(), "--capture out2 --fps 5 --start 50 --data '" VUXA_DATA_DIR "'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.warnings.empty()) << run.err;

  // No display: the stand-in's DirectDrawCreate finds no driver, one box says so.
  run = RunVuxa(dir.path(), "", "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(std::string("Pelmorak 3D: ") + DescribeDisplayError(DDERR_NODIRECTDRAWHW)),
            std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(CommandLine, BenchmarkPlaysTheShowOffscreenAndReportsItsCost) {
  const ScratchDir dir("cli_benchmark");
  const ProgramRun run = RunVuxa(dir.path(), "--benchmark --fps 5", "-u DISPLAY");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::smatch cost;
  ASSERT_TRUE(std::regex_match(run.out, cost, std::regex("Average framerate: 5 fps\nCPU time: ([0-9.]+) s\n"
                                                         "Peak memory: ([0-9.]+) MB\n")))
      << run.out;
  EXPECT_GT(std::stod(cost[1]), 0.0);
  EXPECT_GT(std::stod(cost[2]), 1.0);
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"stderr.txt", "stdout.txt"}));
}

}  // namespace
