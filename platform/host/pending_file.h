// pending_file.h: an output file written under a unique temporary name in the
// folder of its final name, and renamed onto that name only when complete.
//
// The temporary name is made with mkstemp (".vuxa-XXXXXX", short whatever the
// final name's length), so it never meets a file the user has, nor a link
// planted there; rename replaces whatever is at the final name, a link
// included, without following it. Every live temporary file is also removed
// when the process exits through std::exit.
#pragma once

#include <cstdio>
#include <string>

namespace host {

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile() { Discard(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the temporary file beside `finalPath`, open for writing; false
  // with errno set when it cannot be made.
  bool Create(const std::string& finalPath);
  std::FILE* File() const { return file_; }
  // Flushes and closes the temporary file, keeping it; false with errno set.
  bool Close();
  // Closes (if open), gives the file the usual permissions and renames it
  // onto the final name; false with errno set and the temporary removed.
  bool Commit();
  // Closes and removes the temporary file; harmless when there is none.
  void Discard();

  bool Active() const { return !temp_.empty(); }
  const std::string& TempPath() const { return temp_; }
  const std::string& FinalPath() const { return final_; }

 private:
  std::FILE* file_ = nullptr;
  std::string temp_;
  std::string final_;
};

// The folder a path is in, "." for a bare name.
std::string FolderOf(const std::string& path);

}  // namespace host
