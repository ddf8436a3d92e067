// End-to-end run on pictures and bitmaps whose headers claim absurd sizes,
// and on files of absurd size or count: one warning line per file, the show
// plays to its end within the memory bound.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <utility>

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

TEST(DamagedSizes, HugeAndCrowdedFilesStayWithinTheMemoryBound) {
  // A sparse picture of 100 GB; a scene of 1,000 lights, then one of 100
  // materials naming a 2048 x 2048 bitmap, each before the scene's meshes.
  const Bytes light = {0x00, 0x46, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes material = {0xFF, 0xAF, 29, 0, 0, 0, 0x00, 0xA2, 23, 0, 0, 0, 0x00, 0xA3, 17, 0, 0, 0};
  for (char c : std::string("PLANET.BMP")) material.push_back(static_cast<std::uint8_t>(c));
  material.push_back(0);
  for (const auto& [chunk, count] : {std::pair{light, 1000}, std::pair{material, 100}}) {
    const Scratch scratch("huge");
    fs::resize_file(scratch.Path(Pictures[0]), 100ull << 30);
    Bytes planet = scratch.Read(Bitmaps[0]);  // 24 bits a pixel
    Put32(planet, 18, 2048);
    Put32(planet, 22, 2048);
    planet.resize(Get32(planet, 10) + 2048 * 2048 * 3, 0x40);
    scratch.Write(Bitmaps[0], planet);
    Bytes scene = scratch.Read(SceneFile);
    Bytes many;
    for (int i = 0; i < count; ++i) many.insert(many.end(), chunk.begin(), chunk.end());
    Splice(scene, FindChunk(scene, 0x3D3D).start + 6, 0, many);
    scratch.Write(SceneFile, scene);

    const ShowRun run = RunShow(scratch);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.frames, LastFrame + 1) << "the show did not play to its end";
    EXPECT_EQ(run.WarningsAbout(Pictures[0]), 1) << run.err;
    EXPECT_EQ(run.WarningsAbout(SceneFile), 1) << run.err;
  }
  // Under AddressSanitizer the peak counts its shadow memory and quarantine
  // too, which are not the program's: the bound holds for plain builds.
#if !defined(__SANITIZE_ADDRESS__)
  rusage children{};
  ::getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 256 * 1024) << "kB at the peak";
#endif
}

}  // namespace
