// wav_writer.h: a writer of 16-bit PCM WAV files whose length is known only at
// the end: the header's sizes are filled in by Finish.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace host {

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates the file with a header for an empty recording.
  bool Open(const std::string& path, int sampleRate, int channels);
  // Appends interleaved samples (little-endian on disk).
  bool Write(std::span<const std::int16_t> samples);
  // Writes the final sizes into the header and closes the file.
  bool Finish();
  // Closes the file and removes it.
  void Discard();

  bool IsOpen() const { return file_ != nullptr; }
  std::uint64_t DataBytes() const { return dataBytes_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::uint64_t dataBytes_ = 0;
};

}  // namespace host
