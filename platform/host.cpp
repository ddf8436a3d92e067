// host.cpp: the stand-in's own controls: options, driver profile, clock, test
// hooks, data-file lookup and the end of a run.
//
// Everything here lives on the main thread; nothing is locked. The data-file
// lookup imitates Windows' case-insensitive names on a case-sensitive file
// system by matching each missing path component against its directory. The
// clock also remembers the show's start tick (the first tick read after the
// music starts), so that screenshots can be named with the show time.
#include "platform/host.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/internal.h"

namespace fs = std::filesystem;

#ifndef VUXA_INSTALL_DATA_DIR
#define VUXA_INSTALL_DATA_DIR "/usr/local/share/vuxa"
#endif

namespace host {
namespace {

struct HostState {
  DriverProfile profile;
  std::function<DWORD()> tickSource;
  std::function<void(unsigned)> flipHook;
  unsigned flips = 0;
  std::vector<MessageRecord> messages;
  DWORD lastTick = 0;
  bool showStartPending = false;  // the music has started; the next tick is the show's start
  bool showStarted = false;
  DWORD showStartTick = 0;
};

HostState& State() {
  static HostState state = [] {
    HostState s;
    s.profile.textureFormats = DefaultTextureFormats();
    return s;
  }();
  return state;
}

Options& MutableOptions() {
  static Options options;
  return options;
}

std::string& MutableDataDir() {
  static std::string dir;
  return dir;
}


}  // namespace

void SetOptions(const Options& options) { MutableOptions() = options; }
const Options& GetOptions() { return MutableOptions(); }

bool IsOffscreen() {
  const Options& o = GetOptions();
  return o.offscreen || !o.captureDir.empty() || !o.videoFile.empty();
}

DDPIXELFORMAT MakePixelFormat(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = flags;
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return f;
}

std::vector<DDPIXELFORMAT> DefaultTextureFormats() {
  const DWORD rgb = DDPF_RGB;
  const DWORD argb = DDPF_RGB | DDPF_ALPHAPIXELS;
  return {
      MakePixelFormat(rgb, 16, 0x7C00, 0x03E0, 0x001F, 0),                     // 555
      MakePixelFormat(argb, 16, 0x7C00, 0x03E0, 0x001F, 0x8000),               // 1555
      MakePixelFormat(argb, 16, 0x0F00, 0x00F0, 0x000F, 0xF000),               // 4444
      MakePixelFormat(rgb, 16, 0xF800, 0x07E0, 0x001F, 0),                     // 565
      MakePixelFormat(rgb, 32, 0xFF0000, 0xFF00, 0xFF, 0),                     // 888
      MakePixelFormat(argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),          // 8888
      MakePixelFormat(rgb, 8, 0xE0, 0x1C, 0x03, 0),                            // 332
      MakePixelFormat(DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0),                    // palette
  };
}

DriverProfile& Profile() { return State().profile; }

HRESULT ForcedFailure(const char* call) {
  const auto& failures = State().profile.failures;
  auto it = failures.find(call);
  return it == failures.end() ? DD_OK : it->second;
}

void ResetPlatform() {
  HostState& s = State();
  s.profile = DriverProfile{};
  s.profile.textureFormats = DefaultTextureFormats();
  s.tickSource = nullptr;
  s.flipHook = nullptr;
  s.flips = 0;
  s.messages.clear();
  s.lastTick = 0;
  s.showStartPending = s.showStarted = false;
  s.showStartTick = 0;
  platform::ResetVideo();
  platform::ResetWindows();
  platform::ResetPresentation();
  platform::ResetSound();
  platform::ResetDirect3D();
}

void SetTickSource(std::function<DWORD()> source) { State().tickSource = std::move(source); }
unsigned FlipCount() { return State().flips; }
void SetFlipHook(std::function<void(unsigned)> hook) { State().flipHook = std::move(hook); }

void PostKeyDown(WPARAM virtualKey) {
  platform::PostMessageToQueue(platform::ActiveWindow(), WM_KEYDOWN, virtualKey, 1);
}

void PostCloseRequest() {
  platform::PostMessageToQueue(platform::ActiveWindow(), WM_CLOSE, 0, 0);
}

const std::vector<MessageRecord>& MessageLog() { return State().messages; }

// ---- Data files ----

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix) {
  return name.size() >= suffix.size() &&
         SameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// The entry of `dir` whose name equals `name` without regard to case; the
// first in name order when several do. Empty when none does.
std::string MatchEntry(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  std::string best;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (SameIgnoringCase(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  return best;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

bool IsRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// True when `dir` holds any of the show's data files, matched without regard to case.
bool HoldsShowData(const fs::path& dir) {
  std::string music = MatchEntry(dir, "music");
  if (!music.empty()) {
    std::string xm = MatchEntry(dir / music, "vuxa.xm");
    if (!xm.empty() && IsRegularFile(dir / music / xm)) return true;
  }
  std::string scenes = MatchEntry(dir, "scenes");
  if (!scenes.empty()) {
    std::string ball = MatchEntry(dir / scenes, "ball.3ds");
    if (!ball.empty() && IsRegularFile(dir / scenes / ball)) return true;
  }
  std::string images = MatchEntry(dir, "images");
  if (!images.empty()) {
    std::error_code ec;
    for (fs::directory_iterator it(dir / images, ec), end; !ec && it != end; it.increment(ec)) {
      if (EndsWithIgnoringCase(it->path().filename().string(), ".pcx") &&
          IsRegularFile(it->path()))
        return true;
    }
  }
  return false;
}

}  // namespace

void SetDataDir(const std::string& dir) { MutableDataDir() = dir; }
const std::string& DataDir() { return MutableDataDir(); }

std::string ResolvePath(const char* name) {
  if (name == nullptr) return {};
  std::string written(name);
  std::replace(written.begin(), written.end(), '\\', '/');
  fs::path wanted(written);
  fs::path base;
  if (wanted.is_relative() && !DataDir().empty()) base = DataDir();
  // Walk the components; where one does not exist as written, look for it
  // among its directory's entries without regard to case.
  fs::path resolved = base;
  for (const fs::path& part : wanted) {
    std::string piece = part.string();
    if (piece.empty() || piece == "/" || piece == "." || piece == "..") {
      resolved /= part;
      continue;
    }
    fs::path direct = resolved / part;
    if (!Exists(direct)) {
      std::string match = MatchEntry(resolved, piece);
      if (!match.empty()) {
        resolved /= match;
        continue;
      }
    }
    resolved = direct;
  }
  return resolved.string();
}

std::FILE* OpenDataFile(const char* name) {
  std::string path = ResolvePath(name);
  if (path.empty() || !IsRegularFile(path)) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

std::string FindDataDir(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec && argv0 != nullptr) exe = fs::absolute(argv0, ec);
  fs::path cwd = fs::current_path(ec);
  return platform::ChooseDataDir(cwd.string(), exe.parent_path().string(),
                                 VUXA_INSTALL_DATA_DIR);
}

bool Shutdown() {
  bool soundOk = platform::SoundFinish();
  bool framesOk = !platform::CaptureFailed();
  bool videoOk = platform::VideoFinish();
  platform::ResetPresentation();
  if (SDL_WasInit(0) != 0) SDL_Quit();
  return soundOk && framesOk && videoOk;
}

// ---- Checks before the run ----

namespace {

// How many displays SDL sees, or -1 when the video system cannot start (the
// show's own display set-up then says why). Leaves SDL video as it found it.
int CountDisplays() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return SDL_GetNumVideoDisplays();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
  int count = SDL_GetNumVideoDisplays();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return count;
}

OptionProblem CheckDisplay(const Options& o) {
  if (IsOffscreen() || o.display == 0) return {};
  int count = CountDisplays();
  if (count < 0 || o.display < count) return {};
  std::string which = count == 1 ? "only display 0 exists"
                                 : "displays 0 to " + std::to_string(count - 1) + " exist";
  return {"invalid value '" + std::to_string(o.display) + "' for --display (no such display; " +
              which + ")",
          2};
}

OptionProblem CheckVideo(const Options& o) {
  if (o.videoFile.empty()) return {};
  if (platform::FindOnPath("ffmpeg").empty())
    return {"--video " + o.videoFile +
                ": ffmpeg is not on the PATH; install ffmpeg to write videos",
            1};
  const std::string bad = "invalid value '" + o.videoFile + "' for --video (";
  std::error_code ec;
  if (fs::is_directory(o.videoFile, ec)) return {bad + "a directory, not a file name)", 2};
  // The file is made as FILE.part and renamed at the end: try making that now.
  const std::string part = o.videoFile + ".part";
  std::FILE* probe = std::fopen(part.c_str(), "wb");
  if (probe == nullptr) return {bad + "cannot write there: " + std::strerror(errno) + ")", 2};
  std::fclose(probe);
  std::remove(part.c_str());
  return {};
}

}  // namespace

OptionProblem CheckOptions() {
  const Options& o = GetOptions();
  OptionProblem problem = CheckDisplay(o);
  if (problem.exitCode == 0) problem = CheckVideo(o);
  return problem;
}

}  // namespace host

namespace platform {

unsigned CountFlip() { return host::State().flips++; }

void RunFlipHook(unsigned flipIndex) {
  // A copy, so that a hook may replace itself.
  auto hook = host::State().flipHook;
  if (hook) hook(flipIndex);
}

std::uint32_t CaptureSamplesForFrame(unsigned flipIndex, int fps) {
  const std::uint64_t rate = 48000;
  const std::uint64_t perSecond = fps > 0 ? static_cast<std::uint64_t>(fps) : 60;
  const std::uint64_t k = flipIndex;
  return static_cast<std::uint32_t>((k + 1) * rate / perSecond - k * rate / perSecond);
}

namespace {

DWORD ReadClock(const host::HostState& s) {
  if (s.tickSource) return s.tickSource();
  if (host::IsOffscreen()) {
    int fps = host::GetOptions().fps;
    std::uint64_t perSecond = fps > 0 ? static_cast<std::uint64_t>(fps) : 60;
    return static_cast<DWORD>(std::uint64_t{s.flips} * 1000 / perSecond);
  }
  return static_cast<DWORD>(SDL_GetTicks64());
}

}  // namespace

DWORD TickCount() {
  host::HostState& s = host::State();
  const DWORD tick = ReadClock(s);
  s.lastTick = tick;
  if (s.showStartPending) {
    s.showStartPending = false;
    s.showStarted = true;
    s.showStartTick = tick;
  }
  return tick;
}

DWORD LastTick() { return host::State().lastTick; }

void MarkShowStart() {
  host::HostState& s = host::State();
  s.showStartPending = true;
  s.showStarted = false;
}

double ShowSeconds(DWORD tick) {
  const host::HostState& s = host::State();
  const double start = host::GetOptions().startSeconds;
  if (!s.showStarted) return start;
  return start + static_cast<double>(static_cast<DWORD>(tick - s.showStartTick)) / 1000.0;
}

std::string FindOnPath(const std::string& program) {
  auto runnable = [](const fs::path& p) {
    return host::IsRegularFile(p) && ::access(p.c_str(), X_OK) == 0;
  };
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return runnable(program) ? program : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= dirs.size()) {
    std::size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(begin, end - begin);
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / program;
    if (runnable(candidate)) return candidate.string();
    begin = end + 1;
  }
  return {};
}

void LogMessageBox(const char* caption, const char* text) {
  host::State().messages.push_back({caption ? caption : "", text ? text : ""});
}

std::string ChooseDataDir(const std::string& workingDir, const std::string& exeDir,
                          const std::string& installDir) {
  if (host::HoldsShowData(workingDir)) return "";
  std::error_code ec;
  if (!exeDir.empty()) {
    fs::path beside = fs::path(exeDir) / "data";
    if (fs::is_directory(beside, ec)) return beside.string();
    // Installed: <prefix>/bin/vuxa finds <prefix>/share/vuxa, whatever prefix
    // `cmake --install --prefix` was given.
    fs::path installed = (fs::path(exeDir) / ".." / "share" / "vuxa").lexically_normal();
    if (fs::is_directory(installed, ec)) return installed.string();
  }
  return installDir;
}

bool RealDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return set("DISPLAY") || set("WAYLAND_DISPLAY");
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  bool headless = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return !headless || (asked != nullptr && std::strstr(asked, driver) != nullptr);
}

bool DisplayAvailable() {
  return !host::IsOffscreen() && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

}  // namespace platform
