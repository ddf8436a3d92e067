// Tests of the closing picture scene: the picture reaches the screen unchanged
// outside its caption, the FrameBuffer is left alone, and the caption needs
// the device context.
#include <random>

#include "platform/ddraw/driver.h"
#include "effects/assets.h"
#include "effects/scenes.h"
#include "effects_fixture.h"

namespace {

class ClosingScene : public EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    std::mt19937 random(11);
    for (std::uint32_t& p : ClosingPicture) p = random() & 0xFFFFFF;
    for (std::uint32_t& p : FrameBuffer) p = 0x5A5A5A5A;
  }

  // The caption "Vuxa in tha house" from (10, 30), rising 3 degrees to the right.
  static bool InCaption(int x, int screenY) { return x >= 8 && x < 280 && screenY >= 8 && screenY < 80; }
};

TEST_F(ClosingScene, PictureUnchangedOutsideTheCaption) {
  DrawClosingScene(0.0f);
  const auto screen = ReadBackBuffer();
  int changed = 0;
  for (int y = 0; y < FRAME_HEIGHT; ++y)
    for (int x = 0; x < FRAME_WIDTH; ++x) {
      const std::uint32_t shown = screen[(y + 20) * 320 + x];
      if (InCaption(x, y + 20))
        changed += shown != ClosingPicture[y * FRAME_WIDTH + x];
      else
        ASSERT_EQ(shown, ClosingPicture[y * FRAME_WIDTH + x]) << x << "," << y;
    }
  EXPECT_GT(changed, 100);  // the caption was drawn
  EXPECT_EQ(GetShowRandomState(), StateAfter(1, 6));
  for (std::uint32_t p : FrameBuffer) ASSERT_EQ(p, 0x5A5A5A5Au);
}

TEST_F(ClosingScene, TwoFramesDifferOnlyInTheCaption) {
  DrawClosingScene(0.0f);
  const auto first = ReadBackBuffer();
  DrawClosingScene(0.04f);
  const auto second = ReadBackBuffer();
  for (int y = 20; y < 220; ++y)
    for (int x = 0; x < 320; ++x)
      if (!InCaption(x, y)) {
        ASSERT_EQ(first[y * 320 + x], second[y * 320 + x]) << x << "," << y;
      }
}

TEST_F(ClosingScene, WithoutDeviceContextThePictureAlone) {
  platform::Profile().getDC = false;
  DrawClosingScene(0.0f);
  const auto screen = ReadBackBuffer();
  EXPECT_TRUE(std::equal(ClosingPicture, ClosingPicture + FRAME_PIXELS, screen.begin() + 20 * 320));
  EXPECT_EQ(GetShowRandomState(), 1u);
}

}  // namespace
