// sound_test_env.h: the fixture of the sound tests: a scratch data directory
// holding the tiny test module, on the clean offscreen platform of the display
// tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "support/sound_test_xm.h"

namespace sound_test {

using namespace scratch;

class SoundTest : public OffscreenPlatform {
 protected:
  void SetUp() override {
    WriteBytes(dir / "music" / "tiny.xm", TinyXm());
    ResetOffscreen(dir.string());
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

// The samples of a 16-bit stereo WAV with a 44-byte header, after `skip` frames.
inline std::vector<std::int16_t> WavSamples(const Bytes& wav, std::size_t skip = 0) {
  std::vector<std::int16_t> samples;
  for (std::size_t i = 44 + skip * 4; i + 1 < wav.size(); i += 2)
    samples.push_back(static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8));
  return samples;
}

}  // namespace sound_test
