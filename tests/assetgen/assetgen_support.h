// Helpers shared by the picture and scene tests: the generated data, file
// bytes and the command-line readers they are checked against.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace assetgen_test {

using Bytes = std::vector<std::uint8_t>;

inline std::filesystem::path DataDir() { return std::filesystem::path(VUXA_DATA_DIR); }

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
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
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  pclose(f);
  return out;
}

}  // namespace assetgen_test
