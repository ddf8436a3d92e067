// sound_test_env.h: the fixture of the sound tests: a scratch data directory
// holding the tiny test module, offscreen options, and a clean platform before
// and after every test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "support/sound_test_xm.h"

namespace sound_test {

namespace fs = std::filesystem;

// The shared file helpers under the names the sound tests use.
inline constexpr auto& WriteFile = scratch::WriteBytes;
inline constexpr auto& ReadFile = scratch::ReadBytes;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("vuxa_sound_" + std::string(info->name()) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    WriteFile(dir / "music" / "tiny.xm", TinyXm());
    ResetOffscreen(dir.string());
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
