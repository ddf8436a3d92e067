// Tests of the random generator, the glow text's use of it and the noise
// title scene: pixel values, the count of random values a frame takes, and the
// frame without text when GetDC fails.
#include <algorithm>
#include <string>

#include "platform/ddraw/driver.h"
#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/scenes.h"
#include "effects_fixture.h"

namespace {

TEST(ShowRandom, FirstValuesFromTheStartingState) {
  SetShowRandomState(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int value : expected) EXPECT_EQ(ShowRandom(), value);
  SetShowRandomState(0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) {
    const int r = ShowRandom();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
  }
}

using TitleScene = EffectsTest;

TEST_F(TitleScene, FirstPixelsAndLevelRange) {
  DrawTitleScene(0.0f);
  EXPECT_EQ(FrameBuffer[0], 0xFF000000u);  // r = 41
  EXPECT_EQ(FrameBuffer[1], 0xFF2B2B2Bu);  // r = 18467
  EXPECT_EQ(FrameBuffer[2], 0xFF0E0E0Eu);  // r = 6334
  int seen76 = 0;
  for (std::uint32_t p : FrameBuffer) {
    const std::uint32_t v = p & 0xFF;
    ASSERT_EQ(p, 0xFF000000u | v * 0x010101u);
    ASSERT_LE(v, 76u);
    seen76 += v == 76;
  }
  EXPECT_GT(seen76, 0);  // the top level occurs, about half as often as the others
}

TEST_F(TitleScene, FrameTakes64012ValuesAndDrawsTextOverTheUpload) {
  DrawTitleScene(0.0f);
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 64012));
  const auto screen = ReadBackBuffer();
  int changed = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x)
      if (screen[(y + 20) * 320 + x] != FrameBuffer[y * 320 + x]) {
        ++changed;
        // Title from y 66, subtitle from y 126, both from x 10 on.
        EXPECT_GE(x, 10);
        EXPECT_GE(y + 20, 30);
        EXPECT_LT(y + 20, 200);
      }
  EXPECT_GT(changed, 200);
  for (int i = 0; i < 320 * 20; ++i) ASSERT_EQ(screen[i], 0u);
}

TEST_F(TitleScene, WithoutDeviceContextNoTextAndNoTextValues) {
  platform::Profile().getDC = false;
  DrawTitleScene(0.0f);
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 64000));
  const auto screen = ReadBackBuffer();
  EXPECT_TRUE(std::equal(FrameBuffer, FrameBuffer + FRAME_PIXELS, screen.begin() + 20 * 320));
  // The next frame's noise starts 12 values earlier than it would with text.
  DrawTitleScene(0.0f);
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 128000));
}

TEST_F(TitleScene, GlowTextTakesSixValuesWhateverTheText) {
  HDC dc = nullptr;
  ASSERT_EQ(Display.backBuffer->GetDC(&dc), 0);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, CreditFont);
  GlowText(dc, "", 10, 160);
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 6));
  const std::string longText(1000, 'W');  // longer than the text buffer
  GlowText(dc, longText.c_str(), 10, 160);
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 12));
  Display.backBuffer->ReleaseDC(dc);
}

}  // namespace
