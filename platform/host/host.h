// host.h: the one door to the real machine.
//
// The rest of the stand-in (win32/, ddraw/, midas/) reaches the machine only
// through this header, and the program's entry point sets the way of running
// here. What it offers:
//   - the way of running (options from the command line) and its checks;
//   - data files, looked up as Windows would (backslashes, any letter case);
//   - the clock behind GetTickCount: real, fixed-step (offscreen) or scripted;
//   - frames: each flipped 320x240 frame is shown, written to a capture, piped
//     to the video encoder, or dropped;
//   - input: key presses and close requests, polled;
//   - the cursor, message boxes, and the audio device that pulls samples;
//   - forced failures, so tests can make any stand-in call fail.
// No Windows types: the rooms above translate. The machine-specific half has
// one implementation per machine (host/sdl/ on desktops, host/web/ in a
// browser); the rest is shared.
//
//   host::Options o; o.captureDir = "out"; o.fps = 25;
//   host::SetOptions(o);            // before WinMain
//   ... WinMain(...) ...
//   host::Shutdown();               // finishes capture files, closes the machine
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <span>
#include <string>

namespace host {

// ---- The way of running ----

struct Options {
  bool window = false;       // in a window instead of full screen
  int scale = 0;             // window size as a multiple of 320x240; 0: largest that fits
  int display = 0;           // which monitor
  bool linearFilter = false; // scaling filter; nearest by default
  bool vsync = true;
  bool mute = false;         // no audio device; the music still advances
  bool offscreen = false;    // no window, no audio device, fixed-step clock (tests, capture)
  std::string captureDir;    // write frame_NNNNN.png and music.wav here (implies offscreen)
  bool overwrite = false;    // a captureDir holding an old capture: remove it first
  std::string videoFile;     // pipe frames and music to ffmpeg (implies offscreen)
  int fps = 60;              // frames per second of the fixed-step clock
  double startSeconds = 0;   // begin the timeline this far in
  std::string dataDir;       // --data: the show's data folder, chosen outright
};

void SetOptions(const Options& options);
const Options& GetOptions();
// True when frames go nowhere real: offscreen, capture or video.
bool IsOffscreen();

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

// Ends the run: finishes capture files and the video (an incomplete capture or
// video is removed, as is music.wav and the video of a run that failed or was
// interrupted), closes the window and audio. Returns false when capture or
// video output failed or the run was interrupted.
bool Shutdown();

// For a run that ends in std::exit without Shutdown (registered with atexit):
// removes the frames this run wrote; the temporary files of the music and the
// video are removed as the program exits anyway. Harmless after Shutdown.
void AbandonRun();

// SIGINT and SIGTERM only note the signal: the next presented frame asks the
// show to close, and Shutdown then removes the run's unfinished files.
void CatchInterrupts();
// The signal that interrupted the run, or 0.
int InterruptSignal();

// Puts the host back as at start: clock, flip count and hook, forced failures,
// presentation, capture and video. For tests.
void Reset();

// ---- Data files ----
// Names come in the show's form ("images\\cred1.pcx"): '\\' becomes '/', and
// where a component does not exist as written it is matched without regard to
// case. Relative names resolve against the data directory.

void SetDataDir(const std::string& dir);
const std::string& DataDir();
std::string ResolvePath(const char* name);
std::FILE* OpenDataFile(const char* name);  // binary read; null (errno set) when it cannot be opened
// The working directory when it holds any of the show's files, else the data
// directory built beside the program, else the one installed with it
// (<exe dir>/../share/vuxa), else the install location configured at build time.
std::string FindDataDir(const char* argv0);
// FindDataDir with its inputs spelled out: "" when `workingDir` holds any of
// the show's files, else `exeDir`/data when it exists, else
// `exeDir`/../share/vuxa when that exists, else `installDir`.
std::string ChooseDataDir(const std::string& workingDir, const std::string& exeDir,
                          const std::string& installDir);
// The show's data folders (music/, scenes/, images/, Textures/) that `dir`
// ("" for the working directory) lacks or that hold none of the show's
// files, as "music/, scenes/"; "" when it has them all.
std::string MissingShowFolders(const std::string& dir);
// The full path of an executable program found on the PATH, or "".
std::string FindOnPath(const std::string& program);

// ---- Forced failures ----
// By call name ("DirectDrawCreate", "CreateSurface", "MIDASinit", ...): the
// stand-in's call of that name fails with this code. Tests set them.
std::map<std::string, std::int32_t>& ForcedFailures();
// The forced failure code for a call, or 0.
std::int32_t ForcedFailure(const char* call);

// ---- Clock ----

// Milliseconds, low 32 bits: scripted when a tick source is set, else the
// fixed-step clock when offscreen (one frame period per presented frame), else
// real time. The first tick read after MarkShowStart is the show's start.
std::uint32_t Ticks();
// The tick last handed out: at a flip, the time the show drew its frame for.
std::uint32_t LastTick();
// Called when the music starts: the next tick handed out is the show's start.
void MarkShowStart();
// The show time of a tick: seconds since the show's start tick plus the
// --start offset; the --start offset itself before the music has started.
double ShowSeconds(std::uint32_t tick);
void SetTickSource(std::function<std::uint32_t()> source);

// ---- Frames ----

// A frame in memory: packed rows, blue in the lowest byte (B,G,R,X or B,G,R).
struct Frame {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bytesPerPixel = 4;
};

// Presents a flipped frame: shown in the window, written to the capture (with
// one frame period of music), piped to the video encoder, or dropped; then
// the flip hook runs.
void PresentFrame(const Frame& frame);
// Number of frames presented so far.
unsigned FlipCount();
// Called after every presented frame with its index (0 = first); tests post
// keys here to act at a chosen frame.
void SetFlipHook(std::function<void(unsigned flipIndex)> hook);
// Sample frames of music that belong to frame period `flipIndex` at `fps`
// frames per second: the difference of the cumulative counts, so periods of
// uneven length add up to exactly 48000 per second.
std::uint32_t CaptureSamplesForFrame(unsigned flipIndex, int fps);

// ---- Input, cursor, message boxes ----

// What the user did. Keys carry the virtual-key number Windows gives them (0:
// a key with no such number, never delivered); the platform's own keys
// (Alt+Enter, F12) are handled here and never delivered.
struct Event {
  enum class Kind { KeyDown, KeyUp, Close };
  Kind kind = Kind::Close;
  unsigned key = 0;
  unsigned scanCode = 0;
  bool alt = false;
  bool repeat = false;
};
// The next waiting event; false when there is none. Never blocks.
bool PollEvent(Event& event);
// Asks the show to end, as closing its window would (delivered by PollEvent).
void RequestClose();
// The title of the show's window, used when the window is made.
void SetWindowTitle(const std::string& title);
// Whether the show wants the cursor shown; it is hidden in full screen anyway.
void SetCursorShown(bool shown);
// Shows a message box over the show's window; false when there is no display
// to show it on (offscreen runs, no display), and the caller reports otherwise.
bool ShowMessageBox(const char* caption, const char* text);

// ---- Display ----

// Starts the display for a run that shows frames; offscreen runs need none.
// False, with the reason on stderr, when no display can be used.
bool OpenDisplay();
// True when a display is in use: not offscreen, and the display is open.
bool DisplayAvailable();
// How many displays the machine has, or -1 when it cannot tell.
int DisplayCount();
// What the machine's side runs on, as loaded at run time: "SDL 2.26.5".
std::string MachineVersion();

// ---- Audio ----

// Fills interleaved 16-bit stereo samples at 48 kHz; called with the audio
// lock held, from the device's own thread when a device is open.
using AudioSource = void (*)(std::span<std::int16_t> interleaved);
constexpr int kSampleRate = 48000;

// Where samples come from, for the device and for capture runs.
void SetAudioSource(AudioSource source);
// Opens the audio device; false, with the reason on stderr, when there is none.
bool OpenAudio();
void CloseAudio();   // harmless when none is open
void ResumeAudio();  // starts pulling samples, if a device is open
bool AudioOpen();
// Holds the device's pulls off while the caller changes what they read.
class AudioLock {
 public:
  AudioLock();
  ~AudioLock();
  AudioLock(const AudioLock&) = delete;
  AudioLock& operator=(const AudioLock&) = delete;
};

// Capture runs: renders this many sample frames from the audio source into
// captureDir/music.wav and the video; called once per presented frame.
void CaptureMusicFrame(std::uint32_t sampleFrames);
// Closes the audio device and finishes music.wav, if one is being written:
// renamed into place. False when writing it failed; a second call keeps the
// first result.
bool FinishMusic();
// Closes the audio device and removes the unfinished music.wav of a run that
// failed or was interrupted.
void DiscardMusic();

}  // namespace host
