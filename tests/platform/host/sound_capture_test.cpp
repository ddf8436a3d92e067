// Capture of the music into music.wav: exact length, silence before play, the
// old file kept until the new one is complete, and no file from a run cut
// short or failed. The header's fields, the show's own music and repeatability
// are checked end to end (tests/e2e, ShowCapture).
#include "platform/platform.h"
#include "platform/host/host.h"
#include "support/sound_test_env.h"

namespace {

using sound_test::fs::path;
using sound_test::ReadFile;

// The samples of a 16-bit WAV with a 44-byte header.
std::vector<std::int16_t> WavSamples(const std::vector<std::uint8_t>& wav) {
  std::vector<std::int16_t> samples;
  for (std::size_t i = 44; i + 1 < wav.size(); i += 2)
    samples.push_back(static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8));
  return samples;
}

int FilesIn(const path& dir) {
  return static_cast<int>(std::distance(sound_test::fs::directory_iterator(dir), {}));
}

class SoundCapture : public sound_test::SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    Capture(dir / "out");
  }
  void Capture(const path& out) {
    sound_test::fs::create_directories(dir / "out");
    host::Options options;
    options.captureDir = out.string();
    host::SetOptions(options);
    StartLibrary();
  }
  MIDASmodulePlayHandle Play() { return MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1); }
};

TEST_F(SoundCapture, ExactlyTheRequestedFramesSilentBeforePlayReplacingTheOldFileWhenComplete) {
  const std::vector<std::uint8_t> stale(100, 1);
  sound_test::WriteFile(dir / "out" / "music.wav", stale);
  host::CaptureMusicFrame(480);
  ASSERT_NE(Play(), 0u);
  const std::uint32_t periods[] = {800, 801, 1234, 1};
  std::size_t frames = 480;
  for (auto n : periods) {
    host::CaptureMusicFrame(n);
    frames += n;
  }
  // The old file stays until the new one is complete, which is written beside it.
  EXPECT_TRUE(ReadFile(dir / "out" / "music.wav") == stale);
  EXPECT_EQ(FilesIn(dir / "out"), 2);
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_TRUE(host::FinishMusic());  // finishing twice keeps the first result
  EXPECT_EQ(FilesIn(dir / "out"), 1);
  const std::vector<std::int16_t> samples = WavSamples(ReadFile(dir / "out" / "music.wav"));
  ASSERT_EQ(samples.size(), frames * 2);
  for (std::size_t i = 0; i < 480 * 2; ++i) ASSERT_EQ(samples[i], 0) << i;
  int loud = 0;
  for (std::size_t i = 480 * 2; i < samples.size(); ++i) loud += samples[i] > 1000 || samples[i] < -1000;
  EXPECT_GT(loud, 100) << "the square wave is heard";
}

TEST_F(SoundCapture, ARunCutShortDiscardedOrUnwritableLeavesNoFileAndOneWithoutFramesAnEmptyWav) {
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  platform::ResetPlatform();  // cut short before finishing
  EXPECT_EQ(FilesIn(dir / "out"), 0);

  Capture(dir / "out");
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  host::DiscardMusic();  // a run that failed elsewhere
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_EQ(FilesIn(dir / "out"), 0);
  platform::ResetPlatform();

  Capture(dir / "out" / "missing" / "deeper");
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_EQ(FilesIn(dir / "out"), 0);
  platform::ResetPlatform();

  Capture(dir / "out");
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_EQ(ReadFile(dir / "out" / "music.wav").size(), 44u);
}

}  // namespace
