// Data-file names in the show's form (backslashes, any case) against a data
// directory, and the choice of that directory. How the program reports its
// choice is run end to end (tests/e2e, ShowCommandLine).
#include <cstdio>
#include <string>

#include "platform/host/host.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

class DataFiles : public OffscreenPlatform {
 protected:
  void Write(const fs::path& relative, const std::string& text) {
    WriteBytes(root.path() / relative, Bytes(text.begin(), text.end()));
  }
  ScratchDir root{"data_files"};
};

TEST_F(DataFiles, NamesResolveByBackslashesAndAnyCaseAndOnlyFilesOpen) {
  Write("Images/Cred1.PCX", "pcx");
  Write("music/A.xm", "upper");
  Write("music/a.xm", "lower");
  Write("scenes/ball.3ds", "3DS!");
  host::SetDataDir(root.path().string());
  const struct {
    std::string asked, found;
  } cases[] = {
      {"images\\cred1.pcx", "Images/Cred1.PCX"},
      {"Images/Cred1.PCX", "Images/Cred1.PCX"},
      {(root.path() / "IMAGES/cred1.pcx").string(), "Images/Cred1.PCX"},  // absolute: matched the same way
      {"music\\a.xm", "music/a.xm"},  // exact names win
      {"music\\A.xm", "music/A.xm"},
      {"MUSIC\\a.XM", "music/A.xm"},  // neither spelling as written: the first in name order
      {"scenes\\Missing.3ds", "scenes/Missing.3ds"},  // missing: the caller's error names it as asked
  };
  for (const auto& c : cases)
    EXPECT_EQ(host::ResolvePath(c.asked.c_str()), (root.path() / c.found).string()) << c.asked;

  for (const char* absent : {"scenes\\missing.3ds", "nowhere\\ball.3ds", "SCENES" /* a directory */})
    EXPECT_EQ(host::OpenDataFile(absent), nullptr) << absent;
  std::FILE* file = host::OpenDataFile("Scenes\\BALL.3DS");
  ASSERT_NE(file, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 4u);
  EXPECT_EQ(std::string(bytes), "3DS!");
  std::fclose(file);
}

// Beside the program (every end-to-end run) and installed under a prefix
// (tests/e2e, Install) are run end to end; here, what makes the working
// directory the data directory.
TEST_F(DataFiles, DataDirectoryIsTheWorkingOneWhenItHoldsAnyOfTheShowsFiles) {
  const fs::path work = root.path() / "work", exe = root.path() / "bin";
  fs::create_directories(exe / "data");
  const std::string configured = "/configured/share/vuxa";
  // Unrelated files, a directory named like the module, and non-PCX images do not count.
  Write("work/readme.txt", "x");
  Write("work/Images/notes.txt", "x");
  fs::create_directories(work / "music" / "vuxa.xm");
  EXPECT_NE(host::ChooseDataDir(work.string(), exe.string(), configured), "");

  // Any one of the show's files, in any case, makes it the working directory
  // (the empty answer); which of the show's folders it lacks is said.
  const std::pair<const char*, const char*> cases[] = {
      {"MUSIC/Vuxa.XM", "scenes/, images/, Textures/"},
      {"images/VUXA.Pcx", "music/, scenes/, Textures/"},
      {"Scenes/ball.3DS", "music/, images/, Textures/"},
      {"textures/PLANET.bmp", "music/, scenes/, images/"}};
  for (const auto& [file, missing] : cases) {
    const fs::path probe = root.path() / ("probe_" + std::string(1, file[0]));
    Write(probe.filename() / file, "x");
    EXPECT_EQ(host::ChooseDataDir(probe.string(), exe.string(), configured), "") << file;
    EXPECT_EQ(host::MissingShowFolders(probe.string()), missing) << file;
  }
  EXPECT_EQ(host::MissingShowFolders(VUXA_DATA_DIR), "");
}

}  // namespace
