// Screenshots and the frame's place on screen: where the 320x240 frame goes in
// outputs of every shape, how it is scaled for the large screenshot, how the
// files are named with the show time, and what is written where.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/pictures.h"
#include "platform/host/host.h"
#include "present_support.h"

namespace {

using namespace present_test;

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

TEST(ScaleRgb, NearestRepeatsEachPixelAtIntegerScales) {
  const std::vector<std::uint8_t> frame = Gradient();
  const std::vector<std::uint8_t> big = host::ScaleRgb(frame, 320, 240, 960, 720, false);
  ASSERT_EQ(big.size(), 960u * 720 * 3);
  for (int y : {0, 1, 2, 3, 359, 717, 719})
    for (int x : {0, 2, 3, 500, 957, 959}) {
      const std::uint8_t* got = &big[(y * 960 + x) * 3];
      const std::uint8_t* want = &frame[((y / 3) * 320 + x / 3) * 3];
      EXPECT_EQ(got[0], want[0]) << x << "," << y;
      EXPECT_EQ(got[1], want[1]) << x << "," << y;
      EXPECT_EQ(got[2], want[2]) << x << "," << y;
    }
}

TEST(ScaleRgb, NearestTakesThePixelUnderEachCentreAtOtherSizes) {
  // Three source pixels onto four: centres at 0.375, 1.125, 1.875, 2.625.
  const std::vector<std::uint8_t> row = {10, 0, 0, 20, 0, 0, 30, 0, 0};
  const std::vector<std::uint8_t> out = host::ScaleRgb(row, 3, 1, 4, 1, false);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[3], 20);
  EXPECT_EQ(out[6], 20);
  EXPECT_EQ(out[9], 30);
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
  // A flat picture stays flat at any size.
  const std::vector<std::uint8_t> flat(320 * 240 * 3, 77);
  for (std::uint8_t v : host::ScaleRgb(flat, 320, 240, 1000, 750, true)) ASSERT_EQ(v, 77);
}

TEST(ScaleRgb, RefusesEmptySizesAndShortInput) {
  const std::vector<std::uint8_t> frame = Gradient();
  EXPECT_TRUE(host::ScaleRgb(frame, 320, 240, 0, 720, false).empty());
  EXPECT_TRUE(host::ScaleRgb(frame, 320, 240, 960, -1, true).empty());
  EXPECT_TRUE(host::ScaleRgb({frame.data(), 100}, 320, 240, 640, 480, false).empty());
}

TEST(ScreenshotName, ShowTimeInMillisecondsAndTheSize) {
  EXPECT_EQ(host::ScreenshotName(23.456), "vuxa-shot-023.456s.png");
  EXPECT_EQ(host::ScreenshotName(23.456, 960, 720), "vuxa-shot-023.456s-960x720.png");
  EXPECT_EQ(host::ScreenshotName(0.0), "vuxa-shot-000.000s.png");
  EXPECT_EQ(host::ScreenshotName(51.25, 1280, 960), "vuxa-shot-051.250s-1280x960.png");
  EXPECT_EQ(host::ScreenshotName(5.0), "vuxa-shot-005.000s.png");
  // Nothing before the start, and nothing strange from a strange clock.
  EXPECT_EQ(host::ScreenshotName(-0.2), "vuxa-shot-000.000s.png");
  EXPECT_EQ(host::ScreenshotName(std::nan("")), "vuxa-shot-000.000s.png");
}

TEST(Screenshots, BothFilesHoldTheFrameAndStderrNamesThem) {
  ScratchDir dir("shots");
  const std::vector<std::uint8_t> frame = Gradient();
  testing::internal::CaptureStderr();
  ASSERT_TRUE(host::WriteScreenshots(dir.path().string(), frame, 960, 720, false, 24.5));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("vuxa-shot-024.500s.png"), std::string::npos) << said;
  EXPECT_NE(said.find("vuxa-shot-024.500s-960x720.png"), std::string::npos) << said;

  const Picture small = ReadPng(dir.path() / "vuxa-shot-024.500s.png");
  ASSERT_TRUE(small.ok);
  ASSERT_EQ(small.width, 320);
  ASSERT_EQ(small.height, 240);
  EXPECT_EQ(small.rgb, frame);
  const Picture large = ReadPng(dir.path() / "vuxa-shot-024.500s-960x720.png");
  ASSERT_TRUE(large.ok);
  ASSERT_EQ(large.width, 960);
  ASSERT_EQ(large.height, 720);
  EXPECT_EQ(large.rgb, host::ScaleRgb(frame, 320, 240, 960, 720, false));
}

// Root writes anywhere through CAP_DAC_OVERRIDE: as root, the test runs
// itself again under setpriv with that capability (and DAC_READ_SEARCH) out
// of the bounding set, so file permissions hold for it as for any user.
TEST(Screenshots, AnUnwritableDirectorySaysWhyAndLeavesNothing) {
  if (::geteuid() == 0 && !std::getenv("VUXA_DAC_DROPPED")) {
    const std::string command =
        "VUXA_DAC_DROPPED=1 setpriv --bounding-set=-dac_override,-dac_read_search "
        "--inh-caps=-dac_override,-dac_read_search /proc/" + std::to_string(::getpid()) +
        "/exe --gtest_filter=Screenshots.AnUnwritableDirectorySaysWhyAndLeavesNothing 2>&1";
    std::string said;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) said += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << said;
    EXPECT_NE(said.find("[  PASSED  ] 1 test"), std::string::npos) << said;
    return;
  }
  ScratchDir dir("readonly");
  ::chmod(dir.path().c_str(), 0555);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(host::WriteScreenshots(dir.path().string(), Gradient(), 640, 480, true, 1.0));
  const std::string said = testing::internal::GetCapturedStderr();
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_NE(said.find("cannot save the screenshot"), std::string::npos) << said;
  EXPECT_TRUE(Listing(dir.path()).empty());
}

TEST(Screenshots, AMissingDirectorySaysWhyAndLeavesNothing) {
  ScratchDir dir("missing");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      host::WriteScreenshots((dir.path() / "gone").string(), Gradient(), 640, 480, false, 1.0));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("cannot save the screenshot"), std::string::npos) << said;
  EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
  EXPECT_TRUE(Listing(dir.path()).empty());
}

}  // namespace
