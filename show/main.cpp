// main.cpp: the vuxa program: reads the command line, sets up the platform
// stand-in and runs the show through WinMain.
//
// Exit codes: 0 after the show, 1 after a display, sound, capture or video
// failure (ffmpeg missing included), 2 for a bad command line or an option
// value this machine cannot honour, such as a display that does not exist
// (one error line naming the option and its value, then the usage, on
// stderr). With --benchmark the CPU time and peak memory of the run follow on
// stdout.
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/host/host.h"
#include "platform/win32/win32.h"
#include "show/options.h"

namespace {

int CommandLineError(const std::string& what) {
  std::fprintf(stderr, "vuxa: %s\n%s", what.c_str(), UsageText());
  return 2;
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
  const ParsedOptions parsed = ParseOptions(argc, argv);
  switch (parsed.action) {
    case ParsedOptions::Action::Help:
      std::fputs(UsageText(), stdout);
      return 0;
    case ParsedOptions::Action::Version:
      std::fputs(VersionReport().c_str(), stdout);
      return 0;
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

  if (!parsed.options.captureDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(parsed.options.captureDir, error);
    if (error || !std::filesystem::is_directory(parsed.options.captureDir))
      return CommandLineError("invalid value '" + parsed.options.captureDir +
                              "' for --capture (cannot create the directory" +
                              (error ? ": " + error.message() : std::string()) + ")");
  }

  host::SetDataDir(host::FindDataDir(argv[0]));
  std::string commandLine = JoinArguments(argc, argv);
  const int result =
      WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
  if (!host::Shutdown() && result == 0) return 1;
  if (parsed.benchmark) ReportResourceUse();
  return result;
}
