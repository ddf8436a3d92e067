// Writer for 3DS chunk trees: every chunk is a 6-byte header (u16 id, u32
// length including the header) followed by its data and its sub-chunks.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tools/assetgen/assetgen.h"

namespace assetgen {

class ChunkWriter {
 public:
  // Opens a chunk; its length is filled in by the matching End.
  void Begin(std::uint16_t id) {
    open_.push_back(out_.size());
    U16(id);
    U32(0);
  }
  void End() {
    const size_t start = open_.back();
    open_.pop_back();
    const auto len = static_cast<std::uint32_t>(out_.size() - start);
    for (int i = 0; i < 4; ++i) out_[start + 2 + i] = static_cast<std::uint8_t>(len >> (8 * i));
  }
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void F32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  // NUL-terminated string.
  void Str(const std::string& s) {
    out_.insert(out_.end(), s.begin(), s.end());
    U8(0);
  }
  bool Balanced() const { return open_.empty(); }
  const Bytes& Data() const { return out_; }

 private:
  Bytes out_;
  std::vector<size_t> open_;
};

}  // namespace assetgen
