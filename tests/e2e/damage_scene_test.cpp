// End-to-end runs on 3DS scenes damaged inside: chunk lengths of 0, 5 and
// past the end, absurd point and face counts, faces naming points that do
// not exist, a texture name of 300 characters. Each costs one warning line;
// the show plays to its end.
#include <gtest/gtest.h>

#include "damage_support.h"

namespace {

using namespace damage;

ShowRun RunWithScene(const std::string& name, const Bytes& scene) {
  const Scratch scratch(name);
  scratch.Write(SceneFile, scene);
  return RunShow(scratch);
}

void ExpectOneSceneWarning(const ShowRun& run, const std::string& saying) {
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.frames, LastFrame + 1) << "the show did not play to its end";
  ASSERT_EQ(run.warnings.size(), 1u) << run.err;
  EXPECT_EQ(run.WarningsAbout(SceneFile), 1) << run.err;
  EXPECT_NE(run.warnings[0].find(saying), std::string::npos) << run.warnings[0];
}

Bytes BuiltScene() { return ReadBytes(fs::path(VUXA_DATA_DIR) / SceneFile); }

// The first mesh's matrix chunk is skipped by its length: 0 and 5 are below
// a header's size, the third runs past the end of the file.
TEST(DamagedScene, ChunkLengthsZeroFiveAndPastTheEnd) {
  const std::uint32_t lengths[] = {0, 5, 0x7FFFFFF0u};
  const char* sayings[] = {"length below", "length below", "past the end"};
  for (int i = 0; i < 3; ++i) {
    Bytes scene = BuiltScene();
    const Chunk matrix = FindChunk(scene, 0x4160);
    ASSERT_LT(matrix.start, scene.size());
    Put32(scene, matrix.start + 2, lengths[i]);
    SCOPED_TRACE(lengths[i]);
    ExpectOneSceneWarning(RunWithScene("chunk_length_" + std::to_string(i), scene), sayings[i]);
  }
}

TEST(DamagedScene, AbsurdPointAndFaceCounts) {
  for (unsigned id : {0x4110u, 0x4120u}) {
    Bytes scene = BuiltScene();
    const Chunk array = FindChunk(scene, id);
    ASSERT_LT(array.start, scene.size());
    Put16(scene, array.start + 6, 65535);
    SCOPED_TRACE(id);
    ExpectOneSceneWarning(RunWithScene("count_" + std::to_string(id), scene), "past the end");
  }
}

TEST(DamagedScene, FacesOutOfRangeAreDropped) {
  Bytes scene = BuiltScene();
  const Chunk faces = FindChunk(scene, 0x4120, 1);  // the second mesh's
  ASSERT_LT(faces.start, scene.size());
  Put16(scene, faces.start + 8, 65535);        // face 0, first point
  Put16(scene, faces.start + 8 + 8 + 2, 9999);  // face 1, second point
  ExpectOneSceneWarning(RunWithScene("faces", scene), "2 faces name points beyond");
}

// The name is cut to the material's 127 characters, and no bitmap has that
// name: the bitmap loader says so, once.
TEST(DamagedScene, TextureNameOf300Characters) {
  Bytes scene = BuiltScene();
  const Chunk mapName = FindChunk(scene, 0xA300);
  ASSERT_LT(mapName.start, scene.size());
  const std::size_t oldLength = mapName.length - 6 - 1;  // the name without its NUL
  Splice(scene, mapName.start + 6, oldLength, Bytes(300, 'N'));

  const ShowRun run = RunWithScene("long_name", scene);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.frames, LastFrame + 1);
  ASSERT_EQ(run.warnings.size(), 1u) << run.err;
  const std::string cut = "Textures/" + std::string(127, 'N') + ": ";
  EXPECT_NE(run.warnings[0].find(cut), std::string::npos) << run.warnings[0];
}

}  // namespace
