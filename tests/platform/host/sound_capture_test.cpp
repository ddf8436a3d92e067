// Capture of the music into music.wav: exact length, a valid header, silence
// before play, and no complete-looking file on failure. The show's own music
// and repeatability are checked end to end (tests/e2e, ShowCapture).
#include <cstring>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "support/sound_test_env.h"

namespace {

using sound_test::ReadFile;
using sound_test::SoundTest;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

// Checks a 48 kHz 16-bit stereo PCM WAV and gives its samples.
std::vector<std::int16_t> WavSamples(const std::vector<std::uint8_t>& wav) {
  std::vector<std::int16_t> samples;
  EXPECT_GE(wav.size(), 44u);
  if (wav.size() < 44) return samples;
  EXPECT_EQ(std::memcmp(&wav[0], "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(&wav[8], "WAVEfmt ", 8), 0);
  EXPECT_EQ(std::memcmp(&wav[36], "data", 4), 0);
  // PCM, 2 channels, 48 kHz, 4 bytes a frame, 16 bits; RIFF and data sizes.
  const std::pair<std::size_t, std::uint32_t> fields[] = {
      {4, static_cast<std::uint32_t>(wav.size() - 8)}, {16, 16}, {20, 1 | 2 << 16}, {24, 48000},
      {28, 48000 * 4}, {32, 4 | 16 << 16}, {40, static_cast<std::uint32_t>(wav.size() - 44)}};
  for (const auto& [at, value] : fields) EXPECT_EQ(U32(wav, at), value) << "at " << at;
  for (std::size_t i = 44; i + 1 < wav.size(); i += 2)
    samples.push_back(static_cast<std::int16_t>(U16(wav, i)));
  return samples;
}

int FilesIn(const sound_test::fs::path& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : sound_test::fs::directory_iterator(dir)) ++n;
  return n;
}

class SoundCaptureTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    Capture(dir / "out");
  }
  void Capture(const sound_test::fs::path& out) {
    sound_test::fs::create_directories(out);
    host::Options options;
    options.captureDir = out.string();
    host::SetOptions(options);
  }
  MIDASmodulePlayHandle StartMusic() {
    StartLibrary();
    return MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1);
  }
};

TEST_F(SoundCaptureTest, RendersExactlyTheRequestedFramesIntoAValidWav) {
  const std::vector<std::uint8_t> stale(100, 1);
  sound_test::WriteFile(dir / "out" / "music.wav", stale);
  ASSERT_NE(StartMusic(), 0u);
  EXPECT_EQ(FilesIn(dir / "out"), 1);  // opened lazily
  const std::uint32_t periods[] = {800, 800, 801, 1234, 1};
  std::size_t frames = 0;
  for (auto n : periods) {
    host::CaptureMusicFrame(n);
    frames += n;
  }
  // The old file stays until the new one is complete, which is written beside it.
  EXPECT_TRUE(ReadFile(dir / "out" / "music.wav") == stale);
  EXPECT_EQ(FilesIn(dir / "out"), 2);
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_EQ(FilesIn(dir / "out"), 1);
  auto samples = WavSamples(ReadFile(dir / "out" / "music.wav"));
  EXPECT_EQ(samples.size(), frames * 2);
  int loud = 0;
  for (auto s : samples) loud += s > 1000 || s < -1000;
  EXPECT_GT(loud, 100) << "the square wave is heard";
}

TEST_F(SoundCaptureTest, FramesBeforePlayAreSilent) {
  StartLibrary();
  host::CaptureMusicFrame(480);
  ASSERT_NE(MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1), 0u);
  host::CaptureMusicFrame(4800);
  ASSERT_TRUE(host::FinishMusic());
  auto samples = WavSamples(ReadFile(dir / "out" / "music.wav"));
  ASSERT_EQ(samples.size(), (480u + 4800u) * 2);
  for (std::size_t i = 0; i < 480 * 2; ++i) ASSERT_EQ(samples[i], 0) << i;
  int loud = 0;
  for (std::size_t i = 480 * 2; i < samples.size(); ++i) loud += samples[i] != 0;
  EXPECT_GT(loud, 1000);
}

TEST_F(SoundCaptureTest, AResetOrDiscardedRunLeavesNoFileAndARunWithoutFramesAnEmptyWav) {
  ASSERT_NE(StartMusic(), 0u);
  host::CaptureMusicFrame(800);
  platform::ResetPlatform();  // cut short before finishing
  EXPECT_EQ(FilesIn(dir / "out"), 0);

  Capture(dir / "out");
  ASSERT_NE(StartMusic(), 0u);
  host::CaptureMusicFrame(800);
  host::DiscardMusic();  // a run that failed elsewhere
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_EQ(FilesIn(dir / "out"), 0);
  platform::ResetPlatform();

  Capture(dir / "out");
  StartLibrary();
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_TRUE(host::FinishMusic());  // finishing twice keeps the first result
  EXPECT_TRUE(WavSamples(ReadFile(dir / "out" / "music.wav")).empty());
}

TEST_F(SoundCaptureTest, UnwritableDirectoryFailsTheFinishAndLeavesNothing) {
  Capture(dir / "out");
  host::Options options = host::GetOptions();
  options.captureDir = (dir / "out" / "missing" / "deeper").string();
  host::SetOptions(options);
  ASSERT_NE(StartMusic(), 0u);
  host::CaptureMusicFrame(800);
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_FALSE(sound_test::fs::exists(dir / "out" / "missing"));
}

}  // namespace
