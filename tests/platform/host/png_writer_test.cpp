// The PNG encoder: pictures that take each of its paths (long runs, repeated
// rows, noise stored, skewed byte counts that need code lengths limited,
// either row filter, sizes of every shape, the farthest row above) decode with
// libpng to exactly their pixels, inflate with libdeflate (Adler-32 checked) to
// rows of the right length, encode alike on every SIMD target, and come out
// small if repeated.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/pictures.h"
#include "support/scratch_files.h"
#include "support/simd_targets.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
  std::string name;
  int width, height;
  std::function<std::uint8_t(int x, int y, int channel)> byte;
  std::size_t mostBytes;  // of the whole file
};

std::uint32_t Hash(std::uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  return v ^ (v >> 16);
}

std::uint32_t At(int x, int y, int c) {
  return static_cast<std::uint32_t>((y * 65536 + x) * 3 + c);
}

// Byte values k = 1..21 with counts in proportion to the Fibonacci numbers
// F(k), spread at random: a Huffman code for them would need 20 bits.
std::uint8_t Fibonacci(std::uint32_t position) {
  std::uint32_t pick = Hash(position) % 28656, a = 1, b = 1;  // F(1) + ... + F(21)
  std::uint8_t k = 1;
  for (; pick >= a; ++k) {
    pick -= a;
    std::swap(a, b);
    b += a;
  }
  return k;
}

std::vector<Case> Cases() {
  const std::size_t raw = 320 * 240 * 3;
  return {
      {"one colour (runs of the longest match)", 320, 240,
       [](int, int, int c) { return static_cast<std::uint8_t>(40 + c); }, 2000},
      {"one noisy row repeated", 320, 240,
       [](int x, int, int c) { return static_cast<std::uint8_t>(Hash(At(x, 0, c))); }, 3000},
      {"noise (stored)", 320, 240,
       [](int x, int y, int c) { return static_cast<std::uint8_t>(Hash(At(x, y, c))); }, raw + 400},
      {"grey noise of few values (no filter)", 320, 240,
       [](int x, int y, int) { return static_cast<std::uint8_t>(Hash(At(x, y, 0)) % 77); },
       raw * 83 / 100},
      {"shading (Sub)", 320, 240,
       [](int x, int y, int c) { return static_cast<std::uint8_t>(x * (c + 1) + y); }, 4000},
      {"bytes with Fibonacci counts", 320, 240,
       [](int x, int y, int c) { return Fibonacci(At(x, y, c)); }, raw / 2},
      {"flat squares with noise between", 97, 61,
       [](int x, int y, int c) {
         return static_cast<std::uint8_t>((x / 9 + y / 7) % 2 ? (x / 9) * 20 + c
                                                              : Hash(At(x, y, c)));
       },
       97 * 61 * 3},
      {"1x1", 1, 1, [](int, int, int c) { return static_cast<std::uint8_t>(200 + c); }, 100},
      {"width 13", 13, 7,
       [](int x, int y, int c) { return static_cast<std::uint8_t>(Hash(At(x, y / 2, c)) & 3); },
       400},
      {"rows 32767 bytes apart, the farthest reach", 10922, 4,
       [](int x, int, int c) { return static_cast<std::uint8_t>(Hash(At(x, 0, c))); },
       32767 + 2000},
      {"rows 32770 bytes apart, beyond reach", 10923, 3,
       [](int x, int, int c) { return static_cast<std::uint8_t>(Hash(At(x, 0, c))); },
       3 * 32770 + 200},
  };
}

Bytes Pixels(const Case& test) {
  Bytes rgb;
  for (int y = 0; y < test.height; ++y)
    for (int x = 0; x < test.width; ++x)
      for (int c = 0; c < 3; ++c) rgb.push_back(test.byte(x, y, c));
  return rgb;
}

// The IDAT chunk's zlib stream inflated, or empty if any check fails.
Bytes InflateIdat(const Bytes& png, std::size_t expected) {
  const std::size_t at = 8 + 25;  // after the signature and IHDR
  if (png.size() < at + 12 || std::string(png.begin() + at + 4, png.begin() + at + 8) != "IDAT")
    return {};
  const std::size_t length =
      std::size_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
  Bytes rows(expected);
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  std::size_t actual = 0;
  const bool ok = libdeflate_zlib_decompress(inflater, png.data() + at + 8, length, rows.data(),
                                             rows.size(), &actual) == LIBDEFLATE_SUCCESS;
  libdeflate_free_decompressor(inflater);
  return ok && actual == expected ? rows : Bytes{};
}

TEST(PngWriter, EveryKindOfPictureDecodesToItsPixelsInTheSameBytesEveryTime) {
  for (const Case& test : Cases()) {
    SCOPED_TRACE(test.name);
    const Bytes rgb = Pixels(test);
    const Bytes png = host::EncodeRgbPng(rgb.data(), test.width, test.height);
    ASSERT_FALSE(png.empty());
    const scratch::Picture decoded = scratch::DecodePng(png);
    EXPECT_TRUE(decoded.ok && decoded.rgb == rgb) << "libpng reads other pixels";
    const Bytes rows = InflateIdat(png, (rgb.size() / test.height + 1) * test.height);
    ASSERT_FALSE(rows.empty()) << "the zlib stream does not inflate to the rows";
    EXPECT_LE(png.size(), test.mostBytes);
    ForEachSimdTarget([&](const char* target) {  // the same file from every match scan
      EXPECT_TRUE(host::EncodeRgbPng(rgb.data(), test.width, test.height) == png) << target;
    });
  }
}

// A file already under the name (a screenshot taken twice at one time) is
// replaced whole: the unnamed file cannot be linked over it.
TEST(PngWriter, AFileAlreadyThereIsReplacedWhole) {
  const scratch::ScratchDir dir("png_replace");
  const auto path = dir.path() / "shot.png";
  scratch::WriteBytes(path, Bytes(5000, 7));
  const Bytes rgb(2 * 2 * 3, 9);
  ASSERT_TRUE(host::WriteRgbPng(path.string(), rgb.data(), 2, 2));
  EXPECT_TRUE(scratch::ReadBytes(path) == host::EncodeRgbPng(rgb.data(), 2, 2));
  EXPECT_EQ(scratch::Listing(dir.path()).size(), 1u);
}

}  // namespace
