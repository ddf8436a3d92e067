// show_process.h: runs the built vuxa program in a scratch directory and
// collects its exit code, stdout and stderr, for the end-to-end tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace show_e2e {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh empty directory under the system's temporary directory.
inline std::filesystem::path ScratchDir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vuxa_show_e2e_" + name + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Runs `vuxa args` with `dir` as working directory; `environment` is a prefix
// for env(1), such as "-u DISPLAY"; `streams` are the shell's redirections.
inline ProcessResult RunVuxa(const std::filesystem::path& dir, const std::string& args,
                             const std::string& environment = "",
                             const std::string& streams = "> stdout.txt 2> stderr.txt") {
  const std::string command = "cd '" + dir.string() + "' && env " + environment +
                              " SDL_AUDIODRIVER=dummy '" VUXA_BINARY_DIR "/vuxa' " + args + " " +
                              streams;
  const int status = std::system(command.c_str());
  ProcessResult result;
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadWhole(dir / "stdout.txt");
  result.err = ReadWhole(dir / "stderr.txt");
  return result;
}

}  // namespace show_e2e
