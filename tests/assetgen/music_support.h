// Helpers for the music tests: reading the generated module and running the
// generator into a scratch directory.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace music_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The module the build generated.
inline std::filesystem::path BuiltModule() {
  return std::filesystem::path(VUXA_DATA_DIR) / "music" / "vuxa.xm";
}

// A fresh directory that is removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vuxa_music_XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Runs the built generator into `outdir`; returns the module it wrote (empty if none).
// The music is written first, so it is checked even if a later writer fails.
inline Bytes GenerateModule(const std::filesystem::path& outdir) {
  const std::string command =
      std::string("\"") + VUXA_BINARY_DIR + "/assetgen\" \"" + outdir.string() + "\" >/dev/null 2>&1";
  [[maybe_unused]] const int status = std::system(command.c_str());
  return ReadBytes(outdir / "music" / "vuxa.xm");
}

}  // namespace music_test
