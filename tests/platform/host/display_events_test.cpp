// SDL events become window messages, with a display: SDL's headless video
// driver, asked for by name, stands in for a screen.
#include <SDL.h>

#include <cstdlib>
#include <vector>

#include "support/display_fixture.h"
#include "platform/win32/user.h"
#include "platform/host/machine.h"
#include "platform/host/host.h"

namespace {

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> seen;

LRESULT ShowLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({message, wParam, lParam});
  if (message == WM_KEYDOWN) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
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
    seen.clear();
  }
  void TearDown() override {
    OffscreenPlatform::TearDown();  // closes the presentation window
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    unsetenv("SDL_VIDEODRIVER");
  }
};

TEST_F(SdlEvents, KeysAndCloseReachTheWindowAndAltEnterStaysInside) {
  HWND window = MakeWindow(ShowLikeProc);
  ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
  ASSERT_TRUE(host::DisplayAvailable());
  ASSERT_EQ(ddraw->SetCooperativeLevel(window, 0x13), DD_OK);
  ASSERT_EQ(ddraw->SetDisplayMode(320, 240, 32), DD_OK);
  DDSURFACEDESC desc{};
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  ASSERT_EQ(ddraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
  EXPECT_FALSE(host::machine::WindowShown());  // made at the first frame
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  ASSERT_TRUE(host::machine::WindowShown());
  EXPECT_FALSE(host::machine::FullScreen());  // --window
  seen.clear();

  PushKey(SDL_KEYDOWN, SDLK_CAPSLOCK);  // no virtual key of the show's: never delivered
  PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
  PushKey(SDL_KEYDOWN, SDLK_a, KMOD_NONE, 1);
  PushKey(SDL_KEYUP, SDLK_a);
  PushKey(SDL_KEYDOWN, SDLK_F4, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
  Pump();

  ASSERT_GE(seen.size(), 5u);
  EXPECT_EQ(seen[0].message, WM_KEYDOWN);
  EXPECT_EQ(seen[0].wParam, VK_ESCAPE);
  EXPECT_EQ(seen[1].message, WM_KEYDOWN);
  EXPECT_EQ(seen[1].wParam, WPARAM{'A'});
  EXPECT_NE(seen[1].lParam & (LPARAM{1} << 30), 0);  // a repeat
  EXPECT_EQ(seen[2].message, WM_KEYUP);
  EXPECT_NE(seen[2].lParam & (LPARAM{1} << 30), 0);  // a release was down before
  EXPECT_EQ(seen[3].message, WM_SYSKEYDOWN);  // Alt+F4: a system key...
  EXPECT_EQ(seen[3].wParam, WPARAM{0x73});
  EXPECT_EQ(seen[4].message, WM_CLOSE);       // ...that DefWindowProcA turns into a close
  for (const Seen& s : seen) EXPECT_NE(s.wParam, WPARAM{0x0D});  // Alt+Enter is not delivered
  EXPECT_TRUE(host::machine::FullScreen());
  EXPECT_FALSE(platform::WindowExists(window));
}

TEST_F(SdlEvents, QuitEventIsACloseRequest) {
  HWND window = MakeWindow(ShowLikeProc);
  ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
  seen.clear();
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  Pump();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, WM_CLOSE);
  EXPECT_EQ(seen[1].message, WM_DESTROY);
  EXPECT_FALSE(platform::WindowExists(window));
}

}  // namespace
