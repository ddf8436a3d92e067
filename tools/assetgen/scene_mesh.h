// Triangle meshes for the 3D scene, in 3DS axes (z up). Faces wind so that
// (b - a) x (c - a) points out of the solid.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Vec3f {
  float x = 0, y = 0, z = 0;
};

struct Mesh {
  std::string name;
  std::string material;
  std::vector<Vec3f> points;
  std::vector<std::array<float, 2>> uv;  // one pair per point, as stored in the file
  std::vector<std::array<std::uint16_t, 3>> faces;
};

// Globe of `radius` with `segments` around and `rings` from pole to pole. u
// runs once round (0 to 1, the seam column doubled); the file v is minus the
// bitmap row fraction (0 at the north pole, -1 at the south pole), so the
// loader's negation gives rows 0 to 1 from the top.
Mesh MakeGlobe(const std::string& name, float radius, int segments, int rings);

// Torus around the z axis: centre-line radius `major`, tube half-width
// `radial` in the ring plane and half-height `height` across it, then tilted
// by `tilt_x` degrees about x and `tilt_z` degrees about z. u runs once round
// the ring, the bitmap rows once round the tube.
Mesh MakeRing(const std::string& name, float major, float radial, float height, int segments, int sides,
              float tilt_x, float tilt_z);

}  // namespace assetgen
