// --video through stand-in ffmpeg scripts (frames reach it through the pipe;
// one that writes nothing fails the run, the user's files kept; the progress
// line) and screenshots: the frame's place in outputs of every shape, its
// scaling, names from the show time, a missing folder. A real ffmpeg, a
// missing one, one stopping midway and screenshots in a running show are
// tests/e2e's (Video, Window).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/video.h"
#include "support/surface_util.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "platform/host/pictures.h"
#include "platform/host/present.h"

namespace {

using namespace scratch;

class Video : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    host::Options options;
    options.videoFile = file.string();
    options.fps = 12;
    host::SetOptions(options);
  }
  // Flips `count` frames, frame i filled with a colour of its own.
  void FlipFrames(int count) {
    for (int i = 0; i < count; ++i) {
      const auto colour = static_cast<DWORD>((i * 20) << 16 | (200 - i * 10) << 8 | 60);
      ASSERT_EQ(surfacetest::Fill(back, colour), DD_OK);
      ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    }
  }
  ScratchDir dir{ForThisTest("video_")};
  fs::path file = dir.path() / "show.mkv";
};

TEST_F(Video, AnFfmpegThatWritesNoFileFailsTheRunAndKeepsTheUsersFiles) {
  // Counts what arrives on its standard input, one line a call, and writes no video.
  WriteScript(dir.path() / "bin" / "ffmpeg", "wc -c >> '" + (dir.path() / "bin" / "bytes").string() + "'");
  ScopedEnv path("PATH", (dir.path() / "bin").string() + ":/usr/bin:/bin");
  // The user's files, at the video's name and at names an older version used.
  for (const char* name : {"show.mkv", "show.mkv.part", "show.mkv.part.log"})
    std::ofstream(dir.path() / name) << "old";
  testing::internal::CaptureStderr();
  OpenDisplay(32);
  FlipFrames(8);  // at 12 fps, 1% of the show is six frames
  EXPECT_FALSE(host::Shutdown());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("]   0%\r"), std::string::npos) << said;
  EXPECT_NE(said.find("]   1%"), std::string::npos) << said;
  EXPECT_NE(said.find("vuxa: --video " + file.string() + ": ffmpeg wrote no video"),
            std::string::npos)
      << said;
  EXPECT_EQ(Listing(dir.path()),
            (std::vector<std::string>{"bin", "show.mkv", "show.mkv.part", "show.mkv.part.log"}));
  EXPECT_EQ(ReadText(file), "old");
  // Every frame went down the pipe as 320x240 RGB.
  EXPECT_EQ(ReadText(dir.path() / "bin" / "bytes").substr(0, 8), "1843200\n");
}

TEST_F(Video, NoFrameNoVideoAndNoComplaint) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(host::Shutdown());  // the display never opened: nothing to encode
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Listing(dir.path()).empty());
}

TEST(VideoProgress, ABarOfThirtyCellsAndAPercentage) {
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 0.5),
            "\rvuxa: video v.mp4 [###############...............]  50%");
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 0.0),
            "\rvuxa: video v.mp4 [..............................]   0%");
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 1.7),
            "\rvuxa: video v.mp4 [##############################] 100%");
}

const std::vector<std::uint8_t> kFrame(320 * 240 * 3, 9);

TEST(FramePlace, IntegerScaleWhereItFitsCentredWithBars) {
  auto expect = [](int w, int h, host::FramePlace want) {
    const host::FramePlace got = host::PlaceFrame(w, h);
    EXPECT_EQ(std::tie(got.x, got.y, got.w, got.h), std::tie(want.x, want.y, want.w, want.h))
        << w << "x" << h;
  };
  expect(640, 480, {0, 0, 640, 480});        // a window at scale 2
  expect(1280, 720, {160, 0, 960, 720});     // 16:9: bars left and right
  expect(1920, 1080, {320, 60, 1280, 960});  // bars on all four sides
  expect(1280, 1024, {0, 32, 1280, 960});    // 5:4: bars above and below
  expect(3840, 2160, {480, 0, 2880, 2160});  // high-DPI output, in its own pixels
  expect(700, 240, {190, 0, 320, 240});
  // Too small for scale 1: as large as fits at 4:3.
  expect(300, 200, {17, 0, 266, 199});
  expect(0, 0, {0, 0, 0, 0});
}

TEST(ScaleRgb, NearestTakesThePixelUnderEachCentreLinearBlendsAndClampsBadSizesGiveNothing) {
  using Rgb = std::vector<std::uint8_t>;
  // Three onto four, nearest: centres at 0.375, 1.125, 1.875, 2.625.
  const Rgb three = {10, 0, 0, 20, 0, 0, 30, 0, 0};
  EXPECT_EQ(host::ScaleRgb(three, 3, 1, 4, 1, false), (Rgb{10, 0, 0, 20, 0, 0, 20, 0, 0, 30, 0, 0}));
  // Two onto four, linear: centres at -0.25 (clamped to 0), 0.25, 0.75 and 1.25 (clamped to 1).
  const Rgb two = {0, 0, 0, 200, 100, 40};
  EXPECT_EQ(host::ScaleRgb(two, 2, 1, 4, 1, true), (Rgb{0, 0, 0, 50, 25, 10, 150, 75, 30, 200, 100, 40}));
  // Three onto six: a quarter before and after each source pixel's centre.
  const Rgb ramp = {0, 0, 0, 100, 0, 0, 200, 0, 0};
  EXPECT_EQ(host::ScaleRgb(ramp, 3, 1, 6, 1, true),
            (Rgb{0, 0, 0, 25, 0, 0, 75, 0, 0, 125, 0, 0, 175, 0, 0, 200, 0, 0}));
  // A flat picture stays flat at any size.
  const Rgb flat(320 * 240 * 3, 77);
  for (std::uint8_t v : host::ScaleRgb(flat, 320, 240, 1000, 750, true)) ASSERT_EQ(v, 77);
  // Empty sizes and short input give nothing.
  EXPECT_TRUE(host::ScaleRgb(kFrame, 320, 240, 0, 720, false).empty());
  EXPECT_TRUE(host::ScaleRgb(kFrame, 320, 240, 960, -1, true).empty());
  EXPECT_TRUE(host::ScaleRgb({kFrame.data(), 100}, 320, 240, 640, 480, false).empty());
}

TEST(ToRgb, EveryLengthMatchesThePlainLoopWithoutWritingPastTheEnd) {
  // Lengths around the vector loop's groups of four and its stop two pixels
  // short; each byte of the source different, so a swapped channel shows.
  std::vector<std::uint8_t> surface(4 * 40);
  for (std::size_t i = 0; i < surface.size(); ++i) surface[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (int bytes : {3, 4})
    for (int width = 1; width <= 40; ++width) {
      const std::vector<std::uint8_t> rgb = host::ToRgb(surface.data(), bytes, width, 1);
      ASSERT_EQ(rgb, host::ToRgbPlain(surface.data(), bytes, width, 1)) << bytes << " bytes, width " << width;
      ASSERT_EQ(rgb.size(), 3u * width);
      ASSERT_EQ(rgb[0], surface[2]);
      ASSERT_EQ(rgb[3 * width - 1], surface[(width - 1) * bytes]);
    }
  EXPECT_TRUE(host::ToRgb(surface.data(), 2, 10, 1).empty());
}

TEST(ScreenshotName, ShowTimeInMillisecondsAndTheSize) {
  const struct {
    double seconds;
    int w, h;
    const char* name;
  } cases[] = {
      {23.456, 0, 0, "vuxa-shot-023.456s.png"},         {23.456, 960, 720, "vuxa-shot-023.456s-960x720.png"},
      {51.25, 1280, 960, "vuxa-shot-051.250s-1280x960.png"}, {5.0, 0, 0, "vuxa-shot-005.000s.png"},
      // Nothing before the start, and nothing strange from a strange clock.
      {-0.2, 0, 0, "vuxa-shot-000.000s.png"},           {std::nan(""), 0, 0, "vuxa-shot-000.000s.png"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.w ? host::ScreenshotName(c.seconds, c.w, c.h) : host::ScreenshotName(c.seconds), c.name);
}

TEST(Screenshots, AMissingDirectorySaysWhyAndLeavesNothing) {
  ScratchDir dir("screenshots_missing");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      host::WriteScreenshots((dir.path() / "gone").string(), kFrame, 640, 480, false, 1.0));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("cannot save the screenshot"), std::string::npos) << said;
  EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
  EXPECT_TRUE(Listing(dir.path()).empty());
}

}  // namespace
