// Replays the kept inputs (tests/fixtures/fuzz/<target>/) through the same
// steps as the fuzz targets (fuzz/inputs.h): the small seeds that
// `assetgen --fuzz-seeds` writes, whole and cut short, and any input that
// fuzzing found to crash, hang or trip a sanitizer. Built with the sanitizers
// (make sanitize) a relapse fails here, and without them a crash still does.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/platform.h"
#include "fuzz/inputs.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> KeptInputs(const std::string& target) {
  const fs::path dir = fs::path(VUXA_SOURCE_DIR) / "tests/fixtures/fuzz" / target;
  std::vector<fs::path> files;
  std::error_code ec;
  if (fs::is_directory(dir, ec))
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> ReadInput(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Replay(const std::string& target, const std::function<void(fuzz::Bytes)>& run) {
  const std::vector<fs::path> inputs = KeptInputs(target);
  ASSERT_FALSE(inputs.empty()) << "no kept inputs for " << target;
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    run(ReadInput(input));
  }
  platform::ResetPlatform();
}

TEST(FuzzRegressions, Pictures) { Replay("pcx", fuzz::RunPcx); }
TEST(FuzzRegressions, Scenes) { Replay("scene", fuzz::RunScene); }
TEST(FuzzRegressions, Bitmaps) { Replay("bmp", fuzz::RunBmp); }
TEST(FuzzRegressions, Modules) { Replay("module", fuzz::RunModule); }
TEST(FuzzRegressions, CommandLines) { Replay("options", fuzz::RunOptions); }

}  // namespace
