// Data-file names in the show's form: backslashes, any case, a data directory,
// and the choice of that directory.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/display_fixture.h"
#include "platform/host/host.h"

namespace fs = std::filesystem;

namespace {

class DataFiles : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    root = fs::temp_directory_path() / ("vuxa_display_files_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override {
    fs::remove_all(root);
    OffscreenPlatform::TearDown();
  }
  void Write(const fs::path& relative, const std::string& bytes) {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative, std::ios::binary) << bytes;
  }
  fs::path root;
};

TEST_F(DataFiles, BackslashesAndCaseResolveAgainstTheDataDirectory) {
  Write("Images/Cred1.PCX", "pcx");
  Write("Textures/ball.bmp", "bmp");
  host::SetDataDir(root.string());
  EXPECT_EQ(host::ResolvePath("images\\cred1.pcx"), (root / "Images/Cred1.PCX").string());
  EXPECT_EQ(host::ResolvePath("TEXTURES\\BALL.BMP"), (root / "Textures/ball.bmp").string());
  EXPECT_EQ(host::ResolvePath("Images/Cred1.PCX"), (root / "Images/Cred1.PCX").string());
  // Absolute names ignore the data directory but are matched the same way.
  EXPECT_EQ(host::ResolvePath((root / "IMAGES/cred1.pcx").string().c_str()),
            (root / "Images/Cred1.PCX").string());
}

TEST_F(DataFiles, ExactNamesWinAndAmbiguousCaseIsDeterministic) {
  Write("music/A.xm", "upper");
  Write("music/a.xm", "lower");
  host::SetDataDir(root.string());
  EXPECT_EQ(host::ResolvePath("music\\a.xm"), (root / "music/a.xm").string());
  EXPECT_EQ(host::ResolvePath("music\\A.xm"), (root / "music/A.xm").string());
  // Neither spelling exists as written: the first in name order is taken.
  EXPECT_EQ(host::ResolvePath("MUSIC\\a.XM"), (root / "music/A.xm").string());
}

TEST_F(DataFiles, MissingFilesAndDirectoriesDoNotOpen) {
  Write("scenes/ball.3ds", "3DS!");
  host::SetDataDir(root.string());
  // A missing name keeps its spelling, so the caller's error names the file asked for.
  EXPECT_EQ(host::ResolvePath("scenes\\Missing.3ds"), (root / "scenes/Missing.3ds").string());
  EXPECT_EQ(host::OpenDataFile("scenes\\missing.3ds"), nullptr);
  EXPECT_EQ(host::OpenDataFile("nowhere\\ball.3ds"), nullptr);
  EXPECT_EQ(host::OpenDataFile("SCENES"), nullptr);  // a directory is not a data file

  std::FILE* file = host::OpenDataFile("Scenes\\BALL.3DS");
  ASSERT_NE(file, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 4u);
  EXPECT_EQ(std::string(bytes), "3DS!");
  std::fclose(file);
}

TEST_F(DataFiles, DataDirectoryPrefersTheWorkingDirectoryThenBesideTheProgram) {
  fs::path work = root / "work";
  fs::path exe = root / "bin";
  fs::create_directories(work);
  fs::create_directories(exe / "data");
  const std::string install = "/install/share/vuxa";

  // Nothing of the show's in the working directory: the data beside the program.
  EXPECT_EQ(host::ChooseDataDir(work.string(), exe.string(), install), (exe / "data").string());
  // Without that either: the installed data.
  EXPECT_EQ(host::ChooseDataDir(work.string(), (root / "elsewhere").string(), install),
            install);

  // Unrelated files, a directory named like the module, and non-PCX images do not count.
  Write("work/readme.txt", "x");
  Write("work/Images/notes.txt", "x");
  fs::create_directories(work / "music" / "vuxa.xm");
  EXPECT_NE(host::ChooseDataDir(work.string(), exe.string(), install), "");

  // Any one of the show's files, in any case, makes it the working directory.
  // Which of the show's folders it lacks is said.
  const std::pair<const char*, const char*> cases[] = {
      {"MUSIC/Vuxa.XM", "scenes/, images/, Textures/"},
      {"images/VUXA.Pcx", "music/, scenes/, Textures/"},
      {"Scenes/ball.3DS", "music/, images/, Textures/"},
      {"textures/PLANET.bmp", "music/, scenes/, images/"}};
  for (const auto& [file, missing] : cases) {
    fs::path probe = root / ("probe_" + std::to_string(file[0]));
    fs::create_directories(probe);
    fs::create_directories((probe / file).parent_path());
    std::ofstream(probe / file) << "x";
    EXPECT_EQ(host::ChooseDataDir(probe.string(), exe.string(), install), "") << file;
    EXPECT_EQ(host::MissingShowFolders(probe.string()), missing) << file;
  }
  EXPECT_EQ(host::MissingShowFolders(VUXA_DATA_DIR), "");
}

TEST_F(DataFiles, FindDataDirUsesTheWorkingDirectoryHoldingTheShow) {
  Write("cwd/scenes/ball.3ds", "x");
  fs::path before = fs::current_path();
  fs::current_path(root / "cwd");
  std::string found = host::FindDataDir("vuxa");
  fs::current_path(root);  // away from cwd: nothing of the show here
  std::string elsewhere = host::FindDataDir("vuxa");
  fs::current_path(before);
  EXPECT_EQ(found, "");
  EXPECT_NE(elsewhere, "");
}

}  // namespace
