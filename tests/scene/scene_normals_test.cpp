// Face and vertex normals: unit face normals averaged without renormalising,
// zero-area faces adding nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/loader.h"
#include "scene/scene_chunks.h"

namespace {

SceneMesh MeshOf(std::vector<Vec3> points, std::vector<SceneFace> faces) {
  SceneMesh mesh{};
  for (const Vec3& p : points) {
    SceneVertex v{};
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
    mesh.vertices.push_back(v);
  }
  mesh.vertexCount = static_cast<std::uint32_t>(points.size());
  mesh.litVertices.resize(points.size());
  mesh.faces = std::move(faces);
  mesh.faceCount = static_cast<std::uint32_t>(mesh.faces.size());
  return mesh;
}

void ExpectNormal(const SceneVertex& v, float x, float y, float z) {
  EXPECT_NEAR(v.nx, x, 1e-6);
  EXPECT_NEAR(v.ny, y, 1e-6);
  EXPECT_NEAR(v.nz, z, 1e-6);
}

TEST(SceneNormals, SingleTriangle) {
  SceneMesh mesh = MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  ComputeNormals(&mesh);
  for (const SceneVertex& v : mesh.vertices) ExpectNormal(v, 0, 0, 1);
}

TEST(SceneNormals, SharedVertexTakesTheMeanWithoutRenormalising) {
  // Face A (0, 1, 2) has normal (0, 0, 1); face B (0, 3, 1) has normal (0, 1, 0).
  SceneMesh mesh = MeshOf({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {5, 5, 5}},
                          {{{0, 1, 2}}, {{0, 3, 1}}});
  ComputeNormals(&mesh);
  ExpectNormal(mesh.vertices[2], 0, 0, 1);
  ExpectNormal(mesh.vertices[3], 0, 1, 0);
  ExpectNormal(mesh.vertices[0], 0, 0.5f, 0.5f);
  ExpectNormal(mesh.vertices[1], 0, 0.5f, 0.5f);
  ExpectNormal(mesh.vertices[4], 0, 0, 0);  // used by no face
}

TEST(SceneNormals, ZeroAreaFacesAddNothing) {
  // A sliver (two points the same) and a face naming one vertex twice share
  // vertex 0 with a proper face.
  SceneMesh mesh = MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}},
                          {{{0, 1, 2}}, {{0, 1, 3}}, {{0, 0, 2}}});
  ComputeNormals(&mesh);
  for (const SceneVertex& v : mesh.vertices) {
    EXPECT_FALSE(std::isnan(v.nx) || std::isnan(v.ny) || std::isnan(v.nz));
  }
  ExpectNormal(mesh.vertices[0], 0, 0, 1);
  ExpectNormal(mesh.vertices[1], 0, 0, 1);
  ExpectNormal(mesh.vertices[3], 0, 0, 0);
}

TEST(SceneNormals, LoaderComputesThemInSceneAxes) {
  // The file triangle (0,0,0) (1,0,0) (0,0,1) lies in Scene z = 0; the file face
  // (2, 1, 0) is held as (0, 1, 2), whose normal is (0, 0, 1).
  const auto bytes =
      Magic({Data({Named("t", TriObject({Points({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}),
                                         Faces({{2, 1, 0}})}))})})
          .Bytes();
  Scene scene;
  LoadSceneBytes(bytes, &scene, nullptr);
  ASSERT_EQ(scene.meshCount, 1u);
  for (const SceneVertex& v : scene.meshes[0].vertices) ExpectNormal(v, 0, 0, 1);
}

TEST(SceneNormals, DropBadFacesCountsAndKeepsOrder) {
  SceneMesh mesh = MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                          {{{0, 1, 2}}, {{0, 1, 3}}, {{2, 1, 0}}, {{9, 0, 0}}});
  EXPECT_EQ(DropBadFaces(&mesh), 2u);
  ASSERT_EQ(mesh.faceCount, 2u);
  EXPECT_EQ(mesh.faces[1].index[0], 2u);
}

}  // namespace
