// cmake --install into a prefix of the test's own: the program, its data, the
// desktop entry, the generated icon and the man page land under it, and the
// installed program plays from any directory with the installed data. The man
// page and --help name the same options.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "show_process.h"
#include "watch_support.h"

namespace {

namespace fs = std::filesystem;

// Every "--option" a text names.
std::set<std::string> OptionsIn(const std::string& text) {
  std::set<std::string> found;
  const std::regex option("--[a-z][a-z-]+");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    found.insert(it->str());
  return found;
}

TEST(Install, EverythingUnderThePrefixAndThePlayFindsItsData) {
  const fs::path dir = show_e2e::ScratchDir("watch_install");
  const fs::path prefix = dir / "some prefix";
  int code = -1;
  const std::string log = watch_e2e::Output(
      "cmake --install '" VUXA_BINARY_DIR "' --prefix '" + prefix.string() + "' 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  for (const char* file : {"bin/vuxa", "share/vuxa/music/vuxa.xm", "share/vuxa/scenes/ball.3ds",
                           "share/vuxa/images/vuxa.pcx", "share/applications/vuxa.desktop",
                           "share/icons/hicolor/256x256/apps/vuxa.png", "share/man/man6/vuxa.6"})
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
  EXPECT_FALSE(fs::exists(prefix / "share" / "vuxa" / ".stamp"));
  EXPECT_FALSE(fs::exists(prefix / "share" / "vuxa" / "icons"));

  const watch_e2e::Frame icon =
      watch_e2e::ReadPng(prefix / "share/icons/hicolor/256x256/apps/vuxa.png");
  ASSERT_TRUE(icon.ok);
  EXPECT_EQ(icon.width, 256);
  EXPECT_EQ(icon.height, 256);
  const std::string desktop = show_e2e::ReadWhole(prefix / "share/applications/vuxa.desktop");
  for (const char* line :
       {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=vuxa\n", "\nIcon=vuxa\n"})
    EXPECT_NE(desktop.find(line), std::string::npos) << line;

  // Played from an empty directory elsewhere, with no build tree in reach: the
  // 3D scene at 30 s is there, so the installed data was read.
  const fs::path elsewhere = dir / "elsewhere";
  fs::create_directories(elsewhere);
  const std::string run = "cd '" + elsewhere.string() + "' && SDL_AUDIODRIVER=dummy '" +
                          (prefix / "bin" / "vuxa").string() +
                          "' --capture c --start 30 --fps 2 > /dev/null 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0);
  const watch_e2e::Frame frame = watch_e2e::ReadPng(elsewhere / "c" / "frame_00001.png");
  ASSERT_TRUE(frame.ok);
  int lit = 0;
  for (std::uint8_t v : frame.rgb) lit += v > 40;
  EXPECT_GT(lit, 1000);

  // The man page documents what --help lists, and the other way round.
  const std::string man = show_e2e::ReadWhole(prefix / "share/man/man6/vuxa.6");
  std::string manText;  // with roff's "\-" read as "-"
  for (std::size_t i = 0; i < man.size(); ++i) {
    const bool escapedDash = man[i] == '\\' && i + 1 < man.size() && man[i + 1] == '-';
    manText += escapedDash ? '-' : man[i];
    i += escapedDash ? 1 : 0;
  }
  const std::string help = show_e2e::RunVuxa(dir, "--help").out;
  EXPECT_EQ(OptionsIn(manText), OptionsIn(help));
  EXPECT_GE(OptionsIn(help).size(), 14u);
  fs::remove_all(dir);
}

}  // namespace
