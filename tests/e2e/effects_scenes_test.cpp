// End-to-end checks of the tunnel, credits and closing picture in a capture of
// the whole show at 25 frames a second: frame k shows ShowClock (k - 1) / 25.
#include <gtest/gtest.h>

#include <cmath>

#include "effects_capture.h"
#include "image/pcx.h"
#include "platform/platform.h"
#include "platform/host/host.h"

namespace {

using namespace effects_e2e;

class CapturedShow : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(ScratchDir("effects_e2e"));
    run_ = new VuxaRun(RunVuxa(*dir_, "--capture frames --fps 25"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete run_;
  }
  void SetUp() override {
    ASSERT_EQ(run_->exitCode, 0) << run_->stderrText;
    platform::ResetPlatform();
    host::SetDataDir(VUXA_DATA_DIR);
  }

  static std::vector<std::uint32_t> Frame(double showClock) {
    const int k = static_cast<int>(std::lround(showClock * 25)) + 1;
    auto frame = ReadFrame(FramePath(*dir_ / "frames", k));
    EXPECT_EQ(frame.size(), 320u * 240u) << "frame " << k;
    return frame;
  }

  static std::vector<std::uint32_t> Picture(const char* name, int width, int height) {
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(width) * height);
    LoadPcx(name, picture.data(), width, height);
    return picture;
  }

  static inline fs::path* dir_ = nullptr;
  static inline VuxaRun* run_ = nullptr;
};

bool InBox(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

TEST_F(CapturedShow, FirstCreditCutsInOnBlack) {
  const auto frame = Frame(12.0);
  ASSERT_FALSE(frame.empty());
  const auto credit = Picture("images\\cred1.pcx", 128, 128);
  int captionPixels = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const std::uint32_t shown = frame[y * 320 + x];
      const bool inSquare = InBox(x, y, 96, 56, 224, 184);
      if (InBox(x, y, 8, 150, 200, 205)) {  // "Supervising" from (10, 160)
        captionPixels += !inSquare && shown != 0;
        continue;
      }
      const std::uint32_t expected = inSquare ? credit[(y - 56) * 128 + x - 96] : 0;
      ASSERT_EQ(shown, expected) << x << "," << y;
    }
  EXPECT_GT(captionPixels, 50);
}

// The tunnel tables, worked out here from their definition.
struct Tunnel {
  std::vector<std::uint16_t> map = std::vector<std::uint16_t>(64000);
  std::vector<int> shade = std::vector<int>(64000);
  Tunnel() {
    for (int r = 0; r < 200; ++r)
      for (int c = 0; c < 320; ++c) {
        const int x = c - 160, y = r - 100;
        const double d = std::sqrt(static_cast<double>(x * x + y * y));
        const int angle = static_cast<int>(std::atan2(x, r - 100.00000001) * 82 + 127) & 0xFF;
        const int depth = d == 0 ? 0 : static_cast<int>(5000 / (d * 1.35)) & 0xFF;
        map[r * 320 + c] = static_cast<std::uint16_t>(depth << 8 | angle);
        shade[r * 320 + c] = 2.5 * d < 255 ? static_cast<int>(255 - 2.5 * d) : 0;
      }
  }
};

TEST_F(CapturedShow, TunnelOutsideTheWindowsHasPlainDepthDarkening) {
  const Tunnel tunnel;
  const auto texture = Picture("images\\texture.pcx", 256, 256);
  // Scene times 2.04 and 8.04: tunnel steps 20 and 80, no credit, empty caption.
  for (const int step : {20, 80}) {
    SCOPED_TRACE("tunnel step " + std::to_string(step));
    const auto frame = Frame(12.0 + step / 10.0 + 0.04);
    ASSERT_FALSE(frame.empty());
    for (int i = 0; i < 320 * 20; ++i) ASSERT_EQ(frame[i], 0u);
    int lit = 0;
    for (int i = 0; i < 64000; ++i) {
      const std::uint32_t texel = texture[static_cast<std::uint16_t>(tunnel.map[i] + step * 1025)];
      std::uint32_t expected = 0;
      for (int shift : {16, 8, 0})
        expected |= static_cast<std::uint32_t>(std::max(0, static_cast<int>(texel >> shift & 0xFF) - tunnel.shade[i])) << shift;
      ASSERT_EQ(frame[20 * 320 + i], expected) << "column " << i % 320 << ", row " << i / 320;
      lit += expected != 0;
    }
    EXPECT_GT(lit, 32000);  // the tunnel is visible, not a black screen
  }
}

TEST_F(CapturedShow, ClosingPictureOutsideItsCaption) {
  const auto closing = Picture("images\\vuxa.pcx", 320, 200);
  for (double clock : {40.0, 47.96}) {
    SCOPED_TRACE("ShowClock " + std::to_string(clock));
    const auto frame = Frame(clock);
    ASSERT_FALSE(frame.empty());
    int captionPixels = 0;
    for (int y = 20; y < 220; ++y)
      for (int x = 0; x < 320; ++x) {
        const std::uint32_t shown = frame[y * 320 + x];
        const std::uint32_t expected = closing[(y - 20) * 320 + x];
        if (InBox(x, y, 8, 8, 280, 80)) {  // "Vuxa in tha house" from (10, 30)
          captionPixels += shown != expected;
          continue;
        }
        ASSERT_EQ(shown, expected) << x << "," << y;
      }
    EXPECT_GT(captionPixels, 100);
  }
}

}  // namespace
