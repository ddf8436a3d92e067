// Tests of the PCX reader: packets and planes, the picture's size against the
// destination's, and damaged or missing files with their warnings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/pcx.h"
#include "platform/platform.h"
#include "platform/host/host.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t SENTINEL = 0xDEADBEEF;

// A 24-bit header; plane lines of `bytesPerLine` bytes (default: the width).
Bytes Header(unsigned xmin, unsigned ymin, unsigned xmax, unsigned ymax, int bytesPerLine = -1) {
  if (bytesPerLine < 0) bytesPerLine = xmax >= xmin ? static_cast<int>(xmax - xmin + 1) : 0;
  Bytes h(128, 0);
  h[0] = 10;
  h[1] = 5;
  h[2] = 1;
  h[3] = 8;
  const unsigned fields[4] = {xmin, ymin, xmax, ymax};
  for (int i = 0; i < 4; ++i) {
    h[4 + 2 * i] = static_cast<std::uint8_t>(fields[i] & 0xFF);
    h[5 + 2 * i] = static_cast<std::uint8_t>(fields[i] >> 8);
  }
  h[65] = 3;
  h[66] = static_cast<std::uint8_t>(bytesPerLine & 0xFF);
  h[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
  return h;
}

// A picture of width x height whose every plane line is written as single
// bytes or one-pixel runs (values of 192 and up), padded with 0x77 bytes to
// `bytesPerLine` (default: the width).
Bytes Encode(int width, int height, const std::vector<std::uint32_t>& pixels, int bytesPerLine = -1) {
  if (bytesPerLine < 0) bytesPerLine = width;
  Bytes out = Header(0, 0, static_cast<unsigned>(width - 1), static_cast<unsigned>(height - 1),
                     bytesPerLine);
  for (int y = 0; y < height; ++y)
    for (int shift : {16, 8, 0}) {
      for (int x = 0; x < width; ++x) {
        const auto v = static_cast<std::uint8_t>(pixels[y * width + x] >> shift);
        if (v >= 192) out.push_back(0xC1);
        out.push_back(v);
      }
      out.insert(out.end(), static_cast<std::size_t>(bytesPerLine - width), 0x77);
    }
  return out;
}

std::vector<std::uint32_t> Pattern(int width, int height) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p[y * width + x] = static_cast<std::uint32_t>((y * 37 + x * 11) % 256) << 16 |
                         static_cast<std::uint32_t>((x * 53 + 200) % 256) << 8 |
                         static_cast<std::uint32_t>((y * 7 + x * 3 + 190) % 256);
  return p;
}

class PcxReader : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    dir_ = std::filesystem::temp_directory_path() /
           ("vuxa_pcx_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    host::SetDataDir(dir_.string());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const char* name, const Bytes& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // Writes the bytes as a file, decodes it into a width x height array (plus a
  // guard of sentinels after it) and returns the array and what was printed.
  std::vector<std::uint32_t> Load(const Bytes& bytes, int width, int height, std::string* warning = nullptr) {
    Write("pic.pcx", bytes);
    std::vector<std::uint32_t> dest(static_cast<std::size_t>(width) * height + 64, SENTINEL);
    testing::internal::CaptureStderr();
    LoadPcx("pic.pcx", dest.data(), width, height);
    const std::string printed = testing::internal::GetCapturedStderr();
    for (std::size_t i = static_cast<std::size_t>(width) * height; i < dest.size(); ++i)
      EXPECT_EQ(dest[i], SENTINEL) << "written past the destination at " << i;
    if (warning) *warning = printed;
    else EXPECT_EQ(printed, "");
    dest.resize(static_cast<std::size_t>(width) * height);
    return dest;
  }

  std::string Warning(const char* name, const std::string& what) {
    return "vuxa: warning: " + host::ResolvePath(name) + ": " + what + "\n";
  }

  std::filesystem::path dir_;
};

TEST_F(PcxReader, PacketsAndPlanesComposePixels) {
  // One 6-pixel row. Red: 0x41, a run of three 0x80, a run of count 0 (consumed,
  // sets nothing), 0xFF as a one-pixel run, 0x12. Green: 0x34 x6.
  // Blue: a run of 0 value then 0x56 x6 as one run.
  Bytes b = Header(0, 0, 5, 0);
  const Bytes data = {0x41, 0xC3, 0x80, 0xC0, 0x12, 0xC1, 0xFF, 0x12,  // red
                      0xC6, 0x34,                                      // green
                      0xC0, 0x99, 0xC6, 0x56};                         // blue
  b.insert(b.end(), data.begin(), data.end());
  const auto p = Load(b, 6, 1);
  EXPECT_EQ(p, (std::vector<std::uint32_t>{0x413456, 0x803456, 0x803456, 0x803456, 0xFF3456, 0x123456}));
}

TEST_F(PcxReader, ZeroGreenAndBlueLeaveOnlyRed) {
  Bytes b = Header(0, 0, 1, 0);
  const Bytes data = {0x41, 0x00, 0x00, 0x00, 0x00, 0x00};
  b.insert(b.end(), data.begin(), data.end());
  EXPECT_EQ(Load(b, 2, 1), (std::vector<std::uint32_t>{0x00410000, 0x00000000}));
}

TEST_F(PcxReader, RunPastTheLineEndIsCutAndTheNextLineStartsAtTheNextPacket) {
  // Two rows of 4: the red line of row 0 is a run of 63; the green line starts
  // at the next packet. No value leaks into row 1.
  Bytes b = Header(0, 0, 3, 1);
  const Bytes data = {0xFF, 0x10, 0xC2, 0x20, 0xC5, 0x21, 0xC4, 0x30,  // row 0: r, g (cut), b
                      0x01, 0x02, 0x03, 0x04, 0xC4, 0x05, 0xC4, 0x06};  // row 1
  b.insert(b.end(), data.begin(), data.end());
  const auto p = Load(b, 4, 2);
  EXPECT_EQ(p, (std::vector<std::uint32_t>{0x102030, 0x102030, 0x102130, 0x102130,
                                           0x010506, 0x020506, 0x030506, 0x040506}));
}

TEST_F(PcxReader, FullSizePictureFillsExactlyItsArray) {
  const auto pixels = Pattern(128, 128);
  EXPECT_EQ(Load(Encode(128, 128, pixels), 128, 128), pixels);
}

TEST_F(PcxReader, PaddedPlaneLinesKeepTheirFirstWidthValues) {
  // Width 3 in plane lines of 4 bytes: a pad byte read as a pixel would shift every later plane.
  const auto pixels = Pattern(3, 2);
  EXPECT_EQ(Load(Encode(3, 2, pixels, 4), 3, 2), pixels);
}

TEST_F(PcxReader, OtherKindsAreRefusedByNameAndLeaveThePicture) {
  struct Case {
    std::vector<std::pair<int, std::uint8_t>> header;  // bytes changed in a good 4x2 file
    const char* warning;
  };
  const Case cases[] = {
      {{{65, 1}}, "8-bit paletted pictures are not supported"},
      {{{3, 1}, {65, 4}}, "4-bit paletted pictures are not supported"},
      {{{65, 4}}, "32-bit pictures (4 planes of 8 bits) are not supported"},
      {{{2, 0}}, "PCX encoding 0 is not supported"},
      {{{0, 'P'}}, "not a PCX file (its first byte is 80, not 10)"},
      {{{66, 3}}, "lines of 3 bytes cannot hold the width of 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.warning);
    Bytes b = Encode(4, 2, Pattern(4, 2));
    for (const auto& [at, value] : c.header) b[at] = value;
    std::string warning;
    const auto p = Load(b, 4, 2, &warning);
    EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](auto v) { return v == SENTINEL; }));
    EXPECT_EQ(warning, Warning("pic.pcx", c.warning));
  }
}

TEST_F(PcxReader, WindowPositionDoesNotMoveThePicture) {
  // Xmin 10, Ymin 20, Xmax 11, Ymax 20: a 2x1 picture at the array's start.
  Bytes b = Header(10, 20, 11, 20);
  const Bytes data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  b.insert(b.end(), data.begin(), data.end());
  EXPECT_EQ(Load(b, 2, 1), (std::vector<std::uint32_t>{0x010305, 0x020406}));
}

TEST_F(PcxReader, EmptyOrInvertedSizeDecodesNothing) {
  std::string warning;
  Bytes b = Header(0, 5, 3, 4);  // Ymax + 1 == Ymin: height 0
  b.insert(b.end(), 24, 0x11);
  auto p = Load(b, 4, 2, &warning);
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](auto v) { return v == SENTINEL; }));
  EXPECT_EQ(warning, Warning("pic.pcx", "picture size 4x0 has no pixels"));

  b = Header(9, 0, 3, 1);  // Xmax below Xmin
  b.insert(b.end(), 24, 0x11);
  p = Load(b, 4, 2, &warning);
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](auto v) { return v == SENTINEL; }));
  EXPECT_EQ(warning, Warning("pic.pcx", "picture size -5x2 has no pixels"));
}

TEST_F(PcxReader, LargerPictureIsCroppedWithRowsAligned) {
  const auto pixels = Pattern(7, 5);
  std::string warning;
  const auto p = Load(Encode(7, 5, pixels), 4, 3, &warning);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(p[y * 4 + x], pixels[y * 7 + x]) << x << "," << y;
  EXPECT_EQ(warning, Warning("pic.pcx", "picture size 7x5 differs from 4x3, cropped"));

  // A header claiming 65534 columns over a short file: cropped, then the data
  // ends inside the first row, which is left as it was.
  Bytes huge = Header(0, 0, 65533, 0);
  huge.insert(huge.end(), 300, 0x22);
  const auto q = Load(huge, 4, 3, &warning);
  EXPECT_TRUE(std::all_of(q.begin(), q.end(), [](auto v) { return v == SENTINEL; }));
  EXPECT_EQ(warning, Warning("pic.pcx", "picture data ends at row 0 of 1"));
}

TEST_F(PcxReader, SmallerPictureFillsTopLeftAtTheArrayStride) {
  const auto pixels = Pattern(3, 2);
  std::string warning;
  const auto p = Load(Encode(3, 2, pixels), 5, 4, &warning);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(p[y * 5 + x], x < 3 && y < 2 ? pixels[y * 3 + x] : SENTINEL) << x << "," << y;
  EXPECT_EQ(warning, Warning("pic.pcx", "picture size 3x2 differs from 5x4, placed at the top left"));
}

TEST_F(PcxReader, TruncatedDataKeepsCompleteRowsAndLeavesTheRest) {
  const auto pixels = Pattern(6, 4);
  const Bytes whole = Encode(6, 4, pixels);
  // Where row k's data starts: the size of a file holding rows 0 to k - 1.
  auto rowStart = [&](int k) {
    return Encode(6, k, std::vector<std::uint32_t>(pixels.begin(), pixels.begin() + 6 * k)).size();
  };
  struct Cut {
    std::size_t size;
    int completeRows;
  };
  // Cut right after the header, inside the red line of row 0, inside row 2,
  // and one byte short of the end (row 3 incomplete).
  const std::vector<Cut> cuts = {{128, 0}, {131, 0}, {rowStart(2) + 5, 2}, {whole.size() - 1, 3}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut.size));
    std::string warning;
    const auto p = Load(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut.size)), 6, 4, &warning);
    for (int i = 0; i < 24; ++i)
      EXPECT_EQ(p[i], i / 6 < cut.completeRows ? pixels[i] : SENTINEL) << "pixel " << i;
    EXPECT_EQ(warning, Warning("pic.pcx", "picture data ends at row " +
                                              std::to_string(cut.completeRows) + " of 4"));
  }
}

TEST_F(PcxReader, RunCountWithoutItsValueIsTruncation) {
  Bytes b = Header(0, 0, 1, 0);
  b.insert(b.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0xC1});
  std::string warning;
  const auto p = Load(b, 2, 1, &warning);
  EXPECT_EQ(p, (std::vector<std::uint32_t>{SENTINEL, SENTINEL}));
  EXPECT_EQ(warning, Warning("pic.pcx", "picture data ends at row 0 of 1"));
}

TEST_F(PcxReader, ShortOrMissingFileWarnsAndLeavesThePicture) {
  std::string warning;
  const auto p = Load(Bytes(127, 0), 2, 2, &warning);
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](auto v) { return v == SENTINEL; }));
  EXPECT_EQ(warning, Warning("pic.pcx", "file too short for a PCX header"));

  std::uint32_t dest[4] = {1, 2, 3, 4};
  testing::internal::CaptureStderr();
  LoadPcx("images\\missing.pcx", dest, 2, 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), Warning("images\\missing.pcx", "cannot open file: No such file or directory"));
  EXPECT_EQ(dest[0], 1u);
  EXPECT_EQ(dest[3], 4u);
}

TEST_F(PcxReader, ShowPicturesDecodeCleanly) {
  host::SetDataDir(VUXA_DATA_DIR);
  std::vector<std::uint32_t> credit(128 * 128, SENTINEL);
  std::vector<std::uint32_t> closing(320 * 200, SENTINEL);
  testing::internal::CaptureStderr();
  LoadPcx("images\\cred1.pcx", credit.data(), 128, 128);
  LoadPcx("images\\vuxa.pcx", closing.data(), 320, 200);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  for (const auto* picture : {&credit, &closing}) {
    EXPECT_TRUE(std::none_of(picture->begin(), picture->end(), [](auto v) { return v >> 24 != 0; }));
    EXPECT_GT(std::count_if(picture->begin(), picture->end(), [](auto v) { return v != 0; }),
              static_cast<long>(picture->size() / 4));
  }
}

}  // namespace
