// The 3DS loader on chunk bytes made in the test: axes, order, names, colours,
// camera, lights, material groups, and files cut or lying about their sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/host/host.h"
#include "scene/loader.h"
#include "scene/scene_chunks.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Load(const Chunk& file, Scene* scene) {
  const Bytes bytes = file.Bytes();
  return LoadSceneBytes(bytes, scene, nullptr);
}

Chunk OneMesh(std::vector<Chunk> parts, std::vector<Chunk> more = {}) {
  std::vector<Chunk> data;
  data.push_back(Named("ball", TriObject(std::move(parts))));
  for (auto& k : more) data.push_back(std::move(k));
  return Magic({Data(std::move(data))});
}

// A file touching every kind of chunk the loader acts on.
Chunk FullFile() {
  return Magic({Data({
      Material("Gold", {MaterialColour(0xA010, Color24(10, 20, 30)),
                        MaterialColour(0xA020, Color24(255, 128, 0)),
                        MaterialColour(0xA030, Color24(0, 0, 255)), TextureMap("GOLD.BMP")}),
      Material("Glass", {MaterialColour(0xA020, Color24(100, 100, 255))}),
      Named("ball", TriObject({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}}),
                               Mapping({{0, 0}, {1, 0}, {0, 1}, {1, 1}}),
                               Faces({{0, 1, 2}, {1, 3, 2}}, {Group("Gold", 2)}), MeshMatrix()})),
      Named("ring", TriObject({Points({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}), Faces({{2, 1, 0}}),
                               MeshMatrix()})),
      Named("lamp", Light(0, 50, 0, {Color24(255, 200, 100), Range(300), Multiplier(1.5f)})),
      Named("spot", Light(0, 0, 0, {ColorF(1, 1, 1), Spotlight(0, 10, 0, 30, 45)})),
      Named("eye", Camera({0, -100, 20}, {0, 0, 0}, 0, 50)),
  })});
}

TEST(SceneLoader, MinimalFileHoldsOnlyTheDefaultMaterial) {
  Scene scene;
  EXPECT_EQ(Load(Magic({Data({})}), &scene), "");
  ASSERT_EQ(scene.materialCount, 1u);
  ASSERT_EQ(scene.materials.size(), 1u);
  EXPECT_STREQ(scene.materials[0].name, "Default");
  EXPECT_EQ(scene.materials[0].diffuse[0], 1.0f);
  EXPECT_EQ(scene.materials[0].diffuse[2], 1.0f);
  EXPECT_EQ(scene.materials[0].specular[1], 0.0f);
  ASSERT_NE(scene.materials[0].texture, nullptr);
  EXPECT_EQ(scene.materials[0].texture->handle, 0u);
  EXPECT_EQ(scene.meshCount, 0u);
  EXPECT_EQ(scene.lightCount, 0u);
  EXPECT_EQ(scene.cameraEye.x, 0.0f);
  EXPECT_EQ(scene.cameraTarget.z, 0.0f);
  EXPECT_EQ(scene.cameraRoll, 0.0f);
  EXPECT_EQ(scene.cameraFieldOfView, 0.0f);
}

TEST(SceneLoader, PointsSwapYAndZFacesReverseMappingNegatesV) {
  Scene scene;
  Load(OneMesh({Points({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
                Mapping({{0.25f, 0.75f}, {0.5f, -1.0f}, {0, 0}}), Faces({{0, 1, 2}})}),
       &scene);
  ASSERT_EQ(scene.meshCount, 1u);
  const SceneMesh& mesh = scene.meshes[0];
  EXPECT_STREQ(mesh.name, "ball");
  EXPECT_EQ(mesh.opacity, 1.0f);
  ASSERT_EQ(mesh.vertexCount, 3u);
  ASSERT_EQ(mesh.litVertices.size(), 3u);
  EXPECT_EQ(mesh.vertices[0].x, 1.0f);
  EXPECT_EQ(mesh.vertices[0].y, 3.0f);
  EXPECT_EQ(mesh.vertices[0].z, 2.0f);
  EXPECT_EQ(mesh.vertices[2].y, 9.0f);
  EXPECT_EQ(mesh.vertices[0].u, 0.25f);
  EXPECT_EQ(mesh.vertices[0].v, -0.75f);
  EXPECT_EQ(mesh.vertices[1].v, 1.0f);
  ASSERT_EQ(mesh.faceCount, 1u);
  EXPECT_EQ(mesh.faces[0].index[0], 2u);
  EXPECT_EQ(mesh.faces[0].index[1], 1u);
  EXPECT_EQ(mesh.faces[0].index[2], 0u);
  // No local-coordinate chunk: the placement stays all zero.
  EXPECT_EQ(mesh.placement._11, 0.0f);
  EXPECT_EQ(mesh.placement._44, 0.0f);
}

TEST(SceneLoader, MeshMatrixChunkGivesTheIdentityNotTheStoredValues) {
  Scene scene;
  Load(OneMesh({Points({{0, 0, 0}}), MeshMatrix()}), &scene);
  const Matrix4& m = scene.meshes[0].placement;
  EXPECT_EQ(m._11, 1.0f);
  EXPECT_EQ(m._22, 1.0f);
  EXPECT_EQ(m._44, 1.0f);
  EXPECT_EQ(m._12, 0.0f);
  EXPECT_EQ(m._41, 0.0f);
}

TEST(SceneLoader, NamesEmptyWithSpacesAndTooLong) {
  const std::string longName(200, 'x');
  Scene scene;
  EXPECT_EQ(Load(Magic({Data({Named("", TriObject({})), Named("big red ball", TriObject({})),
                              Named(longName, TriObject({Points({{1, 2, 3}})}))})}),
                 &scene),
            "");
  ASSERT_EQ(scene.meshCount, 3u);
  EXPECT_STREQ(scene.meshes[0].name, "");
  EXPECT_STREQ(scene.meshes[1].name, "big red ball");
  EXPECT_EQ(std::string(scene.meshes[2].name), std::string(127, 'x'));
  // The walk went on right after the long name's NUL.
  ASSERT_EQ(scene.meshes[2].vertexCount, 1u);
  EXPECT_EQ(scene.meshes[2].vertices[0].y, 3.0f);
}

TEST(SceneLoader, LightColoursRangeMultiplierAndSpotlight) {
  Scene scene;
  EXPECT_EQ(Load(FullFile(), &scene), "");
  ASSERT_EQ(scene.lightCount, 2u);
  const SceneLight& lamp = scene.lights[0];
  EXPECT_STREQ(lamp.name, "lamp");
  EXPECT_EQ(lamp.type, LIGHT_POINT);
  EXPECT_EQ(lamp.position.y, 0.0f);
  EXPECT_EQ(lamp.position.z, 50.0f);
  EXPECT_FLOAT_EQ(lamp.color[0], 1.0f);
  EXPECT_NEAR(lamp.color[1], 0.784314f, 1e-6);
  EXPECT_EQ(lamp.range, 300.0f);
  EXPECT_EQ(lamp.attenuation[0], 0.0f);
  EXPECT_EQ(lamp.attenuation[1], 1.5f);
  EXPECT_EQ(lamp.attenuation[2], 0.0f);
  EXPECT_EQ(lamp.direction.x, 0.0f);

  const SceneLight& spot = scene.lights[1];
  EXPECT_EQ(spot.type, LIGHT_SPOT);
  EXPECT_EQ(spot.color[1], 1.0f);
  EXPECT_NEAR(spot.hotspot, 0.26178f, 1e-5);
  EXPECT_NEAR(spot.falloff, 0.39267f, 1e-5);
  EXPECT_EQ(spot.direction.x, 0.0f);
  EXPECT_EQ(spot.direction.y, 0.0f);
  EXPECT_EQ(spot.direction.z, 1.0f);
  EXPECT_EQ(spot.range, 0.0f);
  EXPECT_EQ(spot.attenuation[1], 0.0f);
}

TEST(SceneLoader, Color24OfALight) {
  Scene scene;
  Load(Magic({Data({Named("l", Light(1, 2, 3, {Color24(255, 0, 128)}))})}), &scene);
  ASSERT_EQ(scene.lightCount, 1u);
  EXPECT_FLOAT_EQ(scene.lights[0].color[0], 1.0f);
  EXPECT_EQ(scene.lights[0].color[1], 0.0f);
  EXPECT_NEAR(scene.lights[0].color[2], 0.50196f, 1e-5);
  EXPECT_EQ(scene.lights[0].position.y, 3.0f);
}

TEST(SceneLoader, SpotlightAimedAtItselfHasNoDirection) {
  Scene scene;
  Load(Magic({Data({Named("s", Light(1, 1, 1, {Spotlight(1, 1, 1, 10, 20)}))})}), &scene);
  const Vec3 d = scene.lights[0].direction;
  EXPECT_EQ(d.x, 0.0f);
  EXPECT_EQ(d.y, 0.0f);
  EXPECT_EQ(d.z, 0.0f);
}

TEST(SceneLoader, CameraLensBankAndAxes) {
  Scene scene;
  Load(Magic({Data({Named("cam", Camera({1, 2, 3}, {4, 5, 6}, 10, 50))})}), &scene);
  EXPECT_STREQ(scene.cameraName, "cam");
  EXPECT_EQ(scene.cameraEye.y, 3.0f);
  EXPECT_EQ(scene.cameraEye.z, 2.0f);
  EXPECT_EQ(scene.cameraTarget.x, 4.0f);
  EXPECT_EQ(scene.cameraTarget.y, 6.0f);
  EXPECT_EQ(scene.cameraRoll, 10.0f);
  EXPECT_NEAR(scene.cameraFieldOfView, 0.837744f, 1e-6);
}

TEST(SceneLoader, MaterialColoursTextureNameAndGroups) {
  Scene scene;
  Load(FullFile(), &scene);
  ASSERT_EQ(scene.materialCount, 3u);
  const SceneMaterial& gold = scene.materials[1];
  EXPECT_STREQ(gold.name, "Gold");
  EXPECT_STREQ(gold.textureName, "GOLD.BMP");
  EXPECT_NEAR(gold.ambient[2], 30 / 255.0f, 1e-6);
  EXPECT_FLOAT_EQ(gold.diffuse[0], 1.0f);
  EXPECT_NEAR(gold.diffuse[1], 0.50196f, 1e-5);
  EXPECT_EQ(gold.diffuse[2], 0.0f);
  EXPECT_FLOAT_EQ(gold.specular[2], 1.0f);
  ASSERT_NE(gold.texture, nullptr);
  EXPECT_EQ(gold.texture->handle, 0u);  // no device: untextured, the walk goes on
  EXPECT_EQ(scene.materials[2].specular[0], 0.0f);
  EXPECT_EQ(scene.meshes[0].materialIndex, 1u);
  EXPECT_EQ(scene.meshes[1].materialIndex, 0u);
  EXPECT_EQ(scene.meshes[1].placement._11, 1.0f);
}

// Layouts of other writers: MDATA opening with a material (no mesh-version
// chunk), a texture map naming its file before its percentage, or holding the
// 10-byte float percentage. Everything after them must still be read.
TEST(SceneLoader, SubChunksAreWalkedWhateverComesFirst) {
  const auto file = [](bool meshVersion, Chunk percentage, bool nameFirst) {
    Chunk map = MakeChunk(0xA200);
    if (!nameFirst) map.Add(percentage);
    map.Add(MakeChunk(0xA300).Name("GOLD.BMP"));
    if (nameFirst) map.Add(percentage);
    Chunk data = MakeChunk(0x3D3D);
    if (meshVersion) data.Add(MakeChunk(0x3D3E).U32(3));
    data.Add(Material("Gold", {std::move(map), MaterialColour(0xA020, Color24(255, 128, 0))}));
    data.Add(Named("ball", TriObject({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}),
                                      Faces({{0, 1, 2}}, {Group("Gold")})})));
    data.Add(Named("lamp", Light(0, 50, 0, {})));
    return Magic({std::move(data)});
  };
  const Chunk intPercent = MakeChunk(0x0030).U16(100);
  const Chunk floatPercent = MakeChunk(0x0031).F32(100.0f);
  const Chunk layouts[] = {file(false, intPercent, false), file(true, intPercent, true),
                           file(true, floatPercent, false)};
  for (std::size_t i = 0; i < std::size(layouts); ++i) {
    SCOPED_TRACE("layout " + std::to_string(i));
    Scene scene;
    EXPECT_EQ(Load(layouts[i], &scene), "");
    ASSERT_EQ(scene.materialCount, 2u);
    EXPECT_STREQ(scene.materials[1].textureName, "GOLD.BMP");
    EXPECT_NEAR(scene.materials[1].diffuse[1], 128 / 255.0f, 1e-6);
    ASSERT_EQ(scene.meshCount, 1u);
    EXPECT_EQ(scene.meshes[0].faceCount, 1u);
    EXPECT_EQ(scene.meshes[0].materialIndex, 1u);
    EXPECT_EQ(scene.lightCount, 1u);
  }
}

TEST(SceneLoader, MaterialColourReadsTheFirstBytesOfAFloatColour) {
  Scene scene;
  // Red 1.0f is stored 00 00 80 3F: its first three bytes become the colour.
  Load(Magic({Data({Material("M", {MaterialColour(0xA020, ColorF(1.0f, 0.0f, 0.0f))})})}), &scene);
  EXPECT_EQ(scene.materials[1].diffuse[0], 0.0f);
  EXPECT_EQ(scene.materials[1].diffuse[1], 0.0f);
  EXPECT_NEAR(scene.materials[1].diffuse[2], 128 / 255.0f, 1e-6);
}

TEST(SceneLoader, GroupsLastMatchWinsUnknownKeepsDuplicateTakesTheLater) {
  Scene scene;
  Load(Magic({Data({Material("A", {}), Material("B", {}), Material("A", {}),
                    Named("m1", TriObject({Faces({}, {Group("B"), Group("nothing")})})),
                    Named("m2", TriObject({Faces({}, {Group("B"), Group("A")})})),
                    Named("m3", TriObject({Faces({}, {Group("a")})}))})}),
       &scene);
  ASSERT_EQ(scene.meshCount, 3u);
  EXPECT_EQ(scene.meshes[0].materialIndex, 2u);  // B; "nothing" changed nothing
  EXPECT_EQ(scene.meshes[1].materialIndex, 3u);  // the later of the two "A"
  EXPECT_EQ(scene.meshes[2].materialIndex, 0u);  // names compare case-sensitively
}

TEST(SceneLoader, ChunksForAMissingMeshOrLightAreJumpedOver) {
  Scene scene;
  EXPECT_EQ(Load(Magic({Data({Points({{1, 1, 1}}), Color24(1, 2, 3), Range(5),
                              Spotlight(0, 1, 0, 5, 5), MeshMatrix(),
                              Named("late", TriObject({Points({{5, 6, 7}})}))})}),
                 &scene),
            "");
  EXPECT_EQ(scene.lightCount, 0u);
  ASSERT_EQ(scene.meshCount, 1u);
  EXPECT_EQ(scene.meshes[0].vertices[0].x, 5.0f);
}

TEST(SceneLoader, SecondPointArrayReplacesTheFirstAndClearsMapping) {
  Scene scene;
  Load(OneMesh({Points({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}), Mapping({{1, 1}, {1, 1}, {1, 1}}),
                Points({{9, 9, 9}, {8, 8, 8}})}),
       &scene);
  const SceneMesh& mesh = scene.meshes[0];
  ASSERT_EQ(mesh.vertexCount, 2u);
  EXPECT_EQ(mesh.vertices.size(), 2u);
  EXPECT_EQ(mesh.litVertices.size(), 2u);
  EXPECT_EQ(mesh.vertices[0].x, 9.0f);
  EXPECT_EQ(mesh.vertices[0].u, 0.0f);
}

TEST(SceneLoader, FacesNamingMissingPointsAreDropped) {
  Scene scene;
  const std::string problem =
      Load(OneMesh({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}), Faces({{0, 1, 7}, {0, 1, 2}})}),
           &scene);
  const SceneMesh& mesh = scene.meshes[0];
  ASSERT_EQ(mesh.faceCount, 1u);
  ASSERT_EQ(mesh.faces.size(), 1u);
  EXPECT_EQ(mesh.faces[0].index[0], 2u);
  EXPECT_NE(problem.find("ball"), std::string::npos) << problem;
  // Only the good face is in the normals: every vertex has a unit normal.
  for (const SceneVertex& v : mesh.vertices)
    EXPECT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 1.0f, 1e-6);
}

TEST(SceneLoader, FacesCheckedAgainstALaterSmallerPointArray) {
  Scene scene;
  Load(OneMesh({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}}),
                Faces({{0, 1, 2}, {1, 3, 2}}), Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}})}),
       &scene);
  const SceneMesh& mesh = scene.meshes[0];
  ASSERT_EQ(mesh.faceCount, 1u);
  EXPECT_EQ(mesh.faces[0].index[1], 1u);
}

TEST(SceneLoader, MappingChunkShorterThanTheMeshEndsTheWalk) {
  // Three points but the mapping chunk holds two pairs; more chunks follow in the file.
  Scene scene;
  const std::string problem =
      Load(OneMesh({Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), Mapping({{0.5f, 0.5f}, {1, 1}}),
                    Faces({{0, 1, 2}}), Mapping({{1, 1}, {1, 1}, {1, 1}})},
                   {Named("lamp", Light(0, 0, 0, {}))}),
           &scene);
  EXPECT_NE(problem.find("0x4140"), std::string::npos) << problem;
  EXPECT_EQ(scene.lightCount, 0u);
  EXPECT_EQ(scene.meshes[0].faceCount, 0u);
  EXPECT_EQ(scene.meshes[0].vertices[0].u, 0.0f);  // nothing half-read
}

TEST(SceneLoader, NameRunningToTheEndWithoutNulEndsTheWalk) {
  Bytes bytes = Magic({Data({Named("ok", TriObject({}))})}).Bytes();
  const Bytes tail = MakeChunk(0x4000).Bytes();
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  bytes.insert(bytes.end(), {'a', 'b', 'c'});
  Scene scene;
  const std::string problem = LoadSceneBytes(bytes, &scene, nullptr);
  EXPECT_NE(problem.find("name"), std::string::npos) << problem;
  EXPECT_EQ(scene.meshCount, 1u);
}

TEST(SceneLoader, JumpedOverChunkShorterThanItsHeaderEndsTheWalk) {
  Chunk bad = MakeChunk(0x1234);
  bad.lengthAdjust = -3;
  Scene scene;
  const std::string problem = Load(Magic({Data({bad, Named("x", TriObject({}))})}), &scene);
  EXPECT_NE(problem.find("0x1234"), std::string::npos) << problem;
  EXPECT_EQ(scene.meshCount, 0u);
}

// Every prefix of a full file: the walk stays inside the bytes, keeps the
// scene consistent and never holds more than the whole file gives.
TEST(SceneLoader, FileCutAtEveryOffset) {
  const Bytes whole = FullFile().Bytes();
  Scene full;
  ASSERT_EQ(LoadSceneBytes(whole, &full, nullptr), "");
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    const Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
    Scene scene;
    const std::string problem = LoadSceneBytes(part, &scene, nullptr);
    ASSERT_LE(scene.meshCount, full.meshCount) << cut;
    ASSERT_LE(scene.lightCount, full.lightCount) << cut;
    ASSERT_LE(scene.materialCount, full.materialCount) << cut;
    ASSERT_EQ(scene.meshes.size(), scene.meshCount);
    for (const SceneMesh& mesh : scene.meshes) {
      ASSERT_EQ(mesh.vertices.size(), mesh.vertexCount) << cut;
      ASSERT_EQ(mesh.litVertices.size(), mesh.vertexCount) << cut;
      ASSERT_EQ(mesh.faces.size(), mesh.faceCount) << cut;
      for (const SceneFace& f : mesh.faces) {
        for (std::uint32_t i : f.index) {
          ASSERT_LT(i, mesh.vertexCount) << cut;
        }
      }
      ASSERT_LT(mesh.materialIndex, scene.materialCount) << cut;
    }
    if (cut + 1 == whole.size()) {
      EXPECT_NE(problem, "");
    }
  }
}

// Every chunk length lying by a little or a lot: no read outside the bytes.
TEST(SceneLoader, LyingLengthsStayInsideTheFile) {
  const Bytes whole = FullFile().Bytes();
  for (std::size_t at = 0; at + 6 <= whole.size(); ++at) {
    for (std::uint32_t length : {0u, 5u, 7u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      Bytes bytes = whole;
      for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = std::uint8_t(length >> (8 * i));
      Scene scene;
      LoadSceneBytes(bytes, &scene, nullptr);
      for (const SceneMesh& mesh : scene.meshes)
        ASSERT_EQ(mesh.litVertices.size(), mesh.vertices.size());
    }
  }
}

class SceneFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vuxa_scene_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_ / "scenes");
    oldDir_ = host::DataDir();
    host::SetDataDir(dir_.string());
  }
  void TearDown() override {
    host::SetDataDir(oldDir_);
    std::filesystem::remove_all(dir_);
  }
  void Write(const Bytes& bytes) {
    std::ofstream out(dir_ / "scenes" / "ball.3ds", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  std::filesystem::path dir_;
  std::string oldDir_;
};

TEST_F(SceneFileTest, MissingFileWarnsOnceAndLeavesTheSceneAlone) {
  Scene scene;
  scene.meshCount = 42;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadScene("scenes\\ball.3ds", &scene, nullptr), 1);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(scene.meshCount, 42u);
  EXPECT_EQ(err.rfind("vuxa: warning: ", 0), 0u) << err;
  EXPECT_NE(err.find("ball.3ds"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(SceneFileTest, GoodFileLoadsSilently) {
  Write(FullFile().Bytes());
  Scene scene;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadScene("SCENES\\Ball.3ds", &scene, nullptr), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(scene.meshCount, 2u);
}

TEST_F(SceneFileTest, WholeFileWithoutCameraOrLightsSaysTheSceneWillBeBlack) {
  const std::string path = host::ResolvePath("scenes\\ball.3ds");
  const std::string noCamera =
      "vuxa: warning: " + path + ": the scene has no camera; its 3D part will be black\n";
  const std::string noLights =
      "vuxa: warning: " + path + ": the scene has no lights; its 3D part will be black\n";
  const std::pair<Chunk, std::string> cases[] = {
      {Magic({Data({Named("eye", Camera({0, -100, 20}, {0, 0, 0}, 0, 50))})}), noLights},
      {Magic({Data({Named("lamp", Light(0, 50, 0, {}))})}), noCamera},
  };
  for (const auto& [file, expected] : cases) {
    Write(file.Bytes());
    Scene scene;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadScene("scenes\\ball.3ds", &scene, nullptr), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);
  }
}

TEST_F(SceneFileTest, CutFileWarnsWithTheOffsetAndKeepsWhatWasRead) {
  Bytes bytes = FullFile().Bytes();
  bytes.resize(bytes.size() - 20);  // inside the camera's fields
  Write(bytes);
  Scene scene;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadScene("scenes\\ball.3ds", &scene, nullptr), 0);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("vuxa: warning: " + host::ResolvePath("scenes\\ball.3ds") + ": ", 0), 0u)
      << err;
  EXPECT_NE(err.find("0x4700"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(scene.meshCount, 2u);
  EXPECT_EQ(scene.lightCount, 2u);
  EXPECT_EQ(scene.cameraFieldOfView, 0.0f);
}

}  // namespace
