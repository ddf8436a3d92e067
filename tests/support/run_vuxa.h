// run_vuxa.h: the built program run as a user runs it, for the end-to-end
// tests: in a working directory, with its exit code, stdout, stderr and
// warning lines; its PNG frames and the files it left read back.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch.h"
#include "support/scratch_files.h"

namespace test_support {

struct ProgramRun {
  int exitCode = -1;  // -1: not a normal exit
  std::string out, err;
  std::vector<std::string> warnings;  // the "vuxa: warning: " lines
  // How many warning lines name `file` ("<...>/file: ").
  int WarningsAbout(const std::string& file) const {
    return static_cast<int>(std::count_if(warnings.begin(), warnings.end(), [&](const std::string& w) {
      return w.find("/" + file + ": ") != std::string::npos || w.rfind("vuxa: warning: " + file + ": ", 0) == 0;
    }));
  }
};

// Runs `vuxa args` in `dir`; `environment` goes to env(1) first ("-u DISPLAY",
// "PATH=..."), `streams` are the shell's redirections.
inline ProgramRun RunVuxa(const fs::path& dir, const std::string& args, const std::string& environment = "",
                   const std::string& streams = "> stdout.txt 2> stderr.txt") {
  const std::string command = "cd '" + dir.string() + "' && env " + environment +
                              " SDL_AUDIODRIVER=dummy /usr/bin/timeout 300 '" VUXA_BINARY_DIR "/vuxa' " + args + " " + streams;
  const int status = std::system(command.c_str());
  ProgramRun run;
  if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = ReadText(dir / "stdout.txt");
  run.err = ReadText(dir / "stderr.txt");
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("vuxa: warning: ", 0) == 0) run.warnings.push_back(line);
  return run;
}

// What a shell command prints on stdout; its exit code in `exitCode`.
inline std::string Output(const std::string& command, int* exitCode = nullptr) {
  std::string text;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
  const int status = ::pclose(pipe);
  if (exitCode != nullptr) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

inline bool HaveTools(std::initializer_list<const char*> tools) {
  return std::all_of(tools.begin(), tools.end(), [](const char* tool) {
    return std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) == 0;
  });
}

// Names in a directory that start with `prefix`, sorted.
inline std::vector<std::string> FilesStartingWith(const fs::path& dir, const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string FrameName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", k);
  return name;
}

// PNG frames read back: the shared reader of scratch_files.h.
using scratch::Picture;
using scratch::ReadPng;

inline std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
  return value;
}

}  // namespace test_support
