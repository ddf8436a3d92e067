// renderer.cpp: draws the Scene through the device, lit per vertex in software.
//
// Each call sets the camera's view and projection, orders the meshes by
// material, moves every vertex into world coordinates by its mesh's placement
// (a column-vector transform; a diagonal of exactly 1 is taken as a pure
// translation), lights it, and submits pre-lit triangle lists. Vertices pass
// through each step as columns (one array per component), so that each
// step's loop takes several vertices per instruction. The texture
// handle changes only where the material changes along the draw order.
// A camera that gives no usable view (eye on target, no field of view, no
// finite matrix) draws nothing. Faces naming missing vertices are skipped.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "scene/lighting.h"
#include "scene/placement.h"
#include "scene/scene.h"

namespace {

std::size_t MeshTotal(const Scene& scene) {
  return std::min<std::size_t>(scene.meshCount, scene.meshes.size());
}

const SceneMaterial* MaterialAt(const Scene& scene, std::uint32_t index) {
  const std::size_t total = std::min<std::size_t>(scene.materialCount, scene.materials.size());
  return index < total ? &scene.materials[index] : nullptr;
}

DWORD TextureHandle(const Scene& scene, std::uint32_t materialIndex) {
  const SceneMaterial* material = MaterialAt(scene, materialIndex);
  return material != nullptr && material->texture ? material->texture->handle : 0;
}

// value x 255 truncated toward zero, low 8 bits; a value beyond any integer
// (only from outlandish light colours) packs as 0. A select rather than an
// early return, so that a loop of these vectorizes.
DWORD PackByte(float value) {
  const float scaled = value * 255.0f;
  const bool representable = scaled > -2147483648.0f && scaled < 2147483648.0f;
  return representable ? static_cast<DWORD>(static_cast<std::int32_t>(scaled)) & 0xFF : 0;
}

D3DCOLOR PackColor(float alpha, float red, float green, float blue) {
  return PackByte(alpha) << 24 | PackByte(red) << 16 | PackByte(green) << 8 | PackByte(blue);
}

bool IsFinite(const Matrix4& m) {
  const float* e = &m._11;
  return std::all_of(e, e + 16, [](float x) { return std::isfinite(x); });
}

bool CameraUsable(const Scene& scene, const Matrix4& view, const Matrix4& projection) {
  const Vec3& eye = scene.cameraEye;
  const Vec3& target = scene.cameraTarget;
  if (eye.x == target.x && eye.y == target.y && eye.z == target.z) return false;
  if (scene.cameraFieldOfView == 0.0f) return false;
  return IsFinite(view) && IsFinite(projection);
}

// Each vertex's colour packed as the device takes it, alpha from the mesh.
void PackColors(const VertexColumns& c, DWORD alpha, D3DCOLOR* __restrict out, std::size_t count) {
  const float* __restrict red = c.red.data();
  const float* __restrict green = c.green.data();
  const float* __restrict blue = c.blue.data();
  for (std::size_t i = 0; i < count; ++i)
    out[i] = alpha | PackByte(red[i]) << 16 | PackByte(green[i]) << 8 | PackByte(blue[i]);
}

// The mesh's lit vertices from the columns: what a frame leaves in the
// Scene for any later reader (the lit buffer follows the points if a caller
// left the two out of step).
void StoreLitVertices(SceneMesh& mesh, const VertexColumns& c, std::size_t count) {
  if (mesh.litVertices.size() < count) mesh.litVertices.resize(count);
  SceneLitVertex* lit = mesh.litVertices.data();
  for (std::size_t i = 0; i < count; ++i)
    lit[i] = SceneLitVertex{c.px[i], c.py[i], c.pz[i], c.red[i], c.green[i], c.blue[i], c.nx[i], c.ny[i], c.nz[i]};
}

// Hands each face's three records to the device in order, skipping faces
// that name a vertex past `vertices`. One test for the three corners, and
// the three calls written out: a loop over the corners keeps its own
// counter and bounds test around every call.
void SubmitFaces(IDirect3DDevice2* device, const SceneFace* faces, std::size_t count, D3DLVERTEX* record,
                 std::size_t vertices) {
  for (const SceneFace* face = faces; face != faces + count; ++face) {
    if (std::max({face->index[0], face->index[1], face->index[2]}) >= vertices) continue;
    device->Vertex(record + face->index[0]);
    device->Vertex(record + face->index[1]);
    device->Vertex(record + face->index[2]);
  }
}

// Fills each vertex's record once (faces share vertices several times over)
// and hands the faces to the device.
void SubmitMesh(IDirect3DDevice2* device, const SceneMesh& mesh, const VertexColumns& c, std::size_t count,
                D3DCOLOR specular) {
  thread_local std::vector<D3DCOLOR> colors;
  thread_local std::vector<D3DLVERTEX> records;
  colors.resize(count);
  records.resize(count);
  PackColors(c, PackByte(mesh.opacity) << 24, colors.data(), count);
  for (std::size_t i = 0; i < count; ++i) {
    const SceneVertex& v = mesh.vertices[i];
    records[i] = D3DLVERTEX{c.px[i], c.py[i], c.pz[i], 0, colors[i], specular, v.u, v.v};
  }
  device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0);
  const std::size_t faces = std::min<std::size_t>(mesh.faceCount, mesh.faces.size());
  SubmitFaces(device, mesh.faces.data(), faces, records.data(), count);
  device->End(0);
}

void DrawMesh(const Scene& scene, SceneMesh& mesh, IDirect3DDevice2* device) {
  static constexpr float WHITE[3] = {1.0f, 1.0f, 1.0f};
  static constexpr float BLACK[3] = {0.0f, 0.0f, 0.0f};
  const SceneMaterial* material = MaterialAt(scene, mesh.materialIndex);
  const float* diffuse = material != nullptr ? material->diffuse : WHITE;
  const float* shine = material != nullptr ? material->specular : BLACK;
  const D3DCOLOR specular = PackColor(1.0f, shine[0], shine[1], shine[2]);
  const std::size_t count = std::min<std::size_t>(mesh.vertexCount, mesh.vertices.size());
  thread_local VertexColumns columns;
  columns.Resize(count);
  PlaceVertices(mesh.placement, mesh.vertices.data(), columns, count);
  LightColumns(scene, diffuse, columns, count);
  StoreLitVertices(mesh, columns, count);
  SubmitMesh(device, mesh, columns, count, specular);
}

}  // namespace

void SortMeshesByMaterial(const Scene* scene, std::uint32_t* order) {
  const std::size_t total = MeshTotal(*scene);
  const auto material = [scene](std::uint32_t mesh) { return scene->meshes[mesh].materialIndex; };
  bool exchanged = total >= 2;
  while (exchanged) {
    exchanged = false;
    for (std::size_t k = 1; k < total; ++k) {
      if (material(order[k - 1]) > material(order[k])) {
        std::swap(order[k - 1], order[k]);
        exchanged = true;
      }
    }
  }
}

void RenderScene(Scene* scene, IDirect3DDevice2* device) {
  const Vec3 up{std::sin(scene->cameraRoll), std::cos(scene->cameraRoll), 0.0f};
  Matrix4 view = ViewMatrix(scene->cameraEye, scene->cameraTarget, up);
  Matrix4 projection = ProjectionMatrix(10.0f, 500.0f, scene->cameraFieldOfView);
  if (!CameraUsable(*scene, view, projection)) return;
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);

  const std::size_t total = MeshTotal(*scene);
  if (total == 0) return;
  std::vector<std::uint32_t> order(total);
  std::iota(order.begin(), order.end(), 0u);
  SortMeshesByMaterial(scene, order.data());

  std::uint32_t current = scene->meshes[order[0]].materialIndex;
  device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, TextureHandle(*scene, current));
  for (const std::uint32_t index : order) {
    SceneMesh& mesh = scene->meshes[index];
    if (mesh.materialIndex != current) {
      current = mesh.materialIndex;
      device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, TextureHandle(*scene, current));
    }
    DrawMesh(*scene, mesh, device);
  }
}
