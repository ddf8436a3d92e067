// --start: the music begins at the asked point of the song, to the sample,
// whether that point falls on a row or between two (libopenmpt itself seeks
// to the start of the next row).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host.h"
#include "support/sound_test_env.h"

namespace {

using sound_test::SoundTest;

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
    sound_test::fs::create_directories(options.captureDir);
    StartLibrary();
    play = MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1);
    if (play == 0) return {};
    if (skip > 0) host::CaptureMusicFrame(skip);
    host::CaptureMusicFrame(keep);
    MIDASgetPlayStatus(play, &status);
    if (!host::FinishMusic()) return {};
    const auto wav = sound_test::ReadFile(sound_test::fs::path(options.captureDir) / "music.wav");
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44 + std::size_t{skip} * 4; i + 1 < wav.size(); i += 2)
      samples.push_back(static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8));
    return samples;
  }
  int runs = 0;
  MIDASmodulePlayHandle play = 0;
  MIDASplayStatus status{};
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

TEST_F(StartPoint, ThePlayStatusShowsTheRowOfTheStart) {
  Render(1.0, 0, 48);  // row 8 runs from 0.96 s to 1.08 s
  EXPECT_EQ(status.row, 8u);
  EXPECT_EQ(status.songLoopCount, 0u);  // a seek forward is no wrap of the song
  Render(0.0, 0, 48);
  EXPECT_EQ(status.row, 0u);
}

}  // namespace
