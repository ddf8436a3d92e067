// Helpers of the generator's tests: the generated data, little-endian fields,
// and the command-line tools the files are checked against.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_files.h"

namespace assetgen_test {

using scratch::Bytes;
using scratch::ReadBytes;
namespace fs = std::filesystem;

inline fs::path DataDir() { return fs::path(VUXA_DATA_DIR); }

// n bytes at `at`, least significant first.
inline std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

inline bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command.
inline std::string RunCapture(const std::string& cmd) {
  std::string out;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  pclose(f);
  return out;
}

}  // namespace assetgen_test
