// wav_writer.h: a writer of 16-bit PCM WAV files whose length is known only at
// the end: the header's sizes are filled in by Finish. The file is written
// under a temporary name beside its final one (pending_file.h) and renamed
// into place by Commit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "platform/host/pending_file.h"

namespace host {

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates the temporary file, for `path`, with a header for an empty recording.
  bool Open(const std::string& path, int sampleRate, int channels);
  // Appends interleaved samples (little-endian on disk).
  bool Write(std::span<const std::int16_t> samples);
  // Writes the final sizes into the header and closes the file, still under
  // its temporary name (TempPath).
  bool Finish();
  // Renames the finished file onto its final name.
  bool Commit() { return file_.Commit(); }
  // Closes the file and removes it.
  void Discard();

  bool IsOpen() const { return file_.File() != nullptr; }
  const std::string& TempPath() const { return file_.TempPath(); }
  std::uint64_t DataBytes() const { return dataBytes_; }

 private:
  PendingFile file_;
  std::uint64_t dataBytes_ = 0;
};

}  // namespace host
