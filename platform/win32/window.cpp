// window.cpp: windows, the message queue, the cursor and message boxes.
//
// A window is a record with a class's procedure and a user-data slot; it has
// no pixels of its own (the host shows the flipped frames). The queue is one
// FIFO for the single thread; the host's key and close events join it when
// PeekMessageA looks, so the pump never blocks. The host keeps its own keys
// (Alt+Enter, F12) and never passes them on.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/win32/user.h"

struct HWND__ {
  WNDPROC procedure = nullptr;
  LONG_PTR userData = 0;
  std::string title;
  bool visible = false;
  bool destroyed = false;
};

namespace {

constexpr WPARAM VK_F4 = 0x73;
constexpr LPARAM KF_ALTDOWN_BIT = LPARAM{1} << 29;
constexpr LPARAM KF_REPEAT_BIT = LPARAM{1} << 30;
constexpr LPARAM KF_UP_BIT = LPARAM{1} << 31;

struct WindowState {
  std::map<std::string, WNDCLASSA> classes;
  std::vector<std::unique_ptr<HWND__>> windows;
  std::deque<MSG> queue;
  int cursorCount = 0;
  std::vector<platform::MessageRecord> messages;
};

WindowState& Windows() {
  static WindowState state;
  return state;
}

// The record behind a handle, or null for a handle this module never made.
HWND__* Find(HWND window) {
  for (auto& w : Windows().windows)
    if (w.get() == window) return w.get();
  return nullptr;
}

HWND__* FindLive(HWND window) {
  HWND__* w = Find(window);
  return (w && !w->destroyed) ? w : nullptr;
}

// A key event as Windows delivers it: keys pressed with Alt held are system
// keys; lParam carries the repeat count, scan code, Alt and previous-state bits.
void QueueKey(const host::Event& key) {
  const bool down = key.kind == host::Event::Kind::KeyDown;
  LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode & 0xFF) << 16);
  if (key.alt) lParam |= KF_ALTDOWN_BIT;
  if (!down || key.repeat) lParam |= KF_REPEAT_BIT;
  if (!down) lParam |= KF_UP_BIT;
  UINT message = down ? (key.alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (key.alt ? WM_SYSKEYUP : WM_KEYUP);
  platform::PostMessageToQueue(platform::ActiveWindow(), message, key.key, lParam);
}

// Moves the host's waiting events into the queue.
void DrainEvents() {
  host::Event event;
  while (host::PollEvent(event)) {
    if (event.kind == host::Event::Kind::Close)
      platform::PostMessageToQueue(platform::ActiveWindow(), WM_CLOSE, 0, 0);
    else
      QueueKey(event);
  }
}

// The host names its window after the newest window not yet destroyed.
void UpdateTitle() { host::SetWindowTitle(platform::ActiveWindowTitle()); }

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && msg.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return msg.message >= filterMin && msg.message <= filterMax;
}

LRESULT Send(HWND__* w, UINT message, WPARAM wParam, LPARAM lParam) {
  return (w && w->procedure) ? w->procedure(w, message, wParam, lParam) : 0;
}

}  // namespace

namespace platform {

void ResetWindows() {
  WindowState& s = Windows();
  s.classes.clear();
  s.windows.clear();
  s.queue.clear();
  s.cursorCount = 0;
  s.messages.clear();
  UpdateTitle();
  host::SetCursorShown(true);
}

HWND ActiveWindow() {
  auto& windows = Windows().windows;
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (!(*it)->destroyed) return it->get();
  return nullptr;
}

std::string ActiveWindowTitle() {
  HWND window = ActiveWindow();
  return window ? window->title : std::string();
}

bool WindowExists(HWND window) { return FindLive(window) != nullptr; }

void PostMessageToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = host::Ticks();
  Windows().queue.push_back(msg);
}

const std::vector<MessageRecord>& MessageLog() { return Windows().messages; }

void PostKeyDown(WPARAM virtualKey) { PostMessageToQueue(ActiveWindow(), WM_KEYDOWN, virtualKey, 1); }

void PostCloseRequest() { PostMessageToQueue(ActiveWindow(), WM_CLOSE, 0, 0); }

}  // namespace platform

WORD RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return 0;
  auto& classes = Windows().classes;
  if (classes.count(windowClass->lpszClassName)) return 0;  // already registered
  classes[windowClass->lpszClassName] = *windowClass;
  return static_cast<WORD>(0xC000 + classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int, int, HWND,
                     HMENU, HINSTANCE, LPVOID) {
  if (className == nullptr) return nullptr;
  auto& classes = Windows().classes;
  auto found = classes.find(className);
  if (found == classes.end()) return nullptr;
  auto record = std::make_unique<HWND__>();
  record->procedure = found->second.lpfnWndProc;
  record->title = windowName ? windowName : "";
  HWND__* window = record.get();
  Windows().windows.push_back(std::move(record));
  UpdateTitle();
  // Windows sends WM_CREATE before CreateWindowEx returns; -1 refuses the window.
  if (Send(window, WM_CREATE, 0, 0) == -1) {
    window->destroyed = true;
    return nullptr;
  }
  return window;
}

LONG SetWindowLongA(HWND window, int index, LONG_PTR value) {
  HWND__* w = FindLive(window);
  if (w == nullptr || index != GWL_USERDATA) return 0;
  LONG_PTR previous = w->userData;
  w->userData = value;
  return static_cast<LONG>(previous);
}

LONG_PTR GetWindowLongA(HWND window, int index) {
  HWND__* w = FindLive(window);
  return (w != nullptr && index == GWL_USERDATA) ? w->userData : 0;
}

// Returns whether the window was visible before, as Windows does.
BOOL ShowWindow(HWND window, int showCommand) {
  HWND__* w = FindLive(window);
  if (w == nullptr) return FALSE;
  bool was = w->visible;
  w->visible = showCommand != 0;  // SW_HIDE is 0
  return was ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) { return FindLive(window) ? TRUE : FALSE; }

BOOL DestroyWindow(HWND window) {
  HWND__* w = FindLive(window);
  if (w == nullptr) return FALSE;
  Send(w, WM_DESTROY, 0, 0);
  w->destroyed = true;
  UpdateTitle();
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
  } else if (message == WM_SYSKEYDOWN && wParam == VK_F4 && (lParam & KF_ALTDOWN_BIT)) {
    platform::PostMessageToQueue(window, WM_CLOSE, 0, 0);
  }
  return 0;
}

void PostQuitMessage(int exitCode) {
  platform::PostMessageToQueue(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) return FALSE;
  DrainEvents();
  auto& queue = Windows().queue;
  auto it = std::find_if(queue.begin(), queue.end(), [&](const MSG& m) {
    return Matches(m, window, filterMin, filterMax);
  });
  if (it == queue.end()) return FALSE;
  *msg = *it;
  if (removeFlags & PM_REMOVE) queue.erase(it);
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  switch (msg->message) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
  }
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) return 0;
  return Send(FindLive(msg->hwnd), msg->message, msg->wParam, msg->lParam);
}

int ShowCursor(BOOL show) {
  int& count = Windows().cursorCount;
  count += show ? 1 : -1;
  host::SetCursorShown(count >= 0);
  return count;
}

// The box belongs to the show's window, whatever owner the caller names.
// Without a display to show it on, caption and text go to stderr.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  const char* t = text ? text : "";
  const char* c = caption ? caption : "";
  Windows().messages.push_back({c, t});
  if (!host::ShowMessageBox(c, t)) std::fprintf(stderr, "%s: %s\n", c, t);
  return 1;  // IDOK
}
