// scratch_files.h: files for tests: a scratch directory removed afterwards,
// an environment variable set for a scope, whole-file reads and writes,
// little-endian fields, a PNG reader, directory listings, small executable
// scripts and shell commands' output.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace scratch {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A fresh directory named after `name` and the process, optionally a copy of
// the build's data, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name, bool copyData = false)
      : path_(fs::temp_directory_path() / ("vuxa_" + name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    if (copyData) fs::copy(VUXA_DATA_DIR, path_, fs::copy_options::recursive);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// `prefix` and the running test's name: a scratch directory of its own.
inline std::string ForThisTest(const std::string& prefix) {
  return prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { hadOld_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

inline Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Writes the bytes, making the parent directories.
inline void WriteBytes(const fs::path& path, const Bytes& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Writes an executable shell script.
inline void WriteScript(const fs::path& path, const std::string& body) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  ::chmod(path.c_str(), 0755);
}

// The `n` bytes at `at`, least significant first.
inline std::uint32_t Le(const Bytes& bytes, std::size_t at, int n) {
  std::uint32_t value = 0;
  for (int i = n - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

// Names in a directory that start with `prefix`, sorted; none for no directory.
inline std::vector<std::string> Listing(const fs::path& dir, const std::string& prefix = "") {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
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

struct Picture {
  bool ok = false;
  int width = 0, height = 0;
  int bitDepth = 0, colorType = 0;  // as the file's header states them
  Bytes rgb;
  const std::uint8_t* At(int x, int y) const {
    return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
  }
  int Lit(int fromRow = 0, int toRow = 1 << 30) const {  // pixels not black in those rows
    int lit = 0;
    for (int y = fromRow; y < std::min(toRow, height); ++y)
      for (int x = 0; x < width; ++x) lit += (At(x, y)[0] | At(x, y)[1] | At(x, y)[2]) != 0;
    return lit;
  }
};

// Any PNG as 8-bit RGB (libpng's simplified reader), or ok == false.
inline Picture DecodePng(const Bytes& bytes) {
  Picture picture;
  if (bytes.size() < 33) return picture;
  picture.bitDepth = bytes[24];
  picture.colorType = bytes[25];
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  picture.ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return picture;
}

inline Picture ReadPng(const fs::path& path) { return DecodePng(ReadBytes(path)); }

}  // namespace scratch
