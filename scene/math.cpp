// math.cpp: identity, zero, product, view and projection matrices, small vector helpers.
//
// All in single precision, every operation pure. No guards: a zero-length
// viewing direction, an up vector along it or far equal to near divide by zero
// and give non-finite elements (the renderer checks its camera first).
#include "scene/math.h"

#include "scene/bit_cast.h"

#include <array>
#include <cmath>

namespace {

using Elements = std::array<float, 16>;  // row after row, as D3DMATRIX

Vec3 Subtract(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 Normalised(Vec3 v) { return DivideVec3(v, std::sqrt(SquaredLength(v))); }

}  // namespace

Matrix4 IdentityMatrix() {
  Matrix4 m = ZeroMatrix();
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

Matrix4 ZeroMatrix() { return BitCast<Matrix4>(Elements{}); }

Matrix4 MatrixProduct(const Matrix4& first, const Matrix4& second) {
  const auto a = BitCast<Elements>(first);
  const auto b = BitCast<Elements>(second);
  Elements out{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out[r * 4 + c] = b[r * 4 + 0] * a[0 * 4 + c] + b[r * 4 + 1] * a[1 * 4 + c] +
                       b[r * 4 + 2] * a[2 * 4 + c] + b[r * 4 + 3] * a[3 * 4 + c];
  return BitCast<Matrix4>(out);
}

Matrix4 ViewMatrix(Vec3 eye, Vec3 target, Vec3 up) {
  const Vec3 f = Normalised(Subtract(target, eye));
  const Vec3 s = Cross(up, f);
  const Vec3 u = Normalised(Cross(f, s));  // from s before its normalisation
  const Vec3 side = Normalised(s);
  Matrix4 m = IdentityMatrix();
  m._11 = side.x;
  m._21 = side.y;
  m._31 = side.z;
  m._12 = u.x;
  m._22 = u.y;
  m._32 = u.z;
  m._13 = f.x;
  m._23 = f.y;
  m._33 = f.z;
  m._41 = -Dot(side, eye);
  m._42 = -Dot(u, eye);
  m._43 = -Dot(f, eye);
  return m;
}

Matrix4 ProjectionMatrix(float nearPlane, float farPlane, float fieldOfView) {
  const float h = fieldOfView * 0.5f;
  const float c = std::cos(h);
  const float s = std::sin(h);
  const float q = s / (1.0f - nearPlane / farPlane);
  Matrix4 m = ZeroMatrix();
  m._11 = c;
  m._22 = c;
  m._33 = q;
  m._34 = s;
  m._43 = -q * nearPlane;
  return m;
}

Vec3 MakeVec3(float x, float y, float z) { return {x, y, z}; }

Vec3 DivideVec3(Vec3 v, float k) { return {v.x / k, v.y / k, v.z / k}; }

float SquaredLength(Vec3 v) { return v.x * v.x + v.y * v.y + v.z * v.z; }
