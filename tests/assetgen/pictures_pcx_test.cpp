// The generated pictures: PCX structure read strictly, the credit cards'
// black edges, the tunnel texture's seamless tiling, the calm caption corner
// of the logo, agreement with ImageMagick; and every generated file the same
// on every run of the generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
  int At(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * w + x) * 3 + c]; }
  float Luma(int x, int y) const { return 0.299f * At(x, y, 0) + 0.587f * At(x, y, 1) + 0.114f * At(x, y, 2); }
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

// The cards cut in from black: their outermost pixels are near black while
// the middle carries the picture.
TEST(PicturesPcx, CreditCardsHaveDarkEdgesAndBrightMiddles) {
  for (int i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    const Picture p = DecodePcx(DataDir() / "images" / ("cred" + std::to_string(i) + ".pcx"));
    ASSERT_EQ(p.w, 128);
    int edge_max = 0;
    for (int k = 0; k < 128; ++k) {
      for (int c = 0; c < 3; ++c) {
        edge_max = std::max({edge_max, p.At(k, 0, c), p.At(k, 127, c), p.At(0, k, c), p.At(127, k, c)});
      }
    }
    EXPECT_LE(edge_max, 12);
    float middle = 0;
    for (int y = 32; y < 96; ++y) {
      for (int x = 32; x < 96; ++x) middle += p.Luma(x, y);
    }
    EXPECT_GT(middle / (64 * 64), 60.0f);
  }
}

double ColumnStep(const Picture& p, int x) {
  double sum = 0;
  for (int y = 0; y < p.h; ++y) {
    for (int c = 0; c < 3; ++c) sum += std::abs(p.At(x % p.w, y, c) - p.At((x + 1) % p.w, y, c));
  }
  return sum / (p.h * 3);
}
double RowStep(const Picture& p, int y) {
  double sum = 0;
  for (int x = 0; x < p.w; ++x) {
    for (int c = 0; c < 3; ++c) sum += std::abs(p.At(x, y % p.h, c) - p.At(x, (y + 1) % p.h, c));
  }
  return sum / (p.w * 3);
}

// Across the wrap, neighbouring texels differ no more than neighbours inside.
TEST(PicturesPcx, TunnelTextureTilesSeamlessly) {
  const Picture p = DecodePcx(DataDir() / "images" / "texture.pcx");
  ASSERT_EQ(p.w, 256);
  ASSERT_EQ(p.h, 256);
  double inner_cols = 0, inner_rows = 0;
  for (int i = 0; i < 255; ++i) {
    inner_cols += ColumnStep(p, i);
    inner_rows += RowStep(p, i);
  }
  inner_cols /= 255;
  inner_rows /= 255;
  const double seam_col = ColumnStep(p, 255), seam_row = RowStep(p, 255);
  EXPECT_LE(seam_col, inner_cols) << "interior mean " << inner_cols;
  EXPECT_LE(seam_row, inner_rows) << "interior mean " << inner_rows;
}

// The caption "Vuxa in tha house" glows at the top left: that corner is dark
// and quiet, while the logo below it is bright.
TEST(PicturesPcx, LogoKeepsTheCaptionCornerDark) {
  const Picture p = DecodePcx(DataDir() / "images" / "vuxa.pcx");
  ASSERT_EQ(p.w, 320);
  ASSERT_EQ(p.h, 200);
  double sum = 0, sum2 = 0;
  int bright = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 220; ++x) {
      const double l = p.Luma(x, y);
      sum += l;
      sum2 += l * l;
      if (l > 120) ++bright;
    }
  }
  const double n = 220.0 * 60.0;
  const double mean = sum / n, deviation = std::sqrt(sum2 / n - mean * mean);
  EXPECT_LT(mean, 30.0);
  EXPECT_LT(deviation, 15.0);
  EXPECT_LT(bright, 20);
  double logo = 0;
  for (int y = 80; y < 140; ++y) {
    for (int x = 40; x < 280; ++x) logo += p.Luma(x, y);
  }
  EXPECT_GT(logo / (240.0 * 60.0), 90.0);
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
