// The 3DS loader on chunk bytes made here: axes, order, names, colours, camera, lights,
// material groups; files cut or lying about their sizes; LoadScene's warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "scene/loader.h"
#include "scene/scene_chunks.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Load(const Chunk& file, Scene* scene) { return LoadSceneBytes(file.Bytes(), scene, nullptr); }

// A file touching every kind of chunk the loader acts on.
Chunk FullFile() {
  return Magic({Data({
      Material("Gold", {MaterialColour(0xA010, Color24(10, 20, 30)), MaterialColour(0xA020, Color24(255, 128, 0)),
                        MaterialColour(0xA030, Color24(0, 0, 255)), TextureMap("GOLD.BMP")}),
      Material("Glass", {MaterialColour(0xA020, ColorF(1, 0, 0))}),  // read as three bytes
      Named("ball", TriObject({Points({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 0, 1}}),
                               Mapping({{0.25f, 0.75f}, {0.5f, -1}, {0, 0}, {1, 1}}),
                               Faces({{0, 1, 2}, {1, 3, 2}}, {Group("Gold", 2)}), MeshMatrix()})),
      Named(std::string(200, 'x'), TriObject({Points({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}), Faces({{2, 1, 0}})})),
      Named("lamp", Light(0, 50, 0, {Color24(255, 200, 100), Range(300), Multiplier(1.5f)})),
      Named("spot", Light(1, 1, 1, {ColorF(1, 1, 1), Spotlight(1, 11, 1, 30, 45)})),
      Named("self", Light(1, 1, 1, {Spotlight(1, 1, 1, 10, 20)})),
      Named("eye", Camera({1, 2, 3}, {4, 5, 6}, 10, 50)),
  })});
}

TEST(SceneLoader, EveryChunkKindInSceneAxes) {
  Scene scene;
  ASSERT_EQ(Load(FullFile(), &scene), "");
  ASSERT_EQ(scene.meshCount, 2u);
  const SceneMesh& ball = scene.meshes[0];
  EXPECT_STREQ(ball.name, "ball");
  ASSERT_EQ(ball.vertexCount, 4u);
  ASSERT_EQ(ball.litVertices.size(), 4u);
  const SceneVertex& v = ball.vertices[0];  // y and z swapped, v negated
  EXPECT_EQ(std::vector<float>({v.x, v.y, v.z, v.u, v.v, ball.vertices[1].v}),
            std::vector<float>({1, 3, 2, 0.25f, -0.75f, 1}));
  ASSERT_EQ(ball.faceCount, 2u);  // each face's points reversed
  EXPECT_EQ(std::vector<std::uint32_t>(ball.faces[1].index, ball.faces[1].index + 3),
            std::vector<std::uint32_t>({2, 3, 1}));
  EXPECT_TRUE(ball.placement._11 == 1 && ball.placement._12 == 0);  // the identity, not the stored matrix
  EXPECT_EQ(ball.materialIndex, 1u);
  EXPECT_EQ(std::string(scene.meshes[1].name), std::string(127, 'x'));  // cut, and the walk goes on
  EXPECT_EQ(scene.meshes[1].placement._11, 0.0f);  // no matrix chunk: all zero
  EXPECT_EQ(scene.meshes[1].materialIndex, 0u);

  ASSERT_EQ(scene.materialCount, 3u);
  EXPECT_TRUE(std::string(scene.materials[0].name) == "Default" && scene.materials[0].diffuse[1] == 1);
  const SceneMaterial& gold = scene.materials[1];
  EXPECT_STREQ(gold.textureName, "GOLD.BMP");
  EXPECT_NEAR(gold.ambient[2], 30 / 255.0f, 1e-6);
  EXPECT_NEAR(gold.diffuse[1], 128 / 255.0f, 1e-6);
  EXPECT_FLOAT_EQ(gold.specular[2], 1.0f);
  EXPECT_TRUE(gold.texture && gold.texture->handle == 0);  // no device: untextured
  // Red 1.0f is stored 00 00 80 3F: its first three bytes are the colour.
  EXPECT_NEAR(scene.materials[2].diffuse[2], 128 / 255.0f, 1e-6);
  EXPECT_EQ(scene.materials[2].diffuse[0], 0.0f);

  ASSERT_EQ(scene.lightCount, 3u);
  const SceneLight& lamp = scene.lights[0];
  EXPECT_TRUE(lamp.type == LIGHT_POINT && lamp.position.z == 50 && lamp.range == 300);
  EXPECT_NEAR(lamp.color[1], 200 / 255.0f, 1e-6);
  EXPECT_EQ(std::vector<float>(lamp.attenuation, lamp.attenuation + 3), std::vector<float>({0, 1.5f, 0}));
  const SceneLight& spot = scene.lights[1];
  EXPECT_EQ(spot.type, LIGHT_SPOT);
  EXPECT_NEAR(spot.hotspot, 0.26178f, 1e-5);  // half the angle, in radians
  EXPECT_NEAR(spot.falloff, 0.39267f, 1e-5);
  EXPECT_EQ(std::vector<float>({spot.direction.x, spot.direction.y, spot.direction.z}),
            std::vector<float>({0, 0, 1}));
  const Vec3 none = scene.lights[2].direction;  // aimed at itself
  EXPECT_TRUE(none.x == 0 && none.y == 0 && none.z == 0);

  EXPECT_STREQ(scene.cameraName, "eye");
  EXPECT_TRUE(scene.cameraEye.y == 3 && scene.cameraEye.z == 2 && scene.cameraTarget.y == 6 && scene.cameraRoll == 10);
  EXPECT_NEAR(scene.cameraFieldOfView, 0.837744f, 1e-6);
}

TEST(SceneLoader, OtherWritersLayoutsGroupsAndStrayChunks) {
  // MDATA opening with a material (no mesh version), the texture's name
  // before its percentage as a float: what follows is still read.
  Scene layout;
  EXPECT_EQ(Load(Magic({MakeChunk(0x3D3D, {Material("Gold", {MakeChunk(0xA200, {MakeChunk(0xA300).Name("GOLD.BMP"),
                                                                               MakeChunk(0x0031).F32(100)})}),
                                           Named("ball", TriObject({Points({{0, 0, 0}}), Faces({}, {Group("Gold")})})),
                                           Named("lamp", Light(0, 50, 0, {}))})}),
                 &layout),
            "");
  EXPECT_STREQ(layout.materials.at(1).textureName, "GOLD.BMP");
  EXPECT_EQ(layout.meshes.at(0).materialIndex, 1u);
  EXPECT_EQ(layout.lightCount, 1u);
  // The last group that matches wins, an unknown one changes nothing, the
  // later of two materials of one name counts, names are case-sensitive;
  // light and mesh parts with no light or mesh are jumped over; a second
  // point array replaces the first and its mapping.
  Scene scene;
  Load(Magic({Data({Points({{1, 1, 1}}), Range(5), Spotlight(0, 1, 0, 5, 5), MeshMatrix(),
                    Material("A", {}), Material("B", {}), Material("A", {}),
                    Named("m1", TriObject({Faces({}, {Group("B"), Group("nothing")})})),
                    Named("m2", TriObject({Faces({}, {Group("B"), Group("A")})})),
                    Named("m3", TriObject({Points({{1, 1, 1}, {2, 2, 2}}), Mapping({{1, 1}, {1, 1}}),
                                           Points({{9, 9, 9}}), Faces({}, {Group("a")})}))})}),
       &scene);
  ASSERT_EQ(scene.meshCount, 3u);
  EXPECT_EQ(scene.lightCount, 0u);
  EXPECT_EQ(scene.meshes[0].materialIndex, 2u);
  EXPECT_EQ(scene.meshes[1].materialIndex, 3u);
  EXPECT_EQ(scene.meshes[2].materialIndex, 0u);
  ASSERT_EQ(scene.meshes[2].vertices.size(), 1u);
  EXPECT_EQ(scene.meshes[2].litVertices.size(), 1u);
  EXPECT_TRUE(scene.meshes[2].vertices[0].x == 9 && scene.meshes[2].vertices[0].u == 0);
}

TEST(SceneLoader, BadFacesAndChunksEndTheWalkSafely) {
  Scene scene;  // faces naming missing points, also of a later smaller array, are dropped
  std::string problem = Load(Magic({Data({Named("ball", TriObject({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}}),
      Faces({{0, 1, 7}, {0, 1, 2}, {1, 3, 2}}), Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}})}))})}), &scene);
  ASSERT_EQ(scene.meshes[0].faces.size(), 1u);
  EXPECT_EQ(scene.meshes[0].faceCount, 1u);
  EXPECT_EQ(scene.meshes[0].faces[0].index[0], 2u);
  EXPECT_NE(problem.find("ball"), std::string::npos) << problem;
  for (const SceneVertex& v : scene.meshes[0].vertices)  // the normals hold the good face only
    EXPECT_NEAR(std::hypot(v.nx, v.ny, v.nz), 1.0f, 1e-6);

  Chunk liar = MakeChunk(0x1234);
  liar.lengthAdjust = -3;
  const struct {
    Chunk file;
    const char* names;
  } ends[] = {
      {Magic({Data({Named("b", TriObject({Points({{0, 0, 0}, {1, 0, 0}}), Mapping({{0.5f, 0.5f}}), Faces({{0, 1, 1}})})),
                    Named("lamp", Light(0, 0, 0, {}))})}), "0x4140"},  // fewer pairs than points
      {Magic({Data({liar, Named("x", TriObject({}))})}), "0x1234"},    // shorter than its header
  };
  for (const auto& e : ends) {
    Scene s;
    problem = Load(e.file, &s);
    EXPECT_NE(problem.find(e.names), std::string::npos) << problem;
    EXPECT_EQ(s.lightCount, 0u);
    EXPECT_TRUE(s.meshes.empty() || (s.meshes[0].faceCount == 0 && s.meshes[0].vertices[0].u == 0));
  }
  Bytes bytes = Magic({Data({})}).Bytes();
  const Bytes tail = {0x00, 0x40, 9, 0, 0, 0, 'a', 'b', 'c'};  // a name without its NUL
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  EXPECT_NE(LoadSceneBytes(bytes, &scene, nullptr).find("name"), std::string::npos);
}

// Every prefix of the file, and every chunk length lying a little or a lot:
// the walk stays inside the bytes and the scene stays consistent.
TEST(SceneLoader, CutAndLyingFilesKeepTheSceneConsistent) {
  const Bytes whole = FullFile().Bytes();
  const auto check = [](const Bytes& bytes, std::size_t at, std::string* problem, std::uint32_t meshes = 2) {
    Scene scene;
    *problem = LoadSceneBytes(bytes, &scene, nullptr);
    ASSERT_LE(scene.meshCount, meshes) << at;
    ASSERT_EQ(scene.meshes.size(), scene.meshCount) << at;
    for (const SceneMesh& mesh : scene.meshes) {
      ASSERT_EQ(mesh.vertices.size(), mesh.vertexCount) << at;
      ASSERT_EQ(mesh.litVertices.size(), mesh.vertexCount) << at;
      ASSERT_EQ(mesh.faces.size(), mesh.faceCount) << at;
      for (const SceneFace& f : mesh.faces)
        ASSERT_LT(*std::max_element(f.index, f.index + 3), mesh.vertexCount) << at;
      ASSERT_LT(mesh.materialIndex, scene.materialCount) << at;
    }
  };
  std::string problem;
  for (std::size_t cut = 0; cut < whole.size(); ++cut)
    check(Bytes(whole.begin(), whole.begin() + long(cut)), cut, &problem);
  EXPECT_NE(problem, "") << "the file one byte short";
  for (std::size_t at = 0; at + 6 <= whole.size(); ++at)
    for (std::uint32_t length : {0u, 5u, 7u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      Bytes bytes = whole;
      for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = std::uint8_t(length >> (8 * i));
      check(bytes, at, &problem, 1000);
    }
}

TEST(SceneLoader, LoadSceneWarnsOnceAboutAFileItCannotUseWhole) {
  const scratch::ScratchDir dir("scene");
  ResetOffscreen(dir.path());
  const std::string prefix = "vuxa: warning: " + host::ResolvePath("scenes\\ball.3ds") + ": ";
  Bytes cut = FullFile().Bytes();
  cut.resize(cut.size() - 20);  // inside the camera's fields
  const struct {
    Bytes file;  // empty: none
    int result;
    std::string warning;
  } cases[] = {
      {{}, 1, "no such scene file\n"},
      {FullFile().Bytes(), 0, ""},
      {Magic({Data({Named("eye", Camera({0, -100, 20}, {0, 0, 0}, 0, 50))})}).Bytes(), 0,
       "the scene has no lights; its 3D part will be black\n"},
      {Magic({Data({Named("lamp", Light(0, 50, 0, {}))})}).Bytes(), 0,
       "the scene has no camera; its 3D part will be black\n"},
      {cut, 0, "0x4700"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir.path() / "scenes/ball.3ds");
    if (!c.file.empty()) scratch::WriteBytes(dir.path() / "scenes/ball.3ds", c.file);
    Scene scene;
    scene.meshCount = 42;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadScene(c.file.empty() ? "scenes\\ball.3ds" : "SCENES\\Ball.3ds", &scene, nullptr), c.result);
    const std::string err = testing::internal::GetCapturedStderr();
    SCOPED_TRACE(err);
    if (c.warning.empty()) {
      EXPECT_EQ(err, "");
      continue;
    }
    EXPECT_EQ(err.rfind(prefix, 0), 0u);
    EXPECT_NE(err.find(c.warning), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(scene.meshCount, c.result ? 42u : c.file == cut ? 2u : 0u);  // a cut file keeps what was read
  }
}

}  // namespace
