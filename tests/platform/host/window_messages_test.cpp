// Windows and the message queue: a close request destroys the window and
// posts the quit message, and SDL events become window messages (SDL's
// headless video driver, asked for by name, stands in for a screen). Escape
// and close requests through the show's own pump are ShowRun's (tests/show).
#include <SDL.h>

#include <cstdlib>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/platform.h"
#include "platform/win32/user.h"
#include "support/display_fixture.h"

namespace {

struct Delivery {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Delivery> deliveries;

// Records every message; destroys on close and quits on destroy, as the show does.
LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  deliveries.push_back({message, wParam, lParam});
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The show's pump: everything waiting is translated and dispatched.
int Pump() {
  int taken = 0;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++taken;
  }
  return taken;
}

class MessageQueue : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    deliveries.clear();
  }
};

TEST_F(MessageQueue, CloseRequestDestroysTheWindowAndPostsQuit) {
  HWND window = MakeWindow(RecordingProc);
  deliveries.clear();
  platform::PostCloseRequest();
  Pump();

  // WM_CLOSE went to DefWindowProcA, which destroyed the window (WM_DESTROY,
  // sent at once); the quit message has no window and is dispatched to nobody.
  ASSERT_EQ(deliveries.size(), 2u);
  EXPECT_EQ(deliveries[0].message, WM_CLOSE);
  EXPECT_EQ(deliveries[1].message, WM_DESTROY);
  EXPECT_EQ(deliveries[1].wParam, 0u);
  EXPECT_EQ(deliveries[1].lParam, 0);
  EXPECT_EQ(DestroyWindow(window), FALSE);  // already gone

  // Keys after that have no window to go to.
  platform::PostKeyDown(VK_ESCAPE);
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(deliveries.size(), 2u);
}

void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event event{};
  event.type = type;
  event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat;
  event.key.keysym.sym = key;
  event.key.keysym.mod = mod;
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

class SdlEvents : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    host::Options options;
    options.window = true;
    options.scale = 1;
    options.vsync = false;
    host::SetOptions(options);
    deliveries.clear();
  }
  void TearDown() override {
    OffscreenPlatform::TearDown();  // closes the presentation window
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    unsetenv("SDL_VIDEODRIVER");
  }
};

TEST_F(SdlEvents, KeysAndCloseReachTheWindowAndAltEnterStaysInside) {
  HWND window = MakeWindow(RecordingProc);
  OpenDisplay(32, window);
  ASSERT_TRUE(host::DisplayAvailable());
  EXPECT_FALSE(host::machine::WindowShown());  // made at the first frame
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  ASSERT_TRUE(host::machine::WindowShown());
  EXPECT_FALSE(host::machine::FullScreen());  // --window
  deliveries.clear();

  PushKey(SDL_KEYDOWN, SDLK_CAPSLOCK);  // no virtual key of the show's: never delivered
  PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
  PushKey(SDL_KEYDOWN, SDLK_a, KMOD_NONE, 1);
  PushKey(SDL_KEYUP, SDLK_a);
  PushKey(SDL_KEYDOWN, SDLK_F4, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
  Pump();

  ASSERT_GE(deliveries.size(), 5u);
  EXPECT_EQ(deliveries[0].message, WM_KEYDOWN);
  EXPECT_EQ(deliveries[0].wParam, VK_ESCAPE);
  EXPECT_EQ(deliveries[1].message, WM_KEYDOWN);
  EXPECT_EQ(deliveries[1].wParam, WPARAM{'A'});
  EXPECT_NE(deliveries[1].lParam & (LPARAM{1} << 30), 0);  // a repeat
  EXPECT_EQ(deliveries[2].message, WM_KEYUP);
  EXPECT_NE(deliveries[2].lParam & (LPARAM{1} << 30), 0);  // a release was down before
  EXPECT_EQ(deliveries[3].message, WM_SYSKEYDOWN);  // Alt+F4: a system key...
  EXPECT_EQ(deliveries[3].wParam, WPARAM{0x73});
  EXPECT_EQ(deliveries[4].message, WM_CLOSE);       // ...that DefWindowProcA turns into a close
  for (const Delivery& s : deliveries) EXPECT_NE(s.wParam, WPARAM{0x0D});  // Alt+Enter is not delivered
  EXPECT_TRUE(host::machine::FullScreen());
  EXPECT_FALSE(platform::WindowExists(window));
}

TEST_F(SdlEvents, QuitEventIsACloseRequest) {
  HWND window = MakeWindow(RecordingProc);
  ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
  deliveries.clear();
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  Pump();
  ASSERT_GE(deliveries.size(), 2u);
  EXPECT_EQ(deliveries[0].message, WM_CLOSE);
  EXPECT_EQ(deliveries[1].message, WM_DESTROY);
  EXPECT_FALSE(platform::WindowExists(window));
}

}  // namespace
