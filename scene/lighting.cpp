// lighting.cpp: point lights and spotlights evaluated per vertex in software.
//
// Point lights fade linearly to their range and are scaled by the constant,
// linear and quadratic coefficients; spotlights have no distance falloff and
// take their diffuse term against the spot's axis, ramping from the hotspot
// cone to the falloff cone. A not-a-number intensity (a vertex on the light,
// a range of 0) adds nothing; one from a rounding step past the spot's axis
// (arc cosine of a dot product just above 1) passes both cone tests.
//
// The loops over a mesh's columns have no branch, so the compiler takes
// several vertices per instruction; they are compiled once per SIMD target
// the build knows (Highway's targets, each with its own vector width) and
// the best one this processor runs is chosen at the first call. The same
// operations run in the same order on every target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scene/lighting.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "scene/lighting.h"

HWY_BEFORE_NAMESPACE();
namespace vuxa_lighting {
namespace HWY_NAMESPACE {

// AddPointLight over plain columns.
void AddPointLightColumns(float range, const float* light, const float* k, const float* colour,
                          const float* __restrict px, const float* __restrict py, const float* __restrict pz,
                          const float* __restrict nx, const float* __restrict ny, const float* __restrict nz,
                          float* __restrict red, float* __restrict green, float* __restrict blue,
                          std::size_t count) {
  const float lx = light[0], ly = light[1], lz = light[2];
  const float c0 = k[0], c1 = k[1], c2 = k[2];
  const float r = colour[0], g = colour[1], b = colour[2];
  for (std::size_t i = 0; i < count; ++i) {
    const float dx = px[i] - lx, dy = py[i] - ly, dz = pz[i] - lz;
    // Tests counted, not short-circuit: a branch in the loop would keep it scalar.
    const int far = int{std::fabs(dx) > range} + int{std::fabs(dy) > range} + int{std::fabs(dz) > range};
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float f = (range - distance) / range;
    const float facing = (-dx / distance) * nx[i] + (-dy / distance) * ny[i] + (-dz / distance) * nz[i];
    const float intensity = (c0 + c1 * f + c2 * f * f) * facing;
    const int adds = int{far == 0} & int{!(distance > range)} & int{intensity > 0.0f};
    const float addRed = intensity * r, addGreen = intensity * g, addBlue = intensity * b;
    red[i] += adds ? addRed : 0.0f;
    green[i] += adds ? addGreen : 0.0f;
    blue[i] += adds ? addBlue : 0.0f;
  }
}

// Adds a point light to every vertex: PointLightIntensity's operations with
// its early returns folded into the test for a positive intensity (they
// return 0), so that the loop has no branch and the compiler evaluates
// several vertices per instruction. Every operation runs for every vertex;
// only the sums are chosen. Sums start at +0 and never become -0, so adding
// 0 leaves them as they are.
void AddPointLight(const SceneLight& light, VertexColumns& c, std::size_t count) {
  const float range = light.range;
  const float position[3] = {light.position.x, light.position.y, light.position.z};
  AddPointLightColumns(range, position, light.attenuation, light.color, c.px.data(), c.py.data(), c.pz.data(),
                       c.nx.data(), c.ny.data(), c.nz.data(), c.red.data(), c.green.data(), c.blue.data(), count);
}

// SpotLightIntensity's operations before the arc cosine, for every vertex:
// the facing term -(n . D) and the cosine of the angle off the spot's axis.
void SpotCosines(const SceneLight& light, const VertexColumns& c, float* __restrict facing,
                 float* __restrict cosine, std::size_t count) {
  const float lx = light.position.x, ly = light.position.y, lz = light.position.z;
  const float ax = light.direction.x, ay = light.direction.y, az = light.direction.z;
  const float* __restrict px = c.px.data();
  const float* __restrict py = c.py.data();
  const float* __restrict pz = c.pz.data();
  const float* __restrict nx = c.nx.data();
  const float* __restrict ny = c.ny.data();
  const float* __restrict nz = c.nz.data();
  for (std::size_t i = 0; i < count; ++i) {
    facing[i] = -(nx[i] * ax + ny[i] * ay + nz[i] * az);
    const float dx = px[i] - lx, dy = py[i] - ly, dz = pz[i] - lz;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    cosine[i] = (dx / distance) * ax + (dy / distance) * ay + (dz / distance) * az;
  }
}

// Adds the spot's light where SpotLightIntensity would give a positive
// value: the cone ramp for every vertex without a branch (as AddPointLight),
// only the sums chosen. `angle` holds an arc cosine for every vertex facing
// the spot; for the others the intensity is the facing term (not above 0)
// or that times a ramp from 0 to 1 (inside the falloff cone), so whatever
// `angle` holds, the test for a positive intensity leaves them out.
void AddSpotRamp(const SceneLight& light, const float* __restrict facing, const float* __restrict angle,
                 float* __restrict red, float* __restrict green, float* __restrict blue, std::size_t count) {
  const float hotspot = light.hotspot, falloff = light.falloff;
  const float r = light.color[0], g = light.color[1], b = light.color[2];
  for (std::size_t i = 0; i < count; ++i) {
    const float ramp = 1.0f - (angle[i] - hotspot) / (falloff - hotspot);
    const int ramps = int{angle[i] > hotspot} & int{falloff > hotspot};
    const float intensity = ramps ? facing[i] * ramp : facing[i];
    // NaN angles (a vertex on the light, a cosine past 1) fail both cone tests.
    const int adds = int{!(angle[i] > falloff)} & int{intensity > 0.0f};
    const float addRed = intensity * r, addGreen = intensity * g, addBlue = intensity * b;
    red[i] += adds ? addRed : 0.0f;
    green[i] += adds ? addGreen : 0.0f;
    blue[i] += adds ? addBlue : 0.0f;
  }
}

// The arc cosine (libm's, one call a vertex) of each cosine where the vertex
// faces the spot, but only near the cones' edges. Well below the falloff's
// cosine the vertex is outside the falloff cone, where any angle above the
// falloff gives the same sums (none); well above the cosine of the smaller
// half-angle it is inside both cones, where any angle above neither half-angle
// gives the same sums (the full facing term). The margin, 1e-4 in the cosine and so at
// least that in the angle, is far wider than acos's rounding. Half-angles
// outside 0 to 3 radians (where the cosine would not order the angles) and
// NaN ones take the arc cosine everywhere, as do NaN cosines.
void SpotAngles(const SceneLight& light, const float* __restrict facing, float* __restrict angle,
                std::size_t count) {
  constexpr double kMargin = 1e-4;
  auto ordered = [](float a) { return a >= 0.0f && a <= 3.0f; };
  const float falloff = light.falloff, least = std::min(light.hotspot, falloff);
  float outside = -2.0f, inside = 2.0f;  // cosines no vertex has: no shortcut
  if (ordered(falloff)) outside = static_cast<float>(std::cos(double{falloff}) - kMargin);
  if (ordered(light.hotspot) && ordered(falloff)) inside = static_cast<float>(std::cos(double{least}) + kMargin);
  const float beyond = std::numeric_limits<float>::infinity();
  for (std::size_t i = 0; i < count; ++i) {
    if (!(facing[i] > 0.0f)) continue;
    const float cosine = angle[i];
    angle[i] = cosine < outside ? beyond : cosine > inside ? least : std::acos(cosine);
  }
}

// A spotlight in three passes: the cosines for all vertices, their angles
// where the vertex faces the spot, then the ramp and the sums.
void AddSpotLight(const SceneLight& light, VertexColumns& c, std::size_t count) {
  c.facing.resize(count);
  c.angle.resize(count);
  float* const facing = c.facing.data();
  float* const angle = c.angle.data();
  SpotCosines(light, c, facing, angle, count);
  SpotAngles(light, facing, angle, count);
  AddSpotRamp(light, facing, angle, c.red.data(), c.green.data(), c.blue.data(), count);
}

// Each sum clamped at 1, then times the material's diffuse colour.
void ClampAndTint(const float diffuse[3], float* __restrict red, float* __restrict green, float* __restrict blue,
                  std::size_t count) {
  const float r = diffuse[0], g = diffuse[1], b = diffuse[2];
  for (std::size_t i = 0; i < count; ++i) {
    red[i] = r * std::min(red[i], 1.0f);
    green[i] = g * std::min(green[i], 1.0f);
    blue[i] = b * std::min(blue[i], 1.0f);
  }
}

// LightColumns on this target.
void LightColumnsLanes(const Scene& scene, const float diffuse[3], VertexColumns& c, std::size_t count) {
  const std::size_t lights = std::min<std::size_t>(scene.lightCount, scene.lights.size());
  std::fill_n(c.red.data(), count, 0.0f);
  std::fill_n(c.green.data(), count, 0.0f);
  std::fill_n(c.blue.data(), count, 0.0f);
  // Light by light, in the scene's order: each vertex's sums add up as they
  // would vertex by vertex.
  for (std::size_t k = 0; k < lights; ++k) {
    const SceneLight& light = scene.lights[k];
    if (light.type == LIGHT_POINT) AddPointLight(light, c, count);
    else if (light.type == LIGHT_SPOT) AddSpotLight(light, c, count);
  }
  ClampAndTint(diffuse, c.red.data(), c.green.data(), c.blue.data(), count);
}

}  // namespace HWY_NAMESPACE
}  // namespace vuxa_lighting
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
// The dispatch table and its call live in the kernels' namespace (with one
// target, the dispatch names the function relative to it).
namespace vuxa_lighting {
HWY_EXPORT(LightColumnsLanes);
void Light(const Scene& scene, const float diffuse[3], VertexColumns& c, std::size_t count) {
  HWY_DYNAMIC_DISPATCH(LightColumnsLanes)(scene, diffuse, c, count);
}
}  // namespace vuxa_lighting

float PointLightIntensity(const SceneLight& light, Vec3 p, Vec3 n) {
  const float range = light.range;
  const float dx = p.x - light.position.x;
  const float dy = p.y - light.position.y;
  const float dz = p.z - light.position.z;
  // Per-axis test first: most vertices are out of reach without a square root.
  if (std::fabs(dx) > range || std::fabs(dy) > range || std::fabs(dz) > range) return 0.0f;
  const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (distance > range) return 0.0f;
  const float f = (range - distance) / range;
  const float facing = (-dx / distance) * n.x + (-dy / distance) * n.y + (-dz / distance) * n.z;
  const float* c = light.attenuation;
  return (c[0] + c[1] * f + c[2] * f * f) * facing;
}

namespace {

// -(n . D): the spotlight's intensity before the cone ramp. The ramp factor
// lies between 0 and 1, so when this is not above 0 neither is the
// intensity, and a vertex can skip the arc cosine.
float SpotFacing(const SceneLight& light, Vec3 n) {
  const Vec3& axis = light.direction;
  return -(n.x * axis.x + n.y * axis.y + n.z * axis.z);
}

}  // namespace

float SpotLightIntensity(const SceneLight& light, Vec3 p, Vec3 n) {
  const Vec3 d{p.x - light.position.x, p.y - light.position.y, p.z - light.position.z};
  const float distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  const Vec3& axis = light.direction;
  const float cosine = (d.x / distance) * axis.x + (d.y / distance) * axis.y +
                       (d.z / distance) * axis.z;
  const float angle = std::acos(cosine);
  if (angle > light.falloff) return 0.0f;
  float intensity = SpotFacing(light, n);
  const float hotspot = light.hotspot;
  const float falloff = light.falloff;
  if (angle > hotspot && falloff > hotspot)
    intensity *= 1.0f - (angle - hotspot) / (falloff - hotspot);
  return intensity;
}

void VertexColumns::Resize(std::size_t count) {
  for (std::vector<float>* column : {&px, &py, &pz, &nx, &ny, &nz, &red, &green, &blue}) column->resize(count);
}

void LightColumns(const Scene& scene, const float diffuse[3], VertexColumns& c, std::size_t count) {
  vuxa_lighting::Light(scene, diffuse, c, count);
}

#endif  // HWY_ONCE
