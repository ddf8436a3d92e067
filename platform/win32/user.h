// user.h: the window records and message queue (window.cpp), for the rest of
// the stand-in and for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace platform {

// Destroys every window record and class, empties the message queue and
// forgets the message boxes shown.
void ResetWindows();
// The window that receives keyboard and close requests: the newest window not
// yet destroyed, or null.
HWND ActiveWindow();
// The title of ActiveWindow(), or "" when there is none.
std::string ActiveWindowTitle();
// True for a window made by CreateWindowExA and not yet destroyed.
bool WindowExists(HWND window);
// Posts a message at the end of the queue.
void PostMessageToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Message boxes shown so far: caption and text, whether or not a display
// showed them.
struct MessageRecord {
  std::string caption;
  std::string text;
};
const std::vector<MessageRecord>& MessageLog();

// Keyboard and window requests as the user would make them (tests).
void PostKeyDown(WPARAM virtualKey);
void PostCloseRequest();

}  // namespace platform
