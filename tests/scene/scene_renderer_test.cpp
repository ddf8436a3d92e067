// The renderer through a recording device: call order, material sort, texture
// settings, placement, per-vertex lighting and the packed vertex bytes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "scene/lighting.h"
#include "scene/scene.h"
#include "scene/scene_recording_device.h"

namespace {

using Kind = RecordingDevice::Kind;

Scene CameraScene() {
  Scene s{};
  s.cameraEye = {0, 0, -100};
  s.cameraTarget = {0, 0, 0};
  s.cameraFieldOfView = 0.8f;
  return s;
}

void AddMaterial(Scene& s, DWORD handle, std::array<float, 3> diffuse = {1, 1, 1},
                 std::array<float, 3> specular = {0, 0, 0}) {
  SceneMaterial m{};
  m.texture = std::make_unique<TextureSurface>();
  m.texture->handle = handle;
  for (int c = 0; c < 3; ++c) {
    m.diffuse[c] = diffuse[c];
    m.specular[c] = specular[c];
  }
  s.materials.push_back(std::move(m));
  s.materialCount = static_cast<std::uint32_t>(s.materials.size());
}

SceneVertex At(float x, float y, float z, Vec3 n = {0, 0, 0}, float u = 0, float v = 0) {
  return SceneVertex{x, y, z, u, v, n.x, n.y, n.z};
}

SceneMesh& AddMesh(Scene& s, std::uint32_t material, std::vector<SceneVertex> vertices,
                   std::vector<SceneFace> faces) {
  SceneMesh m{};
  m.opacity = 1.0f;
  m.materialIndex = material;
  m.vertexCount = static_cast<std::uint32_t>(vertices.size());
  m.vertices = std::move(vertices);
  m.litVertices.resize(m.vertexCount);
  m.faces = std::move(faces);
  m.faceCount = static_cast<std::uint32_t>(m.faces.size());
  m.placement = IdentityMatrix();
  s.meshes.push_back(std::move(m));
  s.meshCount = static_cast<std::uint32_t>(s.meshes.size());
  return s.meshes.back();
}

SceneLight PointLight(Vec3 at, float range, std::array<float, 3> c0c1c2,
                      std::array<float, 3> colour) {
  SceneLight l{};
  l.type = LIGHT_POINT;
  l.position = at;
  l.range = range;
  for (int i = 0; i < 3; ++i) {
    l.attenuation[i] = c0c1c2[i];
    l.color[i] = colour[i];
  }
  return l;
}

SceneLight SpotLight(Vec3 at, Vec3 direction, float hotspot, float falloff,
                     std::array<float, 3> colour) {
  SceneLight l{};
  l.type = LIGHT_SPOT;
  l.position = at;
  l.direction = direction;
  l.hotspot = hotspot;
  l.falloff = falloff;
  for (int i = 0; i < 3; ++i) l.color[i] = colour[i];
  return l;
}

void AddLight(Scene& s, const SceneLight& l) {
  s.lights.push_back(l);
  s.lightCount = static_cast<std::uint32_t>(s.lights.size());
}

// The packed colour of a vertex at p with normal n under the scene's lights.
D3DCOLOR ColourAt(Scene& s, Vec3 p, Vec3 n, std::array<float, 3> diffuse = {1, 1, 1}) {
  AddMaterial(s, 0, diffuse);
  const SceneVertex v = At(p.x, p.y, p.z, n);
  AddMesh(s, 0, {v, v, v}, {{{0, 1, 2}}});
  RecordingDevice device;
  RenderScene(&s, &device);
  const auto vertices = device.Vertices();
  EXPECT_EQ(vertices.size(), 3u);
  return vertices.empty() ? 0xDEADBEEF : vertices[0].color;
}

DWORD Red(D3DCOLOR c) { return (c >> 16) & 0xFF; }

TEST(SceneRenderer, DrawOrderFollowsMaterialsWithOneSettingPerChange) {
  Scene s = CameraScene();
  for (DWORD h : {10u, 11u, 12u, 13u}) AddMaterial(s, h);
  const std::uint32_t materials[4] = {1, 2, 0, 3};
  for (std::uint32_t m = 0; m < 4; ++m)
    AddMesh(s, materials[m], {At(float(m), 0, 0), At(float(m), 1, 0), At(float(m), 0, 1)},
            {{{0, 1, 2}}});
  RecordingDevice device;
  RenderScene(&s, &device);

  std::vector<DWORD> handles;
  std::vector<float> meshOrder;
  for (std::size_t i = 0; i < device.calls.size(); ++i) {
    const auto& c = device.calls[i];
    ASSERT_NE(c.kind, Kind::Other);
    if (c.kind == Kind::SetRenderState) {
      EXPECT_EQ(c.a, D3DRENDERSTATE_TEXTUREHANDLE);
      handles.push_back(c.b);
    }
    if (c.kind == Kind::Begin) {
      EXPECT_EQ(c.a, D3DPT_TRIANGLELIST);
      EXPECT_EQ(c.b, D3DVT_LVERTEX);
      meshOrder.push_back(device.calls[i + 1].vertex.x);
    }
  }
  EXPECT_EQ(handles, (std::vector<DWORD>{10, 11, 12, 13}));
  EXPECT_EQ(meshOrder, (std::vector<float>{2, 0, 1, 3}));
  ASSERT_GE(device.calls.size(), 3u);
  EXPECT_EQ(device.calls[0].kind, Kind::SetTransform);
  EXPECT_EQ(device.calls[0].a, D3DTRANSFORMSTATE_VIEW);
  EXPECT_EQ(device.calls[1].a, D3DTRANSFORMSTATE_PROJECTION);
  EXPECT_EQ(device.calls[2].kind, Kind::SetRenderState);
  EXPECT_EQ(device.calls.size(), 2 + 4 + 4 * 5u);
}

TEST(SceneRenderer, SortIsStableAndAscending) {
  Scene s = CameraScene();
  for (std::uint32_t m : {3u, 1u, 3u, 0u, 1u, 0u}) AddMesh(s, m, {}, {});
  std::uint32_t order[6] = {0, 1, 2, 3, 4, 5};
  SortMeshesByMaterial(&s, order);
  EXPECT_EQ(std::vector<std::uint32_t>(order, order + 6),
            (std::vector<std::uint32_t>{3, 5, 1, 4, 0, 2}));
}

TEST(SceneRenderer, AdjacentMeshesOfOneMaterialSetTheTextureOnce) {
  Scene s = CameraScene();
  AddMaterial(s, 0);
  AddMaterial(s, 77);
  AddMesh(s, 1, {}, {});
  AddMesh(s, 1, {}, {});
  RecordingDevice device;
  RenderScene(&s, &device);
  const auto states = device.Of(Kind::SetRenderState);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].b, 77u);
  EXPECT_EQ(device.Of(Kind::Begin).size(), 2u);
  EXPECT_EQ(device.Of(Kind::End).size(), 2u);
}

TEST(SceneRenderer, TransformsComeFromTheCameraWithRoll) {
  Scene s = CameraScene();
  s.cameraEye = {1, 2, 3};
  s.cameraTarget = {4, -1, 7};
  s.cameraRoll = 0.3f;
  s.cameraFieldOfView = 1.0f;
  RecordingDevice device;
  RenderScene(&s, &device);
  ASSERT_EQ(device.calls.size(), 2u);  // no meshes: the two transforms only
  const D3DMATRIX view = ViewMatrix(s.cameraEye, s.cameraTarget,
                                    {std::sin(0.3f), std::cos(0.3f), 0});
  const D3DMATRIX projection = ProjectionMatrix(10, 500, 1);
  EXPECT_EQ(std::memcmp(&device.calls[0].matrix, &view, sizeof view), 0);
  EXPECT_EQ(std::memcmp(&device.calls[1].matrix, &projection, sizeof projection), 0);
}

TEST(SceneRenderer, DegenerateCameraDrawsNothing) {
  for (int which = 0; which < 3; ++which) {
    Scene s = CameraScene();
    if (which == 0) s = Scene{};  // scene never loaded
    if (which == 1) s.cameraTarget = s.cameraEye;
    if (which == 2) s.cameraFieldOfView = 0;
    AddMaterial(s, 5);
    AddMesh(s, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}, {{{0, 1, 2}}});
    RecordingDevice device;
    RenderScene(&s, &device);
    EXPECT_TRUE(device.calls.empty()) << which;
  }
}

TEST(SceneRenderer, DeviceFailuresDoNotStopTheDrawing) {
  Scene s = CameraScene();
  AddMaterial(s, 1);
  AddMaterial(s, 2);
  AddMesh(s, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}, {{{0, 1, 2}}});
  AddMesh(s, 1, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}, {{{0, 1, 2}}});
  RecordingDevice device;
  device.failAll = true;
  RenderScene(&s, &device);
  EXPECT_EQ(device.Of(Kind::Vertex).size(), 6u);
}

TEST(SceneRenderer, DiagonalOfOnesIsATranslationOnly) {
  Scene s = CameraScene();
  AddMaterial(s, 0);
  SceneMesh& mesh = AddMesh(s, 0, {At(1, 2, 3, {0, 0.5f, 0.5f}, 0.25f, -0.75f)}, {{{0, 0, 0}}});
  mesh.placement._12 = 9;
  mesh.placement._31 = 9;
  mesh.placement._14 = 10;
  mesh.placement._24 = 20;
  mesh.placement._34 = 30;
  mesh.placement._41 = 99;  // the fourth row is never read
  mesh.placement._44 = 0;   // nor tested for the shortcut
  RecordingDevice device;
  RenderScene(&s, &device);
  const SceneLitVertex& lit = s.meshes[0].litVertices[0];
  EXPECT_EQ(lit.x, 11.0f);
  EXPECT_EQ(lit.y, 22.0f);
  EXPECT_EQ(lit.z, 33.0f);
  EXPECT_EQ(lit.nx, 0.0f);
  EXPECT_EQ(lit.ny, 0.5f);
  EXPECT_EQ(lit.nz, 0.5f);
  const auto v = device.Vertices();
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].x, 11.0f);
  EXPECT_EQ(v[0].tu, 0.25f);
  EXPECT_EQ(v[0].tv, -0.75f);
  EXPECT_EQ(v[0].dwReserved, 0u);
}

TEST(SceneRenderer, PlacementTurnsPointsAndNormalsAsColumnVectors) {
  Scene s = CameraScene();
  AddMaterial(s, 0);
  SceneMesh& mesh = AddMesh(s, 0, {At(1, 0, 0, {1, 0, 0})}, {});
  mesh.placement = IdentityMatrix();
  mesh.placement._11 = 0;  // a Z-turn by 90 degrees: (x, y) -> (y, -x)
  mesh.placement._12 = 1;
  mesh.placement._21 = -1;
  mesh.placement._22 = 0;
  mesh.placement._14 = 5;
  mesh.placement._41 = 7;  // a row-vector transform would translate by this
  RecordingDevice device;
  RenderScene(&s, &device);
  const SceneLitVertex& lit = s.meshes[0].litVertices[0];
  EXPECT_EQ(lit.x, 5.0f);
  EXPECT_EQ(lit.y, -1.0f);
  EXPECT_EQ(lit.z, 0.0f);
  EXPECT_EQ(lit.nx, 0.0f);
  EXPECT_EQ(lit.ny, -1.0f);  // normals take no translation
}

TEST(SceneRenderer, AllZeroPlacementPutsEverythingAtTheOrigin) {
  Scene s = CameraScene();
  AddLight(s, PointLight({0, 0, 5}, 100, {1, 0, 0}, {1, 1, 1}));
  AddMaterial(s, 0);
  SceneMesh& mesh = AddMesh(s, 0, {At(4, 5, 6, {0, 0, 1})}, {{{0, 0, 0}}});
  mesh.placement = ZeroMatrix();
  RecordingDevice device;
  RenderScene(&s, &device);
  const SceneLitVertex& lit = s.meshes[0].litVertices[0];
  EXPECT_EQ(lit.x, 0.0f);
  EXPECT_EQ(lit.z, 0.0f);
  EXPECT_EQ(lit.nz, 0.0f);
  EXPECT_EQ(device.Vertices()[0].color, 0xFF000000u);
}

TEST(SceneRenderer, NoLightsGiveBlackWithAlphaFromOpacity) {
  Scene s = CameraScene();
  AddMaterial(s, 0, {1, 1, 1}, {0.5f, 1.0f, 0.2f});
  AddMesh(s, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}, {{{0, 1, 2}}});
  AddMesh(s, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}, {{{0, 1, 2}}}).opacity = 0.9f;
  RecordingDevice device;
  RenderScene(&s, &device);
  const auto v = device.Vertices();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].color, 0xFF000000u);
  EXPECT_EQ(v[3].color, 0xE5000000u);
  // Specular: alpha 255 and bytes 0.5 -> 127, 1.0 -> 255, 0.2 -> 51.
  EXPECT_EQ(v[0].specular, 0xFF7FFF33u);
  EXPECT_EQ(v[5].specular, 0xFF7FFF33u);
}

TEST(SceneRenderer, ThreeLightsClampThenDiffuseScales) {
  Scene s = CameraScene();
  // Each light is 10 away with range 20 (f = 0.5) and c0 = 0.6: I = 0.6.
  for (int i = 0; i < 3; ++i) AddLight(s, PointLight({0, 0, 10}, 20, {0.6f, 0, 0}, {1, 0.5f, 0}));
  const D3DCOLOR c = ColourAt(s, {0, 0, 0}, {0, 0, 1}, {0.7f, 1, 1});
  EXPECT_EQ(Red(c), 178u);                  // min(1.8, 1) x 0.7 x 255
  EXPECT_EQ((c >> 8) & 0xFF, 229u);         // 0.9 x 255, not clamped
  EXPECT_EQ(c >> 24, 0xFFu);
}

TEST(SceneRenderer, PointLightFallsOffLinearlyToItsRange) {
  Scene s = CameraScene();
  // Distance 10, range 40: f = 0.75; I = (0.1 + 0.4 f + 0.2 f^2) x 1 = 0.5125.
  AddLight(s, PointLight({0, 10, 0}, 40, {0.1f, 0.4f, 0.2f}, {1, 1, 1}));
  EXPECT_EQ(Red(ColourAt(s, {0, 0, 0}, {0, 1, 0})), 130u);
  // At an angle the facing term scales it: l = (0.6, 0.8, 0), n = (0, 1, 0).
  Scene t = CameraScene();
  AddLight(t, PointLight({6, 8, 0}, 10, {1, 0, 0}, {1, 1, 1}));
  EXPECT_EQ(Red(ColourAt(t, {0, 0, 0}, {0, 1, 0})), 204u);
}

TEST(SceneRenderer, PointLightsThatAddNothing) {
  const Vec3 p{0, 0, 0}, n{0, 0, 1};
  Scene rangeZero = CameraScene();
  AddLight(rangeZero, PointLight({0, 0, 0}, 0, {1, 1, 1}, {1, 1, 1}));
  AddLight(rangeZero, PointLight({0, 0, 1}, 0, {1, 1, 1}, {1, 1, 1}));
  EXPECT_EQ(ColourAt(rangeZero, p, n), 0xFF000000u);

  Scene noCoefficients = CameraScene();
  AddLight(noCoefficients, PointLight({0, 0, 1}, 10, {0, 0, 0}, {1, 1, 1}));
  EXPECT_EQ(ColourAt(noCoefficients, p, n), 0xFF000000u);

  Scene outOfReach = CameraScene();
  AddLight(outOfReach, PointLight({0, 0, 6}, 5, {1, 1, 1}, {1, 1, 1}));   // one axis past
  AddLight(outOfReach, PointLight({4, 0, 4}, 5, {1, 1, 1}, {1, 1, 1}));   // each axis in, 5.66 away
  EXPECT_EQ(ColourAt(outOfReach, p, n), 0xFF000000u);

  // A vertex on the light itself: no direction, nothing added; the other light counts.
  Scene onTheLight = CameraScene();
  AddLight(onTheLight, PointLight({0, 0, 0}, 10, {1, 0, 0}, {1, 1, 1}));
  AddLight(onTheLight, PointLight({0, 0, 5}, 10, {0.5f, 0, 0}, {1, 1, 1}));
  EXPECT_EQ(Red(ColourAt(onTheLight, p, n)), 127u);
}

TEST(SceneRenderer, VertexAtTheRangeGetsOnlyTheConstantTerm) {
  Scene s = CameraScene();
  AddLight(s, PointLight({0, 0, 8}, 8, {0.4f, 5, 5}, {1, 1, 1}));
  EXPECT_NEAR(PointLightIntensity(s.lights[0], {0, 0, 0}, {0, 0, 1}), 0.4f, 1e-7);
  EXPECT_EQ(Red(ColourAt(s, {0, 0, 0}, {0, 0, 1})), 102u);
}

TEST(SceneRenderer, NormalsFacingAwayAddNothingAndNothingGoesNegative) {
  Scene s = CameraScene();
  AddLight(s, PointLight({0, 0, 5}, 10, {1, 0, 0}, {1, 1, 1}));       // behind the face: I = -1
  AddLight(s, SpotLight({0, 0, 5}, {0, 0, -1}, 0.5f, 1.0f, {1, 1, 1}));  // -(n . D) = -1
  AddLight(s, PointLight({0, 0, -5}, 10, {0.5f, 0, 0}, {0, 0, 1}));   // in front: blue 0.5
  const D3DCOLOR c = ColourAt(s, {0, 0, 0}, {0, 0, -1});
  EXPECT_EQ(c, 0xFF00007Fu);
}

TEST(SceneRenderer, SpotlightConeAndRamp) {
  // Light at the origin looking along +z; vertex at (6, 0, 8): angle acos(0.8).
  const float angle = std::acos(0.8f);
  const Vec3 p{6, 0, 8}, n{0, 0, -1};
  auto intensity = [&](float hotspot, float falloff) {
    return SpotLightIntensity(SpotLight({0, 0, 0}, {0, 0, 1}, hotspot, falloff, {1, 1, 1}), p, n);
  };
  EXPECT_EQ(intensity(angle * 0.5f, angle), 0.0f);         // exactly on the falloff edge
  EXPECT_LE(intensity(0.1f, angle * 0.999f), 0.0f);        // outside: nothing
  EXPECT_NEAR(intensity(0, angle * 2), 0.5f, 1e-6);        // half way along the ramp
  EXPECT_EQ(intensity(angle, angle * 2), 1.0f);            // on the hotspot edge: full
  EXPECT_EQ(intensity(1.0f, 0.7f), 1.0f);                  // g <= h: full inside the falloff

  Scene s = CameraScene();
  AddLight(s, SpotLight({0, 0, 0}, {0, 0, 1}, angle * 0.5f, angle, {1, 1, 1}));
  EXPECT_EQ(ColourAt(s, p, n), 0xFF000000u);
  Scene t = CameraScene();
  AddLight(t, SpotLight({0, 0, 0}, {0, 0, 1}, 1.0f, 0.7f, {0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(ColourAt(t, p, n), 0xFF7F7F7Fu);
}

TEST(SceneRenderer, SpotlightAxisRoundingPastOneStillLights) {
  // u . D a rounding step above 1: the arc cosine is not a number and neither
  // cone test excludes the vertex; the full I = -(n . D) applies.
  const Vec3 axis{0, 0, std::nextafter(1.0f, 2.0f)};
  Scene s = CameraScene();
  AddLight(s, SpotLight({0, 0, 0}, axis, 0.0f, 0.1f, {0.5f, 0.5f, 0.5f}));
  ASSERT_TRUE(std::isnan(std::acos(axis.z)));
  EXPECT_EQ(Red(ColourAt(s, {0, 0, 20}, {0, 0, -1})), 127u);
}

TEST(SceneRenderer, FacesNamingMissingVerticesAreSkipped) {
  Scene s = CameraScene();
  AddMaterial(s, 0);
  SceneMesh& mesh = AddMesh(s, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)},
                            {{{0, 1, 2}}, {{0, 1, 3}}, {{2, 1, 0}}});
  mesh.vertexCount = 5;  // more than it holds
  mesh.litVertices.clear();
  RecordingDevice device;
  RenderScene(&s, &device);
  EXPECT_EQ(device.Vertices().size(), 6u);
}

}  // namespace
