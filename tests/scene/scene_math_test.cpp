// Matrix product order, view matrix and projection with the values the
// renderer and the spinning scene depend on.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/math.h"

namespace {

void ExpectMatrixNear(const Matrix4& m, const float (&want)[16], float tolerance) {
  const float* got = &m._11;
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(got[i], want[i], tolerance) << "element _" << i / 4 + 1 << i % 4 + 1;
}

Matrix4 Counting() {
  Matrix4 m;
  float* e = &m._11;
  for (int i = 0; i < 16; ++i) e[i] = float(i + 1) * (i % 3 == 0 ? -1.0f : 1.0f);
  return m;
}

TEST(SceneMath, ProductAppliesFirstThenSecond) {
  Matrix4 first = IdentityMatrix();
  first._14 = 5;
  Matrix4 second = IdentityMatrix();
  second._11 = 2;
  const Matrix4 p = MatrixProduct(first, second);
  EXPECT_EQ(p._11, 2.0f);
  EXPECT_EQ(p._14, 10.0f);  // the reverse order would give 5

  const Matrix4 m = Counting();
  float want[16];
  std::memcpy(want, &m._11, sizeof want);
  ExpectMatrixNear(MatrixProduct(IdentityMatrix(), m), want, 0);
  ExpectMatrixNear(MatrixProduct(m, IdentityMatrix()), want, 0);
}

TEST(SceneMath, ProductOfGeneralMatrices) {
  const Matrix4 a = Counting();
  Matrix4 b = IdentityMatrix();
  b._12 = 3;
  b._31 = -2;
  b._44 = 0.5f;
  const Matrix4 p = MatrixProduct(a, b);  // b x a
  // Row 1 of b is (1, 3, 0, 0): row1(a) + 3 row2(a).
  EXPECT_EQ(p._11, -1.0f + 3 * 5.0f);
  EXPECT_EQ(p._14, -4.0f + 3 * 8.0f);
  // Row 3 of b is (-2, 0, 1, 0): -2 row1(a) + row3(a).
  EXPECT_EQ(p._32, -2 * 2.0f - 10.0f);
  EXPECT_EQ(p._44, 0.5f * -16.0f);
}

TEST(SceneMath, ViewMatrixStraightAheadIsTheIdentity) {
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrixNear(ViewMatrix({0, 0, 0}, {0, 0, 1}, {0, 1, 0}), identity, 1e-7f);
}

TEST(SceneMath, ViewMatrixOffAxis) {
  const float want[16] = {0.8f, 0.30870f, 0.51450f, 0, 0, 0.85749f, -0.51450f, 0,
                          -0.6f, 0.41160f, 0.68599f, 0, 1.0f, -3.25847f, -1.54349f, 1};
  ExpectMatrixNear(ViewMatrix({1, 2, 3}, {4, -1, 7}, {0, 1, 0}), want, 2e-5f);
}

TEST(SceneMath, Projection) {
  const float want[16] = {0.87758f, 0, 0, 0, 0, 0.87758f, 0, 0,
                          0, 0, 0.48921f, 0.47943f, 0, 0, -4.89210f, 0};
  ExpectMatrixNear(ProjectionMatrix(10, 500, 1), want, 2e-5f);
}

}  // namespace
