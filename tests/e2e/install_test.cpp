// cmake --install into a prefix of the test's own: the program, its data, the
// desktop entry, the icon and the man page land under it; the installed
// program plays from anywhere with the installed data; the man page and
// --help name the same options.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

std::set<std::string> OptionsIn(const std::string& text) {
  std::set<std::string> found;
  const std::regex option("--[a-z][a-z-]+");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
    found.insert(it->str());
  return found;
}

TEST(Install, EverythingUnderThePrefixAndThePlayFindsItsData) {
  const ScratchDir dir("install");
  const fs::path prefix = (dir.path() / "some prefix");
  int code = -1;
  const std::string log = Output("cmake --install '" VUXA_BINARY_DIR "' --prefix '" + prefix.string() + "' 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  for (const char* file : {"bin/vuxa", "share/vuxa/music/vuxa.xm", "share/vuxa/scenes/ball.3ds",
                           "share/vuxa/images/vuxa.pcx", "share/applications/vuxa.desktop",
                           "share/icons/hicolor/256x256/apps/vuxa.png", "share/man/man6/vuxa.6"})
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
  EXPECT_FALSE(fs::exists(prefix / "share/vuxa/.stamp"));
  EXPECT_FALSE(fs::exists(prefix / "share/vuxa/icons"));
  const Picture icon = ReadPng(prefix / "share/icons/hicolor/256x256/apps/vuxa.png");
  EXPECT_TRUE(icon.ok && icon.width == 256 && icon.height == 256);
  const std::string desktop = ReadText(prefix / "share/applications/vuxa.desktop");
  for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=vuxa\n", "\nIcon=vuxa\n"})
    EXPECT_NE(desktop.find(line), std::string::npos) << line;

  // From an empty directory with no build tree in reach: the 3D scene at 30 s
  // is there, so the installed data was read.
  fs::create_directories(dir.path() / "elsewhere");
  ASSERT_EQ(std::system(("cd '" + (dir.path() / "elsewhere").string() + "' && SDL_AUDIODRIVER=dummy '" +
                         (prefix / "bin/vuxa").string() + "' --capture c --start 30 --fps 2 > /dev/null 2>&1")
                            .c_str()),
            0);
  EXPECT_GT(ReadPng(dir.path() / "elsewhere/c/frame_00001.png").Lit(20, 220), 1000);

  // The man page documents what --help lists, and the other way round ("\-" is "-").
  const std::string man = std::regex_replace(ReadText(prefix / "share/man/man6/vuxa.6"), std::regex(R"(\\-)"), "-");
  const ProgramRun help = RunVuxa(dir.path(), "--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(OptionsIn(man), OptionsIn(help.out));
  EXPECT_GE(OptionsIn(help.out).size(), 14u);
}

}  // namespace
