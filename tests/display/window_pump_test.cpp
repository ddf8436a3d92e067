// Tests of the show's window, its procedure and the message pump, through the
// stand-in's message queue (offscreen: no SDL window is involved).
#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/platform.h"
#include "platform/win32/user.h"
#include "platform/host/host.h"

namespace {

class ShowWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    Display.quit = 7;  // InitDisplay with the window step must zero the record
    ASSERT_EQ(InitDisplay(Instance(), SW_SHOWNORMAL, &Display, DISPLAY_WINDOW), 0);
  }
  void TearDown() override {
    ReleaseDisplay(&Display);
    platform::ResetPlatform();
  }
  static HINSTANCE Instance() { return GetModuleHandleA(nullptr); }
};

TEST_F(ShowWindowTest, TheWindowStepZeroesTheRecordAndCreatesTheWindow) {
  EXPECT_NE(Display.window, nullptr);
  EXPECT_EQ(Display.instance, Instance());
  EXPECT_EQ(Display.quit, 0);
  EXPECT_EQ(Display.ddraw, nullptr);
  EXPECT_EQ(Display.primary, nullptr);
  EXPECT_EQ(GetWindowLongA(Display.window, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&Display));
}

TEST_F(ShowWindowTest, EscapeSetsTheQuitFlagAndOtherKeysAreSwallowed) {
  platform::PostKeyDown('A');
  platform::PostKeyDown(0x20);
  PumpMessages();
  EXPECT_EQ(Display.quit, 0);
  EXPECT_EQ(ShowWindowProc(Display.window, WM_KEYDOWN, 'Q', 0), 0);
  EXPECT_EQ(Display.quit, 0);

  platform::PostKeyDown(VK_ESCAPE);
  platform::PostKeyDown(VK_ESCAPE);  // auto-repeat sets it again
  PumpMessages();
  EXPECT_EQ(Display.quit, 1);
}

TEST_F(ShowWindowTest, TheProcedureLeavesAMissingRecordAlone) {
  SetWindowLongA(Display.window, GWL_USERDATA, 0);
  EXPECT_EQ(ShowWindowProc(Display.window, WM_KEYDOWN, VK_ESCAPE, 0), 0);
  EXPECT_EQ(ShowWindowProc(Display.window, WM_CREATE, 0, 0), 0);
  EXPECT_EQ(Display.quit, 0);
}

TEST_F(ShowWindowTest, ACloseRequestDestroysTheWindowAndEndsTheShow) {
  platform::PostCloseRequest();
  PumpMessages();
  EXPECT_EQ(Display.quit, 1);
  // The window is gone: its user-data slot can no longer be read.
  EXPECT_EQ(GetWindowLongA(Display.window, GWL_USERDATA), 0);
  // The quit message was taken in the same pump: nothing is left waiting.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(ShowWindowTest, ThePumpReturnsAtOnceOnAnEmptyQueueAndEmptiesAFullOne) {
  PumpMessages();
  EXPECT_EQ(Display.quit, 0);
  for (int i = 0; i < 100; ++i) platform::PostKeyDown('B');
  PumpMessages();
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(Display.quit, 0);
}

}  // namespace
