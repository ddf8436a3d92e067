// sound_test_env.h: the fixture of the sound tests: a scratch data directory
// holding the tiny test module, offscreen options, and a clean platform before
// and after every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "support/sound_test_xm.h"

namespace sound_test {

using namespace scratch;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir / "music" / "tiny.xm", TinyXm());
    ResetOffscreen(dir.string());
  }
  void TearDown() override {
    platform::ResetPlatform();
    host::SetOptions({});
    host::SetDataDir("");
  }
  // Startup, options and init as the show does them.
  void StartLibrary() {
    MIDASstartup();
    MIDASsetOption(6, 0);
    MIDASsetOption(5, 0);
    MIDASsetOption(11, 10);
    ASSERT_EQ(MIDASinit(), TRUE) << MIDASgetErrorMessage(MIDASgetLastError());
  }
  ScratchDir scratch_{ForThisTest("sound_")};
  fs::path dir = scratch_.path();
};

}  // namespace sound_test
