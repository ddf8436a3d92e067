// loader.cpp: the 3DS chunk walker that fills the Scene.
//
// A flat walk: the read position moves from chunk header to chunk header,
// stepping into the few chunks whose sub-chunks matter and jumping over every
// other. What a sub-chunk belongs to is the current material, mesh or light.
// Points are stored with y and z exchanged. Nothing is read outside the file's
// bytes: a header, field, array or name that would run past the end (or a
// mapping chunk past its own chunk) ends the walk, and the first such problem
// is handed back so LoadScene can print one warning line.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "display/display.h"
#include "platform/host/host.h"
#include "scene/bit_cast.h"
#include "scene/loader.h"

namespace {

constexpr float BYTE_TO_UNIT = 0.003921569f;
constexpr float CONE_TO_HALF_ANGLE = 0.008726f;
constexpr float DEGREES_TO_RADIANS = 0.017453f;

// Limits far beyond any scene of the show (three meshes of a few hundred
// points, a handful of lights, two textured materials) that keep a hostile
// file from costing much memory or time: past one, the read stops with one
// warning and the rest of the scene stays unread.
constexpr std::size_t MAX_SCENE_BYTES = 16u << 20;
constexpr std::uint32_t MAX_MESHES = 256;
constexpr std::uint32_t MAX_LIGHTS = 32;
constexpr std::uint32_t MAX_MATERIALS = 64;
// Bitmaps loaded: with LoadImage's bound of 2048 x 2048 pixels, at most 64 MB
// of textures at 32 bits.
constexpr std::uint32_t MAX_TEXTURES = 4;
constexpr std::size_t MAX_VERTICES = 262144;  // all meshes together
constexpr std::size_t MAX_FACES = 262144;

class ChunkWalker {
 public:
  ChunkWalker(std::span<const std::uint8_t> data, Scene* scene, IDirect3DDevice2* device)
      : data_(data), scene_(scene), device_(device) {}

  // Walks to the end of the data or the first problem; returns the problem.
  std::string Walk();

 private:
  bool Act(std::uint16_t id, std::size_t start, std::uint32_t length);
  bool ActOnMesh(std::uint16_t id, std::size_t start, std::uint32_t length);
  bool ActOnLight(std::uint16_t id, std::size_t start, std::uint32_t length);
  bool ActOnMaterial(std::uint16_t id, std::size_t start, std::uint32_t length);
  bool ReadPoints(SceneMesh& mesh, std::size_t start);
  bool ReadFaces(SceneMesh& mesh, std::size_t start);
  bool ReadMapping(SceneMesh& mesh, std::size_t start, std::uint32_t length);
  bool ReadMaterialGroup(SceneMesh& mesh, std::size_t start, std::uint32_t length);
  bool ReadSpotlight(SceneLight& light, std::size_t start);
  bool ReadLight(std::size_t start);
  bool ReadCamera(std::size_t start);
  bool ReadMaterialColour(float* colour, std::size_t start, std::uint32_t length);
  bool ReadMapName(SceneMaterial& material, std::size_t start);

  bool Skip(std::size_t start, std::uint32_t length);
  bool Need(std::size_t start, std::size_t offset, std::size_t count);
  bool ReadName(std::size_t start, char* out, std::size_t size);
  bool Fail(std::size_t start, const char* what);

  std::uint16_t U16(std::size_t at) const { return std::uint16_t(data_[at] | data_[at + 1] << 8); }
  std::uint32_t U32(std::size_t at) const {
    return std::uint32_t(data_[at]) | std::uint32_t(data_[at + 1]) << 8 |
           std::uint32_t(data_[at + 2]) << 16 | std::uint32_t(data_[at + 3]) << 24;
  }
  float F32(std::size_t at) const { return BitCast<float>(U32(at)); }
  // A file triple (x, y, z) in Scene axes (x, z, y).
  Vec3 Point(std::size_t at) const { return {F32(at), F32(at + 8), F32(at + 4)}; }

  std::span<const std::uint8_t> data_;
  Scene* scene_;
  IDirect3DDevice2* device_;
  std::size_t pos_ = 0;
  std::uint32_t material_ = 0;
  std::uint32_t mesh_ = 0;
  std::uint32_t light_ = 0;
  std::uint32_t textures_ = 0;
  std::size_t vertices_ = 0;
  std::size_t faces_ = 0;
  char objectName_[SCENE_NAME_SIZE] = {};
  char groupName_[256] = {};
  std::uint16_t id_ = 0;  // chunk being read, for problem texts
  std::string problem_;
};

std::string ChunkWalker::Walk() {
  while (pos_ < data_.size()) {
    const std::size_t start = pos_;
    if (data_.size() - start < 6) {
      if (problem_.empty())
        problem_ = "scene read stopped: the chunk header at offset " + std::to_string(start) +
                   " runs past the end of the data (" + std::to_string(data_.size()) + " bytes)";
      break;
    }
    id_ = U16(start);
    const std::uint32_t length = U32(start + 2);
    pos_ = start + 6;
    if (!Act(id_, start, length)) break;
    if (pos_ > data_.size()) Fail(start, "runs past the end of the data");
  }
  return problem_;
}

bool ChunkWalker::Act(std::uint16_t id, std::size_t start, std::uint32_t length) {
  switch (id) {
    case 0x4D4D:  // M3DMAGIC: its sub-chunks follow (a version chunk is jumped over)
    case 0x3D3D:  // MDATA: likewise, whatever comes first
      return true;
    case 0x4000:  // NAMED_OBJECT
      return ReadName(start, objectName_, sizeof objectName_);
    case 0x4100: {  // N_TRI_OBJECT
      if (scene_->meshCount >= MAX_MESHES) return Fail(start, "is one mesh more than the 256 a scene may have");
      SceneMesh mesh{};
      mesh.opacity = 1.0f;
      std::memcpy(mesh.name, objectName_, sizeof mesh.name);
      scene_->meshes.push_back(std::move(mesh));
      mesh_ = scene_->meshCount++;
      return true;
    }
    case 0x4110: case 0x4120: case 0x4130: case 0x4140: case 0x4160:
      return ActOnMesh(id, start, length);
    case 0x4600:  // N_DIRECT_LIGHT
      return ReadLight(start);
    case 0x0010: case 0x0011: case 0x4610: case 0x465A: case 0x465B:
      return ActOnLight(id, start, length);
    case 0x4700:  // N_CAMERA
      return ReadCamera(start);
    case 0xAFFF: case 0xA000: case 0xA010: case 0xA020: case 0xA030: case 0xA200: case 0xA300:
      return ActOnMaterial(id, start, length);
    default:
      return Skip(start, length);
  }
}

bool ChunkWalker::ActOnMesh(std::uint16_t id, std::size_t start, std::uint32_t length) {
  if (scene_->meshes.empty()) return Skip(start, length);
  SceneMesh& mesh = scene_->meshes[mesh_];
  switch (id) {
    case 0x4110:  // POINT_ARRAY
      return ReadPoints(mesh, start);
    case 0x4120:  // FACE_ARRAY
      return ReadFaces(mesh, start);
    case 0x4130:  // MSH_MAT_GROUP
      return ReadMaterialGroup(mesh, start, length);
    case 0x4140:  // TEX_VERTS
      return ReadMapping(mesh, start, length);
    default:  // MESH_MATRIX: the stored matrix is not kept
      mesh.placement = IdentityMatrix();
      return Skip(start, length);
  }
}

bool ChunkWalker::ActOnLight(std::uint16_t id, std::size_t start, std::uint32_t length) {
  if (scene_->lights.empty()) return Skip(start, length);
  SceneLight& light = scene_->lights[light_];
  switch (id) {
    case 0x0010:  // COLOR_F
      if (!Need(start, 0, 12)) return false;
      light.color[0] = F32(start + 6);
      light.color[1] = F32(start + 10);
      light.color[2] = F32(start + 14);
      pos_ = start + 6 + 12;
      return true;
    case 0x0011:  // COLOR_24
      if (!Need(start, 0, 3)) return false;
      for (int c = 0; c < 3; ++c) light.color[c] = data_[start + 6 + c] * BYTE_TO_UNIT;
      pos_ = start + 6 + 3;
      return true;
    case 0x4610:  // DL_SPOTLIGHT
      return ReadSpotlight(light, start);
    case 0x465A:  // DL_OUTER_RANGE
      if (!Need(start, 0, 4)) return false;
      light.range = F32(start + 6);
      pos_ = start + 6 + 4;
      return true;
    default:  // DL_MULTIPLIER
      if (!Need(start, 0, 4)) return false;
      light.attenuation[0] = 0.0f;
      light.attenuation[1] = F32(start + 6);
      light.attenuation[2] = 0.0f;
      pos_ = start + 6 + 4;
      return true;
  }
}

bool ChunkWalker::ActOnMaterial(std::uint16_t id, std::size_t start, std::uint32_t length) {
  switch (id) {
    case 0xAFFF: {  // MAT_ENTRY
      if (scene_->materialCount >= MAX_MATERIALS)
        return Fail(start, "is one material more than the 64 a scene may have");
      SceneMaterial material{};
      material.texture = std::make_unique<TextureSurface>();
      scene_->materials.push_back(std::move(material));
      material_ = scene_->materialCount++;
      return true;
    }
    case 0xA000:  // MAT_NAME
      return ReadName(start, scene_->materials[material_].name, SCENE_NAME_SIZE);
    case 0xA010:  // MAT_AMBIENT
      return ReadMaterialColour(scene_->materials[material_].ambient, start, length);
    case 0xA020:  // MAT_DIFFUSE
      return ReadMaterialColour(scene_->materials[material_].diffuse, start, length);
    case 0xA030:  // MAT_SPECULAR
      return ReadMaterialColour(scene_->materials[material_].specular, start, length);
    case 0xA200:  // MAT_TEXMAP: its sub-chunks follow; the percentage (either form)
      return true;  // and the map's other settings are jumped over wherever they stand
    default:  // MAT_MAPNAME
      return ReadMapName(scene_->materials[material_], start);
  }
}

bool ChunkWalker::ReadPoints(SceneMesh& mesh, std::size_t start) {
  if (!Need(start, 0, 2)) return false;
  const std::uint32_t n = U16(start + 6);
  if (!Need(start, 2, 12 * std::size_t{n})) return false;
  vertices_ += n;
  if (vertices_ > MAX_VERTICES) return Fail(start, "brings the scene past 262144 points");
  mesh.vertices.assign(n, SceneVertex{});
  mesh.litVertices.assign(n, SceneLitVertex{});
  mesh.vertexCount = n;
  for (std::uint32_t i = 0; i < n; ++i) {
    const Vec3 p = Point(start + 8 + 12 * std::size_t{i});
    mesh.vertices[i].x = p.x;
    mesh.vertices[i].y = p.y;
    mesh.vertices[i].z = p.z;
  }
  pos_ = start + 8 + 12 * std::size_t{n};
  return true;
}

bool ChunkWalker::ReadFaces(SceneMesh& mesh, std::size_t start) {
  if (!Need(start, 0, 2)) return false;
  const std::uint32_t n = U16(start + 6);
  if (!Need(start, 2, 8 * std::size_t{n})) return false;
  faces_ += n;
  if (faces_ > MAX_FACES) return Fail(start, "brings the scene past 262144 faces");
  mesh.faces.assign(n, SceneFace{});
  mesh.faceCount = n;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::size_t at = start + 8 + 8 * std::size_t{i};
    mesh.faces[i] = SceneFace{{U16(at + 4), U16(at + 2), U16(at)}};  // (c, b, a)
  }
  pos_ = start + 8 + 8 * std::size_t{n};  // its sub-chunks follow
  return true;
}

bool ChunkWalker::ReadMapping(SceneMesh& mesh, std::size_t start, std::uint32_t length) {
  // One (u, v) pair per vertex of the mesh; the chunk's own count is not used.
  const std::size_t pairs = mesh.vertices.size();
  if (!Need(start, 0, 2 + 8 * pairs)) return false;
  if (6 + 2 + 8 * pairs > length) return Fail(start, "holds fewer mapping pairs than the mesh has points");
  for (std::size_t i = 0; i < pairs; ++i) {
    mesh.vertices[i].u = F32(start + 8 + 8 * i);
    mesh.vertices[i].v = -F32(start + 12 + 8 * i);
  }
  pos_ = start + 8 + 8 * pairs;
  return true;
}

bool ChunkWalker::ReadMaterialGroup(SceneMesh& mesh, std::size_t start, std::uint32_t length) {
  if (!ReadName(start, groupName_, sizeof groupName_)) return false;
  for (std::uint32_t i = 0; i < scene_->materials.size(); ++i)
    if (std::strcmp(groupName_, scene_->materials[i].name) == 0) mesh.materialIndex = i;
  return Skip(start, length);
}

bool ChunkWalker::ReadLight(std::size_t start) {
  if (!Need(start, 0, 12)) return false;
  if (scene_->lightCount >= MAX_LIGHTS) return Fail(start, "is one light more than the 32 a scene may have");
  SceneLight light{};
  light.type = LIGHT_POINT;
  light.position = Point(start + 6);
  std::memcpy(light.name, objectName_, sizeof light.name);
  scene_->lights.push_back(light);
  light_ = scene_->lightCount++;
  pos_ = start + 6 + 12;
  return true;
}

bool ChunkWalker::ReadSpotlight(SceneLight& light, std::size_t start) {
  if (!Need(start, 0, 20)) return false;
  const Vec3 target = Point(start + 6);
  const Vec3 d{target.x - light.position.x, target.y - light.position.y,
               target.z - light.position.z};
  const float length = std::sqrt(SquaredLength(d));
  // A target on the light itself gives no direction (rather than 0/0).
  light.direction = length > 0.0f ? DivideVec3(d, length) : Vec3{0.0f, 0.0f, 0.0f};
  light.type = LIGHT_SPOT;
  light.hotspot = F32(start + 18) * CONE_TO_HALF_ANGLE;
  light.falloff = F32(start + 22) * CONE_TO_HALF_ANGLE;
  pos_ = start + 6 + 20;
  return true;
}

bool ChunkWalker::ReadCamera(std::size_t start) {
  if (!Need(start, 0, 32)) return false;
  scene_->cameraEye = Point(start + 6);
  scene_->cameraTarget = Point(start + 18);
  scene_->cameraRoll = F32(start + 30);
  scene_->cameraFieldOfView = (2400.0f / F32(start + 34)) * DEGREES_TO_RADIANS;
  std::memcpy(scene_->cameraName, objectName_, sizeof scene_->cameraName);
  pos_ = start + 6 + 32;
  return true;
}

// The colour sits in the first sub-chunk, read as a COLOR_24 whatever it is.
bool ChunkWalker::ReadMaterialColour(float* colour, std::size_t start, std::uint32_t length) {
  if (!Need(start, 6, 3)) return false;
  for (int c = 0; c < 3; ++c) colour[c] = data_[start + 12 + c] * BYTE_TO_UNIT;
  return Skip(start, length);
}

bool ChunkWalker::ReadMapName(SceneMaterial& material, std::size_t start) {
  if (!ReadName(start, material.textureName, SCENE_NAME_SIZE)) return false;
  if (++textures_ > MAX_TEXTURES) return Fail(start, "names one bitmap more than the 4 a scene may load");
  LoadTexture(material.texture.get(), device_, material.textureName);
  return true;
}

bool ChunkWalker::Skip(std::size_t start, std::uint32_t length) {
  if (length < 6) return Fail(start, "has a length below its header's 6 bytes");
  pos_ = start + length;
  return true;
}

// True when `count` bytes at data offset `offset` of the chunk lie in the file.
bool ChunkWalker::Need(std::size_t start, std::size_t offset, std::size_t count) {
  const std::size_t at = start + 6 + offset;
  if (at <= data_.size() && count <= data_.size() - at) return true;
  return Fail(start, "runs past the end of the data");
}

// Copies the NUL-terminated name at the chunk's data start (cut to size - 1
// characters) and moves past its NUL.
bool ChunkWalker::ReadName(std::size_t start, char* out, std::size_t size) {
  const std::size_t at = start + 6;
  const void* nul = at < data_.size() ? std::memchr(&data_[at], 0, data_.size() - at) : nullptr;
  if (!nul) return Fail(start, "holds a name that runs to the end of the data");
  const std::size_t length = static_cast<const std::uint8_t*>(nul) - &data_[at];
  const std::size_t kept = std::min(length, size - 1);
  std::memcpy(out, &data_[at], kept);
  out[kept] = '\0';
  pos_ = at + length + 1;
  return true;
}

bool ChunkWalker::Fail(std::size_t start, const char* what) {
  if (problem_.empty()) {
    char text[200];
    std::snprintf(text, sizeof text, "scene read stopped: chunk 0x%04X at offset %zu %s (%zu bytes of data)",
                  id_, start, what, data_.size());
    problem_ = text;
  }
  return false;
}

}  // namespace

std::string LoadSceneBytes(std::span<const std::uint8_t> bytes, Scene* scene,
                           IDirect3DDevice2* device) {
  *scene = Scene{};
  SceneMaterial standard{};
  standard.texture = std::make_unique<TextureSurface>();
  std::strcpy(standard.name, "Default");
  standard.diffuse[0] = standard.diffuse[1] = standard.diffuse[2] = 1.0f;
  scene->materials.push_back(std::move(standard));
  scene->materialCount = 1;

  std::string problem = ChunkWalker(bytes, scene, device).Walk();
  for (SceneMesh& mesh : scene->meshes) {
    const std::uint32_t dropped = DropBadFaces(&mesh);
    if (dropped != 0 && problem.empty())
      problem = "mesh \"" + std::string(mesh.name) + "\": " + std::to_string(dropped) +
                " faces name points beyond its " + std::to_string(mesh.vertexCount) +
                " and were dropped";
    ComputeNormals(&mesh);
  }
  return problem;
}

namespace {

void WarnAbout(const char* fileName, const std::string& what) {
  std::fprintf(stderr, "vuxa: warning: %s: %s\n", host::ResolvePath(fileName).c_str(),
               what.c_str());
}

}  // namespace

int LoadScene(const char* fileName, Scene* scene, DisplayState* display) {
  std::FILE* file = host::OpenDataFile(fileName);
  if (!file) {
    const int reason = errno;
    std::error_code error;
    const bool exists = std::filesystem::exists(host::ResolvePath(fileName), error);
    WarnAbout(fileName, exists ? std::string("cannot open the scene file: ") + std::strerror(reason)
                               : std::string("no such scene file"));
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[65536];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0 && bytes.size() <= MAX_SCENE_BYTES)
    bytes.insert(bytes.end(), block, block + got);
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (bytes.size() > MAX_SCENE_BYTES) {
    WarnAbout(fileName, "the file is larger than the 16 MB a scene may have; no scene was read");
    return 0;
  }

  std::string problem =
      LoadSceneBytes(bytes, scene, display != nullptr ? display->device : nullptr);
  if (readError)
    problem = "read error after " + std::to_string(bytes.size()) + " bytes; using what was read";
  else if (bytes.empty())
    problem = "the file is empty; no scene was read";  // nothing to walk, but still a bad file
  if (!problem.empty()) {
    WarnAbout(fileName, problem);  // a damaged file gets this one line, whatever it lost
    return 0;
  }
  // A whole file can still leave the 3D part black: the renderer draws nothing
  // without a camera (a zero field of view) and lights nothing without lights.
  if (scene->cameraFieldOfView == 0.0f)
    WarnAbout(fileName, "the scene has no camera; its 3D part will be black");
  if (scene->lightCount == 0)
    WarnAbout(fileName, "the scene has no lights; its 3D part will be black");
  return 0;
}
