// End-to-end run with damaged and missing pictures in a scratch copy of the
// data: one warning line per bad file, the show plays to its end, and what
// could not be decoded stays black.
#include <gtest/gtest.h>

#include <regex>

#include "effects_capture.h"

namespace {

using namespace effects_e2e;

void Truncate(const fs::path& file, std::uintmax_t size) { fs::resize_file(file, size); }

void Patch16(const fs::path& file, long offset, unsigned value) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(offset);
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  f.write(bytes, 2);
}

TEST(BadPictureFiles, WarnAndPlayOn) {
  const fs::path dir = ScratchDir("effects_bad_files");
  fs::copy(VUXA_DATA_DIR, dir, fs::copy_options::recursive);
  const fs::path images = dir / "images";
  Truncate(images / "cred2.pcx", fs::file_size(images / "cred2.pcx") / 2);
  Patch16(images / "cred3.pcx", 8, 3999);  // Xmax: 4000 columns of 128 columns' data
  Patch16(images / "cred3.pcx", 10, 2999);
  Patch16(images / "cred3.pcx", 66, 4000);  // lines as long as the claimed width
  Patch16(images / "cred4.pcx", 4, 500);  // Xmin above Xmax
  fs::remove(images / "texture.pcx");
  Truncate(images / "vuxa.pcx", 60);

  const VuxaRun run = RunVuxa(dir, "--capture frames --fps 10");
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  const char* expected[] = {
      R"(images/cred2\.pcx: picture data ends at row \d+ of 128)",
      R"(images/cred3\.pcx: picture data ends at row \d+ of 3000)",
      R"(images/cred4\.pcx: picture size -372x128 has no pixels)",
      R"(images/texture\.pcx: cannot open file: No such file or directory)",
      R"(images/vuxa\.pcx: file too short for a PCX header)",
  };
  std::vector<std::string> warnings;
  std::istringstream lines(run.stderrText);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("vuxa: warning: ", 0) == 0) warnings.push_back(line);
  ASSERT_EQ(warnings.size(), std::size(expected)) << run.stderrText;
  for (std::size_t i = 0; i < warnings.size(); ++i)
    EXPECT_TRUE(std::regex_search(warnings[i], std::regex(std::string(expected[i]) + "$"))) << warnings[i];

  // The whole show was captured: 52 s at 10 frames a second after the start-up frame.
  EXPECT_TRUE(fs::exists(FramePath(dir / "frames", 520)));
  // No texture: the tunnel at ShowClock 14 is black. No closing picture: black
  // outside its caption at ShowClock 40.
  const auto tunnel = ReadFrame(FramePath(dir / "frames", 141));
  const auto closing = ReadFrame(FramePath(dir / "frames", 401));
  ASSERT_FALSE(tunnel.empty());
  ASSERT_FALSE(closing.empty());
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(tunnel[y * 320 + x], 0u) << x << "," << y;
      if (!(x >= 8 && x < 280 && y >= 8 && y < 80)) {
        ASSERT_EQ(closing[y * 320 + x], 0u) << x << "," << y;
      }
    }
  fs::remove_all(dir);
}

}  // namespace
