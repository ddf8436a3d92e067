// lighting.h: per-vertex software lighting of the scene's meshes, for the renderer.
#pragma once

#include <cstddef>

#include "scene/scene.h"

// Intensity of one light at world point p with normal n. Zero or below, or
// not a number, means the light adds nothing.
float PointLightIntensity(const SceneLight& light, Vec3 p, Vec3 n);
float SpotLightIntensity(const SceneLight& light, Vec3 p, Vec3 n);

// Lights the first `count` lit vertices of the mesh (placed positions and
// normals already written) against every light of the scene, clamps each
// channel at 1 and multiplies by the material's diffuse colour.
void LightMesh(const Scene& scene, const float diffuse[3], SceneMesh* mesh, std::size_t count);
