// math.h: vectors and matrices of the 3D scene.
//
// Matrix4 has Direct3D's D3DMATRIX layout (_11 .. _44, row after row) and can
// go to SetTransform unchanged. View and projection are built for the device's
// row-vector convention; mesh placements are applied by the renderer as column
// vectors. Every operation is pure.
#pragma once

#include "platform/d3d/d3d.h"

struct Vec3 {
  float x, y, z;
};

using Matrix4 = D3DMATRIX;

Matrix4 IdentityMatrix();
Matrix4 ZeroMatrix();
// second x first: applies first's transform, then second's, to column vectors.
Matrix4 MatrixProduct(const Matrix4& first, const Matrix4& second);
Matrix4 ViewMatrix(Vec3 eye, Vec3 target, Vec3 up);
Matrix4 ProjectionMatrix(float nearPlane, float farPlane, float fieldOfView);
Vec3 MakeVec3(float x, float y, float z);
Vec3 DivideVec3(Vec3 v, float k);
float SquaredLength(Vec3 v);
