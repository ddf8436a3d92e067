// normals.cpp: face validation and vertex normals of a loaded mesh.
//
// A vertex normal is the mean of the unit normals of the faces that use the
// vertex, not normalised again. Faces that name missing vertices are removed
// first, so nothing here or in the renderer reads past a mesh's points; faces
// of zero area have no direction and add nothing.
#include <algorithm>
#include <cmath>
#include <vector>

#include "scene/loader.h"

std::uint32_t DropBadFaces(SceneMesh* mesh) {
  const std::size_t points = mesh->vertices.size();
  const auto bad = [points](const SceneFace& face) {
    return face.index[0] >= points || face.index[1] >= points || face.index[2] >= points;
  };
  const auto before = mesh->faces.size();
  std::erase_if(mesh->faces, bad);
  mesh->faceCount = static_cast<std::uint32_t>(mesh->faces.size());
  return static_cast<std::uint32_t>(before - mesh->faces.size());
}

namespace {

// Unit normal of the face (second - first) x (third - first); false when the
// face has no finite, non-zero normal.
bool FaceNormal(const std::vector<SceneVertex>& v, const SceneFace& face, Vec3* normal) {
  const SceneVertex& p0 = v[face.index[0]];
  const SceneVertex& p1 = v[face.index[1]];
  const SceneVertex& p2 = v[face.index[2]];
  const Vec3 e1{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
  const Vec3 e2{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
  const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
  const float length = std::sqrt(SquaredLength(n));
  if (!(length > 0.0f) || !std::isfinite(length)) return false;
  *normal = DivideVec3(n, length);
  return true;
}

}  // namespace

void ComputeNormals(SceneMesh* mesh) {
  std::vector<SceneVertex>& v = mesh->vertices;
  std::vector<std::uint32_t> counts(v.size(), 0);
  for (SceneVertex& vertex : v) vertex.nx = vertex.ny = vertex.nz = 0.0f;

  for (const SceneFace& face : mesh->faces) {
    const std::uint32_t i0 = face.index[0], i1 = face.index[1], i2 = face.index[2];
    Vec3 n;
    if (i0 >= v.size() || i1 >= v.size() || i2 >= v.size() || !FaceNormal(v, face, &n)) continue;
    // A face with an area names three different vertices.
    for (const std::uint32_t m : {i0, i1, i2}) {
      v[m].nx += n.x;
      v[m].ny += n.y;
      v[m].nz += n.z;
      ++counts[m];
    }
  }
  for (std::size_t m = 0; m < v.size(); ++m) {
    if (counts[m] == 0) continue;
    const float count = static_cast<float>(counts[m]);
    v[m].nx /= count;
    v[m].ny /= count;
    v[m].nz /= count;
  }
}
