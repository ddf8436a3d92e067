// internal.h: declarations shared between the stand-in's own files in platform/.
//
// Neither the show's rooms nor the public platform headers include this file;
// tests of the stand-in may, to reach helpers that are otherwise private.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

struct SDL_Window;

namespace platform {

class Surface;

// --- Sound (platform/sound*.cpp) ---
// Puts the sound library back as at start (host::ResetPlatform).
void ResetSound();
// Renders this many sample frames of music into the capture file; called once
// per flip in capture mode, so the music stays exactly as long as the frames.
void SoundCaptureFrame(std::uint32_t sampleFrames);
// Finishes the sound capture file, if one is being written, and closes audio.
// False when writing the capture failed. Called by host::Shutdown.
bool SoundFinish();

// --- Direct3D (platform/d3d_*.cpp) ---
// Puts the Direct3D side back as at start (host::ResetPlatform).
void ResetDirect3D();

// --- Host (platform/host.cpp) ---
// The millisecond counter behind GetTickCount: scripted, fixed-step or real.
DWORD TickCount();
// Records a message box in host::MessageLog.
void LogMessageBox(const char* caption, const char* text);
// Counts a flip of the primary surface and returns its index (0 = first).
unsigned CountFlip();
// Runs the test hook for a presented frame, if one is set.
void RunFlipHook(unsigned flipIndex);
// Sample frames of music that belong to frame period `flipIndex` at `fps`
// frames per second: the difference of the cumulative counts, so periods of
// uneven length add up to exactly 48000 per second.
std::uint32_t CaptureSamplesForFrame(unsigned flipIndex, int fps);
// The data-directory choice of host::FindDataDir with its inputs spelled out:
// "" when `workingDir` holds any of the show's files, else `exeDir`/data when
// it exists, else `installDir`.
std::string ChooseDataDir(const std::string& workingDir, const std::string& exeDir,
                          const std::string& installDir);
// True when a real display may be used: not offscreen and SDL video is up.
bool DisplayAvailable();
// True when SDL's video driver shows pictures to someone: SDL's headless
// drivers count only when asked for by name (SDL_VIDEODRIVER). Before SDL video
// is up: whether the environment names an X11 or Wayland display.
bool RealDisplay();

// --- Windows (platform/window.cpp) ---
// Destroys every window record and class and empties the message queue.
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
// Re-applies the cursor's visibility (after the display changes between
// window and full screen).
void UpdateCursor();

// --- Presentation (platform/present.cpp) ---
// Closes the presentation window and forgets capture state.
void ResetPresentation();
// True when a frame of the capture could not be written.
bool CaptureFailed();
// Switches the presentation between full screen and a window (Alt+Enter).
void ToggleFullScreen();
// True while frames are shown full screen.
bool PresentationFullScreen();
// The visible presentation window, or null (none yet, or hidden).
SDL_Window* PresentationWindow();
// Takes the presentation out of the way of a message box: a full-screen window
// is hidden (a windowed one stays).
void YieldPresentation();

}  // namespace platform
