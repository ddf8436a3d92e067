// The spinning scene: placements and opacities of the first three meshes,
// and what reaches the device.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <cstring>
#include <numbers>

#include "display/display.h"
#include "effects/scenes.h"
#include "scene/scene.h"
#include "scene/scene_recording_device.h"

namespace {

class SpinScene : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDevice_ = Display.device;
    Display.device = &device_;
    TheScene = Scene{};
    TheScene.cameraEye = {0, 0, -100};
    TheScene.cameraFieldOfView = 0.8f;
    SceneMaterial m{};
    m.texture = std::make_unique<TextureSurface>();
    TheScene.materials.push_back(std::move(m));
    TheScene.materialCount = 1;
  }
  void TearDown() override {
    Display.device = savedDevice_;
    TheScene = Scene{};
  }
  void AddMeshes(int n) {
    for (int i = 0; i < n; ++i) {
      SceneMesh mesh{};
      mesh.opacity = 1.0f;
      mesh.vertices = {SceneVertex{1, 2, 3, 0, 0, 0, 0, 1}, SceneVertex{}, SceneVertex{}};
      mesh.litVertices.resize(3);
      mesh.vertexCount = 3;
      mesh.faces = {SceneFace{{0, 1, 2}}};
      mesh.faceCount = 1;
      mesh.placement = ZeroMatrix();
      TheScene.meshes.push_back(std::move(mesh));
    }
    TheScene.meshCount = static_cast<std::uint32_t>(TheScene.meshes.size());
  }
  RecordingDevice device_;
  IDirect3DDevice2* savedDevice_ = nullptr;
};

void ExpectIdentity(const Matrix4& m) {
  const Matrix4 id = IdentityMatrix();
  for (int i = 0; i < 16; ++i) EXPECT_EQ((&m._11)[i], (&id._11)[i]) << i;  // -0 counts as 0
}

TEST_F(SpinScene, AtTimeZeroEveryPlacementIsTheIdentity) {
  AddMeshes(4);
  DrawSpinScene(0.0f);
  for (int i = 0; i < 3; ++i) ExpectIdentity(TheScene.meshes[i].placement);
  EXPECT_EQ(TheScene.meshes[3].placement._11, 0.0f);  // from index 3 on: untouched
  EXPECT_EQ(TheScene.meshes[0].opacity, 1.0f);
  EXPECT_EQ(TheScene.meshes[1].opacity, 0.9f);
  EXPECT_EQ(TheScene.meshes[2].opacity, 0.9f);
  EXPECT_EQ(TheScene.meshes[3].opacity, 1.0f);
  // Alpha bytes per mesh in draw order (all one material: mesh order).
  const auto v = device_.Vertices();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].color >> 24, 255u);
  EXPECT_EQ(v[3].color >> 24, 229u);
  EXPECT_EQ(v[6].color >> 24, 229u);
  EXPECT_EQ(v[9].color >> 24, 255u);
}

TEST_F(SpinScene, AfterTwoPiSecondsTheBallHasTurnedHalfWay) {
  AddMeshes(3);
  DrawSpinScene(static_cast<float>(2 * std::numbers::pi));
  const Matrix4& m = TheScene.meshes[0].placement;
  EXPECT_NEAR(m._11, -1.0f, 1e-6);
  EXPECT_NEAR(m._33, -1.0f, 1e-6);
  EXPECT_EQ(m._22, 1.0f);
  EXPECT_NEAR(m._13, 0.0f, 1e-6);
  EXPECT_NEAR(m._31, 0.0f, 1e-6);
  EXPECT_EQ(m._44, 1.0f);
  // The vertex (1, 2, 3) turned about y by pi: (-1, 2, -3).
  EXPECT_NEAR(TheScene.meshes[0].litVertices[0].x, -1.0f, 1e-5);
  EXPECT_NEAR(TheScene.meshes[0].litVertices[0].z, -3.0f, 1e-5);
}

TEST_F(SpinScene, RingsTurnAsTheWrittenOutProducts) {
  AddMeshes(3);
  const float t = 3.7f;
  DrawSpinScene(t);
  const double time = t;
  const float s2 = float(std::sin(time / 3)), c2 = float(std::cos(time / 3));
  const float s3 = float(std::sin(time * 0.2)), c3 = float(std::cos(time * 0.2));
  const float s4 = float(std::sin(time * 0.3125)), c4 = float(std::cos(time * 0.3125));
  const Matrix4& r1 = TheScene.meshes[1].placement;
  const float want1[9] = {c3 * c2, c3 * s2, s3, -s2, c2, 0, -s3 * c2, -s3 * s2, c3};
  const Matrix4& r2 = TheScene.meshes[2].placement;
  const float want2[9] = {c3 * c4, s3, -c3 * s4, -s3 * c4, c3, s3 * s4, s4, 0, c4};
  const float got1[9] = {r1._11, r1._12, r1._13, r1._21, r1._22, r1._23, r1._31, r1._32, r1._33};
  const float got2[9] = {r2._11, r2._12, r2._13, r2._21, r2._22, r2._23, r2._31, r2._32, r2._33};
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(got1[i], want1[i], 1e-6) << i;
    EXPECT_NEAR(got2[i], want2[i], 1e-6) << i;
  }
  EXPECT_EQ(r1._14, 0.0f);
  EXPECT_EQ(r2._44, 1.0f);
}

TEST_F(SpinScene, FewerThanThreeMeshesPlacesOnlyThoseThatExist) {
  AddMeshes(1);
  DrawSpinScene(1.0f);
  EXPECT_EQ(TheScene.meshes.size(), 1u);
  EXPECT_NEAR(TheScene.meshes[0].placement._11, std::cos(0.5), 1e-6);
  EXPECT_EQ(device_.Vertices().size(), 3u);

  TheScene.meshes.clear();
  TheScene.meshCount = 0;
  device_.calls.clear();
  DrawSpinScene(1.0f);
  EXPECT_EQ(device_.Vertices().size(), 0u);
}

TEST_F(SpinScene, UnloadedSceneDrawsNothing) {
  TheScene = Scene{};
  DrawSpinScene(5.0f);
  EXPECT_TRUE(device_.calls.empty());
}

}  // namespace
