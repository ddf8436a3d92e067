// Placement on every SIMD target against the plain column-vector transform:
// vertex counts that leave every tail length, a general matrix and a pure
// translation (a diagonal of exactly 1, off-diagonal terms ignored).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "scene/placement.h"
#include "support/simd_targets.h"

namespace {

SceneVertex Expected(const Matrix4& m, const SceneVertex& v, bool translation) {
  SceneVertex out = v;
  if (translation) {
    out.x = v.x + m._14, out.y = v.y + m._24, out.z = v.z + m._34;
    return out;
  }
  out.x = m._11 * v.x + m._12 * v.y + m._13 * v.z + m._14;
  out.y = m._21 * v.x + m._22 * v.y + m._23 * v.z + m._24;
  out.z = m._31 * v.x + m._32 * v.y + m._33 * v.z + m._34;
  out.nx = m._11 * v.nx + m._12 * v.ny + m._13 * v.nz;
  out.ny = m._21 * v.nx + m._22 * v.ny + m._23 * v.nz;
  out.nz = m._31 * v.nx + m._32 * v.ny + m._33 * v.nz;
  return out;
}

TEST(ScenePlacement, EveryTargetGivesThePlainLoopsValues) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> any(-40.0f, 40.0f);
  std::vector<SceneVertex> vertices(53);
  for (SceneVertex& v : vertices) v = {any(random), any(random), any(random), any(random), any(random),
                                       any(random), any(random), any(random)};
  Matrix4 general{};
  float* e = &general._11;
  for (int k = 0; k < 16; ++k) e[k] = any(random) / 40.0f;
  Matrix4 moved = general;
  moved._11 = moved._22 = moved._33 = 1.0f;
  const struct {
    const Matrix4* m;
    bool translation;
  } cases[] = {{&general, false}, {&moved, true}};
  ForEachSimdTarget([&](const char* target) {
    for (const auto& c : cases) {
      for (std::size_t count : {std::size_t{1}, std::size_t{7}, std::size_t{16}, std::size_t{19}, vertices.size()}) {
        VertexColumns columns;
        columns.Resize(count + 1);
        const float untouched = -1234.5f;  // past `count`: never written
        columns.px[count] = columns.nz[count] = untouched;
        PlaceVertices(*c.m, vertices.data(), columns, count);
        for (std::size_t i = 0; i < count; ++i) {
          const SceneVertex want = Expected(*c.m, vertices[i], c.translation);
          const float got[] = {columns.px[i], columns.py[i], columns.pz[i],
                               columns.nx[i], columns.ny[i], columns.nz[i]};
          const float wanted[] = {want.x, want.y, want.z, want.nx, want.ny, want.nz};
          for (int k = 0; k < 6; ++k)
            ASSERT_EQ(got[k], wanted[k]) << target << " translation " << c.translation << " count " << count
                                         << " vertex " << i << " component " << k;
        }
        EXPECT_EQ(columns.px[count], untouched) << target << " count " << count;
        EXPECT_EQ(columns.nz[count], untouched) << target << " count " << count;
      }
    }
  });
}

}  // namespace
