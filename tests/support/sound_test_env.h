// sound_test_env.h: the fixture of the sound tests: a scratch data directory
// holding a tiny valid XM module, on the clean offscreen platform of the
// display tests. The module is written by the generator's XM writer, so the
// sound tests need no data files; suites that use it compile
// tools/assetgen/xm_writer.cpp.
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
#include "tools/assetgen/xm_writer.h"

namespace sound_test {

// Two channels, one 16-row pattern, one instrument with a looped square-wave
// sample, a note on row 0 and another on row 8.
inline std::vector<std::uint8_t> TinyXm() {
  namespace xm = assetgen::xm;
  std::vector<xm::Cell> cells(16 * 2);                       // 16 rows of two channels
  cells[0] = {.note = xm::Note(4, 0), .instrument = 1};      // C-4 on row 0
  cells[8 * 2] = {.note = xm::Note(4, 7), .instrument = 1};  // G-4 on row 8
  std::vector<std::int16_t> wave;
  for (int i = 0; i < 64; ++i) wave.push_back(i % 32 < 16 ? 15360 : -15360);
  const xm::Sample square{
      .name = "square", .data = wave, .loop_length = 64, .loop = xm::Loop::kForward, .volume = 48};
  const xm::Module module{.name = "test tune", .channels = 2, .order = {0},
                          .patterns = {{.rows = 16, .cells = cells}},
                          .instruments = {{.name = "square", .sample = square, .volume = {}}}};
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(xm::Serialize(module, bytes, error)) << error;
  return bytes;
}

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
