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

unsigned U16(const Bytes& b, size_t at) { return Le(b, at, 2); }

// A picture decoded as r, g, b bytes per pixel, rows from the top.
struct Picture {
  int w = 0, h = 0;
  Bytes rgb;
};

// Decodes a 24-bit PCX, failing the test on any departure from the layout the
// show's reader expects: runs that cross a plane line, empty runs, bare bytes
// of 192 and above (impossible by construction) or bytes left over.
Picture DecodePcx(const fs::path& path) {
  const Bytes b = ReadBytes(path);
  Picture p;
  EXPECT_GT(b.size(), 128u) << path;
  if (b.size() <= 128) return p;
  EXPECT_EQ(b[0], 10) << path;
  EXPECT_EQ(b[1], 5) << path;
  EXPECT_EQ(b[2], 1) << path;
  EXPECT_EQ(b[3], 8) << path;
  EXPECT_EQ(U16(b, 4), 0u);
  EXPECT_EQ(U16(b, 6), 0u);
  p.w = static_cast<int>(U16(b, 8)) + 1;
  p.h = static_cast<int>(U16(b, 10)) + 1;
  EXPECT_EQ(b[65], 3) << path;
  EXPECT_EQ(U16(b, 66), static_cast<unsigned>(p.w)) << path;
  p.rgb.assign(static_cast<size_t>(p.w) * p.h * 3, 0);
  size_t pos = 128;
  for (int y = 0; y < p.h; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      int x = 0;
      while (x < p.w) {
        if (pos >= b.size()) {
          ADD_FAILURE() << path << ": data ends in row " << y;
          return p;
        }
        const std::uint8_t byte = b[pos++];
        int count = 1;
        std::uint8_t value = byte;
        if (byte >= 0xC0) {
          count = byte & 0x3F;
          if (pos >= b.size()) {
            ADD_FAILURE() << path << ": run without value";
            return p;
          }
          value = b[pos++];
          if (count == 0) {
            ADD_FAILURE() << path << ": empty run in row " << y;
            return p;
          }
        }
        if (x + count > p.w) {
          ADD_FAILURE() << path << ": run crosses the end of plane line " << plane << " in row " << y;
          return p;
        }
        for (int i = 0; i < count; ++i) p.rgb[(static_cast<size_t>(y) * p.w + x + i) * 3 + plane] = value;
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
  const bool magick = HaveTool("convert");
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const fs::path path = DataDir() / "images" / c.name;
    const Picture p = DecodePcx(path);
    EXPECT_EQ(p.w, c.w);
    EXPECT_EQ(p.h, c.h);
    if (!magick) continue;
    const std::string raw = RunCapture("convert '" + path.string() + "' -depth 8 rgb:- 2>/dev/null");
    EXPECT_TRUE(raw.size() == p.rgb.size() &&
                std::equal(p.rgb.begin(), p.rgb.end(), reinterpret_cast<const std::uint8_t*>(raw.data())));
  }
}

// A second run of the generator writes the same files as the build's, and no others.
TEST(Generator, WritesTheSameBytesEveryRun) {
  const scratch::ScratchDir out("assetgen_repeat");
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
