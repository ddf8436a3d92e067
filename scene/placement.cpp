// placement.cpp: PlaceVertices, a vector of vertices a step.
//
// SceneVertex is eight floats, x y z u | v nx ny nz, so two interleaved loads
// of four-float groups give every component with the vertices' lanes
// alternating between the two halves of a vertex; even and odd lanes of two
// such loads are the columns. The arithmetic is the plain loop's, operation
// for operation.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scene/placement.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "scene/placement.h"

#ifndef VUXA_PLACEMENT_PLAIN
#define VUXA_PLACEMENT_PLAIN
namespace placement_plain {

static_assert(sizeof(SceneVertex) == 8 * sizeof(float), "SceneVertex is read as eight floats");

struct Columns {
  float* px;
  float* py;
  float* pz;
  float* nx;
  float* ny;
  float* nz;
};

inline bool IsTranslation(const Matrix4& m) { return m._11 == 1.0f && m._22 == 1.0f && m._33 == 1.0f; }

// The plain loop, for the vertices past the last whole vector.
inline void Place(const Matrix4& m, const SceneVertex* v, const Columns& c, std::size_t from, std::size_t to) {
  if (IsTranslation(m)) {
    for (std::size_t i = from; i < to; ++i) {
      c.px[i] = v[i].x + m._14, c.py[i] = v[i].y + m._24, c.pz[i] = v[i].z + m._34;
      c.nx[i] = v[i].nx, c.ny[i] = v[i].ny, c.nz[i] = v[i].nz;
    }
    return;
  }
  for (std::size_t i = from; i < to; ++i) {
    const SceneVertex& p = v[i];
    c.px[i] = m._11 * p.x + m._12 * p.y + m._13 * p.z + m._14;
    c.py[i] = m._21 * p.x + m._22 * p.y + m._23 * p.z + m._24;
    c.pz[i] = m._31 * p.x + m._32 * p.y + m._33 * p.z + m._34;
    c.nx[i] = m._11 * p.nx + m._12 * p.ny + m._13 * p.nz;
    c.ny[i] = m._21 * p.nx + m._22 * p.ny + m._23 * p.nz;
    c.nz[i] = m._31 * p.nx + m._32 * p.ny + m._33 * p.nz;
  }
}

}  // namespace placement_plain
#endif

HWY_BEFORE_NAMESPACE();
namespace vuxa_placement {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace placement_plain;

#if HWY_TARGET == HWY_SCALAR
void PlaceLanes(const Matrix4& m, const SceneVertex* v, const Columns& c, std::size_t count) {
  Place(m, v, c, 0, count);
}
#else
// m1 * a + m2 * b + m3 * c, summed left to right.
template <class V>
HWY_INLINE V Dot(V m1, V a, V m2, V b, V m3, V c) {
  return hn::Add(hn::Add(hn::Mul(m1, a), hn::Mul(m2, b)), hn::Mul(m3, c));
}

void PlaceLanes(const Matrix4& m, const SceneVertex* v, const Columns& c, std::size_t count) {
  const hn::ScalableTag<float> d;
  const std::size_t lanes = hn::Lanes(d);
  const float* in = &v->x;
  const bool translation = IsTranslation(m);
  const auto m11 = hn::Set(d, m._11), m12 = hn::Set(d, m._12), m13 = hn::Set(d, m._13), m14 = hn::Set(d, m._14);
  const auto m21 = hn::Set(d, m._21), m22 = hn::Set(d, m._22), m23 = hn::Set(d, m._23), m24 = hn::Set(d, m._24);
  const auto m31 = hn::Set(d, m._31), m32 = hn::Set(d, m._32), m33 = hn::Set(d, m._33), m34 = hn::Set(d, m._34);
  std::size_t i = 0;
  for (; i + lanes <= count; i += lanes) {
    // lo0 = x v x v .., lo1 = y nx y nx .., lo2 = z ny .., lo3 = u nz .. for
    // the first half of the vertices; hi* for the second.
    hn::Vec<decltype(d)> lo0, lo1, lo2, lo3, hi0, hi1, hi2, hi3;
    hn::LoadInterleaved4(d, in + 8 * i, lo0, lo1, lo2, lo3);
    hn::LoadInterleaved4(d, in + 8 * i + 4 * lanes, hi0, hi1, hi2, hi3);
    const auto x = hn::ConcatEven(d, hi0, lo0), y = hn::ConcatEven(d, hi1, lo1), z = hn::ConcatEven(d, hi2, lo2);
    const auto nx = hn::ConcatOdd(d, hi1, lo1), ny = hn::ConcatOdd(d, hi2, lo2), nz = hn::ConcatOdd(d, hi3, lo3);
    if (translation) {
      hn::StoreU(hn::Add(x, m14), d, c.px + i);
      hn::StoreU(hn::Add(y, m24), d, c.py + i);
      hn::StoreU(hn::Add(z, m34), d, c.pz + i);
      hn::StoreU(nx, d, c.nx + i);
      hn::StoreU(ny, d, c.ny + i);
      hn::StoreU(nz, d, c.nz + i);
      continue;
    }
    hn::StoreU(hn::Add(Dot(m11, x, m12, y, m13, z), m14), d, c.px + i);
    hn::StoreU(hn::Add(Dot(m21, x, m22, y, m23, z), m24), d, c.py + i);
    hn::StoreU(hn::Add(Dot(m31, x, m32, y, m33, z), m34), d, c.pz + i);
    hn::StoreU(Dot(m11, nx, m12, ny, m13, nz), d, c.nx + i);
    hn::StoreU(Dot(m21, nx, m22, ny, m23, nz), d, c.ny + i);
    hn::StoreU(Dot(m31, nx, m32, ny, m33, nz), d, c.nz + i);
  }
  Place(m, v, c, i, count);
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace vuxa_placement
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vuxa_placement {
HWY_EXPORT(PlaceLanes);
void Place(const Matrix4& m, const SceneVertex* v, const placement_plain::Columns& c, std::size_t count) {
  HWY_DYNAMIC_DISPATCH(PlaceLanes)(m, v, c, count);
}
}  // namespace vuxa_placement

void PlaceVertices(const Matrix4& placement, const SceneVertex* vertices, VertexColumns& c, std::size_t count) {
  if (count == 0) return;
  const placement_plain::Columns columns{c.px.data(), c.py.data(), c.pz.data(),
                                         c.nx.data(), c.ny.data(), c.nz.data()};
  vuxa_placement::Place(placement, vertices, columns, count);
}
#endif
