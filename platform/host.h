// host.h: the stand-in's own controls, outside the calls the show makes.
//
// The command line (show/) sets the way of running here before WinMain starts;
// tests use the driver profile to take features away from the display driver,
// script the clock and the keyboard, and read what message boxes said.
//
//   host::Options o; o.captureDir = "out"; o.fps = 25;
//   host::SetOptions(o);            // before WinMain
//   ... WinMain(...) ...
//   host::Shutdown();               // finishes capture files, closes SDL
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ddraw.h"

namespace host {

struct Options {
  bool window = false;       // in a window instead of full screen
  int scale = 0;             // window size as a multiple of 320x240; 0: largest that fits
  int display = 0;           // which monitor
  bool linearFilter = false; // scaling filter; nearest by default
  bool vsync = true;
  bool mute = false;         // no audio device; the music still advances
  bool offscreen = false;    // no window, no audio device, fixed-step clock (tests, capture)
  std::string captureDir;    // write frame_NNNNN.png and music.wav here (implies offscreen)
  std::string videoFile;     // pipe frames and music to ffmpeg (implies offscreen)
  int fps = 60;              // frames per second of the fixed-step clock
  double startSeconds = 0;   // begin the timeline this far in
};

void SetOptions(const Options& options);
const Options& GetOptions();

// Checks, before the show starts, what the options ask of this machine: that
// the --display exists, that ffmpeg is on the PATH and the --video file can be
// written. All well: an empty message and exit code 0. Otherwise one line
// naming the option and its value, with exit code 2 for a value that cannot
// work and 1 for something this machine lacks.
struct OptionProblem {
  std::string message;
  int exitCode = 0;
};
OptionProblem CheckOptions();
// True when frames go nowhere real: offscreen, capture or video.
bool IsOffscreen();

// What the display driver offers. The default is the real stand-in: 320x240 at
// 32 and 24 bits, no video-memory z-buffer, no hardware 3D device (the RGB and
// Ramp devices exist), GetDC works, texture formats in the device's order.
struct DriverProfile {
  bool mode32 = true;
  bool mode24 = true;
  bool videoMemoryZBuffer = false;  // false: a video-memory z-buffer fails with DDERR_NOZBUFFERHW
  bool halDevice = false;
  bool rgbDevice = true;
  bool rampDevice = true;
  bool getDC = true;
  std::vector<DDPIXELFORMAT> textureFormats;  // offered by EnumTextureFormats, in order
  // Forced failures, by call name ("DirectDrawCreate", "SetCooperativeLevel",
  // "CreateSurface", "CreateViewport", "SetRenderState", "MIDASinit",
  // "MIDASloadModule", ...): the call returns this code (sound calls fail).
  // DirectDraw names: "DirectDrawCreate", "QueryInterface" (DirectDraw and
  // surfaces), "SetCooperativeLevel", "SetDisplayMode32" / "SetDisplayMode24"
  // (one depth) and "SetDisplayMode" (any), "CreateSurface" (every surface),
  // "CreateZBuffer" and "CreateTexture" (only those kinds), "CreatePalette",
  // "GetEntries", "AddAttachedSurface", "GetAttachedSurface", "Blt", "Flip",
  // "GetDC", "ReleaseDC", "GetPixelFormat", "GetSurfaceDesc", "Lock", "Unlock",
  // "Restore", "SetPalette", "GetDDInterface".
  std::map<std::string, HRESULT> failures;
};

std::vector<DDPIXELFORMAT> DefaultTextureFormats();
// A pixel format record (size 32) with these flags, bit count and masks.
DDPIXELFORMAT MakePixelFormat(DWORD flags, DWORD bits, DWORD r = 0, DWORD g = 0, DWORD b = 0,
                              DWORD a = 0);
DriverProfile& Profile();
// The forced failure code for a call, or 0.
HRESULT ForcedFailure(const char* call);

// Puts every piece of platform state back as at start: profile, clock, message
// queue, windows, message log, capture counters. For tests.
void ResetPlatform();

// Clock. By default real milliseconds (or the fixed-step clock when offscreen);
// a test can script it. The count is the low 32 bits.
void SetTickSource(std::function<DWORD()> source);
// Number of Flip calls on a primary surface so far.
unsigned FlipCount();
// Called after every presented frame with its index (0 = first flip); tests post
// keys here to act at a chosen frame.
void SetFlipHook(std::function<void(unsigned flipIndex)> hook);

// Keyboard and window requests as the user would make them.
void PostKeyDown(WPARAM virtualKey);
void PostCloseRequest();

// Message boxes shown so far: caption and text. Always recorded; shown as SDL
// message boxes only with a display, printed on stderr otherwise.
struct MessageRecord {
  std::string caption;
  std::string text;
};
const std::vector<MessageRecord>& MessageLog();

// Data files. Names come in the show's form ("images\\cred1.pcx"): '\\' becomes
// '/', and where a component does not exist as written it is matched without
// regard to case. Relative names resolve against the data directory.
void SetDataDir(const std::string& dir);
const std::string& DataDir();
std::string ResolvePath(const char* name);
std::FILE* OpenDataFile(const char* name);  // binary read; null when missing
// The working directory when it holds any of the show's files, else the data
// directory built beside the program, else the one installed with it
// (<exe dir>/../share/vuxa), else the install location configured at build time.
std::string FindDataDir(const char* argv0);

// Ends the run: finishes capture files and the video (an incomplete capture or
// video is removed), closes the window and audio. Returns false when capture
// or video output failed.
bool Shutdown();

}  // namespace host
