// End-to-end run on pictures and bitmaps whose headers claim absurd sizes:
// one warning line per file, the show plays to its end.
#include <gtest/gtest.h>

#include "damage_support.h"

namespace {

using namespace damage;

TEST(DamagedSizes, AbsurdPictureAndBitmapSizesWarnOnceEach) {
  const Scratch scratch("sizes");
  // Pictures: 65536 x 65536 (Xmax, Ymax) over the data of a small picture;
  // the closing picture's window runs backwards (Xmin above Xmax).
  for (const std::string& file : Pictures) {
    Bytes pcx = scratch.Read(file);
    if (file == "images/vuxa.pcx") {
      Put16(pcx, 4, 60000);
    } else {
      Put16(pcx, 8, 65535);
      Put16(pcx, 10, 65535);
    }
    scratch.Write(file, pcx);
  }
  // PLANET: 2^31 - 1 columns by -2^31 rows.
  Bytes planet = scratch.Read(Bitmaps[0]);
  Put32(planet, 18, 0x7FFFFFFFu);
  Put32(planet, 22, 0x80000000u);
  scratch.Write(Bitmaps[0], planet);
  // RINGS: a readable 8000 x 2 one-bit bitmap, wider than any texture surface.
  Bytes rings = scratch.Read(Bitmaps[1]);
  Put32(rings, 18, 8000);
  Put32(rings, 22, 2);
  Put16(rings, 28, 1);
  Put32(rings, 46, 0);
  scratch.Write(Bitmaps[1], rings);

  const ShowRun run = RunShow(scratch);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.frames, LastFrame + 1) << "the show did not play to its end";
  for (const std::string& file : Pictures) EXPECT_EQ(run.WarningsAbout(file), 1) << file << "\n" << run.err;
  for (const std::string& file : Bitmaps) EXPECT_EQ(run.WarningsAbout(file), 1) << file << "\n" << run.err;
  EXPECT_EQ(run.warnings.size(), Pictures.size() + Bitmaps.size()) << run.err;
}

}  // namespace
