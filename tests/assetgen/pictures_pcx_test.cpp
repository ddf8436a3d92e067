// The generated pictures: PCX structure read strictly and agreement with
// ImageMagick; and every generated file the same on every run of the
// generator. How the pictures look in the show (cards cut in from black, the
// tunnel, the caption corner) is checked on captured frames (tests/e2e).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "assetgen/assetgen_support.h"

namespace {

using namespace assetgen_test;

// A picture decoded as r, g, b bytes per pixel, rows from the top.
struct Decoded {
  int w = 0, h = 0;
  Bytes rgb;
};

// Decodes a 24-bit PCX, failing the test on any departure from the layout the
// show's reader expects: runs that cross a plane line, empty runs, bare bytes
// of 192 and above (impossible by construction) or bytes left over.
Decoded DecodePcx(const fs::path& path) {
  const Bytes b = ReadBytes(path);
  Decoded p;
  EXPECT_GT(b.size(), 128u) << path;
  if (b.size() <= 128) return p;
  // Maker, version, run-length encoding, 8 bits, 3 planes; Xmin and Ymin 0.
  for (auto [at, value] : {std::pair{0, 10}, {1, 5}, {2, 1}, {3, 8}, {65, 3}})
    EXPECT_EQ(b[at], value) << path << ", byte " << at;
  EXPECT_EQ(Le(b, 4, 4), 0u) << path;
  p.w = static_cast<int>(Le(b, 8, 2)) + 1;
  p.h = static_cast<int>(Le(b, 10, 2)) + 1;
  EXPECT_EQ(Le(b, 66, 2), static_cast<unsigned>(p.w)) << path;
  p.rgb.assign(static_cast<size_t>(p.w) * p.h * 3, 0);
  size_t pos = 128;
  for (int y = 0; y < p.h; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < p.w;) {
        const bool run = pos < b.size() && b[pos] >= 0xC0;
        const int count = run ? b[pos] & 0x3F : 1;
        pos += run;
        if (pos >= b.size() || count == 0 || x + count > p.w) {
          ADD_FAILURE() << path << ": the data ends, a run is empty or crosses the end of plane line "
                        << plane << " in row " << y;
          return p;
        }
        for (int i = 0; i < count; ++i) p.rgb[(static_cast<size_t>(y) * p.w + x + i) * 3 + plane] = b[pos];
        ++pos;
        x += count;
      }
    }
  }
  EXPECT_EQ(pos, b.size()) << path << ": bytes after the last plane line";
  return p;
}

struct PictureCase {
  const char* name;
  int w, h;
};
const PictureCase kPictures[] = {{"cred1.pcx", 128, 128}, {"cred2.pcx", 128, 128},   {"cred3.pcx", 128, 128},
                                 {"cred4.pcx", 128, 128}, {"texture.pcx", 256, 256}, {"vuxa.pcx", 320, 200}};

TEST(PicturesPcx, EveryPictureHasItsSizeDecodesExactlyAndReadsAlikeInImageMagick) {
  const bool magick = HaveTools({"convert"});
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const fs::path path = DataDir() / "images" / c.name;
    const Decoded p = DecodePcx(path);
    EXPECT_EQ(p.w, c.w);
    EXPECT_EQ(p.h, c.h);
    if (!magick) continue;
    const std::string raw = Output("convert '" + path.string() + "' -depth 8 rgb:- 2>/dev/null");
    EXPECT_TRUE(raw.size() == p.rgb.size() &&
                std::equal(p.rgb.begin(), p.rgb.end(), reinterpret_cast<const std::uint8_t*>(raw.data())));
  }
}

// A second run of the generator writes the same files as the build's, and no others.
TEST(Generator, WritesTheSameBytesEveryRun) {
  const ScratchDir out("assetgen_repeat");
  const std::string cmd = std::string("'") + VUXA_BINARY_DIR + "/assetgen' '" + out.path().string() + "' >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const char* files[] = {"images/cred1.pcx",   "images/cred2.pcx", "images/cred3.pcx", "images/cred4.pcx",
                         "images/texture.pcx", "images/vuxa.pcx",  "scenes/ball.3ds",  "Textures/PLANET.BMP",
                         "Textures/RINGS.BMP", "music/vuxa.xm",     "icons/vuxa.png"};
  for (const char* f : files) {
    SCOPED_TRACE(f);
    const Bytes first = ReadBytes(DataDir() / f);
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == ReadBytes(out.path() / f));
  }
  int written = 0;
  for (const auto& e : fs::recursive_directory_iterator(out.path())) written += e.is_regular_file();
  EXPECT_EQ(written, static_cast<int>(std::size(files)));
}

}  // namespace
