// sound_test_env.h: the fixture of the sound tests: a scratch data directory
// holding the tiny test module, offscreen options, and a clean platform before
// and after every test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "support/sound_test_xm.h"

namespace sound_test {

namespace fs = std::filesystem;

inline void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("vuxa_sound_" + std::string(info->name()) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    WriteFile(dir / "music" / "tiny.xm", TinyXm());
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    host::SetDataDir(dir.string());
  }
  void TearDown() override {
    platform::ResetPlatform();
    host::SetOptions({});
    host::SetDataDir("");
    fs::remove_all(dir);
  }
  // Startup, options and init as the show does them.
  void StartLibrary() {
    MIDASstartup();
    MIDASsetOption(6, 0);
    MIDASsetOption(5, 0);
    MIDASsetOption(11, 10);
    ASSERT_EQ(MIDASinit(), TRUE) << MIDASgetErrorMessage(MIDASgetLastError());
  }
  fs::path dir;
};

}  // namespace sound_test
