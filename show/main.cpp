// main.cpp: the vuxa program: reads the command line, sets up the platform
// stand-in and runs the show through WinMain.
//
// Exit codes: 0 after the show, 1 after a display, sound, capture or video
// failure (ffmpeg missing included), 2 for a bad command line or an option
// value this machine cannot honour, such as a display that does not exist or
// a capture directory that already holds a capture (one error line naming
// the option and its value, then a pointer to --help, on stderr). SIGINT and
// SIGTERM end the run within a frame with one line, the unfinished files
// removed, and exit 130 or 143. With --benchmark the CPU time and peak memory
// of the run follow on stdout.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/host/host.h"
#include "platform/win32/win32.h"
#include "show/options.h"

namespace {

namespace fs = std::filesystem;

int CommandLineError(const std::string& what) {
  std::fprintf(stderr, "vuxa: %s\nTry 'vuxa --help'.\n", what.c_str());
  return 2;
}

// Descriptors 0, 1 and 2 that are closed are opened on /dev/null, so that no
// file the program opens takes their place and receives what it prints.
void OpenClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

// Writes the help or version text to stdout; a failed write (a full device, a
// closed pipe) is an error.
int PrintText(const char* text, const char* what) {
  errno = 0;
  const bool ok = std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (ok) return 0;
  std::fprintf(stderr, "vuxa: cannot write the %s: %s\n", what,
               std::strerror(errno != 0 ? errno : EIO));
  return 1;
}

bool IsCaptureFile(const fs::path& file) {
  const std::string name = file.filename().string();
  return name == "music.wav" || (name.rfind("frame_", 0) == 0 && file.extension() == ".png");
}

// Makes the capture directory. One that already holds a capture is refused
// unless `overwrite`, which removes the old frames and music first: a new
// capture never mixes with an old one. Returns the exit code, 0 to go on.
int PrepareCaptureDir(const std::string& dir, bool overwrite) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (error || !fs::is_directory(dir, error))
    return CommandLineError("invalid value '" + dir + "' for --capture (cannot create the directory" +
                            (error ? ": " + error.message() : std::string()) + ")");
  std::vector<fs::path> old;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
    if (IsCaptureFile(it->path())) old.push_back(it->path());
  if (error)
    return CommandLineError("invalid value '" + dir + "' for --capture (cannot read it: " +
                            error.message() + ")");
  if (old.empty()) return 0;
  if (!overwrite)
    return CommandLineError("--capture " + dir +
                            ": the directory already holds a capture; add --overwrite to replace it");
  for (const fs::path& file : old)
    if (!fs::remove(file, error) && error) {
      std::fprintf(stderr, "vuxa: cannot remove %s: %s\n", file.c_str(), error.message().c_str());
      return 1;
    }
  return 0;
}

// The arguments after the program name, joined by spaces, as WinMain receives them.
std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// The process's CPU time (user and system) and peak resident memory, on stdout.
void ReportResourceUse() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  std::printf("CPU time: %.3f s\nPeak memory: %.1f MB\n", seconds,
              static_cast<double>(usage.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  OpenClosedStandardStreams();
  const ParsedOptions parsed = ParseOptions(argc, argv);
  switch (parsed.action) {
    case ParsedOptions::Action::Help:
      return PrintText(UsageText(), "help text");
    case ParsedOptions::Action::Version:
      return PrintText(VersionReport().c_str(), "version");
    case ParsedOptions::Action::Error:
      return CommandLineError(parsed.error);
    case ParsedOptions::Action::Run:
      break;
  }

  host::SetOptions(parsed.options);
  if (const host::OptionProblem problem = host::CheckOptions(); problem.exitCode != 0) {
    if (problem.exitCode == 2) return CommandLineError(problem.message);
    std::fprintf(stderr, "vuxa: %s\n", problem.message.c_str());
    return problem.exitCode;
  }

  std::error_code error;
  if (!parsed.options.dataDir.empty() && !fs::is_directory(parsed.options.dataDir, error))
    return CommandLineError("invalid value '" + parsed.options.dataDir +
                            "' for --data (not a directory)");
  if (!parsed.options.captureDir.empty())
    if (const int code = PrepareCaptureDir(parsed.options.captureDir, parsed.options.overwrite))
      return code;

  if (!parsed.options.dataDir.empty()) {
    host::SetDataDir(parsed.options.dataDir);
  } else {
    host::SetDataDir(host::FindDataDir(argv[0]));
    // The working directory holds only part of the show: say where the data comes from.
    if (host::DataDir().empty())
      if (const std::string missing = host::MissingShowFolders(""); !missing.empty())
        std::fprintf(stderr,
                     "vuxa: reading the show's files from the working directory, which lacks %s\n",
                     missing.c_str());
  }

  host::CatchInterrupts();
  // A sound-library failure ends the show with std::exit: nothing of the run stays.
  std::atexit(host::AbandonRun);
  std::string commandLine = JoinArguments(argc, argv);
  const int result =
      WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
  const bool finished = host::Shutdown();
  if (const int signal = host::InterruptSignal(); signal != 0) {
    std::fprintf(stderr, "vuxa: interrupted by %s; unfinished files removed\n",
                 signal == SIGINT ? "SIGINT" : "SIGTERM");
    return 128 + signal;
  }
  if (!finished && result == 0) return 1;
  if (parsed.benchmark) ReportResourceUse();
  return result;
}
