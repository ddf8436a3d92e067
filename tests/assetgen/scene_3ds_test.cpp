// The generated 3D scene and its bitmaps: the chunk tree nests exactly and
// holds only what the show's loader reads; the meshes, camera and lights fit
// the show (faces turn clockwise towards the camera once the loader has
// exchanged y and z and reversed each face; no turned-to-camera vertex goes
// unlit while the shapes spin); the BMP files are well formed; ImageMagick and
// assimp read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assetgen/pictures_support.h"

namespace {

namespace fs = std::filesystem;
using namespace assetgen_test;

std::uint32_t Le(const Bytes& b, size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}
float F32(const Bytes& b, size_t at) {
  const std::uint32_t bits = Le(b, at, 4);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
std::string Str(const Bytes& b, size_t at) {
  std::string s;
  while (at < b.size() && b[at] != 0) s.push_back(static_cast<char>(b[at++]));
  return s;
}

// ------------------------------------------------------------ chunk tree

struct Chunk {
  std::uint16_t id = 0;
  size_t start = 0, length = 0, data = 0;
  std::vector<Chunk> kids;
};

struct Rule {
  std::set<std::uint16_t> kids;  // ids allowed inside; empty for a leaf
};

const std::map<std::uint16_t, Rule>& Grammar() {
  static const std::map<std::uint16_t, Rule> g = {
      {0x4D4D, {{0x0002, 0x3D3D}}},
      {0x3D3D, {{0x3D3E, 0xAFFF, 0x4000}}},
      {0xAFFF, {{0xA000, 0xA010, 0xA020, 0xA030, 0xA200}}},
      {0xA010, {{0x0011}}},
      {0xA020, {{0x0011}}},
      {0xA030, {{0x0011}}},
      {0xA200, {{0x0030, 0xA300}}},
      {0x4000, {{0x4100, 0x4600, 0x4700}}},
      {0x4100, {{0x4110, 0x4140, 0x4160, 0x4120}}},
      {0x4120, {{0x4130}}},
      {0x4600, {{0x0010, 0x4610, 0x465A, 0x465B}}},
      {0x4610, {}}, {0x4700, {}}, {0x0002, {}}, {0x3D3E, {}}, {0x0010, {}}, {0x0011, {}}, {0x0030, {}},
      {0xA000, {}}, {0xA300, {}}, {0x4110, {}}, {0x4140, {}}, {0x4160, {}}, {0x4130, {}}, {0x465A, {}},
      {0x465B, {}},
  };
  return g;
}

// Bytes of fixed fields before any sub-chunk, as the chunk kind defines them.
size_t FixedSize(const Bytes& b, std::uint16_t id, size_t data) {
  switch (id) {
    case 0x0002: case 0x3D3E: case 0x465A: case 0x465B: return 4;
    case 0x0010: case 0x4600: return 12;
    case 0x0011: return 3;
    case 0x0030: return 2;
    case 0x4610: return 20;
    case 0x4700: return 32;
    case 0x4160: return 48;
    case 0xA000: case 0xA300: case 0x4000: return Str(b, data).size() + 1;
    case 0x4110: return 2 + 12 * Le(b, data, 2);
    case 0x4140: return 2 + 8 * Le(b, data, 2);
    case 0x4120: return 2 + 8 * Le(b, data, 2);
    case 0x4130: {
      const size_t name = Str(b, data).size() + 1;
      return name + 2 + 2 * Le(b, data + name, 2);
    }
    default: return 0;
  }
}

// Parses the chunk at `at` and its sub-chunks, requiring each length to cover
// its fixed fields and its sub-chunks exactly.
bool Parse(const Bytes& b, size_t at, size_t end, Chunk& c) {
  if (at + 6 > end) {
    ADD_FAILURE() << "chunk header past its parent at " << at;
    return false;
  }
  c.id = static_cast<std::uint16_t>(Le(b, at, 2));
  c.start = at;
  c.length = Le(b, at + 2, 4);
  c.data = at + 6;
  const auto rule = Grammar().find(c.id);
  if (rule == Grammar().end()) {
    ADD_FAILURE() << "chunk kind the loader does not read: 0x" << std::hex << c.id;
    return false;
  }
  if (c.length < 6 || at + c.length > end) {
    ADD_FAILURE() << "chunk 0x" << std::hex << c.id << " overruns its parent";
    return false;
  }
  const size_t stop = at + c.length;
  size_t pos = c.data + FixedSize(b, c.id, c.data);
  if (pos > stop) {
    ADD_FAILURE() << "chunk 0x" << std::hex << c.id << " too short for its fields";
    return false;
  }
  while (pos < stop) {
    Chunk kid;
    if (!Parse(b, pos, stop, kid)) return false;
    if (!rule->second.kids.count(kid.id)) {
      ADD_FAILURE() << "chunk 0x" << std::hex << kid.id << " inside 0x" << c.id;
      return false;
    }
    pos += kid.length;
    c.kids.push_back(std::move(kid));
  }
  return pos == stop;
}

// ------------------------------------------------------------ scene model

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

// Everything in the loader's Scene axes: file (x, y, z) held as (x, z, y),
// file face (a, b, c) held as (c, b, a).
struct Mesh {
  std::string name, material;
  std::vector<V3> points;
  std::vector<std::array<float, 2>> uv;
  std::vector<std::array<unsigned, 3>> faces;
  unsigned uv_count = 0;
  bool has_matrix = false;
};
struct Material {
  std::string name, map;
  std::array<int, 3> diffuse{}, specular{};
};
struct Light {
  V3 pos, colour, dir;
  double range = 0, multiplier = 0, hotspot = 0, falloff = 0;  // half-angles in radians
  bool spot = false;
};
struct Scene {
  Chunk root;
  std::vector<Material> materials;
  std::vector<Mesh> meshes;
  std::vector<Light> lights;
  V3 eye, target;
  double lens = 0, bank = 0;
  int cameras = 0;
};

V3 FilePoint(const Bytes& b, size_t at) { return {F32(b, at), F32(b, at + 8), F32(b, at + 4)}; }

void Collect(const Bytes& b, const Chunk& c, Scene& s, const std::string& object) {
  const size_t d = c.data;
  switch (c.id) {
    case 0xAFFF: s.materials.emplace_back(); break;
    case 0xA000: s.materials.back().name = Str(b, d); break;
    case 0xA020: s.materials.back().diffuse = {b[d + 6], b[d + 7], b[d + 8]}; break;
    case 0xA030: s.materials.back().specular = {b[d + 6], b[d + 7], b[d + 8]}; break;
    case 0xA300: s.materials.back().map = Str(b, d); break;
    case 0x4100: s.meshes.emplace_back(); s.meshes.back().name = object; break;
    case 0x4110:
      for (unsigned i = 0; i < Le(b, d, 2); ++i) s.meshes.back().points.push_back(FilePoint(b, d + 2 + 12 * i));
      break;
    case 0x4140:
      s.meshes.back().uv_count = Le(b, d, 2);
      for (unsigned i = 0; i < Le(b, d, 2); ++i) s.meshes.back().uv.push_back({F32(b, d + 2 + 8 * i), F32(b, d + 6 + 8 * i)});
      break;
    case 0x4160: s.meshes.back().has_matrix = true; break;
    case 0x4120:
      for (unsigned i = 0; i < Le(b, d, 2); ++i) {
        const size_t f = d + 2 + 8 * i;
        s.meshes.back().faces.push_back({Le(b, f + 4, 2), Le(b, f + 2, 2), Le(b, f, 2)});
      }
      break;
    case 0x4130: s.meshes.back().material = Str(b, d); break;
    case 0x4600: s.lights.emplace_back(); s.lights.back().pos = FilePoint(b, d); break;
    case 0x0010: s.lights.back().colour = {F32(b, d), F32(b, d + 4), F32(b, d + 8)}; break;
    case 0x4610: {
      Light& l = s.lights.back();
      l.spot = true;
      l.dir = Unit(FilePoint(b, d) - l.pos);
      l.hotspot = F32(b, d + 12) * 0.008726;
      l.falloff = F32(b, d + 16) * 0.008726;
      break;
    }
    case 0x465A: s.lights.back().range = F32(b, d); break;
    case 0x465B: s.lights.back().multiplier = F32(b, d); break;
    case 0x4700:
      ++s.cameras;
      s.eye = FilePoint(b, d);
      s.target = FilePoint(b, d + 12);
      s.bank = F32(b, d + 24);
      s.lens = F32(b, d + 28);
      break;
    default: break;
  }
  const std::string name = c.id == 0x4000 ? Str(b, d) : object;
  for (const Chunk& k : c.kids) Collect(b, k, s, name);
}

class SceneFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bytes_ = new Bytes(ReadFile(DataDir() / "scenes" / "ball.3ds"));
    scene_ = new Scene;
    if (Parse(*bytes_, 0, bytes_->size(), scene_->root) && scene_->root.length == bytes_->size()) {
      Collect(*bytes_, scene_->root, *scene_, "");
    }
  }
  static void TearDownTestSuite() {
    delete bytes_;
    delete scene_;
  }
  static Bytes* bytes_;
  static Scene* scene_;
};
Bytes* SceneFile::bytes_ = nullptr;
Scene* SceneFile::scene_ = nullptr;

TEST_F(SceneFile, ChunkTreeNestsExactlyWithVersionChunksFirst) {
  Chunk root;
  ASSERT_TRUE(Parse(*bytes_, 0, bytes_->size(), root));
  EXPECT_EQ(root.id, 0x4D4D);
  EXPECT_EQ(root.length, bytes_->size());
  // The loader passes over exactly 10 bytes after each of these two headers.
  ASSERT_GE(root.kids.size(), 2u);
  EXPECT_EQ(root.kids[0].id, 0x0002);
  EXPECT_EQ(root.kids[0].length, 10u);
  EXPECT_EQ(Le(*bytes_, root.kids[0].data, 4), 3u);
  const Chunk& mdata = root.kids[1];
  EXPECT_EQ(mdata.id, 0x3D3D);
  ASSERT_FALSE(mdata.kids.empty());
  EXPECT_EQ(mdata.kids[0].id, 0x3D3E);
  EXPECT_EQ(mdata.kids[0].length, 10u);
  EXPECT_EQ(Le(*bytes_, mdata.kids[0].data, 4), 3u);
  // Colour chunks lead with a 24-bit colour, texture maps with an 8-byte percentage.
  for (const Chunk& m : mdata.kids) {
    for (const Chunk& k : m.kids) {
      if (k.id == 0xA010 || k.id == 0xA020 || k.id == 0xA030) {
        ASSERT_FALSE(k.kids.empty());
        EXPECT_EQ(k.kids[0].id, 0x0011);
      }
      if (k.id == 0xA200) {
        ASSERT_EQ(k.kids.size(), 2u);
        EXPECT_EQ(k.kids[0].id, 0x0030);
        EXPECT_EQ(k.kids[0].length, 8u);
        EXPECT_EQ(k.kids[1].id, 0xA300);
      }
    }
  }
}

TEST_F(SceneFile, MeshesAreWellFormedAndNameTheirMaterials) {
  ASSERT_GE(scene_->meshes.size(), 3u);
  std::set<std::string> names;
  for (const Material& m : scene_->materials) names.insert(m.name);
  for (const Mesh& m : scene_->meshes) {
    SCOPED_TRACE(m.name);
    ASSERT_FALSE(m.points.empty());
    EXPECT_LE(m.points.size(), 65535u);
    EXPECT_EQ(m.uv_count, m.points.size());
    EXPECT_EQ(m.uv.size(), m.points.size());
    EXPECT_TRUE(m.has_matrix);
    EXPECT_TRUE(names.count(m.material)) << m.material;
    for (const auto& f : m.faces) {
      for (unsigned i : f) EXPECT_LT(i, m.points.size());
    }
    // The loader's normals point out of the solid: positive enclosed volume.
    double volume = 0;
    for (const auto& f : m.faces) volume += Dot(m.points[f[0]], Cross(m.points[f[1]], m.points[f[2]])) / 6.0;
    EXPECT_GT(volume, 0.0);
  }
  // The ball: u once round from 0 to the last column before 1 (the seam joins
  // the last column to the first); all bitmap rows used after the loader negates v.
  const Mesh& ball = scene_->meshes[0];
  float umin = 1e9f, umax = -1e9f, vmin = 1e9f, vmax = -1e9f;
  for (const auto& t : ball.uv) {
    umin = std::min(umin, t[0]);
    umax = std::max(umax, t[0]);
    vmin = std::min(vmin, -t[1]);
    vmax = std::max(vmax, -t[1]);
  }
  EXPECT_FLOAT_EQ(umin, 0.0f);
  EXPECT_GT(umax, 0.9f);
  EXPECT_LT(umax, 1.0f);
  EXPECT_FLOAT_EQ(vmin, 0.0f);
  EXPECT_FLOAT_EQ(vmax, 1.0f);
  double radius = 0;
  for (const V3& p : ball.points) radius = std::max(radius, Len(p));
  double volume = 0;
  for (const auto& f : ball.faces) volume += Dot(ball.points[f[0]], Cross(ball.points[f[1]], ball.points[f[2]])) / 6.0;
  EXPECT_NEAR(volume, 4.0 / 3.0 * M_PI * radius * radius * radius, 0.05 * volume);
}

// Normal of the plane a ring lies in: the axis of least spread of its points.
V3 PlaneNormal(const Mesh& m) {
  double c[3][3] = {};
  for (const V3& p : m.points) {
    const double v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) c[i][j] += v[i] * v[j];
    }
  }
  // Power iteration on (trace - C) finds the eigenvector of C's least eigenvalue.
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

TEST_F(SceneFile, BallAndTwoRingsSitOnTheOriginAtDifferentTilts) {
  ASSERT_GE(scene_->meshes.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Mesh& m = scene_->meshes[i];
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const V3& p : m.points) {
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const V3 centre = (lo + hi) * 0.5;
    EXPECT_LT(Len(centre), 0.5) << m.name;
  }
  EXPECT_NE(scene_->meshes[0].material, scene_->meshes[1].material);
  EXPECT_NE(scene_->meshes[0].material, scene_->meshes[2].material);
  const V3 n1 = PlaneNormal(scene_->meshes[1]), n2 = PlaneNormal(scene_->meshes[2]);
  const double between = std::acos(std::min(1.0, std::fabs(Dot(n1, n2)))) * 180.0 / M_PI;
  EXPECT_GT(between, 15.0);
  // Neither ring lies flat in the ground plane (y is up in Scene axes).
  EXPECT_LT(std::fabs(n1.y), 0.97);
  EXPECT_LT(std::fabs(n2.y), 0.97);
}

// The show's camera: view axes s, u, f from eye, target and roll; perspective
// with near 10 and far 500; a 320x200 viewport spanning clip x -1..1, y 0.75..-0.75.
struct Camera {
  V3 eye, s, u, f;
  double c = 0, sn = 0, q = 0;
  explicit Camera(const Scene& sc) : eye(sc.eye) {
    const double roll = sc.bank;
    const V3 up{std::sin(roll), std::cos(roll), 0};
    f = Unit(sc.target - sc.eye);
    s = Unit(Cross(up, f));
    u = Unit(Cross(f, s));
    const double fov = 2400.0 / sc.lens * 0.017453;
    c = std::cos(fov / 2);
    sn = std::sin(fov / 2);
    q = sn / (1.0 - 10.0 / 500.0);
  }
  double Depth(V3 p) const { return Dot(p - eye, f); }
  // Screen position in the 320x200 viewport, y down.
  std::array<double, 2> Screen(V3 p) const {
    const V3 d = p - eye;
    const double w = sn * Dot(d, f);
    const double x = c * Dot(d, s) / w, y = c * Dot(d, u) / w;
    return {(x + 1.0) * 0.5 * 320.0, (0.75 - y) / 1.5 * 200.0};
  }
};

TEST_F(SceneFile, CameraFramesTheSceneWithinTheClipRange) {
  EXPECT_EQ(scene_->cameras, 1);
  const double distance = Len(scene_->eye);
  EXPECT_GE(distance, 100.0);
  EXPECT_LE(distance, 300.0);
  EXPECT_GE(scene_->lens, 35.0);
  EXPECT_LE(scene_->lens, 50.0);
  EXPECT_LT(Len(scene_->target), 20.0);
  // The meshes turn about the origin: every point stays between the clip
  // planes at any turn, and the ball's centre projects near the middle.
  double radius = 0;
  for (const Mesh& m : scene_->meshes) {
    for (const V3& p : m.points) radius = std::max(radius, Len(p));
  }
  EXPECT_GT(distance - radius, 10.0);
  EXPECT_LT(distance + radius, 500.0);
  const Camera cam(*scene_);
  const auto mid = cam.Screen({0, 0, 0});
  EXPECT_NEAR(mid[0], 160.0, 20.0);
  EXPECT_NEAR(mid[1], 100.0, 30.0);
}

// With the loader's reversed faces, faces on the side of a shape turned to
// the camera must come out clockwise on screen (kept by counter-clockwise
// culling), faces on the far side counter-clockwise (culled). Which side a
// face is on comes from the shape, not from its winding.
TEST_F(SceneFile, FacesTurnedToTheCameraAreClockwiseOnScreen) {
  ASSERT_GE(scene_->meshes.size(), 3u);
  const Camera cam(*scene_);
  for (int i = 0; i < 3; ++i) {
    const Mesh& m = scene_->meshes[i];
    SCOPED_TRACE(m.name);
    // Rings: the tube's cross-section is an ellipse, half-width `across` in
    // the ring plane and half-height `up` along its axis, round a centre line.
    const V3 axis = PlaneNormal(m);
    double ring_radius = 0, across = 0, up = 0;
    for (const V3& p : m.points) ring_radius += Len(p - axis * Dot(p, axis));
    ring_radius /= static_cast<double>(m.points.size());
    for (const V3& p : m.points) {
      across = std::max(across, std::fabs(Len(p - axis * Dot(p, axis)) - ring_radius));
      up = std::max(up, std::fabs(Dot(p, axis)));
    }
    int front = 0, back = 0, wrong = 0, inward = 0;
    for (const auto& f : m.faces) {
      const V3 a = m.points[f[0]], b = m.points[f[1]], c = m.points[f[2]];
      const V3 centre = (a + b + c) * (1.0 / 3.0);
      V3 outward = centre;
      if (i > 0) {
        // The ellipse's normal at the face's place round the tube.
        const V3 radial = Unit(centre - axis * Dot(centre, axis));
        const double r = Dot(centre, radial) - ring_radius, h = Dot(centre, axis);
        outward = radial * (r / (across * across)) + axis * (h / (up * up));
      }
      // The loader's face normal points out of the shape.
      if (Dot(Cross(b - a, c - a), outward) <= 0) ++inward;
      const V3 to_eye = cam.eye - centre;
      const double facing = Dot(outward, to_eye) / (Len(outward) * Len(to_eye));
      // Near the silhouette a facet may turn either way of the smooth shape.
      if (std::fabs(facing) < 0.3) continue;
      const auto sa = cam.Screen(a), sb = cam.Screen(b), sc = cam.Screen(c);
      const double area = (sb[0] - sa[0]) * (sc[1] - sa[1]) - (sb[1] - sa[1]) * (sc[0] - sa[0]);
      if (facing > 0) ++front;
      else ++back;
      if ((facing > 0) != (area > 0)) ++wrong;
    }
    EXPECT_GT(front, 100);
    EXPECT_GT(back, 100);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(inward, 0);
  }
}

// Lighting as the show does it, with no ambient term: each vertex turned to
// the camera must catch some light at every moment of the spin.
TEST_F(SceneFile, EveryVertexFacingTheCameraIsLitThroughTheSpin) {
  ASSERT_GE(scene_->meshes.size(), 3u);
  int points = 0, spots = 0;
  for (const Light& l : scene_->lights) {
    if (l.spot) {
      ++spots;
      EXPECT_GT(l.falloff, l.hotspot);
    } else {
      ++points;
      EXPECT_GE(l.multiplier, 0.5);
      EXPECT_LE(l.multiplier, 2.0);
      EXPECT_GT(l.range, Len(l.pos) + 80.0) << "range must reach past the far side of the scene";
    }
  }
  EXPECT_GE(points, 2);
  EXPECT_GE(spots, 1);

  // Vertex normals as the loader makes them: the mean of the unit face normals.
  auto normals = [](const Mesh& m) {
    std::vector<V3> n(m.points.size());
    std::vector<int> count(m.points.size());
    for (const auto& f : m.faces) {
      const V3 fn = Unit(Cross(m.points[f[1]] - m.points[f[0]], m.points[f[2]] - m.points[f[0]]));
      for (unsigned i : f) {
        n[i] = n[i] + fn;
        ++count[i];
      }
    }
    for (size_t i = 0; i < n.size(); ++i) {
      if (count[i]) n[i] = n[i] * (1.0 / count[i]);
    }
    return n;
  };
  auto light_sum = [&](V3 p, V3 n) {
    V3 sum;
    for (const Light& l : scene_->lights) {
      double intensity = 0;
      if (!l.spot) {
        const V3 d = p - l.pos;
        const double dist = Len(d);
        if (dist > l.range) continue;
        intensity = l.multiplier * (l.range - dist) / l.range * Dot(d * (-1.0 / dist), n);
      } else {
        const double angle = std::acos(std::min(1.0, Dot(Unit(p - l.pos), l.dir)));
        if (angle > l.falloff) continue;
        intensity = -Dot(n, l.dir);
        if (angle > l.hotspot) intensity *= 1.0 - (angle - l.hotspot) / (l.falloff - l.hotspot);
      }
      if (intensity > 0) sum = sum + l.colour * intensity;
    }
    return sum;
  };
  const Camera cam(*scene_);
  // Placements of the spinning scene: rows of the 3x3 part, applied to column vectors.
  auto y_turn = [](double a) { return std::array<V3, 3>{V3{std::cos(a), 0, std::sin(a)}, V3{0, 1, 0}, V3{-std::sin(a), 0, std::cos(a)}}; };
  auto z_turn = [](double a) { return std::array<V3, 3>{V3{std::cos(a), std::sin(a), 0}, V3{-std::sin(a), std::cos(a), 0}, V3{0, 0, 1}}; };
  auto apply = [](const std::array<V3, 3>& m, V3 v) { return V3{Dot(m[0], v), Dot(m[1], v), Dot(m[2], v)}; };
  double dimmest = 1e9;
  for (int i = 0; i < 3; ++i) {
    const Mesh& m = scene_->meshes[i];
    const std::vector<V3> n = normals(m);
    for (double t = 0; t < 12.0; t += 0.25) {
      for (size_t k = 0; k < m.points.size(); ++k) {
        V3 p = m.points[k], nn = n[k];
        // Turned in the order the show composes them.
        if (i == 0) {
          p = apply(y_turn(t * 0.5), p);
          nn = apply(y_turn(t * 0.5), nn);
        } else if (i == 1) {
          p = apply(y_turn(t * 0.2), apply(z_turn(t / 3.0), p));
          nn = apply(y_turn(t * 0.2), apply(z_turn(t / 3.0), nn));
        } else {
          p = apply(z_turn(t * 0.2), apply(y_turn(-t * 0.3125), p));
          nn = apply(z_turn(t * 0.2), apply(y_turn(-t * 0.3125), nn));
        }
        if (Len(nn) < 0.5 || Dot(Unit(nn), Unit(cam.eye - p)) < 0.3) continue;
        const V3 s = light_sum(p, nn);
        dimmest = std::min(dimmest, std::max({s.x, s.y, s.z}));
      }
    }
  }
  // A darker side is wanted (it shows the ball's form), black is not.
  EXPECT_GT(dimmest, 0.08) << "dimmest lit vertex";
}

TEST_F(SceneFile, MaterialsNameBitmapsThatExist) {
  ASSERT_GE(scene_->materials.size(), 2u);
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(DataDir() / "Textures")) {
    std::string n = e.path().filename().string();
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    files.insert(n);
  }
  for (const Material& m : scene_->materials) {
    SCOPED_TRACE(m.name);
    std::string n = m.map;
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(files.count(n)) << m.map;
    EXPECT_EQ(m.map.find_first_of("/\\"), std::string::npos);
    EXPECT_LT(std::max({m.specular[0], m.specular[1], m.specular[2]}), 128);
  }
}

TEST_F(SceneFile, AssimpReadsTheScene) {
  if (!HaveTool("assimp")) GTEST_SKIP() << "assimp-utils is not installed";
  const std::string info = RunCapture("assimp info '" + (DataDir() / "scenes" / "ball.3ds").string() + "' 2>&1");
  auto number = [&](const std::string& key) {
    const size_t at = info.find(key);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + key.size());
  };
  EXPECT_EQ(number("Meshes:"), static_cast<int>(scene_->meshes.size())) << info;
  EXPECT_EQ(number("Lights:"), static_cast<int>(scene_->lights.size()));
  EXPECT_EQ(number("Cameras:"), 1);
  EXPECT_GE(number("Materials:"), static_cast<int>(scene_->materials.size()));
}

// ------------------------------------------------------------ bitmaps

struct Bmp {
  int w = 0, h = 0, bits = 0;
  Bytes rgb;  // rows from the top
};

Bmp DecodeBmp(const fs::path& path) {
  const Bytes b = ReadFile(path);
  Bmp out;
  EXPECT_GE(b.size(), 54u) << path;
  if (b.size() < 54) return out;
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le(b, 2, 4), b.size());
  EXPECT_EQ(Le(b, 14, 4), 40u);
  out.w = static_cast<int>(Le(b, 18, 4));
  out.h = static_cast<int>(Le(b, 22, 4));  // positive: bottom-up
  EXPECT_GT(out.w, 0);
  EXPECT_GT(out.h, 0);
  EXPECT_EQ(Le(b, 26, 2), 1u);
  out.bits = static_cast<int>(Le(b, 28, 2));
  EXPECT_EQ(Le(b, 30, 4), 0u) << "compressed";
  const std::uint32_t colours = Le(b, 46, 4);
  const std::uint32_t offset = Le(b, 10, 4);
  const size_t stride = ((static_cast<size_t>(out.w) * out.bits / 8) + 3) & ~size_t{3};
  if (out.bits == 8) {
    EXPECT_GE(colours, 1u);
    EXPECT_LE(colours, 256u);
    EXPECT_EQ(offset, 54u + 4u * colours);
  } else {
    EXPECT_EQ(out.bits, 24);
    EXPECT_EQ(offset, 54u);
  }
  EXPECT_EQ(b.size(), offset + stride * out.h);
  if (b.size() != offset + stride * out.h || out.w <= 0 || out.h <= 0) return out;
  for (int y = 0; y < out.h; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(out.h - 1 - y);
    for (int x = 0; x < out.w; ++x) {
      if (out.bits == 24) {
        out.rgb.insert(out.rgb.end(), {b[row + 3 * x + 2], b[row + 3 * x + 1], b[row + 3 * x]});
      } else {
        const unsigned i = b[row + x];
        EXPECT_LT(i, colours);
        const size_t c = 54 + 4 * std::min<unsigned>(i, colours - 1);
        out.rgb.insert(out.rgb.end(), {b[c + 2], b[c + 1], b[c]});
      }
    }
  }
  return out;
}

TEST(SceneBitmaps, BothDepthsAppearWithPowerOfTwoSizes) {
  int eight = 0, twenty_four = 0;
  for (const auto& e : fs::directory_iterator(DataDir() / "Textures")) {
    SCOPED_TRACE(e.path().filename().string());
    const Bmp bmp = DecodeBmp(e.path());
    EXPECT_EQ(bmp.w & (bmp.w - 1), 0);
    EXPECT_EQ(bmp.h & (bmp.h - 1), 0);
    if (bmp.bits == 8) ++eight;
    if (bmp.bits == 24) ++twenty_four;
    EXPECT_EQ(bmp.rgb.size(), static_cast<size_t>(bmp.w) * bmp.h * 3);
    std::set<std::uint32_t> colours;
    for (size_t i = 0; i + 2 < bmp.rgb.size(); i += 3) colours.insert(bmp.rgb[i] << 16 | bmp.rgb[i + 1] << 8 | bmp.rgb[i + 2]);
    EXPECT_GT(colours.size(), 64u);
  }
  EXPECT_GE(eight, 1);
  EXPECT_GE(twenty_four, 1);
}

TEST(SceneBitmaps, ImageMagickReadsTheSamePixels) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  for (const auto& e : fs::directory_iterator(DataDir() / "Textures")) {
    SCOPED_TRACE(e.path().filename().string());
    const Bmp bmp = DecodeBmp(e.path());
    const std::string raw = RunCapture("convert '" + e.path().string() + "' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ(raw.size(), bmp.rgb.size());
    EXPECT_TRUE(std::equal(bmp.rgb.begin(), bmp.rgb.end(), reinterpret_cast<const std::uint8_t*>(raw.data())));
  }
}

}  // namespace
