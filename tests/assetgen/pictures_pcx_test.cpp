// The generated pictures: PCX structure read strictly, decoded contents,
// the tunnel texture's seamless tiling, the calm caption corner of the logo,
// agreement with ImageMagick, and repeatable output.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assetgen/pictures_support.h"

namespace {

namespace fs = std::filesystem;
using namespace assetgen_test;

unsigned U16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }

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
  const Bytes b = ReadFile(path);
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

TEST(PicturesPcx, EveryPictureHasItsSizeAndDecodesExactly) {
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const Picture p = DecodePcx(DataDir() / "images" / c.name);
    EXPECT_EQ(p.w, c.w);
    EXPECT_EQ(p.h, c.h);
    EXPECT_EQ(p.rgb.size(), static_cast<size_t>(c.w) * c.h * 3);
  }
}

// Smooth drawn pictures have thousands of colours; flat fills, bars and
// checkerboards have a handful.
TEST(PicturesPcx, PicturesAreRichlyShadedNotFlat) {
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const Picture p = DecodePcx(DataDir() / "images" / c.name);
    std::set<std::uint32_t> colours;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) colours.insert(p.rgb[i] << 16 | p.rgb[i + 1] << 8 | p.rgb[i + 2]);
    EXPECT_GT(colours.size(), 2000u);
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

// The translation by which the picture best repeats itself, with its first
// component (across the seam under test) between 8 and 128 texels: texels
// one such step apart sit at the same place in the pattern.
int RepeatStep(const Picture& p, bool across_columns) {
  double best = 1e30;
  int step = 0;
  for (int a = 8; a <= 128; ++a) {
    for (int o = 0; o < 256; ++o) {
      const int tx = across_columns ? a : o, ty = across_columns ? o : a;
      double sum = 0;
      for (int y = 0; y < p.h; y += 4) {
        for (int x = 0; x < p.w; x += 4) {
          for (int c = 0; c < 3; ++c) sum += std::abs(p.At(x, y, c) - p.At((x + tx) % p.w, (y + ty) % p.h, c));
        }
      }
      if (sum < best) {
        best = sum;
        step = a;
      }
    }
  }
  return step;
}

// Across the wrap, neighbouring texels differ no more than neighbours inside,
// and no more than the neighbours at the same place of the repeating pattern.
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
  const int sx = RepeatStep(p, true), sy = RepeatStep(p, false);
  const double same_col = ColumnStep(p, 255 - sx), same_row = RowStep(p, 255 - sy);
  EXPECT_LE(seam_col, 1.5 * same_col + 1.0) << "repeat " << sx << ", matching step " << same_col;
  EXPECT_LE(seam_row, 1.5 * same_row + 1.0) << "repeat " << sy << ", matching step " << same_row;
}

// Bright seams against dark plates: the texture spans a wide range of light.
TEST(PicturesPcx, TunnelTextureHasBrightEdgesOnDarkFill) {
  const Picture p = DecodePcx(DataDir() / "images" / "texture.pcx");
  ASSERT_EQ(p.w, 256);
  std::vector<float> luma;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) luma.push_back(p.Luma(x, y));
  }
  std::sort(luma.begin(), luma.end());
  EXPECT_LT(luma[luma.size() / 4], 50.0f);
  EXPECT_GT(luma[luma.size() * 19 / 20], 140.0f);
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

TEST(PicturesPcx, ImageMagickReadsTheSamePixels) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const fs::path path = DataDir() / "images" / c.name;
    const std::string geometry = RunCapture("identify -format '%w %h' '" + path.string() + "' 2>/dev/null");
    EXPECT_EQ(geometry, std::to_string(c.w) + " " + std::to_string(c.h));
    const std::string raw = RunCapture("convert '" + path.string() + "' -depth 8 rgb:- 2>/dev/null");
    const Picture p = DecodePcx(path);
    ASSERT_EQ(raw.size(), p.rgb.size());
    EXPECT_TRUE(std::equal(p.rgb.begin(), p.rgb.end(), reinterpret_cast<const std::uint8_t*>(raw.data())));
  }
}

// A second run of the generator writes the same pictures, scene and bitmaps.
TEST(PicturesPcx, GeneratorWritesTheSameBytesEveryRun) {
  const fs::path out = fs::temp_directory_path() / ("vuxa_assetgen_repeat_" + std::to_string(::getpid()));
  fs::remove_all(out);
  const std::string cmd = std::string("'") + VUXA_BINARY_DIR + "/assetgen' '" + out.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const char* files[] = {"images/cred1.pcx",   "images/cred2.pcx", "images/cred3.pcx",    "images/cred4.pcx",
                         "images/texture.pcx", "images/vuxa.pcx",  "scenes/ball.3ds",     "Textures/PLANET.BMP",
                         "Textures/RINGS.BMP"};
  for (const char* f : files) {
    SCOPED_TRACE(f);
    const Bytes first = ReadFile(DataDir() / f);
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == ReadFile(out / f));
  }
  fs::remove_all(out);
}

}  // namespace
