// window.cpp: the show's one window and the non-blocking message pump.
//
// The window is a zero-sized borderless popup; it draws nothing and exists to
// own the display, receive the keyboard and give the sound library a handle.
// Its procedure reaches the DisplayState through the window's user-data slot.
// Escape sets the quit flag; a close request destroys the window, whose quit
// message then sets the flag in the pump, so closing ends the show as Escape does.
#include "display/display.h"

namespace {
constexpr const char* WindowName = "Pelmorak 3D";
}

void CreateShowWindow(HINSTANCE instance, int showCommand, DisplayState* display) {
  display->instance = instance;

  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ShowWindowProc;
  windowClass.hInstance = display->instance;
  windowClass.lpszClassName = WindowName;
  RegisterClassA(&windowClass);

  display->window = CreateWindowExA(0, WindowName, WindowName, WS_POPUP, 0, 0, 0, 0, nullptr,
                                    nullptr, display->instance, nullptr);
  SetWindowLongA(display->window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(display));
  ShowWindow(display->window, showCommand);
  UpdateWindow(display->window);
}

LRESULT ShowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Null for the messages sent while the window is being created.
  auto* display = reinterpret_cast<DisplayState*>(GetWindowLongA(window, GWL_USERDATA));
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE && display) display->quit = 1;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    // The window is gone once its quit message arrives: end the show.
    if (msg.message == WM_QUIT) Display.quit = 1;
  }
}
