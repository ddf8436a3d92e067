// placement.h: mesh vertices moved into world coordinates, into columns.
//
// A column-vector transform by the mesh's placement; a diagonal of exactly 1
// is taken as a pure translation (normals copied). Compiled for every SIMD
// target the build knows and dispatched at the first call; every target
// gives the plain loop's values bit for bit.
#pragma once

#include <cstddef>

#include "scene/lighting.h"
#include "scene/scene.h"

// Writes px..pz and nx..nz of the first `count` columns (already that long)
// from vertices[0 .. count).
void PlaceVertices(const Matrix4& placement, const SceneVertex* vertices, VertexColumns& c, std::size_t count);
