// The generated 3D scene and its bitmaps: read by the show's readers without a
// complaint, every face turning outwards, the bitmaps alike in ImageMagick.
// The show finding every bitmap and showing the shapes whole are ShowCapture's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "scene/loader.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

// The generated scene as the show's loader reads it, once for the suite.
class SceneFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    problem_ = LoadSceneBytes(ReadBytes(fs::path(VUXA_DATA_DIR) / "scenes" / "ball.3ds"), &scene_, nullptr);
  }
  static void TearDownTestSuite() { scene_ = Scene{}; }
  static inline Scene scene_;
  static inline std::string problem_;
};

struct V3 {
  double x = 0, y = 0, z = 0;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Unit(V3 a) { return a * (1.0 / Len(a)); }
V3 Of(const SceneVertex& v) { return {v.x, v.y, v.z}; }

// Normal of the plane a ring lies in: the axis of least spread of its points,
// by power iteration on (trace - C).
V3 PlaneNormal(const SceneMesh& m) {
  double c[3][3] = {};
  for (const SceneVertex& p : m.vertices) {
    const double v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) c[i][j] += v[i] * v[j];
  }
  const double tr = c[0][0] + c[1][1] + c[2][2];
  V3 n{0.3, 0.5, 0.8};
  for (int it = 0; it < 200; ++it) {
    const double v[3] = {n.x, n.y, n.z};
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = tr * v[i] - (c[i][0] * v[0] + c[i][1] * v[1] + c[i][2] * v[2]);
    n = Unit({r[0], r[1], r[2]});
  }
  return n;
}

// Back-face culling keeps a face when its normal, as the loader's reversed
// order gives it, points out of the shape: out of the ball from its centre,
// out of a ring's tube from the circle through the tube's middle.
TEST_F(SceneFile, LoadsCleanlyAndEveryFaceOfTheBallAndRingsTurnsOutwards) {
  EXPECT_EQ(problem_, "");
  ASSERT_GE(scene_.meshCount, 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    const SceneMesh& m = scene_.meshes[i];
    SCOPED_TRACE(m.name);
    ASSERT_GT(m.faceCount, 100u);
    const V3 axis = i == 0 ? V3{} : PlaneNormal(m);
    double radius = 0;  // of the tube's middle circle
    for (const SceneVertex& p : m.vertices) radius += Len(Of(p) - axis * Dot(Of(p), axis));
    radius = i == 0 ? 0 : radius / static_cast<double>(m.vertexCount);
    int inward = 0;
    for (std::uint32_t f = 0; f < m.faceCount; ++f) {
      const SceneFace& face = m.faces[f];
      const V3 a = Of(m.vertices[face.index[0]]), b = Of(m.vertices[face.index[1]]), c = Of(m.vertices[face.index[2]]);
      const V3 centre = (a + b + c) * (1.0 / 3.0);
      const V3 inPlane = centre - axis * Dot(centre, axis);
      const V3 middle = radius > 0 ? Unit(inPlane) * radius : V3{};
      inward += Dot(Cross(b - a, c - a), centre - middle) <= 0;
    }
    EXPECT_EQ(inward, 0);
  }
}

// The show's bitmap reader takes each without a warning at a power-of-two
// size; there are bitmaps of 8 bits and of 24; ImageMagick reads them alike.
TEST(SceneBitmaps, ReadQuietlyAtPowerOfTwoSizesInBothDepths) {
  const bool magick = HaveTools({"identify"});
  ResetOffscreen(VUXA_DATA_DIR);
  std::set<int> depths;
  for (const auto& e : fs::directory_iterator(fs::path(VUXA_DATA_DIR) / "Textures")) {
    const std::string name = e.path().filename().string();
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    const auto bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, ("Textures\\" + name).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    DeleteObject(bitmap);
    const int w = info.bmWidth, h = info.bmHeight;
    EXPECT_TRUE(w > 0 && h > 0 && (w & (w - 1)) == 0 && (h & (h - 1)) == 0) << w << "x" << h;
    depths.insert(info.bmBitsPixel);
    if (magick) {
      EXPECT_EQ(Output("identify -regard-warnings -format '%w %h' '" + e.path().string() + "' 2>&1"),
                std::to_string(w) + " " + std::to_string(h));
    }
  }
  EXPECT_EQ(depths, (std::set<int>{8, 24}));
  platform::ResetPlatform();
}

}  // namespace
