// The show on copies of its data with files missing, empty, cut short, of
// random bytes or of absurd sizes: one warning line for each bad picture,
// bitmap or scene, the whole show within its memory bound, black where data
// was unreadable; a module that is none ends the run with Midas's message.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <optional>
#include <random>
#include <regex>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

const std::vector<std::string> Pictures = {"images/cred1.pcx", "images/cred2.pcx", "images/cred3.pcx",
                                           "images/cred4.pcx", "images/texture.pcx", "images/vuxa.pcx"};
const std::string Planet = "Textures/PLANET.BMP", Rings = "Textures/RINGS.BMP";
const std::string SceneFile = "scenes/ball.3ds", ModuleFile = "music/vuxa.xm";

void Put(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.at(at + i) = std::uint8_t(v >> (8 * i));
}
// Reads `file` of the copy, lets `change` have its bytes and writes them back.
template <typename Change>
void Edit(const fs::path& file, Change change) {
  Bytes bytes = ReadBytes(file);
  change(bytes);
  WriteBytes(file, bytes);
}

// The show at 5 frames a second in the scratch copy; it must play to its end.
ProgramRun PlayWhole(const ScratchDir& data, const std::string& what) {
  const ProgramRun run = RunVuxa(data.path(), "--capture frames --fps 5");
  EXPECT_EQ(run.exitCode, 0) << what << ": " << run.err;
  EXPECT_EQ(Listing(data.path() / "frames", "frame_").size(), 261u) << what;
  return run;
}
Picture FrameAt(const ScratchDir& data, double seconds) {
  return ReadPng(data.path() / "frames" / FrameName(int(seconds * 5) + 1));
}

// Inserts `with` at the start of the scene's 3D data chunk, growing it and the file's chunk.
void InsertIntoData(Bytes& b, const Bytes& with) {
  for (std::size_t at = 6; at + 6 <= b.size() && Le(b, at + 2, 4) >= 6; at += Le(b, at + 2, 4))
    if (Le(b, at, 2) == 0x3D3D) {
      Put(b, 2, Le(b, 2, 4) + std::uint32_t(with.size()), 4);
      Put(b, at + 2, Le(b, at + 2, 4) + std::uint32_t(with.size()), 4);
      b.insert(b.begin() + long(at) + 6, with.begin(), with.end());
      return;
    }
  ADD_FAILURE() << "no 3D data chunk";
}

TEST(DamagedData, PicturesBitmapsAndAModuleHeaderWarnOnceEachAndPlayOn) {
  const ScratchDir data("damage_files", true);
  fs::remove(data.path() / "images/texture.pcx");
  fs::resize_file(data.path() / "images/cred2.pcx", 0);
  fs::resize_file(data.path() / "images/cred3.pcx", fs::file_size(data.path() / "images/cred3.pcx") / 2);
  std::mt19937 random(4);
  Edit(data.path() / "images/cred4.pcx", [&](Bytes& b) { std::generate(b.begin(), b.end(), random); });
  Edit(data.path() / "images/cred1.pcx", [](Bytes& b) {  // 65536 x 65536 over a small picture's data
    Put(b, 8, 65535, 2), Put(b, 10, 65535, 2);
  });
  Edit(data.path() / "images/vuxa.pcx", [](Bytes& b) { Put(b, 4, 60000, 2); });  // Xmin above Xmax
  Edit(data.path() / Planet, [](Bytes& b) {  // 2^31 - 1 columns by -2^31 rows
    Put(b, 18, 0x7FFFFFFF, 4), Put(b, 22, 0x80000000u, 4);
  });
  Edit(data.path() / Rings, [](Bytes& b) {  // a readable 8000 x 2 one-bit bitmap, wider than any texture
    Put(b, 18, 8000, 4), Put(b, 22, 2, 4), Put(b, 28, 1, 2), Put(b, 46, 0, 4);
  });
  // The module cut to its fixed part and the header that part sizes: silent.
  Edit(data.path() / ModuleFile, [](Bytes& b) { b.resize(60 + Le(b, 60, 4)); });

  const ProgramRun run = PlayWhole(data, "damaged files");
  std::vector<std::string> damaged = Pictures;
  damaged.insert(damaged.end(), {Planet, Rings, ModuleFile});
  for (const std::string& file : damaged) EXPECT_EQ(run.WarningsAbout(file), 1) << file << "\n" << run.err;
  EXPECT_EQ(run.warnings.size(), damaged.size()) << run.err;
  // No texture: the tunnel is black. No closing picture: black below its caption.
  // Bitmaps that cannot be textures leave the 3D scene lit.
  EXPECT_EQ(FrameAt(data, 14).Lit(), 0);
  EXPECT_GT(FrameAt(data, 30).Lit(), 1000);
  const Picture closing = FrameAt(data, 40);
  EXPECT_TRUE(closing.ok);
  EXPECT_EQ(closing.Lit(80), 0);
}

TEST(DamagedData, AMissingOrCutSceneWarnsOnceAndLeavesThe3DPartBlack) {
  const Bytes built = ReadBytes(fs::path(VUXA_DATA_DIR) / SceneFile);
  const struct {
    const char* what;
    std::optional<Bytes> scene;  // none: the scene missing
    const char* said;
  } cases[] = {
      {"scene missing", std::nullopt, R"(scenes/ball\.3ds: no such scene file$)"},
      {"scene cut short", Bytes(built.begin(), built.begin() + 3000),
       R"(scenes/ball\.3ds: .*chunk.*offset \d+)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ScratchDir data("damage_scene", true);
    if (c.scene)
      WriteBytes(data.path() / SceneFile, *c.scene);
    else
      fs::remove(data.path() / SceneFile);
    const ProgramRun run = PlayWhole(data, c.what);
    ASSERT_EQ(run.warnings.size(), 1u) << run.err;
    EXPECT_TRUE(std::regex_search(run.warnings[0], std::regex(c.said))) << run.warnings[0];
    for (double t : {24.5, 30.0, 35.5}) EXPECT_EQ(FrameAt(data, t).Lit(), 0) << t;
  }
}

TEST(DamagedData, HugeAndCrowdedFilesStayWithinTheMemoryBound) {
  // A sparse picture of 100 GB, a 2048 x 2048 bitmap, and a scene of 1,000
  // lights, then one of 100 materials naming that bitmap, before its meshes.
  const Bytes light = {0x00, 0x46, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes material = {0xFF, 0xAF, 29, 0, 0, 0, 0x00, 0xA2, 23, 0, 0, 0, 0x00, 0xA3, 17, 0, 0, 0};
  for (char c : std::string("PLANET.BMP")) material.push_back(static_cast<std::uint8_t>(c));
  material.push_back(0);
  for (const auto& [chunk, count] : {std::pair{light, 1000}, std::pair{material, 100}}) {
    const ScratchDir data("damage_huge", true);
    fs::resize_file(data.path() / Pictures[0], 100ull << 30);
    Edit(data.path() / Planet, [](Bytes& b) {
      Put(b, 18, 2048, 4), Put(b, 22, 2048, 4);
      b.resize(Le(b, 10, 4) + 2048 * 2048 * 3, 0x40);
    });
    Bytes many;
    for (int i = 0; i < count; ++i) many.insert(many.end(), chunk.begin(), chunk.end());
    Edit(data.path() / SceneFile, [&](Bytes& b) { InsertIntoData(b, many); });
    const ProgramRun run = PlayWhole(data, "huge");
    EXPECT_EQ(run.WarningsAbout(Pictures[0]), 1) << run.err;
    EXPECT_EQ(run.WarningsAbout(SceneFile), 1) << run.err;
  }
  // Under AddressSanitizer the peak counts its shadow memory and quarantine,
  // which are not the program's: the bound holds for plain builds.
#if !defined(__SANITIZE_ADDRESS__)
  rusage children{};
  ::getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 256 * 1024) << "kB at the peak";
#endif
}

// A missing module is the command-line test's (DataFolderDisplayAndModuleFailures).
TEST(DamagedData, AModuleThatIsNoneEndsTheRunWithTheSoundLibrarysMessage) {
  const ScratchDir data("damage_module", true);
  WriteBytes(data.path() / ModuleFile, Bytes(5000, 0x5A));
  const ProgramRun run = RunVuxa(data.path(), "--capture frames --fps 5");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("Midas: Unknown module format: music/vuxa.xm: "), std::string::npos) << run.err;
  EXPECT_TRUE(Listing(data.path() / "frames", "frame_").empty());
}

}  // namespace
