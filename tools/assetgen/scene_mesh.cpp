#include "tools/assetgen/scene_mesh.h"

#include <cmath>

namespace assetgen {

namespace {

constexpr double kPiD = 3.14159265358979323846;

std::uint16_t Index(size_t i) { return static_cast<std::uint16_t>(i); }

}  // namespace

Mesh MakeGlobe(const std::string& name, float radius, int segments, int rings) {
  Mesh m;
  m.name = name;
  // One vertex per pole and `segments` per ring, the last column joining the
  // first: every vertex is shared by all faces round it, so its averaged normal
  // is smooth across the seam. u wraps from (segments-1)/segments back to 0;
  // the device's u-wrapping takes the short way round there.
  const size_t north = 0, body = 1;
  const size_t row = static_cast<size_t>(segments);
  const size_t south = body + row * static_cast<size_t>(rings - 1);
  m.points.push_back({0, 0, radius});
  m.uv.push_back({0.0f, 0.0f});
  for (int j = 1; j < rings; ++j) {
    const double phi = kPiD * j / rings;
    for (int i = 0; i < segments; ++i) {
      const double theta = 2.0 * kPiD * i / segments;
      m.points.push_back({static_cast<float>(radius * std::sin(phi) * std::cos(theta)),
                          static_cast<float>(radius * std::sin(phi) * std::sin(theta)),
                          static_cast<float>(radius * std::cos(phi))});
      m.uv.push_back({static_cast<float>(i) / static_cast<float>(segments),
                      -static_cast<float>(j) / static_cast<float>(rings)});
    }
  }
  m.points.push_back({0, 0, -radius});
  m.uv.push_back({0.0f, -1.0f});
  auto at = [&](int j, int i) {
    return body + row * static_cast<size_t>(j - 1) + static_cast<size_t>(i % segments);
  };
  for (int i = 0; i < segments; ++i) {
    m.faces.push_back({Index(north), Index(at(1, i)), Index(at(1, i + 1))});
    for (int j = 1; j < rings - 1; ++j) {
      m.faces.push_back({Index(at(j, i)), Index(at(j + 1, i)), Index(at(j, i + 1))});
      m.faces.push_back({Index(at(j, i + 1)), Index(at(j + 1, i)), Index(at(j + 1, i + 1))});
    }
    m.faces.push_back({Index(south), Index(at(rings - 1, i + 1)), Index(at(rings - 1, i))});
  }
  return m;
}

Mesh MakeRing(const std::string& name, float major, float radial, float height, int segments, int sides,
              float tilt_x, float tilt_z) {
  Mesh m;
  m.name = name;
  const double ax = tilt_x * kPiD / 180.0, az = tilt_z * kPiD / 180.0;
  const double cx = std::cos(ax), sx = std::sin(ax), cz = std::cos(az), sz = std::sin(az);
  // Both directions close on themselves (u and v wrap), so there is no seam.
  for (int i = 0; i < segments; ++i) {
    const double theta = 2.0 * kPiD * i / segments;
    for (int k = 0; k < sides; ++k) {
      const double psi = 2.0 * kPiD * k / sides;
      const double r = major + radial * std::cos(psi);
      double x = r * std::cos(theta), y = r * std::sin(theta), z = height * std::sin(psi);
      // Tilt about x, then turn about z.
      const double y1 = y * cx - z * sx, z1 = y * sx + z * cx;
      y = y1;
      z = z1;
      const double x2 = x * cz - y * sz, y2 = x * sz + y * cz;
      m.points.push_back({static_cast<float>(x2), static_cast<float>(y2), static_cast<float>(z)});
      m.uv.push_back({static_cast<float>(i) / static_cast<float>(segments),
                      -static_cast<float>(k) / static_cast<float>(sides)});
    }
  }
  const size_t row = static_cast<size_t>(sides);
  auto at = [&](int i, int k) {
    return row * static_cast<size_t>(i % segments) + static_cast<size_t>(k % sides);
  };
  for (int i = 0; i < segments; ++i) {
    for (int k = 0; k < sides; ++k) {
      m.faces.push_back({Index(at(i, k)), Index(at(i + 1, k)), Index(at(i, k + 1))});
      m.faces.push_back({Index(at(i + 1, k)), Index(at(i + 1, k + 1)), Index(at(i, k + 1))});
    }
  }
  return m;
}

}  // namespace assetgen
