// The PCX reader on files made here: packets and planes, the picture's size
// against the destination's, refused kinds and damaged data, each checked on
// the pixels written (S: left as it was) and the one warning printed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/pcx.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t S = 0xDEADBEEF;

// A 24-bit run-length header for the window (x0, y0)-(x1, y1) with plane lines
// of `line` bytes, then `data`; `patch` changes header bytes afterwards.
Bytes Pcx(unsigned x0, unsigned y0, unsigned x1, unsigned y1, unsigned line, Bytes data,
          std::vector<std::pair<int, std::uint8_t>> patch = {}) {
  Bytes b(128, 0);
  b[0] = 10, b[1] = 5, b[2] = 1, b[3] = 8, b[65] = 3;
  const unsigned fields[] = {x0, y0, x1, y1};
  for (int i = 0; i < 4; ++i) b[4 + 2 * i] = fields[i] & 0xFF, b[5 + 2 * i] = fields[i] >> 8;
  b[66] = line & 0xFF, b[67] = line >> 8;
  for (const auto& [at, value] : patch) b[at] = value;
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Two rows of two pixels, one plain byte a value.
const Bytes TwoByTwo = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

struct Case {
  const char* what;
  Bytes file;
  int width, height;
  std::vector<std::uint32_t> pixels;
  std::string warning;  // after "vuxa: warning: <path>: "
};

TEST(PcxReader, DecodesWhatItCanAndWarnsOnceAboutTheRest) {
  const std::vector<std::uint32_t> none(4, S);
  const Case cases[] = {
      // Red: 0x41, a run of three 0x80, a run of none, 0xFF as a run of one, 0x12.
      {"packets and planes",
       Pcx(0, 0, 5, 0, 6, {0x41, 0xC3, 0x80, 0xC0, 0x12, 0xC1, 0xFF, 0x12, 0xC6, 0x34, 0xC0, 0x99, 0xC6, 0x56}),
       6, 1, {0x413456, 0x803456, 0x803456, 0x803456, 0xFF3456, 0x123456}, ""},
      {"a run past the line's end is cut", Pcx(0, 0, 3, 1, 4, {0xFF, 0x10, 0xC2, 0x20, 0xC5, 0x21, 0xC4, 0x30,
                                                               1, 2, 3, 4, 0xC4, 5, 0xC4, 6}),
       4, 2, {0x102030, 0x102030, 0x102130, 0x102130, 0x010506, 0x020506, 0x030506, 0x040506}, ""},
      {"padded plane lines", Pcx(0, 0, 2, 0, 4, {1, 2, 3, 0x77, 4, 5, 6, 0x77, 7, 8, 9, 0x77}),
       3, 1, {0x010407, 0x020508, 0x030609}, ""},
      {"the window's position moves nothing", Pcx(10, 20, 11, 20, 2, {1, 2, 3, 4, 5, 6}),
       2, 1, {0x010305, 0x020406}, ""},
      {"larger: cropped", Pcx(0, 0, 1, 1, 2, TwoByTwo), 1, 2, {0x010305, 0x07090B},
       "picture size 2x2 differs from 1x2, cropped"},
      {"smaller: top left", Pcx(0, 0, 0, 0, 1, {1, 2, 3}), 2, 2, {0x010203, S, S, S},
       "picture size 1x1 differs from 2x2, placed at the top left"},
      {"cut inside row 1", Pcx(0, 0, 1, 1, 2, Bytes(TwoByTwo.begin(), TwoByTwo.end() - 1)), 2, 2,
       {0x010305, 0x020406, S, S}, "picture data ends at row 1 of 2"},
      {"a run count without its value", Pcx(0, 0, 1, 0, 2, {1, 2, 3, 4, 5, 0xC1}), 2, 1, {S, S},
       "picture data ends at row 0 of 1"},
      {"65534 columns over a short file", Pcx(0, 0, 65533, 0, 65534, Bytes(300, 0x22)), 2, 2, none,
       "picture data ends at row 0 of 1"},
      {"height 0", Pcx(0, 5, 1, 4, 2, TwoByTwo), 2, 2, none, "picture size 2x0 has no pixels"},
      {"Xmax below Xmin", Pcx(9, 0, 3, 1, 2, TwoByTwo), 2, 2, none, "picture size -5x2 has no pixels"},
      {"header cut short", Bytes(127, 0), 2, 2, none, "file too short for a PCX header"},
      {"8-bit paletted", Pcx(0, 0, 1, 1, 2, TwoByTwo, {{65, 1}}), 2, 2, none,
       "8-bit paletted pictures are not supported"},
      {"4-bit paletted", Pcx(0, 0, 1, 1, 2, TwoByTwo, {{3, 1}, {65, 4}}), 2, 2, none,
       "4-bit paletted pictures are not supported"},
      {"four planes", Pcx(0, 0, 1, 1, 2, TwoByTwo, {{65, 4}}), 2, 2, none,
       "32-bit pictures (4 planes of 8 bits) are not supported"},
      {"not run-length", Pcx(0, 0, 1, 1, 2, TwoByTwo, {{2, 0}}), 2, 2, none, "PCX encoding 0 is not supported"},
      {"not a PCX", Pcx(0, 0, 1, 1, 2, TwoByTwo, {{0, 'P'}}), 2, 2, none,
       "not a PCX file (its first byte is 80, not 10)"},
      {"lines too short", Pcx(0, 0, 1, 1, 1, TwoByTwo), 2, 2, none, "lines of 1 bytes cannot hold the width of 2"},
  };
  const scratch::ScratchDir dir("pcx");
  ResetOffscreen(dir.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch::WriteBytes(dir.path() / "pic.pcx", c.file);
    std::vector<std::uint32_t> dest(c.pixels.size() + 16, S);  // a guard after the picture
    testing::internal::CaptureStderr();
    LoadPcx("pic.pcx", dest.data(), c.width, c.height);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dest, [&] { auto d = c.pixels; d.resize(dest.size(), S); return d; }());
    EXPECT_EQ(err, c.warning.empty() ? "" : "vuxa: warning: " + host::ResolvePath("pic.pcx") + ": " + c.warning + "\n");
  }
  std::uint32_t kept[1] = {7};
  testing::internal::CaptureStderr();
  LoadPcx("images\\missing.pcx", kept, 1, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "vuxa: warning: " + host::ResolvePath("images\\missing.pcx") +
                ": cannot open file: No such file or directory\n");
  EXPECT_EQ(kept[0], 7u);
}

}  // namespace
