// sdl.h: the SDL host's own pieces, shared by its files in host/sdl/.
#pragma once

namespace host {

// window.cpp: the platform's keys: Alt+Enter switches between full screen and
// a window; F12 saves the frame shown last as screenshots.
void ToggleFullScreen();
void SaveScreenshot();

namespace machine {
// window.cpp: destroys the window and forgets its settings.
void CloseWindow();
}  // namespace machine

}  // namespace host
