// End-to-end runs on data directories whose files are missing, empty, cut
// short or random bytes: every bad picture, scene or bitmap costs one warning
// line and the show plays to its end; a bad module takes the sound library's
// error path (its text under the caption "Midas", exit 1). Never a crash or a hang.
#include <gtest/gtest.h>

#include "damage_support.h"

namespace {

using namespace damage;

enum class Kind { Missing, Empty, CutShort, Random };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Missing: return "Missing";
    case Kind::Empty: return "Empty";
    case Kind::CutShort: return "CutShort";
    default: return "Random";
  }
}

void Damage(const Scratch& scratch, const std::string& file, Kind kind, unsigned seed) {
  const fs::path path = scratch.Path(file);
  switch (kind) {
    case Kind::Missing: fs::remove(path); break;
    case Kind::Empty: fs::resize_file(path, 0); break;
    case Kind::CutShort: fs::resize_file(path, fs::file_size(path) / 2); break;
    case Kind::Random: scratch.Write(file, RandomBytes(fs::file_size(path), seed)); break;
  }
}

void ExpectWholeShow(const ShowRun& run) {
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.frames, LastFrame + 1) << "the show did not play to its end";
}

class DamagedFiles : public ::testing::TestWithParam<Kind> {};

TEST_P(DamagedFiles, PicturesAndBitmapsWarnOnceEach) {
  const Scratch scratch(std::string("files_") + KindName(GetParam()));
  unsigned seed = 1;
  for (const std::string& file : Pictures) Damage(scratch, file, GetParam(), seed++);
  for (const std::string& file : Bitmaps) Damage(scratch, file, GetParam(), seed++);

  const ShowRun run = RunShow(scratch);
  ExpectWholeShow(run);
  for (const std::string& file : Pictures) EXPECT_EQ(run.WarningsAbout(file), 1) << file << "\n" << run.err;
  for (const std::string& file : Bitmaps) EXPECT_EQ(run.WarningsAbout(file), 1) << file << "\n" << run.err;
  EXPECT_EQ(run.warnings.size(), Pictures.size() + Bitmaps.size()) << run.err;
}

TEST_P(DamagedFiles, SceneWarnsOnce) {
  const Scratch scratch(std::string("scene_") + KindName(GetParam()));
  Damage(scratch, SceneFile, GetParam(), 77);

  const ShowRun run = RunShow(scratch);
  ExpectWholeShow(run);
  EXPECT_EQ(run.WarningsAbout(SceneFile), 1) << run.err;
  // Anything else said is about bitmaps that the damaged scene named.
  for (const std::string& w : run.warnings) {
    if (w.find(SceneFile) == std::string::npos) {
      EXPECT_NE(w.find("Textures/"), std::string::npos) << w;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFiles,
                         ::testing::Values(Kind::Missing, Kind::Empty, Kind::CutShort, Kind::Random),
                         [](const auto& info) { return KindName(info.param); });

// The planet's bitmap as a 16-bit 5-5-5 file: it loads (the texture loader
// takes its 16-bit path) and nothing is said.
TEST(DeepBitmaps, ASixteenBitBitmapLoadsWithoutAWord) {
  const Scratch scratch("bitmaps16");
  for (const std::string& file : {Bitmaps[0]}) {
    const Bytes old = scratch.Read(file);  // 24 bits, bottom-up, no colour table
    const std::uint32_t width = Get32(old, 18), rows = Get32(old, 22), offset = Get32(old, 10);
    const std::uint32_t oldStride = (width * 3 + 3) & ~3u, stride = (width * 2 + 3) & ~3u;
    Bytes bmp(old.begin(), old.begin() + 54);
    Put32(bmp, 10, 54);
    Put16(bmp, 28, 16);
    Put32(bmp, 34, stride * rows);
    Put32(bmp, 2, 54 + stride * rows);
    bmp.resize(54 + stride * rows, 0);
    for (std::uint32_t y = 0; y < rows; ++y)
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::size_t from = offset + y * oldStride + 3 * x;
        Put16(bmp, 54 + y * stride + 2 * x,
              (old[from + 2] >> 3) << 10 | (old[from + 1] >> 3) << 5 | old[from] >> 3);
      }
    scratch.Write(file, bmp);
  }
  const ShowRun run = RunShow(scratch);
  ExpectWholeShow(run);
  EXPECT_TRUE(run.warnings.empty()) << run.err;
}

// The sound library's error path: its message under "Midas", naming the
// module, exit 1, and nothing of the capture left.
void ExpectMidasError(const ShowRun& run, const std::string& text) {
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("Midas: " + text + ": music/vuxa.xm: "), std::string::npos) << run.err;
  EXPECT_EQ(run.frames, 0) << run.err;
}

TEST(DamagedModule, MissingCannotBeOpened) {
  const Scratch scratch("module_missing");
  Damage(scratch, ModuleFile, Kind::Missing, 0);
  ExpectMidasError(RunShow(scratch), "Unable to open file");
}

TEST(DamagedModule, EmptyOrRandomIsNoModule) {
  for (Kind kind : {Kind::Empty, Kind::Random}) {
    const Scratch scratch(std::string("module_") + KindName(kind));
    Damage(scratch, ModuleFile, kind, 5);
    SCOPED_TRACE(KindName(kind));
    ExpectMidasError(RunShow(scratch), "Unknown module format");
  }
}

TEST(DamagedModule, PictureInItsPlaceIsNoModule) {
  const Scratch scratch("module_picture");
  fs::copy_file(scratch.Path("images/cred1.pcx"), scratch.Path(ModuleFile),
                fs::copy_options::overwrite_existing);
  ExpectMidasError(RunShow(scratch), "Unknown module format");
}

// A module cut to its header loads but holds nothing: silence, with a warning.
TEST(DamagedModule, CutToItsHeaderWarnsOnce) {
  const Scratch scratch("module_header");
  Bytes module = scratch.Read(ModuleFile);
  module.resize(60 + Get32(module, 60));  // the fixed part and the header it sizes
  scratch.Write(ModuleFile, module);
  const ShowRun run = RunShow(scratch);
  ExpectWholeShow(run);
  EXPECT_EQ(run.WarningsAbout(ModuleFile), 1) << run.err;
}

// A module cut short still has its header and first patterns: the sound
// library plays what is there, and the show runs to its end.
TEST(DamagedModule, CutShortPlaysWhatItHolds) {
  const Scratch scratch("module_cut");
  Damage(scratch, ModuleFile, Kind::CutShort, 0);
  const ShowRun run = RunShow(scratch);
  ExpectWholeShow(run);
  EXPECT_TRUE(run.warnings.empty()) << run.err;
  EXPECT_EQ(run.err.find("Midas:"), std::string::npos) << run.err;
}

}  // namespace
