// pcx.cpp: the reader of 24-bit run-length PCX pictures.
//
// The whole file is read at once, then the packets are decoded in one pass:
// each scan line is a red, a green and a blue plane line, each plane line a
// sequence of packets (a byte of 192 or more is a run of byte & 63 copies of
// the next byte; any other byte is one value). A run never carries over into
// the next plane line: whatever passes the line's end is dropped.
//
// A plane line holds the header's bytes-per-line values (at least the width;
// writers pad it to an even count, an odd count is read as it stands) of
// which the first `width` are pixels. Pictures of any other kind (paletted,
// 1 to 4 bits, four planes, not run-length coded) are refused with a warning
// naming their kind, and nothing is decoded.
//
// The header's size is not trusted. Each file row is decoded whole into a row
// buffer and then stored at the destination's stride, as far as it fits: a
// larger picture is cropped, a smaller one fills the top-left part. A row whose
// data ends early is not stored, so a damaged file leaves what it could not
// decode as it was. Every problem is reported by one warning line on stderr.
#include "image/pcx.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/host.h"

namespace {

constexpr std::size_t HEADER_SIZE = 128;
// The largest file read: far beyond any picture of the show (320x200 at most,
// under 400 KB even uncompressible), far below what would strain memory.
constexpr long MAX_FILE_BYTES = 16l << 20;

void Warn(const char* fileName, const std::string& what) {
  std::fprintf(stderr, "vuxa: warning: %s: %s\n", host::ResolvePath(fileName).c_str(),
               what.c_str());
}

// Reads the whole file; false with a reason when it cannot.
bool ReadWholeFile(const char* fileName, std::vector<std::uint8_t>& data, std::string& why) {
  std::FILE* file = host::OpenDataFile(fileName);
  if (!file) {
    why = std::string("cannot open file: ") + std::strerror(errno);
    return false;
  }
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(file) : -1;
  ok = length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok && length > MAX_FILE_BYTES) {
    std::fclose(file);
    why = "file of " + std::to_string(length) + " bytes is larger than the " +
          std::to_string(MAX_FILE_BYTES >> 20) + " MB a picture may have";
    return false;
  }
  if (ok) {
    data.resize(static_cast<std::size_t>(length));
    ok = std::fread(data.data(), 1, data.size(), file) == data.size();
  }
  std::fclose(file);
  if (!ok) why = "cannot read file";
  return ok;
}

unsigned Read16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

// Why the header describes a picture this reader does not decode; empty for a
// run-length coded one of three 8-bit planes.
std::string UnsupportedKind(const std::uint8_t* header) {
  if (header[0] != 10)
    return "not a PCX file (its first byte is " + std::to_string(header[0]) + ", not 10)";
  if (header[2] != 1) return "PCX encoding " + std::to_string(header[2]) + " is not supported";
  const int bits = header[3];
  const int planes = header[65];
  if (bits == 8 && planes == 3) return "";
  const int depth = bits * planes;
  if (depth >= 1 && depth <= 8)
    return std::to_string(depth) + "-bit paletted pictures are not supported";
  return std::to_string(depth) + "-bit pictures (" + std::to_string(planes) + " planes of " +
         std::to_string(bits) + " bits) are not supported";
}

// Decodes one plane line of `length` values from data[pos...] into row, of
// which only the first `kept` pixels exist. Plane 0 is red (clears green and
// blue), 1 green (keeps red, clears blue), 2 blue (keeps red and green).
// False when the data ends before the line is complete.
bool DecodePlaneLine(const std::vector<std::uint8_t>& data, std::size_t& pos, int length,
                     int plane, std::uint32_t* row, int kept) {
  const std::size_t size = data.size();
  int count = 0;
  while (count < length) {
    if (pos >= size) return false;
    unsigned value = data[pos++];
    int n = 1;
    if (value >= 192) {
      if (pos >= size) return false;
      n = static_cast<int>(value & 63);
      value = data[pos++];
    }
    const int end = std::min(count + n, kept);
    for (int x = count; x < end; ++x) {
      if (plane == 0)
        row[x] = value << 16;
      else if (plane == 1)
        row[x] = (row[x] & 0xFF0000u) | (value << 8);
      else
        row[x] = (row[x] & 0xFFFF00u) | value;
    }
    count += n;
  }
  return true;
}

std::string SizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

void LoadPcx(const char* fileName, std::uint32_t* dest, int width, int height) {
  std::vector<std::uint8_t> data;
  std::string why;
  if (!ReadWholeFile(fileName, data, why)) {
    Warn(fileName, why);
    return;
  }
  if (data.size() < HEADER_SIZE) {
    Warn(fileName, "file too short for a PCX header");
    return;
  }
  if (const std::string kind = UnsupportedKind(data.data()); !kind.empty()) {
    Warn(fileName, kind);
    return;
  }
  const int fileWidth = static_cast<int>(Read16(&data[8])) - static_cast<int>(Read16(&data[4])) + 1;
  const int fileHeight = static_cast<int>(Read16(&data[10])) - static_cast<int>(Read16(&data[6])) + 1;
  if (fileWidth <= 0 || fileHeight <= 0) {
    Warn(fileName, "picture size " + SizeText(fileWidth, fileHeight) + " has no pixels");
    return;
  }
  const int bytesPerLine = static_cast<int>(Read16(&data[66]));
  if (bytesPerLine < fileWidth) {
    Warn(fileName, "lines of " + std::to_string(bytesPerLine) +
                       " bytes cannot hold the width of " + std::to_string(fileWidth));
    return;
  }
  if (!dest || width <= 0 || height <= 0) return;

  const int keptColumns = std::min(fileWidth, width);
  const int keptRows = std::min(fileHeight, height);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(keptColumns));
  std::size_t pos = HEADER_SIZE;
  for (int y = 0; y < keptRows; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      if (!DecodePlaneLine(data, pos, bytesPerLine, plane, row.data(), keptColumns)) {
        Warn(fileName, "picture data ends at row " + std::to_string(y) + " of " +
                           std::to_string(fileHeight));
        return;
      }
    }
    std::memcpy(dest + static_cast<std::size_t>(y) * width, row.data(),
                row.size() * sizeof(std::uint32_t));
  }
  if (fileWidth != width || fileHeight != height) {
    const bool larger = fileWidth > width || fileHeight > height;
    Warn(fileName, "picture size " + SizeText(fileWidth, fileHeight) + " differs from " +
                       SizeText(width, height) +
                       (larger ? ", cropped" : ", placed at the top left"));
  }
}
