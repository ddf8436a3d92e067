// The 2D scenes where the show's run cannot look (its pixels are the capture
// test's): the credit windows' strict bounds and fade levels, a text longer
// than its buffer, each scene without a device context (the frame still shown).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "effects/scenes.h"
#include "platform/ddraw/driver.h"
#include "support/display_fixture.h"

namespace {

TEST(CreditWindows, StrictBoundsCaptionsFadeLevelsAndScroll) {
  const struct {
    float t;
    int picture;
    const char* caption;
    int level;
  } cases[] = {
      {0.0f, 0, "Supervising", 0},        {0.75f, 0, "Supervising", 127},  // 127.5000038 cut
      {std::nextafter(1.5f, 0.0f), 0, "Supervising", 254}, {1.5f, -1, "", 255},
      {3.0f, -1, "", 255},                {std::nextafter(3.0f, 4.0f), 1, "Code", 0},
      {6.0f, -1, "", 255},                {std::nextafter(6.0f, 7.0f), 2, "Vuxa!", 0},
      {9.0f, -1, "", 255},                {std::nextafter(9.0f, 10.0f), 3, "Vuxa!!!", 0},
      {std::nextafter(10.5f, 0.0f), 3, "Vuxa!!!", 254}, {10.5f, -1, "", 255},
      {11.99f, -1, "", 255},
  };
  for (const auto& c : cases) {
    const CreditWindow w = FindCreditWindow(c.t);
    EXPECT_EQ(w.picture, c.picture) << "t = " << c.t;
    EXPECT_STREQ(w.caption, c.caption) << "t = " << c.t;
    EXPECT_EQ(FadeLevel(c.t, w), c.level) << "t = " << c.t;
  }
  EXPECT_EQ(TunnelStep(0.3f), 3);  // 0.30000001 x 10 as double
  EXPECT_EQ(TunnelStep(std::nextafter(12.0f, 0.0f)), 119);
  EXPECT_EQ(ScrollOffset(1), 1025);
  EXPECT_EQ(ScrollOffset(64), 64);  // 65600 modulo 65536
}

// The display as the show sets it up, its four fonts and the generator at 1.
class Scenes : public OffscreenPlatform {
 protected:
  void SetUp() override {
    ResetOffscreen();
    ASSERT_EQ(InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DISPLAY_WINDOW), 0);
    ASSERT_EQ(InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DISPLAY_SURFACES), 0);
    const int escapements[4] = {50, -50, 30, -10};
    HFONT* fonts[4] = {&TitleFont, &SubtitleFont, &ClosingFont, &CreditFont};
    for (int i = 0; i < 4; ++i)
      *fonts[i] = CreateFontA(-MulDiv(16, 96, 72), 0, escapements[i], 0, FW_BOLD, 0, 0, 0, 0, 0,
                              0, 2, 0x52, "Tahoma");
    SetShowRandomState(1);
  }
  void TearDown() override {
    for (HFONT* font : {&TitleFont, &SubtitleFont, &ClosingFont, &CreditFont}) {
      if (*font) DeleteObject(*font);
      *font = nullptr;
    }
    ReleaseDisplay(&Display);
    OffscreenPlatform::TearDown();
  }

  // The generator's state n values on from 1.
  static std::uint32_t StateAfter(int n) {
    std::uint32_t state = 1;
    for (int i = 0; i < n; ++i) state = state * 214013u + 2531011u;
    return state;
  }

  // Whether the screen's rows 20 to 219 are the FrameBuffer or `picture`.
  static bool ScreenShows(const std::uint32_t* picture = FrameBuffer) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(Display.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0);
    const bool same = std::memcmp(static_cast<const std::uint32_t*>(desc.lpSurface) + 20 * 320,
                                  picture, FRAME_PIXELS * 4) == 0;
    Display.backBuffer->Unlock(desc.lpSurface);
    return same;
  }
};

// The values a frame takes with text are in every captured frame; here a text
// longer than the text buffer, and no device context at all.
TEST_F(Scenes, GeneratorValuesPerFrameForALongTextAndWithoutText) {
  HDC dc = nullptr;
  ASSERT_EQ(Display.backBuffer->GetDC(&dc), 0);
  SelectObject(dc, CreditFont);
  GlowText(dc, std::string(1000, 'W').c_str(), 10, 160);  // six values, as any text
  Display.backBuffer->ReleaseDC(dc);
  EXPECT_EQ(GetShowRandomState(), StateAfter(6));

  // Without a device context: no text, no text values, the frame still shown.
  platform::Profile().getDC = false;
  SetShowRandomState(1);
  DrawTitleScene(0.0f);
  EXPECT_EQ(GetShowRandomState(), StateAfter(64000));
  EXPECT_TRUE(ScreenShows());
  SetShowRandomState(1);
  DrawTunnelScene(0.5f);
  EXPECT_EQ(GetShowRandomState(), 1u);
  EXPECT_TRUE(ScreenShows());
  for (std::uint32_t i = 0; i < FRAME_PIXELS; ++i) ClosingPicture[i] = i * 2654435761u & 0xFFFFFF;
  DrawClosingScene(0.0f);
  EXPECT_EQ(GetShowRandomState(), 1u);
  EXPECT_TRUE(ScreenShows(ClosingPicture));
}

}  // namespace
