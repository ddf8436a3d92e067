// Screenshots and the frame's place on screen: where the 320x240 frame goes in
// outputs of every shape, how it is scaled for the large screenshot, how the
// files are named with the show time, and what is written where.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/pictures.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

// A 320x240 frame where every pixel's colour tells its place.
std::vector<std::uint8_t> Gradient() {
  std::vector<std::uint8_t> rgb(320 * 240 * 3);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      std::uint8_t* p = &rgb[(y * 320 + x) * 3];
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = static_cast<std::uint8_t>(x >> 8);
    }
  return rgb;
}

TEST(FramePlace, IntegerScaleWhereItFitsCentredWithBars) {
  auto expect = [](int w, int h, host::FramePlace want) {
    const host::FramePlace got = host::PlaceFrame(w, h);
    EXPECT_EQ(got.x, want.x) << w << "x" << h;
    EXPECT_EQ(got.y, want.y) << w << "x" << h;
    EXPECT_EQ(got.w, want.w) << w << "x" << h;
    EXPECT_EQ(got.h, want.h) << w << "x" << h;
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

TEST(ScaleRgb, NearestTakesThePixelUnderEachCentreAndBadSizesGiveNothing) {
  // Three source pixels onto four: centres at 0.375, 1.125, 1.875, 2.625.
  const std::vector<std::uint8_t> row = {10, 0, 0, 20, 0, 0, 30, 0, 0};
  const std::vector<std::uint8_t> out = host::ScaleRgb(row, 3, 1, 4, 1, false);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[3], 20);
  EXPECT_EQ(out[6], 20);
  EXPECT_EQ(out[9], 30);
  // Empty sizes and short input give nothing.
  const std::vector<std::uint8_t> frame = Gradient();
  EXPECT_TRUE(host::ScaleRgb(frame, 320, 240, 0, 720, false).empty());
  EXPECT_TRUE(host::ScaleRgb(frame, 320, 240, 960, -1, true).empty());
  EXPECT_TRUE(host::ScaleRgb({frame.data(), 100}, 320, 240, 640, 480, false).empty());
}

TEST(ScaleRgb, LinearBlendsNeighboursAndClampsAtTheEdges) {
  const std::vector<std::uint8_t> row = {0, 0, 0, 200, 100, 40};
  const std::vector<std::uint8_t> out = host::ScaleRgb(row, 2, 1, 4, 1, true);
  ASSERT_EQ(out.size(), 12u);
  // Centres at -0.25 (clamped to 0), 0.25, 0.75 and 1.25 (clamped to 1).
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[3], 50);
  EXPECT_EQ(out[4], 25);
  EXPECT_EQ(out[5], 10);
  EXPECT_EQ(out[6], 150);
  EXPECT_EQ(out[9], 200);
  EXPECT_EQ(out[11], 40);
  // Three onto six: the centre of pixel 3 lies a quarter past source pixel 1.
  const std::vector<std::uint8_t> ramp = {0, 0, 0, 100, 0, 0, 200, 0, 0};
  EXPECT_EQ(host::ScaleRgb(ramp, 3, 1, 6, 1, true)[9], 125);
  // A flat picture stays flat at any size.
  const std::vector<std::uint8_t> flat(320 * 240 * 3, 77);
  for (std::uint8_t v : host::ScaleRgb(flat, 320, 240, 1000, 750, true)) ASSERT_EQ(v, 77);
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

TEST(Screenshots, BothFilesHoldTheFrameAndStderrNamesThem) {
  ScratchDir dir("screenshots");
  const std::vector<std::uint8_t> frame = Gradient();
  testing::internal::CaptureStderr();
  ASSERT_TRUE(host::WriteScreenshots(dir.path().string(), frame, 960, 720, false, 24.5));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("vuxa-shot-024.500s.png"), std::string::npos) << said;
  EXPECT_NE(said.find("vuxa-shot-024.500s-960x720.png"), std::string::npos) << said;

  const Picture small = ReadPng(dir.path() / "vuxa-shot-024.500s.png");
  ASSERT_TRUE(small.ok);
  EXPECT_EQ(Listing(dir.path()).size(), 2u);  // no work files left
  ASSERT_EQ(small.width, 320);
  ASSERT_EQ(small.height, 240);
  EXPECT_EQ(small.rgb, frame);
  const Picture large = ReadPng(dir.path() / "vuxa-shot-024.500s-960x720.png");
  ASSERT_TRUE(large.ok);
  ASSERT_EQ(large.width, 960);
  ASSERT_EQ(large.height, 720);
  // Each frame pixel repeated three times across and down.
  for (int y : {0, 2, 3, 359, 719})
    for (int x : {0, 2, 3, 500, 959})
      EXPECT_TRUE(std::equal(large.At(x, y), large.At(x, y) + 3, &frame[((y / 3) * 320 + x / 3) * 3])) << x << "," << y;
}

TEST(Screenshots, AMissingDirectorySaysWhyAndLeavesNothing) {
  ScratchDir dir("screenshots_missing");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      host::WriteScreenshots((dir.path() / "gone").string(), Gradient(), 640, 480, false, 1.0));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("cannot save the screenshot"), std::string::npos) << said;
  EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
  EXPECT_TRUE(Listing(dir.path()).empty());
}

}  // namespace
