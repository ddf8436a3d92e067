// internal.h: declarations shared between the stand-in's own files in platform/.
//
// Neither the show's rooms nor the public platform headers include this file;
// tests of the stand-in may, to reach helpers that are otherwise private.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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
// it exists, else `exeDir`/../share/vuxa (an installed program, wherever its
// prefix is) when that exists, else `installDir`.
std::string ChooseDataDir(const std::string& workingDir, const std::string& exeDir,
                          const std::string& installDir);
// True when a real display may be used: not offscreen and SDL video is up.
bool DisplayAvailable();
// True when SDL's video driver shows pictures to someone: SDL's headless
// drivers count only when asked for by name (SDL_VIDEODRIVER). Before SDL video
// is up: whether the environment names an X11 or Wayland display.
bool RealDisplay();

// The tick count last handed out by TickCount: at a flip, the time the show
// drew its frame for.
DWORD LastTick();
// Called when the music starts (MIDASplayModule): the show reads its start
// tick next, and the next tick handed out is taken as the show's start.
void MarkShowStart();
// The show time of a tick: seconds since the show's start tick plus the
// --start offset; the --start offset itself before the music has started.
double ShowSeconds(DWORD tick);
// The full path of an executable program found on the PATH, or "".
std::string FindOnPath(const std::string& program);

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
// Where the 320x240 frame goes in an output of w x h pixels: centred, at the
// largest integer scale that fits, else as large as fits at 4:3.
struct FramePlace {
  int x, y, w, h;
};
FramePlace PlaceFrame(int w, int h);
// Saves the frame shown last as screenshots in the working directory (F12).
void SaveScreenshot();

// --- Pictures (platform/png_writer.cpp, platform/screenshot.cpp) ---
// Writes packed 8-bit RGB rows as a PNG file; false (errno set, nothing left
// behind) on any failure.
bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height);
// A packed RGB picture resized to dw x dh: nearest picks the source pixel
// under each target pixel's centre; linear interpolates between the four
// nearest source pixels (edges clamped).
std::vector<std::uint8_t> ScaleRgb(std::span<const std::uint8_t> rgb, int sw, int sh, int dw,
                                   int dh, bool linear);
// "vuxa-shot-023.456s.png", or with a size "vuxa-shot-023.456s-960x720.png".
std::string ScreenshotName(double showSeconds, int width = 0, int height = 0);
// Writes the 320x240 frame and its scaled copy into `dir` and says so on
// stderr; false (with the reason on stderr) when a file cannot be written.
bool WriteScreenshots(const std::string& dir, std::span<const std::uint8_t> rgb, int scaledW,
                      int scaledH, bool linear, double showSeconds);

// --- Video (platform/video.cpp) ---
// One presented frame (320x240 packed RGB) for --video; starts ffmpeg at the first.
void VideoFrame(std::span<const std::uint8_t> rgb);
// One frame period of music (interleaved 16-bit stereo at 48 kHz) for --video.
void VideoAudio(std::span<const std::int16_t> samples);
// Ends the video: muxes pictures and music into the file and renames it into
// place. False, with one line on stderr and nothing left behind, on failure.
bool VideoFinish();
// Stops ffmpeg and removes every file of an unfinished video.
void ResetVideo();
// The progress line for --video: "\rvuxa: video out.mp4 [#####.....]  50%".
std::string VideoProgressLine(const std::string& file, double fraction);

}  // namespace platform
