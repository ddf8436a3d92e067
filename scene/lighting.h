// lighting.h: per-vertex software lighting of the scene's meshes, for the renderer.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/scene.h"

// Intensity of one light at world point p with normal n. Zero or below, or
// not a number, means the light adds nothing.
float PointLightIntensity(const SceneLight& light, Vec3 p, Vec3 n);
float SpotLightIntensity(const SceneLight& light, Vec3 p, Vec3 n);

// A mesh's vertices with each component in a column of its own, so that a
// light is evaluated for several vertices per instruction.
struct VertexColumns {
  std::vector<float> px, py, pz, nx, ny, nz;  // placed positions and normals
  std::vector<float> red, green, blue;        // the lit colour
  std::vector<float> facing, angle;           // a spotlight's terms, scratch
  // Every column but the scratch ones `count` long.
  void Resize(std::size_t count);
};

// Lights the first `count` placed positions and normals of the columns
// against every light of the scene, clamps each channel at 1 and multiplies by
// the material's diffuse colour: the lit colour out (red, green, blue
// overwritten).
void LightColumns(const Scene& scene, const float diffuse[3], VertexColumns& c, std::size_t count);
