// spin.cpp: the 3D scene of the show: the first three meshes of the loaded
// scene turn by angles proportional to the scene time, the second and third
// slightly see-through, and the whole scene is rendered.
//
// Angles, sines and cosines are worked out in double precision and stored as
// floats. A scene with fewer than three meshes has only those placed; one
// that could not be loaded draws nothing (the renderer finds no camera).
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "display/display.h"
#include "effects/scenes.h"
#include "scene/scene.h"

namespace {

struct Turn {
  float s, c;
};

Turn TurnBy(double angle) {
  return {static_cast<float>(std::sin(angle)), static_cast<float>(std::cos(angle))};
}

Matrix4 YTurn(Turn a) {
  Matrix4 m = IdentityMatrix();
  m._11 = a.c;
  m._13 = a.s;
  m._31 = -a.s;
  m._33 = a.c;
  return m;
}

Matrix4 ZTurn(Turn a) {
  Matrix4 m = IdentityMatrix();
  m._11 = a.c;
  m._12 = a.s;
  m._21 = -a.s;
  m._22 = a.c;
  return m;
}

}  // namespace

void DrawSpinScene(float t) {
  const double time = t;
  const Turn a1 = TurnBy(time * 0.5);
  const Turn a2 = TurnBy(time * 0.3333333333333333);
  const Turn a3 = TurnBy(time * 0.2);
  const Turn a4 = TurnBy(time * 0.3125);
  const Turn minusA4{-a4.s, a4.c};

  Scene& scene = TheScene;
  const std::size_t meshes = std::min<std::size_t>(scene.meshCount, scene.meshes.size());
  if (meshes > 0) scene.meshes[0].placement = YTurn(a1);
  if (meshes > 1) {
    // About z by a2 first, then about y by a3.
    scene.meshes[1].placement = MatrixProduct(ZTurn(a2), YTurn(a3));
    scene.meshes[1].opacity = 0.9f;
  }
  if (meshes > 2) {
    // About y by -a4 first, then about z by a3.
    scene.meshes[2].placement = MatrixProduct(YTurn(minusA4), ZTurn(a3));
    scene.meshes[2].opacity = 0.9f;
  }
  if (Display.device != nullptr) RenderScene(&scene, Display.device);
}
