// scene.h: the loaded 3D scene: materials, meshes, lights and one camera.
//
// Coordinates are the 3DS file's with y and z exchanged. Colours are floats
// from 0 to 1. Names are 128-character fields. The loader fills the Scene once;
// the renderer rewrites the lit vertices every frame, and the spinning scene the
// placement and opacity of meshes 0 to 2.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/texture.h"
#include "scene/math.h"

constexpr int SCENE_NAME_SIZE = 128;

struct SceneMaterial {
  std::unique_ptr<TextureSurface> texture;  // created empty with the material
  char textureName[SCENE_NAME_SIZE];
  float ambient[3];
  float diffuse[3];
  float specular[3];
  char name[SCENE_NAME_SIZE];
};

struct SceneVertex {
  float x, y, z;
  float u, v;
  float nx, ny, nz;
};

struct SceneFace {
  std::uint32_t index[3];  // reverse of the file's order
};

struct SceneLitVertex {
  float x, y, z;
  float red, green, blue;
  float nx, ny, nz;
};

struct SceneMesh {
  float opacity;
  std::uint32_t materialIndex;
  std::vector<SceneFace> faces;
  std::uint32_t faceCount;
  std::vector<SceneVertex> vertices;
  std::vector<SceneLitVertex> litVertices;
  std::uint32_t vertexCount;
  Matrix4 placement;
  char name[SCENE_NAME_SIZE];
};

constexpr std::uint32_t LIGHT_POINT = 0;
constexpr std::uint32_t LIGHT_SPOT = 1;

struct SceneLight {
  std::uint32_t type;
  float color[3];
  Vec3 position;
  Vec3 direction;
  float range;
  float attenuation[3];  // constant, linear, quadratic
  float hotspot;
  float falloff;
  char name[SCENE_NAME_SIZE];
};

struct Scene {
  std::vector<SceneMaterial> materials;
  std::uint32_t materialCount;
  std::vector<SceneMesh> meshes;
  std::uint32_t meshCount;
  std::vector<SceneLight> lights;
  std::uint32_t lightCount;
  Vec3 cameraEye;
  Vec3 cameraTarget;
  float cameraRoll;
  float cameraFieldOfView;
  char cameraName[SCENE_NAME_SIZE];
};

// The one scene of the show (loaded by LoadAssets).
extern Scene TheScene;

struct DisplayState;

// Reads a 3DS file into the scene: 0 when read, 1 when the file cannot be opened.
int LoadScene(const char* fileName, Scene* scene, DisplayState* display);

// Draws the scene through the device: camera transforms, per-vertex lighting,
// triangle lists sorted by material.
void RenderScene(Scene* scene, IDirect3DDevice2* device);
// Orders mesh indices by ascending material index, keeping equal ones in order.
void SortMeshesByMaterial(const Scene* scene, std::uint32_t* order);
