// Normals, and the renderer through a recording device (call order, material
// sort, lighting at its edges, packed colours). The matrices are the captured frames'.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>

#include "scene/lighting.h"
#include "scene/loader.h"
#include "scene/scene.h"
#include "scene/scene_recording_device.h"
#include "support/simd_targets.h"

namespace {

using Kind = RecordingDevice::Kind;

SceneVertex At(float x, float y, float z) { return SceneVertex{x, y, z, 0, 0, 0, 0, 0}; }

SceneMesh& AddMesh(Scene& s, std::uint32_t material, std::vector<SceneVertex> vertices,
                   std::vector<SceneFace> faces = {{{0, 1, 2}}}) {
  SceneMesh m{};
  m.opacity = 1.0f, m.materialIndex = material, m.placement = IdentityMatrix();
  m.vertexCount = static_cast<std::uint32_t>(vertices.size()), m.vertices = std::move(vertices);
  m.faceCount = static_cast<std::uint32_t>(faces.size()), m.faces = std::move(faces);
  m.litVertices.resize(m.vertexCount);
  s.meshes.push_back(std::move(m));
  s.meshCount = static_cast<std::uint32_t>(s.meshes.size());
  return s.meshes.back();
}

TEST(SceneNormals, UnitFaceNormalsAveragedOverTheFacesThatHaveOne) {
  // Faces (0, 1, 2) and (0, 3, 1) have normals +z and +y; a sliver and a face
  // naming one point twice add nothing; point 4 is in no face.
  Scene s;
  SceneMesh& mesh = AddMesh(s, 0, {At(0, 0, 0), At(2, 0, 0), At(0, 2, 0), At(0, 0, 2), At(5, 5, 5), At(2, 0, 0)},
                            {{{0, 1, 2}}, {{0, 3, 1}}, {{0, 1, 5}}, {{0, 0, 2}}});
  ComputeNormals(&mesh);
  const std::array<float, 3> want[] = {{0, 0.5f, 0.5f}, {0, 0.5f, 0.5f}, {0, 0, 1}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}};
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(std::abs(mesh.vertices[i].nx - want[i][0]) + std::abs(mesh.vertices[i].ny - want[i][1]) +
                    std::abs(mesh.vertices[i].nz - want[i][2]) < 1e-6) << i;
  Scene t;  // a face off every axis plane: its normal is (1, 5, -3) / sqrt(35), either way round
  SceneMesh& tilted = AddMesh(t, 0, {At(0, 0, 0), At(1, 1, 2), At(3, 0, 1)});
  ComputeNormals(&tilted);
  EXPECT_NEAR(std::abs(tilted.vertices[1].ny), 5 / std::sqrt(35.0f), 1e-6);
}

Scene CameraScene(std::vector<DWORD> handles = {0}) {
  Scene s{};
  s.cameraEye = {0, 0, -100};
  s.cameraFieldOfView = 0.8f;
  for (DWORD h : handles) {
    SceneMaterial m{};
    m.texture = std::make_unique<TextureSurface>();
    m.texture->handle = h;
    std::fill(m.diffuse, m.diffuse + 3, 1.0f);
    s.materials.push_back(std::move(m));
  }
  s.materialCount = static_cast<std::uint32_t>(s.materials.size());
  return s;
}

TEST(SceneRenderer, MeshesInMaterialOrderWithOneTextureSettingPerChange) {
  Scene s = CameraScene({10, 11, 12, 13});
  const std::uint32_t materials[] = {1, 2, 0, 3, 3};
  for (int i = 0; i < 5; ++i) AddMesh(s, materials[i], {At(float(i), 0, 0), At(float(i), 1, 0), At(float(i), 0, 1)});
  s.meshes[0].placement._24 = 5;  // moved only
  s.meshes[1].placement._22 = 2, s.meshes[1].placement._24 = 3;  // scaled and moved
  s.meshes[4].vertexCount = 5;  // more than it holds: its face is skipped
  s.meshes[4].faces = {{{0, 1, 2}}, {{0, 1, 3}}};
  s.meshes[4].faceCount = 2;
  RecordingDevice device;
  RenderScene(&s, &device);
  std::vector<DWORD> handles;
  std::vector<float> meshOrder, meshY;
  for (std::size_t i = 0; i < device.calls.size(); ++i) {
    const auto& c = device.calls[i];
    ASSERT_NE(c.kind, Kind::Other);
    if (c.kind == Kind::SetRenderState) handles.push_back(c.b);
    if (c.kind == Kind::Begin) {
      meshOrder.push_back(device.calls[i + 1].vertex.x);
      meshY.push_back(device.calls[i + 2].vertex.y);  // the second vertex, at y = 1 before placing
      EXPECT_TRUE(c.a == D3DPT_TRIANGLELIST && c.b == D3DVT_LVERTEX);
    }
  }
  EXPECT_EQ(handles, (std::vector<DWORD>{10, 11, 12, 13}));
  EXPECT_EQ(meshOrder, (std::vector<float>{2, 0, 1, 3, 4}));
  EXPECT_EQ(meshY, (std::vector<float>{1, 6, 5, 1, 1}));
  // The frame leaves each mesh's placed vertices in the Scene.
  EXPECT_EQ(s.meshes[0].litVertices[1].y, 6);
  EXPECT_EQ(s.meshes[1].litVertices[1].y, 5);
  EXPECT_EQ(s.meshes[3].litVertices[2].z, 1);
  EXPECT_EQ(device.Vertices().size(), 15u);
  ASSERT_GE(device.calls.size(), 2u);
  EXPECT_TRUE(device.calls[0].a == D3DTRANSFORMSTATE_VIEW && device.calls[1].a == D3DTRANSFORMSTATE_PROJECTION);

  device.failAll = true;  // failures do not stop the drawing
  device.calls.clear();
  RenderScene(&s, &device);
  EXPECT_EQ(device.Vertices().size(), 15u);
  for (int which = 0; which < 2; ++which) {  // no camera to look through: nothing at all
    Scene d = CameraScene();
    if (which == 0) d.cameraTarget = d.cameraEye;
    if (which == 1) d.cameraFieldOfView = 0;
    AddMesh(d, 0, {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)});
    RecordingDevice none;
    RenderScene(&d, &none);
    EXPECT_TRUE(none.calls.empty()) << which;
  }
}

SceneLight Point(Vec3 at, float range, std::array<float, 3> c, std::array<float, 3> colour = {1, 1, 1}) {
  SceneLight l{};
  l.type = LIGHT_POINT, l.position = at, l.range = range;
  for (int i = 0; i < 3; ++i) l.attenuation[i] = c[i], l.color[i] = colour[i];
  return l;
}
SceneLight Spot(Vec3 at, Vec3 axis, float hotspot, float falloff, float grey = 1) {
  SceneLight l{};
  l.type = LIGHT_SPOT, l.position = at, l.direction = axis, l.hotspot = hotspot, l.falloff = falloff;
  std::fill(l.color, l.color + 3, grey);
  return l;
}

TEST(SceneRenderer, VertexColoursAtTheLightsEdges) {
  const float cone = std::acos(0.8f);  // of the point (6, 0, 8) from a spot at 0 along +z
  const struct {
    const char* what;
    std::vector<SceneLight> lights;
    Vec3 p, n;
    D3DCOLOR colour;
  } cases[] = {
      {"three lights clamp at 1", std::vector<SceneLight>(3, Point({0, 0, 10}, 20, {0.6f, 0, 0}, {1, 0.5f, 0})),
       {0, 0, 0}, {0, 0, 1}, 0xFFFFE500},
      {"at the range: the constant term", {Point({0, 0, 8}, 8, {0.4f, 5, 5})}, {0, 0, 0}, {0, 0, 1}, 0xFF666666},
      {"range 0, no coefficients, out of reach", {Point({0, 0, 1}, 0, {1, 1, 1}), Point({0, 0, 1}, 10, {0, 0, 0}),
       Point({0, 0, 6}, 5, {1, 1, 1}), Point({4, 0, 4}, 5, {1, 1, 1})}, {0, 0, 0}, {0, 0, 1}, 0xFF000000},
      {"on the light: nothing from it", {Point({0, 0, 0}, 10, {1, 0, 0}), Point({0, 0, 5}, 10, {0.5f, 0, 0})},
       {0, 0, 0}, {0, 0, 1}, 0xFF7F7F7F},
      {"facing away adds nothing", {Point({0, 0, 5}, 10, {1, 0, 0}), Spot({0, 0, 5}, {0, 0, -1}, 0.5f, 1),
       Point({0, 0, -5}, 10, {0.5f, 0, 0}, {0, 0, 1})}, {0, 0, 0}, {0, 0, -1}, 0xFF00007F},
      {"on the falloff edge", {Spot({0, 0, 0}, {0, 0, 1}, cone / 2, cone)}, {6, 0, 8}, {0, 0, -1}, 0xFF000000},
      {"hotspot past falloff: full", {Spot({0, 0, 0}, {0, 0, 1}, 1, 0.7f, 0.5f)}, {6, 0, 8}, {0, 0, -1}, 0xFF7F7F7F},
      {"axis a rounding step past 1", {Spot({0, 0, 0}, {0, 0, std::nextafter(1.0f, 2.0f)}, 0, 0.1f, 0.5f)},
       {0, 0, 20}, {0, 0, -1}, 0xFF7F7F7F},
      {"falloff past pi: behind the spot too", {Spot({0, 0, 0}, {0, 0, 1}, 4, 4, 0.5f)}, {0, 0, -5}, {0, 0, -1},
       0xFF7F7F7F},
  };
  for (const auto& c : cases) {
    Scene s = CameraScene();
    s.materials[0].diffuse[0] = 0.7f;  // scales red after the clamp
    s.materials[0].specular[0] = 0.5f, s.materials[0].specular[2] = 0.2f;
    s.lights = c.lights;
    s.lightCount = static_cast<std::uint32_t>(c.lights.size());
    const SceneVertex v{c.p.x, c.p.y, c.p.z, 0, 0, c.n.x, c.n.y, c.n.z};
    AddMesh(s, 0, {v, v, v}).opacity = 0.9f;
    RecordingDevice device;
    RenderScene(&s, &device);
    ASSERT_EQ(device.Vertices().size(), 3u) << c.what;
    const D3DCOLOR red = (c.colour >> 16 & 0xFF) * 7 / 10;  // within a rounding of 0.7 x red
    EXPECT_LE((device.Vertices()[0].color >> 16 & 0xFF) - red + 1, 2u) << c.what;
    EXPECT_EQ(device.Vertices()[0].color & 0xFFFF, c.colour & 0xFFFF) << c.what;
    EXPECT_EQ(device.Vertices()[0].color >> 24, 0xE5u) << c.what;  // 0.9 opacity
    EXPECT_EQ(device.Vertices()[2].specular, 0xFF7F0033u) << c.what;
    const SceneLitVertex& lit = s.meshes[0].litVertices[0];  // the colour the record was packed from
    EXPECT_EQ(device.Vertices()[0].color >> 8 & 0xFF, static_cast<DWORD>(lit.green * 255.0f)) << c.what;
    EXPECT_EQ(lit.nz, c.n.z) << c.what;
  }
  EXPECT_NEAR(SpotLightIntensity(Spot({0, 0, 0}, {0, 0, 1}, 0, 2 * cone), {6, 0, 8}, {0, 0, -1}), 0.5f, 1e-6);
}

// A mesh large enough for every lane of the lighting's loops and their tails,
// on every SIMD target: each vertex gets exactly the sum, in the lights' order, of the positive
// intensities the lights give it alone, clamped at 1, times the diffuse colour.
TEST(SceneRenderer, EveryVertexOfALargeMeshIsLitAsIfAlone) {
  Scene s = CameraScene();
  s.lights = {Point({0, 0, 10}, 20, {0.6f, 0.01f, 0.002f}, {1, 0.5f, 0.25f}), Spot({0, 10, 0}, {0, -1, 0}, 0.3f, 0.9f, 0.7f),
              Point({3, -2, 1}, 6, {0.2f, 0.5f, 0}, {0.3f, 1, 0.6f}), Point({1, 1, 1}, 0, {1, 1, 1})};
  s.lights.push_back(s.lights[0]);  // the same light twice: sums pass 1 and clamp
  s.lightCount = static_cast<std::uint32_t>(s.lights.size());
  std::mt19937 random(3);
  std::uniform_real_distribution<float> at(-14.0f, 14.0f), axis(-1.0f, 1.0f);
  SceneMesh mesh{};
  const std::size_t count = 203;
  mesh.litVertices.resize(count);
  for (SceneLitVertex& v : mesh.litVertices) {
    v.x = at(random), v.y = at(random), v.z = at(random);
    const Vec3 n{axis(random), axis(random), axis(random)};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    v.nx = n.x / length, v.ny = n.y / length, v.nz = n.z / length;
  }
  mesh.litVertices[5].x = 0, mesh.litVertices[5].y = 0, mesh.litVertices[5].z = 10;  // on a light
  mesh.litVertices[6].x = 1, mesh.litVertices[6].y = 1, mesh.litVertices[6].z = 1;   // on the light of range 0
  const float diffuse[3] = {0.9f, 0.8f, 0.7f};
  ForEachSimdTarget([&](const char* target) {
    for (SceneLitVertex& v : mesh.litVertices) v.red = v.green = v.blue = -1;
    VertexColumns c;  // the lit vertices' positions and normals in, their colours out
    c.Resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const SceneLitVertex& v = mesh.litVertices[i];
      c.px[i] = v.x, c.py[i] = v.y, c.pz[i] = v.z, c.nx[i] = v.nx, c.ny[i] = v.ny, c.nz[i] = v.nz;
    }
    LightColumns(s, diffuse, c, count);
    for (std::size_t i = 0; i < count; ++i)
      mesh.litVertices[i].red = c.red[i], mesh.litVertices[i].green = c.green[i], mesh.litVertices[i].blue = c.blue[i];
    int lit = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const SceneLitVertex& v = mesh.litVertices[i];
      float sum[3] = {0, 0, 0};
      for (const SceneLight& light : s.lights) {
        const Vec3 p{v.x, v.y, v.z}, n{v.nx, v.ny, v.nz};
        const float k = light.type == LIGHT_POINT ? PointLightIntensity(light, p, n) : SpotLightIntensity(light, p, n);
        if (k > 0)
          for (int c = 0; c < 3; ++c) sum[c] += k * light.color[c];
      }
      lit += sum[0] > 0;
      EXPECT_EQ(v.red, diffuse[0] * std::min(sum[0], 1.0f)) << target << " " << i;
      EXPECT_EQ(v.green, diffuse[1] * std::min(sum[1], 1.0f)) << target << " " << i;
      EXPECT_EQ(v.blue, diffuse[2] * std::min(sum[2], 1.0f)) << target << " " << i;
    }
    EXPECT_GT(lit, 50) << target << ": most vertices are in reach of a light";
    EXPECT_LT(lit, 190) << target << ": some are in reach of none";
  });
}

}  // namespace
