// png_writer.cpp: writes 8-bit RGB pictures as PNG files with libdeflate, for
// the frames of a capture and for screenshots.
//
// A capture writes thousands of frames, so speed comes first: the rows go
// unfiltered (on the show's frames filtering cost a fifth more time and saved
// nothing) into one zlib stream from libdeflate at its fastest level, written
// as a single IDAT chunk. The bytes depend only on the
// pixels, whichever thread encodes them. The picture is written under a
// temporary name and renamed into place when complete, so no truncated PNG
// ever stands under its final name.
#include <libdeflate.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/host/pending_file.h"
#include "platform/host/pictures.h"

namespace host {
namespace {

constexpr int kLevel = 1;

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// A compressor for each thread: libdeflate's are not shared between threads.
libdeflate_compressor* Compressor() {
  thread_local std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(
      libdeflate_alloc_compressor(kLevel));
  return compressor.get();
}

void Put32(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v >> 24);
  at[1] = static_cast<std::uint8_t>(v >> 16);
  at[2] = static_cast<std::uint8_t>(v >> 8);
  at[3] = static_cast<std::uint8_t>(v);
}

// Appends a chunk: length, type, body, and the CRC of type and body.
void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::uint8_t* body,
           std::size_t size) {
  const std::size_t start = out.size();
  out.resize(start + 12 + size);
  std::uint8_t* at = out.data() + start;
  Put32(at, static_cast<std::uint32_t>(size));
  std::memcpy(at + 4, type, 4);
  if (size > 0) std::memcpy(at + 8, body, size);
  Put32(at + 8 + size, libdeflate_crc32(0, at + 4, 4 + size));
}

// The rows, each after its filter byte: 0, no filter.
void Unfiltered(const std::uint8_t* rgb, int width, int height, std::vector<std::uint8_t>& out) {
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  out.resize((row + 1) * static_cast<std::size_t>(height));
  std::uint8_t* dst = out.data();
  for (int y = 0; y < height; ++y, rgb += row, dst += row + 1) {
    dst[0] = 0;
    std::memcpy(dst + 1, rgb, row);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeRgbPng(const std::uint8_t* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20))
    return {};
  libdeflate_compressor* compressor = Compressor();
  if (compressor == nullptr) return {};
  // Working buffers kept by each thread: a capture's frames all have one size.
  thread_local std::vector<std::uint8_t> filtered, data;
  Unfiltered(rgb, width, height, filtered);
  data.resize(libdeflate_zlib_compress_bound(compressor, filtered.size()));
  const std::size_t packed = libdeflate_zlib_compress(compressor, filtered.data(),
                                                      filtered.size(), data.data(), data.size());
  if (packed == 0) return {};

  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> png(kSignature, kSignature + 8);
  png.reserve(8 + 25 + 12 + packed + 12);
  std::uint8_t header[13] = {};
  Put32(header, static_cast<std::uint32_t>(width));
  Put32(header + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits a channel
  header[9] = 2;  // RGB; compression, filter method and interlace stay 0
  Chunk(png, "IHDR", header, sizeof header);
  Chunk(png, "IDAT", data.data(), packed);
  Chunk(png, "IEND", nullptr, 0);
  return png;
}

bool WritePngFile(const std::string& path, std::span<const std::uint8_t> png) {
  PendingFile file;
  if (!file.Create(path)) return false;
  errno = 0;
  if (std::fwrite(png.data(), 1, png.size(), file.File()) != png.size()) {
    const int saved = errno != 0 ? errno : EIO;
    file.Discard();
    errno = saved;
    return false;
  }
  return file.Commit();
}

bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0) {
    errno = EINVAL;
    return false;
  }
  std::vector<std::uint8_t> png;
  try {
    png = EncodeRgbPng(rgb, width, height);
  } catch (const std::bad_alloc&) {
  }
  if (png.empty()) {
    errno = ENOMEM;
    return false;
  }
  return WritePngFile(path, png);
}

}  // namespace host
