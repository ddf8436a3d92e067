// main.cpp: the vuxa program: reads the command line, sets up the platform
// stand-in and runs the show through WinMain.
//
// Exit codes: 0 after the show, 1 after a display, sound or capture failure,
// 2 for a bad command line (one error line and the usage on stderr).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/host.h"
#include "platform/win32.h"
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

}  // namespace

int main(int argc, char** argv) {
  const ParsedOptions parsed = ParseOptions(argc, argv);
  switch (parsed.action) {
    case ParsedOptions::Action::Help:
      std::fputs(UsageText(), stdout);
      return 0;
    case ParsedOptions::Action::Version:
      std::printf("%s\n", VersionText());
      return 0;
    case ParsedOptions::Action::Error:
      return CommandLineError(parsed.error);
    case ParsedOptions::Action::Run:
      break;
  }

  if (!parsed.options.captureDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(parsed.options.captureDir, error);
    if (error || !std::filesystem::is_directory(parsed.options.captureDir))
      return CommandLineError("cannot create the capture directory '" + parsed.options.captureDir +
                              "'" + (error ? ": " + error.message() : std::string()));
  }

  host::SetOptions(parsed.options);
  host::SetDataDir(host::FindDataDir(argv[0]));
  std::string commandLine = JoinArguments(argc, argv);
  const int result =
      WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
  if (!host::Shutdown() && result == 0) return 1;
  return result;
}
