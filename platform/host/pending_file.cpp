// pending_file.cpp: temporary output files renamed into place when complete.
#include "platform/host/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

namespace host {
namespace {

// Set once the registry below is gone (trivially destroyed, so still readable
// while later statics are destroyed).
bool registryGone = false;

// Guards the registry: capture frames are written on several threads.
std::mutex registryMutex;

// The temporary files alive now; whatever is left at exit is removed.
struct Registry {
  std::set<std::string> paths;
  ~Registry() {
    const std::lock_guard lock(registryMutex);
    for (const std::string& path : paths) ::unlink(path.c_str());
    registryGone = true;
  }
};

Registry& Live() {
  static Registry registry;
  return registry;
}

void Track(const std::string& path) {
  const std::lock_guard lock(registryMutex);
  if (!registryGone) Live().paths.insert(path);
}

void Untrack(const std::string& path) {
  const std::lock_guard lock(registryMutex);
  if (!registryGone) Live().paths.erase(path);
}

// The mode a newly created file gets: 0666 less the umask.
mode_t FileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

bool PendingFile::Create(const std::string& finalPath) {
  Discard();
  std::string pattern = FolderOf(finalPath) + "/.vuxa-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  temp_ = name.data();
  final_ = finalPath;
  Track(temp_);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int saved = errno;
    ::close(fd);
    Discard();
    errno = saved;
    return false;
  }
  return true;
}

bool PendingFile::Close() {
  if (file_ == nullptr) return Active();
  bool ok = std::fflush(file_) == 0;
  int saved = errno;
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  file_ = nullptr;
  errno = saved;
  return ok;
}

bool PendingFile::Commit() {
  bool ok = Active() && Close();
  ok = ok && ::chmod(temp_.c_str(), FileMode()) == 0;
  ok = ok && std::rename(temp_.c_str(), final_.c_str()) == 0;
  if (!ok) {
    const int saved = errno != 0 ? errno : EIO;
    Discard();
    errno = saved;
    return false;
  }
  Untrack(temp_);
  temp_.clear();
  return true;
}

void PendingFile::Discard() {
  const int saved = errno;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    Untrack(temp_);
  }
  temp_.clear();
  errno = saved;
}

}  // namespace host
