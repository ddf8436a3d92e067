// lighting.cpp: point lights and spotlights evaluated per vertex in software.
//
// Point lights fade linearly to their range and are scaled by the constant,
// linear and quadratic coefficients; spotlights have no distance falloff and
// take their diffuse term against the spot's axis, ramping from the hotspot
// cone to the falloff cone. A not-a-number intensity (a vertex on the light,
// a range of 0) adds nothing; one from a rounding step past the spot's axis
// (arc cosine of a dot product just above 1) passes both cone tests.
#include <algorithm>
#include <cmath>

#include "scene/lighting.h"

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
  const float distance = std::sqrt(SquaredLength(d));
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

void LightMesh(const Scene& scene, const float diffuse[3], SceneMesh* mesh, std::size_t count) {
  const std::size_t lights = std::min<std::size_t>(scene.lightCount, scene.lights.size());
  for (std::size_t i = 0; i < count; ++i) {
    SceneLitVertex& lit = mesh->litVertices[i];
    const Vec3 p{lit.x, lit.y, lit.z};
    const Vec3 n{lit.nx, lit.ny, lit.nz};
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (std::size_t k = 0; k < lights; ++k) {
      const SceneLight& light = scene.lights[k];
      float intensity;
      if (light.type == LIGHT_POINT)
        intensity = PointLightIntensity(light, p, n);
      else if (light.type == LIGHT_SPOT && SpotFacing(light, n) > 0.0f)
        intensity = SpotLightIntensity(light, p, n);
      else
        continue;
      if (!(intensity > 0.0f)) continue;  // also drops not-a-number
      sum[0] += intensity * light.color[0];
      sum[1] += intensity * light.color[1];
      sum[2] += intensity * light.color[2];
    }
    for (float& channel : sum)
      if (channel > 1.0f) channel = 1.0f;
    lit.red = diffuse[0] * sum[0];
    lit.green = diffuse[1] * sum[1];
    lit.blue = diffuse[2] * sum[2];
  }
}
