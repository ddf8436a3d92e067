// show_bench.cpp: the show as a whole. Start-up to the first picture frame in
// capture mode (from spawning the process to the second Flip: the first is the
// black start-up frame), the whole 52-second show offscreen at 60 frames a
// second with the frames discarded (CPU time of the process, start-up
// included), and the peak resident memory of that run. Then the program
// itself, as a user runs it: `vuxa --capture DIR --fps 60` and `vuxa --video
// FILE --fps 60`, wall time; the video beside its floor, ffmpeg alone
// encoding the same frames and music from files with the same arguments.
//
//   vuxa_show_bench [--runs N] [--table FILE] [--no-exports]
//   vuxa_show_bench --frame-hashes   one line per presented frame of the whole
//                                    show at 60 fps: its index and a 64-bit hash
//                                    of the screen, for proving a faster build
//                                    draws the same frames
//   vuxa_show_bench --raw-frames FILE  every presented frame of the whole show
//                                    at 60 fps as packed RGB, as --video gets them
//
// Each measurement runs in a child process made from this program, which
// holds the same code as vuxa; the figures are medians over the runs, with
// the lowest and highest run beside those of the whole show and the capture.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/host/host.h"
#include "platform/host/present.h"
#include "platform/host/video.h"
#include "platform/win32/user.h"
#include "platform/win32/win32.h"

extern char** environ;

namespace {

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int PlayShow(host::Options options) {
  host::SetOptions(options);
  host::SetDataDir(VUXA_DATA_DIR);
  std::string commandLine;
  const int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
  host::Shutdown();
  return result;
}

// Child: capture into dir, print the monotonic time of the first picture frame, stop.
int FirstFrameChild(const char* dir) {
  host::Options options;
  options.captureDir = dir;
  host::SetFlipHook([](unsigned flip) {
    if (flip != 1) return;
    std::printf("%.9f\n", MonotonicSeconds());
    std::fflush(stdout);
    platform::PostKeyDown(VK_ESCAPE);
  });
  return PlayShow(options);
}

// Child: the whole show offscreen at 60 frames a second, nothing written.
int WholeShowChild() {
  host::Options options;
  options.offscreen = true;
  options.fps = 60;
  return PlayShow(options);
}

// FNV-1a over the presented 320x240 screen.
std::uint64_t ScreenHash() {
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  if (!Display.primary || Display.primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != 0) return 0;
  std::uint64_t hash = 14695981039346656037ull;
  const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
  const int rowBytes = static_cast<int>(desc.dwWidth * desc.ddpfPixelFormat.dwRGBBitCount / 8);
  for (DWORD y = 0; y < desc.dwHeight; ++y)
    for (int x = 0; x < rowBytes; ++x) hash = (hash ^ bytes[y * desc.lPitch + x]) * 1099511628211ull;
  Display.primary->Unlock(desc.lpSurface);
  return hash;
}

// The presented screen as packed RGB, as the capture and the video take it.
std::vector<std::uint8_t> ScreenRgb() {
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  if (!Display.primary || Display.primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != 0) return {};
  const int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
  const int width = static_cast<int>(desc.dwWidth), height = static_cast<int>(desc.dwHeight);
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(width) * height * bytes);
  for (int y = 0; y < height; ++y)
    std::memcpy(packed.data() + static_cast<std::size_t>(y) * width * bytes,
                static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch,
                static_cast<std::size_t>(width) * bytes);
  Display.primary->Unlock(desc.lpSurface);
  return host::ToRgb(packed.data(), bytes, width, height);
}

int RawFrames(const char* file) {
  static std::FILE* out = std::fopen(file, "wb");
  if (out == nullptr) return 1;
  host::SetFlipHook([](unsigned) {
    const std::vector<std::uint8_t> rgb = ScreenRgb();
    if (std::fwrite(rgb.data(), 1, rgb.size(), out) != rgb.size()) std::exit(1);
  });
  const int result = WholeShowChild();
  return std::fclose(out) == 0 ? result : 1;
}

int FrameHashes() {
  host::SetFlipHook([](unsigned flip) {
    std::printf("%05u %016llx\n", flip, static_cast<unsigned long long>(ScreenHash()));
  });
  return WholeShowChild();
}

struct ChildRun {
  int status = -1;
  std::string output;
  double startSeconds = 0;  // monotonic time of the spawn
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
};

ChildRun Spawn(const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) std::exit(1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  ChildRun run;
  run.startSeconds = MonotonicSeconds();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::exit(1);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  rusage usage{};
  wait4(pid, &run.status, 0, &usage);
  run.wallSeconds = MonotonicSeconds() - run.startSeconds;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  run.maxRssKb = usage.ru_maxrss;
  return run;
}

bool Succeeded(const ChildRun& run) { return WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0; }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// "lowest to highest" of the runs, so that a reader sees how far one run may
// stray from the median on a shared machine.
std::string Spread(const std::vector<double>& values, const char* format) {
  if (values.empty()) return "";
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  char text[64];
  std::snprintf(text, sizeof text, format, *low, *high);
  return text;
}

std::string Row(const char* figure, const std::string& measured, const char* target, bool met) {
  return std::string("| ") + figure + " | " + measured + " | " + target + " " + (met ? "met" : "MISSED") + " |\n";
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", s);
  return text;
}

// The music of a capture's music.wav as raw samples (what --video pipes to
// ffmpeg); false unless it is the plain 44-byte-header WAV the capture writes.
bool RawMusic(const std::filesystem::path& wav, const std::filesystem::path& raw) {
  std::FILE* in = std::fopen(wav.c_str(), "rb");
  if (in == nullptr) return false;
  std::vector<char> bytes;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(in);
  if (bytes.size() < 44 || std::memcmp(bytes.data() + 36, "data", 4) != 0) return false;
  std::FILE* out = std::fopen(raw.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = std::fwrite(bytes.data() + 44, 1, bytes.size() - 44, out) == bytes.size() - 44;
  return std::fclose(out) == 0 && ok;
}

// The capture and video rows: the real program as a user runs it, and for the
// video the floor of its encoding step. Empty when a run failed.
std::string ExportRows(const std::string& self, int runs) {
  namespace fs = std::filesystem;
  constexpr double kShow = 52.0;
  const fs::path dir = fs::temp_directory_path() / ("vuxa-bench-export-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string rows;
  std::vector<double> capture, captureCpu;
  // Each run captures into a folder of its own, and the folders go after the
  // last run: deleting 3,120 files just before a run left the file system
  // busy through it (up to 2.6 s of system time against 0.3 to 1.1 s).
  for (int i = 0; i < runs; ++i) {
    const fs::path folder = dir / ("capture" + std::to_string(i));
    const ChildRun run = Spawn({VUXA_PROGRAM, "--data", VUXA_DATA_DIR, "--capture",
                                folder.string(), "--fps", "60"});
    if (!Succeeded(run)) {
      std::fprintf(stderr, "vuxa_show_bench: the --capture run failed\n");
      fs::remove_all(dir);
      return "";
    }
    capture.push_back(run.wallSeconds);
    captureCpu.push_back(run.cpuSeconds);
  }
  char text[160];
  std::snprintf(text, sizeof text, "%s (%.3f s a second of show; CPU %s; runs %s)",
                Seconds(Median(capture)).c_str(), Median(capture) / kShow,
                Seconds(Median(captureCpu)).c_str(), Spread(capture, "%.2f to %.2f s").c_str());
  rows += Row("`vuxa --capture DIR --fps 60`, wall (median)", text, "<= 2.5 s", Median(capture) <= 2.5);

  const ChildRun video = Spawn({VUXA_PROGRAM, "--data", VUXA_DATA_DIR, "--video",
                                (dir / "show.mp4").string(), "--fps", "60"});
  const ChildRun frames = Spawn({self, "--raw-frames", (dir / "frames.rgb").string()});
  const bool music = RawMusic(dir / "capture0" / "music.wav", dir / "music.raw");
  const std::vector<std::string> args =
      host::VideoArguments(60, "file:" + (dir / "frames.rgb").string(),
                           "file:" + (dir / "music.raw").string(),
                           "file:" + (dir / "floor.mp4").string(), "mp4");
  std::vector<std::string> floorCommand = {host::FindOnPath("ffmpeg")};
  floorCommand.insert(floorCommand.end(), args.begin(), args.end());
  const bool haveFfmpeg = !floorCommand[0].empty();
  const ChildRun floor = haveFfmpeg && Succeeded(frames) && music ? Spawn(floorCommand) : ChildRun{};
  if (!Succeeded(video) || !Succeeded(floor)) {
    std::fprintf(stderr, "vuxa_show_bench: the --video run or its ffmpeg floor failed%s\n",
                 haveFfmpeg ? "" : " (no ffmpeg)");
    fs::remove_all(dir);
    return rows;
  }
  const auto megabytes = [&](const char* name) {
    std::error_code error;
    return static_cast<double>(fs::file_size(dir / name, error)) / 1e6;
  };
  std::snprintf(text, sizeof text, "%s (%.3f s a second of show; x264 %s, CRF 18, %.1f MB)",
                Seconds(video.wallSeconds).c_str(), video.wallSeconds / kShow, host::kVideoPreset,
                megabytes("show.mp4"));
  rows += Row("`vuxa --video FILE --fps 60`, wall", text, "<= 26 s", video.wallSeconds <= 26.0);
  const double ratio = video.wallSeconds / floor.wallSeconds;
  std::snprintf(text, sizeof text, "%.3f (ffmpeg alone on the raw frames and music: %s, %.1f MB)", ratio,
                Seconds(floor.wallSeconds).c_str(), megabytes("floor.mp4"));
  rows += Row("that video against its floor, wall ratio", text, "<= 1.15", ratio <= 1.15);
  fs::remove_all(dir);
  return rows;
}

int Parent(const std::string& self, int runs, const std::string& tableFile, bool exports) {
  std::vector<double> startups;
  for (int i = 0; i < runs; ++i) {
    const auto dir = std::filesystem::temp_directory_path() / ("vuxa-bench-" + std::to_string(getpid()));
    const ChildRun run = Spawn({self, "--first-frame", dir.string()});
    std::filesystem::remove_all(dir);
    double firstFrame = 0;
    if (!Succeeded(run) || std::sscanf(run.output.c_str(), "%lf", &firstFrame) != 1) {
      std::fprintf(stderr, "vuxa_show_bench: the capture run failed\n");
      return 1;
    }
    startups.push_back(firstFrame - run.startSeconds);
  }
  std::vector<double> cpu, wall;
  long maxRss = 0;
  for (int i = 0; i < runs; ++i) {
    const ChildRun run = Spawn({self, "--whole-show"});
    if (!Succeeded(run)) {
      std::fprintf(stderr, "vuxa_show_bench: the offscreen run failed\n");
      return 1;
    }
    cpu.push_back(run.cpuSeconds);
    wall.push_back(run.wallSeconds);
    maxRss = std::max(maxRss, run.maxRssKb);
  }
  char text[96];
  std::string table = "| figure | measured | target |\n|---|---:|---|\n";
  std::snprintf(text, sizeof text, "%.1f ms", Median(startups) * 1e3);
  table += Row("start-up to the first frame, capture mode", text, "< 100 ms", Median(startups) < 0.1);
  std::snprintf(text, sizeof text, "%.3f s (wall %.3f s; runs %s)", Median(cpu), Median(wall),
                Spread(cpu, "%.3f to %.3f s").c_str());
  table += Row("whole show, 3,120 frames at 60 fps, discarded: CPU time", text, "<= 0.30 s", Median(cpu) <= 0.30);
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(maxRss) / 1024.0);
  table += Row("peak resident memory of that run", text, "< 64 MB", maxRss < 64 * 1024);
  if (exports) table += ExportRows(self, runs);
  std::fputs(table.c_str(), stdout);
  if (!tableFile.empty()) {
    std::FILE* out = std::fopen(tableFile.c_str(), "w");
    if (!out) return 1;
    std::fputs(table.c_str(), out);
    std::fclose(out);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--first-frame") == 0) return FirstFrameChild(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "--whole-show") == 0) return WholeShowChild();
  if (argc == 2 && std::strcmp(argv[1], "--frame-hashes") == 0) return FrameHashes();
  if (argc == 3 && std::strcmp(argv[1], "--raw-frames") == 0) return RawFrames(argv[2]);
  int runs = 3;
  std::string tableFile;
  bool exports = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-exports") == 0) exports = false;
    else if (i + 1 < argc && std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[++i]));
    else if (i + 1 < argc && std::strcmp(argv[i], "--table") == 0) tableFile = argv[++i];
  }
  return Parent(std::filesystem::canonical("/proc/self/exe").string(), runs, tableFile, exports);
}
