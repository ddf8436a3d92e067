// scratch.h: a private data directory for fuzz inputs that the show reads as files.
//
// The readers open their files through host::OpenDataFile, so each input is
// written under this directory and the platform's data directory points here.
// One directory per process (fuzz jobs run side by side), on /dev/shm when it
// exists so that the write costs no disk traffic; it is removed at exit.
// Textures/ holds copies of the built bitmaps, so that scenes find what their
// materials name.
#pragma once

#include <unistd.h>

#include "platform/host/host.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

namespace fuzz {

namespace fs = std::filesystem;

inline fs::path MakeScratch() {
  std::error_code ec;
  const fs::path base =
      fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path made = base / ("vuxa-fuzz-" + std::to_string(::getpid()));
  fs::remove_all(made, ec);
  fs::create_directories(made / "Textures");
  for (const char* sub : {"images", "scenes", "music"}) fs::create_directories(made / sub);
  const fs::path textures = fs::path(VUXA_DATA_DIR) / "Textures";
  if (fs::is_directory(textures, ec))
    for (const auto& entry : fs::directory_iterator(textures))
      fs::copy_file(entry.path(), made / "Textures" / entry.path().filename(), ec);
  return made;
}

inline void RemoveScratch();

inline const fs::path& ScratchDir() {
  static const fs::path dir = MakeScratch();
  // Registered after `dir` is made, so it runs before `dir` is destroyed.
  [[maybe_unused]] static const int removal = std::atexit(RemoveScratch);
  return dir;
}

inline void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(ScratchDir(), ec);
}

// Replaces the file `relative` (below the scratch directory) with the bytes.
inline void WriteInput(const char* relative, std::span<const std::uint8_t> bytes) {
  const std::string path = (ScratchDir() / relative).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();  // nothing could be tested
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    std::abort();
  std::fclose(file);
}

}  // namespace fuzz
