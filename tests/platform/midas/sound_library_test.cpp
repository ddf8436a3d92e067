// The sound library: the error texts, files it cannot load (missing and
// foreign modules end to end are tests/e2e's DamagedData, each call's forced
// failure tests/show's SoundFailure), muted playback, a missing audio device,
// and --start: the music begins at the asked point to the sample, on a row or
// between two (libopenmpt itself seeks to the start of the next row).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "support/scratch_files.h"
#include "support/sound_test_env.h"

namespace {

using scratch::ScopedEnv;
using sound_test::SoundTest;

TEST_F(SoundTest, ErrorTextsAreConstantPerCode) {
  const char* texts[] = {"OK",
                         "Sound library not initialized",
                         "No audio device",
                         "Unable to open file",
                         "Unable to read file",
                         "Unknown module format",
                         "Not enough memory",
                         "Invalid module or play handle",
                         "A module is already playing"};
  for (int code = 0; code <= MIDAS_ERR_ALREADY_PLAYING; ++code)
    EXPECT_STREQ(MIDASgetErrorMessage(code), texts[code]);
  for (int code : {-1, 9, 1234, static_cast<int>(0x88760000u)})
    EXPECT_STREQ(MIDASgetErrorMessage(code), "Unknown error");
}

TEST_F(SoundTest, LoadingReportsMissingUnreadableAndForeignFiles) {
  EXPECT_EQ(MIDASloadModule("music\\tiny.xm"), 0u);
  EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_NOT_INITIALIZED);
  StartLibrary();

  EXPECT_EQ(MIDASloadModule("music"), 0u);  // a directory is no file
  EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_FILE_OPEN);

  scratch::WriteBytes(dir / "music" / "empty.xm", {});
  auto truncated = sound_test::TinyXm();
  truncated.resize(40);
  scratch::WriteBytes(dir / "music" / "short.xm", truncated);
  for (const char* name : {"music\\empty.xm", "music\\short.xm"}) {
    EXPECT_EQ(MIDASloadModule(name), 0u) << name;
    EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_BAD_MODULE) << name;
  }

  // A reset forgets the library's state, its last error too.
  platform::ResetPlatform();
  EXPECT_EQ(MIDASgetLastError(), MIDAS_OK);
  StartLibrary();

  // A regular file that cannot be read: the process's memory file at address 0.
  if (std::FILE* probe = std::fopen("/proc/self/mem", "rb")) {
    std::fclose(probe);
    EXPECT_EQ(MIDASloadModule("/proc/self/mem"), 0u);
    EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_FILE_READ);
  }
}

TEST_F(SoundTest, MutedPlaybackAdvancesWithTheClock) {
  host::Options options;
  options.mute = true;
  host::SetOptions(options);
  StartLibrary();
  MIDASmodulePlayHandle play = MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1);
  ASSERT_NE(play, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  MIDASpoll();
  MIDASplayStatus status{};
  ASSERT_EQ(MIDASgetPlayStatus(play, &status), TRUE);
  EXPECT_GE(status.row, 3u);
  EXPECT_EQ(MIDASclose(), TRUE);
}

TEST_F(SoundTest, MissingAudioDeviceFailsWithAHint) {
  ScopedEnv driver("SDL_AUDIODRIVER", "no-such-audio-driver");
  host::SetOptions({});
  MIDASstartup();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MIDASinit(), FALSE);
  std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_NO_AUDIO_DEVICE);
  EXPECT_NE(said.find("--mute"), std::string::npos) << said;
  EXPECT_EQ(MIDASloadModule("music\\tiny.xm"), 0u);
  EXPECT_EQ(MIDASgetLastError(), MIDAS_ERR_NOT_INITIALIZED);
}


class StartPoint : public SoundTest {
 protected:
  // Plays the tiny module from `start` seconds in a capture run, renders
  // `skip` then `keep` sample frames, and returns the kept samples.
  std::vector<std::int16_t> Render(double start, std::uint32_t skip, std::uint32_t keep) {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    options.captureDir = (dir / ("cap" + std::to_string(runs++))).string();
    options.startSeconds = start;
    host::SetOptions(options);
    scratch::fs::create_directories(options.captureDir);
    StartLibrary();
    play = MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1);
    if (play == 0) return {};
    if (skip > 0) host::CaptureMusicFrame(skip);
    host::CaptureMusicFrame(keep);
    if (!host::FinishMusic()) return {};
    return sound_test::WavSamples(
        scratch::ReadBytes(scratch::fs::path(options.captureDir) / "music.wav"), skip);
  }
  int runs = 0;
  MIDASmodulePlayHandle play = 0;
};

TEST_F(StartPoint, BetweenRowsTheMusicIsWhereARunFromTheRowWouldBe) {
  // Rows last 0.12 s: 0.96 s starts row 8 (a note), 1.0 s is 1920 samples into it.
  const std::vector<std::int16_t> fromRow = Render(0.96, 1920, 4800);
  const std::vector<std::int16_t> between = Render(1.0, 0, 4800);
  ASSERT_EQ(fromRow.size(), 9600u);
  ASSERT_EQ(between.size(), 9600u);
  EXPECT_NE(std::count(between.begin(), between.end(), 0), 9600) << "the note is heard";
  EXPECT_EQ(between, fromRow);
  // Neither where the row begins nor where the next one does.
  EXPECT_NE(between, Render(0.96, 0, 4800));
  EXPECT_NE(between, Render(1.08, 0, 4800));
}

}  // namespace
