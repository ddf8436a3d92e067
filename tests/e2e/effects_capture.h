// Helpers for end-to-end tests of the 2D scenes: run the built program in
// capture mode in a scratch working directory and read its frames back.
#pragma once

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace effects_e2e {

namespace fs = std::filesystem;

struct VuxaRun {
  int exitCode = -1;
  std::string stdoutText;
  std::string stderrText;
};

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh empty directory under the system's temporary directory.
inline fs::path ScratchDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("vuxa_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Runs vuxa with the arguments in workDir; stdout and stderr are kept.
inline VuxaRun RunVuxa(const fs::path& workDir, const std::string& args) {
  const std::string command = "cd '" + workDir.string() + "' && SDL_AUDIODRIVER=dummy '" VUXA_BINARY_DIR
                              "/vuxa' " + args + " >'" + (workDir / "out.txt").string() + "' 2>'" +
                              (workDir / "err.txt").string() + "'";
  const int status = std::system(command.c_str());
  VuxaRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.stdoutText = ReadText(workDir / "out.txt");
  run.stderrText = ReadText(workDir / "err.txt");
  return run;
}

inline fs::path FramePath(const fs::path& dir, int k) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", k);
  return dir / name;
}

// A captured 320x240 frame as 0x00RRGGBB pixels; empty when it cannot be read.
inline std::vector<std::uint32_t> ReadFrame(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) || image.width != 320 ||
      image.height != 240)
    return {};
  std::vector<std::uint32_t> pixels(320 * 240);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint32_t>(rgb[3 * i]) << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
  return pixels;
}

}  // namespace effects_e2e
