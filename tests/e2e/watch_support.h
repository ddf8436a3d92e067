// watch_support.h: helpers of the end-to-end tests of watching and sharing:
// PNG frames read back, shell commands and what they print, a tool check.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace watch_e2e {

namespace fs = std::filesystem;

struct Frame {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* At(int x, int y) const {
    return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
  }
};

// Any PNG as 8-bit RGB (libpng's simplified reader), or ok == false.
inline Frame ReadPng(const fs::path& path) {
  Frame frame;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return frame;
  image.format = PNG_FORMAT_RGB;
  frame.width = static_cast<int>(image.width);
  frame.height = static_cast<int>(image.height);
  frame.rgb.resize(PNG_IMAGE_SIZE(image));
  frame.ok = png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return frame;
}

// What a shell command prints on stdout; its exit code in `exitCode`.
inline std::string Output(const std::string& command, int* exitCode = nullptr) {
  std::string text;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  std::array<char, 4096> buffer{};
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    text.append(buffer.data(), got);
  const int status = ::pclose(pipe);
  if (exitCode != nullptr) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

// True when every named program is on the PATH.
inline bool HaveTools(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) != 0)
      return false;
  return true;
}

// Files of a directory whose names start with `prefix`, sorted.
inline std::vector<std::string> FilesStartingWith(const fs::path& dir, const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace watch_e2e
