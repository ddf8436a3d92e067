// data_files.cpp: the show's data files and the programs it runs.
//
// Data-file lookup imitates Windows' case-insensitive names on a
// case-sensitive file system by matching each missing path component against
// its directory. The data directory is the one --data names, else the
// working directory when it holds any of the show's files (music/vuxa.xm,
// scenes/ball.3ds, images/*.pcx, Textures/*.bmp), else the one built or
// installed beside the program.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/host/host.h"

namespace fs = std::filesystem;

#ifndef VUXA_INSTALL_DATA_DIR
#define VUXA_INSTALL_DATA_DIR "/usr/local/share/vuxa"
#endif

namespace host {
namespace {

std::string& MutableDataDir() {
  static std::string dir;
  return dir;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix) {
  return name.size() >= suffix.size() &&
         SameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// The entry of `dir` whose name equals `name` without regard to case; the
// first in name order when several do. Empty when none does.
std::string MatchEntry(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  std::string best;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (SameIgnoringCase(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  return best;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

bool IsRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// True when the folder `folder` of `dir` holds a file named `name`, or any
// file ending in `suffix` when `name` is empty; all matched without regard to case.
bool HoldsFile(const fs::path& dir, const char* folder, const char* name, const char* suffix) {
  const std::string found = MatchEntry(dir, folder);
  if (found.empty()) return false;
  if (name[0] != '\0') {
    const std::string file = MatchEntry(dir / found, name);
    return !file.empty() && IsRegularFile(dir / found / file);
  }
  std::error_code ec;
  for (fs::directory_iterator it(dir / found, ec), end; !ec && it != end; it.increment(ec))
    if (EndsWithIgnoringCase(it->path().filename().string(), suffix) && IsRegularFile(it->path()))
      return true;
  return false;
}

struct ShowFolder {
  const char* folder;
  const char* name;    // the one file it must hold, or ""
  const char* suffix;  // else any file ending so
};
constexpr ShowFolder kShowFolders[] = {{"music", "vuxa.xm", ""},
                                       {"scenes", "ball.3ds", ""},
                                       {"images", "", ".pcx"},
                                       {"Textures", "", ".bmp"}};

// True when `dir` holds any of the show's data files.
bool HoldsShowData(const fs::path& dir) {
  for (const ShowFolder& f : kShowFolders)
    if (HoldsFile(dir, f.folder, f.name, f.suffix)) return true;
  return false;
}

}  // namespace

void SetDataDir(const std::string& dir) { MutableDataDir() = dir; }
const std::string& DataDir() { return MutableDataDir(); }

std::string ResolvePath(const char* name) {
  if (name == nullptr) return {};
  std::string written(name);
  std::replace(written.begin(), written.end(), '\\', '/');
  fs::path wanted(written);
  fs::path base;
  if (wanted.is_relative() && !DataDir().empty()) base = DataDir();
  // Walk the components; where one does not exist as written, look for it
  // among its directory's entries without regard to case.
  fs::path resolved = base;
  for (const fs::path& part : wanted) {
    std::string piece = part.string();
    if (piece.empty() || piece == "/" || piece == "." || piece == "..") {
      resolved /= part;
      continue;
    }
    fs::path direct = resolved / part;
    if (!Exists(direct)) {
      std::string match = MatchEntry(resolved, piece);
      if (!match.empty()) {
        resolved /= match;
        continue;
      }
    }
    resolved = direct;
  }
  return resolved.string();
}

std::FILE* OpenDataFile(const char* name) {
  std::string path = ResolvePath(name);
  if (path.empty() || !IsRegularFile(path)) {
    // errno says why, as a failed fopen would.
    std::error_code ec;
    errno = !Exists(path) ? ENOENT : fs::is_directory(path, ec) ? EISDIR : EINVAL;
    return nullptr;
  }
  return std::fopen(path.c_str(), "rb");
}

std::string FindDataDir(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec && argv0 != nullptr) exe = fs::absolute(argv0, ec);
  fs::path cwd = fs::current_path(ec);
  return ChooseDataDir(cwd.string(), exe.parent_path().string(),
                                 VUXA_INSTALL_DATA_DIR);
}

std::string ChooseDataDir(const std::string& workingDir, const std::string& exeDir,
                          const std::string& installDir) {
  if (HoldsShowData(workingDir)) return "";
  std::error_code ec;
  if (!exeDir.empty()) {
    fs::path beside = fs::path(exeDir) / "data";
    if (fs::is_directory(beside, ec)) return beside.string();
    // Installed: <prefix>/bin/vuxa finds <prefix>/share/vuxa, whatever prefix
    // `cmake --install --prefix` was given.
    fs::path installed = (fs::path(exeDir) / ".." / "share" / "vuxa").lexically_normal();
    if (fs::is_directory(installed, ec)) return installed.string();
  }
  return installDir;
}

std::string MissingShowFolders(const std::string& dir) {
  std::string missing;
  for (const ShowFolder& f : kShowFolders)
    if (!HoldsFile(dir.empty() ? "." : dir, f.folder, f.name, f.suffix))
      missing += std::string(missing.empty() ? "" : ", ") + f.folder + "/";
  return missing;
}

std::string FindOnPath(const std::string& program) {
  auto runnable = [](const fs::path& p) {
    return IsRegularFile(p) && ::access(p.c_str(), X_OK) == 0;
  };
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return runnable(program) ? program : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= dirs.size()) {
    std::size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(begin, end - begin);
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / program;
    if (runnable(candidate)) return candidate.string();
    begin = end + 1;
  }
  return {};
}

}  // namespace host
