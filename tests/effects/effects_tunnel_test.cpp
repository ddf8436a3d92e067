// Tests of the tunnel and credits scene: the credit windows and their strict
// bounds, the fade level and tunnel step, the 16-bit scroll, the additive
// cross-fade and the caption's use of the generator.
#include <cmath>
#include <random>

#include "platform/ddraw/driver.h"
#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/scenes.h"
#include "effects_fixture.h"

namespace {

struct WindowCase {
  float t;
  int picture;
  const char* caption;
  int level;
};

TEST(CreditWindows, StrictBoundsCaptionsAndFadeLevel) {
  const WindowCase cases[] = {
      {0.0f, 0, "Supervising", 0},
      {0.75f, 0, "Supervising", 127},  // 127.50000380 truncated
      {std::nextafter(1.5f, 0.0f), 0, "Supervising", 254},
      {1.5f, -1, "", 255},
      {2.0f, -1, "", 255},
      {3.0f, -1, "", 255},
      {std::nextafter(3.0f, 4.0f), 1, "Code", 0},
      {4.5f, -1, "", 255},
      {6.0f, -1, "", 255},
      {std::nextafter(6.0f, 7.0f), 2, "Vuxa!", 0},
      {7.5f, -1, "", 255},
      {9.0f, -1, "", 255},
      {std::nextafter(9.0f, 10.0f), 3, "Vuxa!!!", 0},
      {std::nextafter(10.5f, 0.0f), 3, "Vuxa!!!", 254},
      {10.5f, -1, "", 255},
      {11.99f, -1, "", 255},
  };
  for (const WindowCase& c : cases) {
    const CreditWindow w = FindCreditWindow(c.t);
    EXPECT_EQ(w.picture, c.picture) << "t = " << c.t;
    EXPECT_STREQ(w.caption, c.caption) << "t = " << c.t;
    EXPECT_EQ(FadeLevel(c.t, w), c.level) << "t = " << c.t;
  }
}

TEST(CreditWindows, TunnelStepAndScroll) {
  EXPECT_EQ(TunnelStep(0.3f), 3);  // 0.30000001 x 10 as double
  EXPECT_EQ(TunnelStep(0.1f), 1);
  EXPECT_EQ(TunnelStep(std::nextafter(12.0f, 0.0f)), 119);
  EXPECT_EQ(ScrollOffset(1), 1025);
  EXPECT_EQ(ScrollOffset(64), 64);  // 65600 modulo 65536
  EXPECT_EQ(ScrollOffset(119), 119 * 1025 % 65536);
}

class TunnelScene : public EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    BuildShadeTable();
    BuildTunnelTables();
    std::mt19937 random(7);
    // Top bytes set on purpose: they must never reach the frame.
    for (std::uint32_t& p : TunnelTexture) p = random();
    for (auto& picture : CreditPictures)
      for (std::uint32_t& p : picture) p = random();
  }

  static int Channel(std::uint32_t p, int shift) { return static_cast<int>(p >> shift & 0xFF); }

  // The tunnel's share of a channel: texel value less the darkening, at least 0.
  static int TunnelPart(int i, int shift, int level, std::uint16_t scroll) {
    const int texel = Channel(TunnelTexture[static_cast<std::uint16_t>(TunnelMap[i] + scroll)], shift);
    const int s = std::min(255, TunnelShade[i] + 255 - level);
    return std::max(0, texel - s);
  }
};

TEST_F(TunnelScene, ScrollWrapsAsA16BitSum) {
  TunnelMap[0] = 0xFFFF;
  TunnelMap[1] = 0x12FF;
  TunnelShade[0] = TunnelShade[1] = 0;
  TunnelTexture[0x0400] = 0xAA123456;
  TunnelTexture[0x1700] = 0x00654321;
  FillTunnel(FrameBuffer, 255, ScrollOffset(1));
  EXPECT_EQ(FrameBuffer[0], 0x00123456u);  // row 4, column 0
  EXPECT_EQ(FrameBuffer[1], 0x00654321u);  // row 0x17, column 0
}

TEST_F(TunnelScene, CrossFadeAddsTunnelAndCreditWithoutCarry) {
  for (float t : {0.0f, 0.75f, 1.2f, 3.3f, 7.49f, 9.01f, 10.4f}) {
    SCOPED_TRACE("t = " + std::to_string(t));
    DrawTunnelScene(t);
    const CreditWindow w = FindCreditWindow(t);
    ASSERT_GE(w.picture, 0);
    const int level = FadeLevel(t, w);
    const std::uint16_t scroll = ScrollOffset(TunnelStep(t));
    for (int y = 0; y < FRAME_HEIGHT; ++y)
      for (int x = 0; x < FRAME_WIDTH; ++x) {
        const int i = y * FRAME_WIDTH + x;
        const bool inSquare = x >= 96 && x < 224 && y >= 36 && y < 164;
        ASSERT_EQ(FrameBuffer[i] >> 24, 0u) << x << "," << y;
        for (int shift : {16, 8, 0}) {
          int expected = TunnelPart(i, shift, level, scroll);
          if (inSquare) {
            const int c = Channel(CreditPictures[w.picture][(y - 36) * 128 + x - 96], shift);
            expected += std::max(0, c - level);
          }
          ASSERT_LE(expected, 255);
          ASSERT_EQ(Channel(FrameBuffer[i], shift), expected) << x << "," << y << " shift " << shift;
        }
      }
  }
}

TEST_F(TunnelScene, WindowStartIsBlackTunnelWithThePictureUnchanged) {
  DrawTunnelScene(0.0f);
  for (int y = 0; y < FRAME_HEIGHT; ++y)
    for (int x = 0; x < FRAME_WIDTH; ++x) {
      const bool inSquare = x >= 96 && x < 224 && y >= 36 && y < 164;
      const std::uint32_t expected =
          inSquare ? CreditPictures[0][(y - 36) * 128 + x - 96] & 0xFFFFFF : 0;
      ASSERT_EQ(FrameBuffer[y * FRAME_WIDTH + x], expected) << x << "," << y;
    }
}

TEST_F(TunnelScene, OutsideWindowsPlainDepthDarkening) {
  DrawTunnelScene(2.0f);
  const std::uint16_t scroll = ScrollOffset(20);
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    std::uint32_t expected = 0;
    for (int shift : {16, 8, 0}) expected |= static_cast<std::uint32_t>(TunnelPart(i, shift, 255, scroll)) << shift;
    ASSERT_EQ(FrameBuffer[i], expected) << "pixel " << i;
  }
  EXPECT_EQ(FrameBuffer[100 * FRAME_WIDTH + 160], 0u);  // the far end is black
  // The empty caption still runs its three passes.
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 6));
}

TEST_F(TunnelScene, FrameIsUploadedAndCaptionNeedsTheDeviceContext) {
  platform::Profile().getDC = false;
  DrawTunnelScene(0.5f);
  EXPECT_EQ(GetShowRandomState(), 1u);
  const auto screen = ReadBackBuffer();
  EXPECT_TRUE(std::equal(FrameBuffer, FrameBuffer + FRAME_PIXELS, screen.begin() + 20 * 320));
}

}  // namespace
