// End-to-end tests of the vuxa command line and of the runs that end early:
// help, version, bad options, no display, a missing module.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "show/show.h"
#include "show_process.h"

namespace {

using show_e2e::RunVuxa;
using show_e2e::ScratchDir;

TEST(ShowCommandLine, HelpAndVersionGoToStdoutAndExitZero) {
  const auto dir = ScratchDir("help");
  const auto help = RunVuxa(dir, "--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: vuxa [options]\n", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("--capture DIR"), std::string::npos);
  EXPECT_EQ(help.err, "");

  const auto version = RunVuxa(dir, "--version");
  EXPECT_EQ(version.exitCode, 0);
  // The program's version, then the libraries it runs with.
  const std::regex versions(
      "vuxa [0-9]+\\.[0-9]+\\.[0-9]+\n"
      "SDL [0-9]+\\.[0-9]+\\.[0-9]+\n"
      "libopenmpt [0-9]+\\.[0-9]+\\.[0-9]+\n"
      "FreeType [0-9]+\\.[0-9]+\\.[0-9]+\n");
  EXPECT_TRUE(std::regex_match(version.out, versions)) << version.out;
  std::filesystem::remove_all(dir);
}

TEST(ShowCommandLine, HelpAndVersionOnAFullDeviceFailWithAMessage) {
  const auto dir = ScratchDir("full");
  for (const char* args : {"--help", "--version"}) {
    const auto run = RunVuxa(dir, args, "", "> /dev/full 2> stderr.txt");
    EXPECT_NE(run.exitCode, 0) << args;
    EXPECT_EQ(run.err.rfind("vuxa: cannot write the ", 0), 0u) << args << ": " << run.err;
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
  }
  std::filesystem::remove_all(dir);
}

TEST(ShowCommandLine, BadOptionsGiveOneErrorLineThenAPointerToHelpAndExitTwo) {
  const auto dir = ScratchDir("bad");
  for (const char* args :
       {"--bogus", "--fps 0", "--fps abc", "--scale 17", "--capture", "--window extra"}) {
    const auto run = RunVuxa(dir, args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_EQ(run.out, "") << args;
    ASSERT_EQ(run.err.rfind("vuxa: ", 0), 0u) << args << ": " << run.err;
    const std::size_t firstLineEnd = run.err.find('\n');
    EXPECT_EQ(run.err.substr(firstLineEnd + 1), "Try 'vuxa --help'.\n") << args;
  }
  // Nothing was created for a capture that never started.
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  RunVuxa(dir, "--capture out --fps 0");
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  std::filesystem::remove_all(dir);
}

TEST(ShowCommandLine, WithoutADisplayTheSetUpFailsAndSaysWhy) {
  const auto dir = ScratchDir("nodisplay");
  const auto run = RunVuxa(dir, "", "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
  EXPECT_EQ(run.exitCode, 1);
  // The stand-in cannot open a display, so DirectDrawCreate reports no DirectDraw driver.
  const std::string box = std::string("Pelmorak 3D: ") + DescribeDisplayError(DDERR_NODIRECTDRAWHW);
  EXPECT_NE(run.err.find(box), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Average framerate"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  std::filesystem::remove_all(dir);
}

TEST(ShowCommandLine, AMissingModuleEndsWithTheSoundLibrarysMessage) {
  // A working directory that holds the pictures and the scene but no music.
  const auto dir = ScratchDir("nomusic");
  const std::filesystem::path data = VUXA_DATA_DIR;
  for (const char* part : {"images", "scenes", "Textures"})
    if (std::filesystem::exists(data / part))
      std::filesystem::copy(data / part, dir / part, std::filesystem::copy_options::recursive);
  const auto run = RunVuxa(dir, "--capture frames --fps 25");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Midas: "), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  std::filesystem::remove_all(dir);
}

TEST(ShowCommandLine, TheDataFolderChoiceIsVisibleAndCanBeGiven) {
  // Only a damaged bitmap in the working directory: it is used, and what it
  // lacks is said (so the missing module ends the show).
  const auto dir = ScratchDir("datadir");
  std::filesystem::create_directories(dir / "Textures");
  std::ofstream(dir / "Textures" / "PLANET.BMP") << "BM broken";
  auto run = RunVuxa(dir, "--capture out --fps 5 --start 50");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("working directory, which lacks music/, scenes/, images/\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Midas: "), std::string::npos) << run.err;
  // --data chooses outright, and must name a directory.
  run = RunVuxa(dir, "--capture out --fps 5 --start 50 --data '" VUXA_DATA_DIR "'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
  run = RunVuxa(dir, "--data missing");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "vuxa: invalid value 'missing' for --data (not a directory)\nTry 'vuxa --help'.\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
