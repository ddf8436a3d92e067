// run_vuxa.h: the built program run as a user runs it, for the end-to-end
// tests: in a working directory, with its exit code, stdout, stderr and
// warning lines.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_files.h"

namespace scratch {

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
                              " SDL_AUDIODRIVER=dummy /usr/bin/timeout 300 '" VUXA_BINARY_DIR "/vuxa' " +
                              args + " " + streams;
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

// Checks music.wav: PCM, 2 channels, 48 kHz, 16 bits, as long as `frames` at `fps`.
inline void ExpectMusic(const fs::path& file, int frames, int fps) {
  const std::string wav = ReadText(file);
  const Bytes bytes(wav.begin(), wav.end());
  const auto le = [&](std::size_t at) { return Le(bytes, at, 4); };
  ASSERT_GE(wav.size(), 44u) << file;
  EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8), "RIFFWAVEfmt ");
  EXPECT_EQ(le(4), wav.size() - 8);
  EXPECT_EQ(le(20), 1u | 2u << 16);  // PCM, channels
  EXPECT_EQ(le(24), 48000u);
  EXPECT_EQ(le(32) >> 16, 16u);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(le(40), unsigned(frames) * 48000u / unsigned(fps) * 4);
  EXPECT_EQ(wav.size(), 44 + le(40));
}

inline std::string FrameName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", k);
  return name;
}

}  // namespace scratch
