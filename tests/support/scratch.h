// scratch.h: what most suites set up first: the platform reset to a clean
// offscreen state, and a fresh directory of the test's own (removed at the
// end) to write files into and read data from.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host.h"

namespace test_support {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A clean platform, offscreen, reading its data from `dataDir`.
inline void ResetOffscreen(const std::string& dataDir = "") {
  platform::ResetPlatform();
  host::Options options;
  options.offscreen = true;
  host::SetOptions(options);
  host::SetDataDir(dataDir);
}

inline Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// A fresh directory /tmp/vuxa_<name>_<pid>, optionally a copy of the build's
// data, removed with the object.
class Scratch {
 public:
  explicit Scratch(const std::string& name, bool copyData = false)
      : dir_(fs::temp_directory_path() / ("vuxa_" + name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    if (copyData)
      fs::copy(VUXA_DATA_DIR, dir_, fs::copy_options::recursive);
    fs::create_directories(dir_);
    host::SetDataDir(dir_.string());
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& Path() const { return dir_; }
  fs::path Path(const std::string& file) const { return dir_ / file; }
  Bytes Read(const std::string& file) const { return ReadBytes(dir_ / file); }
  // Writes `bytes` as `file`, making its folders.
  template <typename Container>
  void Write(const std::string& file, const Container& bytes) const {
    fs::create_directories((dir_ / file).parent_path());
    std::ofstream(dir_ / file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path dir_;
};

// A test on a clean offscreen platform, left clean afterwards.
class OffscreenTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetOffscreen(); }
  void TearDown() override { ResetOffscreen(); }
};

}  // namespace test_support
