// png_writer.cpp: writes 8-bit RGB pictures as PNG files, for the frames of
// a capture and for screenshots.
//
// A capture writes thousands of frames, so speed comes first. Every row of a
// picture gets the same filter, chosen by the entropy of a sample of rows
// filtered both ways: Sub (each byte less the one a pixel before) suits
// shading and pictures, no filter suits noise, whose bytes take fewer values
// than their differences do. The rows go into one zlib stream from
// deflate_fast.cpp, which looks for repeats only a pixel to the left and a
// row above (on the show's frames, under half the time of libdeflate's
// fastest level, for files a sixth larger), written as a single IDAT chunk.
// The bytes depend only on the pixels, whichever thread encodes them. The
// picture is written as an unnamed file linked into place when complete (or
// under a temporary name renamed into place), so no truncated PNG ever stands
// under its final name.
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/host/deflate_fast.h"
#include "platform/host/pending_file.h"
#include "platform/host/pictures.h"

namespace host {
namespace {

constexpr std::size_t kPixelBytes = 3;

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

// PNG's row filters used here: none, or Sub.
enum class Filter : std::uint8_t { kNone = 0, kSub = 1 };

// A row filtered with Sub: each byte less the byte a pixel before it, the
// first pixel's bytes as they are; eight bytes at a time, no borrow crossing
// from one byte into the next.
void SubRow(const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  const std::size_t first = std::min(size, kPixelBytes);
  std::memcpy(out, row, first);
  std::size_t i = first;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, row + i, 8);
    std::memcpy(&b, row + i - kPixelBytes, 8);
    const std::uint64_t difference = ((a | kHigh) - (b & ~kHigh)) ^ ((a ^ ~b) & kHigh);
    std::memcpy(out + i, &difference, 8);
  }
  for (; i < size; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - kPixelBytes]);
}

// The sum of count * log2(count) over the values of these bytes: the larger,
// the fewer bits they take Huffman coded.
double Concentration(const std::uint32_t (&counts)[256]) {
  double sum = 0;
  for (std::uint32_t count : counts)
    if (count > 1) sum += count * std::log2(static_cast<double>(count));
  return sum;
}

// Sub or none, by the bytes of every 16th row filtered both ways.
Filter ChooseFilter(const std::uint8_t* rgb, std::size_t rowBytes, int height) {
  thread_local std::vector<std::uint8_t> sub;
  sub.resize(rowBytes);
  std::uint32_t none[256] = {}, subbed[256] = {};
  for (int y = 8 % height; y < height; y += 16) {
    const std::uint8_t* row = rgb + rowBytes * static_cast<std::size_t>(y);
    SubRow(row, rowBytes, sub.data());
    for (std::size_t i = 0; i < rowBytes; ++i) {
      ++none[row[i]];
      ++subbed[sub[i]];
    }
  }
  return Concentration(subbed) > Concentration(none) ? Filter::kSub : Filter::kNone;
}

// The rows, each after its filter byte.
void FilterRows(const std::uint8_t* rgb, int width, int height, std::vector<std::uint8_t>& out) {
  const std::size_t row = static_cast<std::size_t>(width) * kPixelBytes;
  const Filter filter = ChooseFilter(rgb, row, height);
  out.resize((row + 1) * static_cast<std::size_t>(height));
  std::uint8_t* dst = out.data();
  for (int y = 0; y < height; ++y, rgb += row, dst += row + 1) {
    dst[0] = static_cast<std::uint8_t>(filter);
    if (filter == Filter::kNone)
      std::memcpy(dst + 1, rgb, row);
    else
      SubRow(rgb, row, dst + 1);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeRgbPng(const std::uint8_t* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20))
    return {};
  // Working buffers kept by each thread: a capture's frames all have one size.
  thread_local std::vector<std::uint8_t> filtered, data;
  FilterRows(rgb, width, height, filtered);
  const std::size_t packed = ZlibCompressRows(
      filtered, kPixelBytes, static_cast<std::size_t>(width) * kPixelBytes + 1, data);

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

namespace {

enum class Linked { kDone, kFailed, kNotHere };

// Writes the bytes into an unnamed file in the folder of `path` (O_TMPFILE)
// and links it in under `path` once complete: one change to the folder where
// a named temporary file takes two (a create and a rename), and the writers of
// a capture, all in one folder, queue on each. A failed write leaves nothing,
// as the unnamed file goes with its descriptor. kNotHere when the file system
// has no unnamed files, /proc is missing or `path` exists (a capture with
// --overwrite): the named temporary file and its rename do that case.
Linked WriteLinked(const std::string& path, std::span<const std::uint8_t> bytes) {
#ifdef O_TMPFILE
  const int fd = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return Linked::kNotHere;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const int saved = wrote < 0 ? errno : EIO;
      ::close(fd);
      errno = saved;
      return Linked::kFailed;
    }
    done += static_cast<std::size_t>(wrote);
  }
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
    ::close(fd);
    return Linked::kNotHere;
  }
  if (::close(fd) != 0) {  // a late write error: the file is not whole
    const int saved = errno;
    ::unlink(path.c_str());
    errno = saved;
    return Linked::kFailed;
  }
  return Linked::kDone;
#else
  (void)path;
  (void)bytes;
  return Linked::kNotHere;
#endif
}

}  // namespace

bool WritePngFile(const std::string& path, std::span<const std::uint8_t> png) {
  const Linked linked = WriteLinked(path, png);
  if (linked != Linked::kNotHere) return linked == Linked::kDone;
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
