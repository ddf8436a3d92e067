// The 3D scene: scenes/ball.3ds (a textured planet with two tilted rings,
// two coloured point lights, a spotlight from above, a camera) and the
// bitmaps under Textures/ that its materials name.
//
// The file holds only the chunk kinds the show's loader reads. Points are in
// 3DS axes, z up; the loader exchanges y and z and reverses each face, so
// faces here wind with (b - a) x (c - a) pointing outwards.
#include <cmath>

#include "tools/assetgen/bmp.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/scene_3ds.h"
#include "tools/assetgen/scene_mesh.h"

namespace assetgen {

namespace {

// Chunk ids.
constexpr std::uint16_t kMain = 0x4D4D, kVersion = 0x0002, kEditor = 0x3D3D, kMeshVersion = 0x3D3E;
constexpr std::uint16_t kColorF = 0x0010, kColor24 = 0x0011, kPercent = 0x0030;
constexpr std::uint16_t kMaterial = 0xAFFF, kMatName = 0xA000, kMatAmbient = 0xA010, kMatDiffuse = 0xA020,
                        kMatSpecular = 0xA030, kMatTexmap = 0xA200, kMatMapName = 0xA300;
constexpr std::uint16_t kObject = 0x4000, kTriMesh = 0x4100, kPoints = 0x4110, kFaces = 0x4120,
                        kFaceMaterial = 0x4130, kTexVerts = 0x4140, kLocalMatrix = 0x4160;
constexpr std::uint16_t kLight = 0x4600, kSpot = 0x4610, kOuterRange = 0x465A, kMultiplier = 0x465B;
constexpr std::uint16_t kCamera = 0x4700;

struct Colour8 {
  std::uint8_t r, g, b;
};

struct MaterialDef {
  const char* name;
  Colour8 ambient, diffuse, specular;
  const char* bitmap;
};

struct LightDef {
  const char* name;
  Vec3f position;
  Vec3f colour;
  float range, multiplier;
  bool spot;
  Vec3f target;
  float hotspot, falloff;  // full cone angles in degrees
};

// Textures are modulated by the lit vertex colour, so the ball's diffuse is
// near white; the rings tint violet. Specular is added evenly to every vertex,
// so it stays low to keep the colours deep.
const MaterialDef kMaterials[] = {
    {"PLANET", {24, 20, 48}, {246, 242, 255}, {14, 10, 22}, "PLANET.BMP"},
    {"RINGS", {30, 22, 20}, {255, 240, 224}, {22, 18, 30}, "RINGS.BMP"},
};

// No ambient term reaches the scene: a warm light front left above, a cool
// one front right below and a pale violet spot from above light every side
// that faces the camera while the shapes turn.
const LightDef kLights[] = {
    {"Warm", {-190, -150, 90}, {1.0f, 0.56f, 0.3f}, 600.0f, 1.2f, false, {}, 0, 0},
    {"Cool", {200, -130, -60}, {0.3f, 0.55f, 1.0f}, 600.0f, 0.9f, false, {}, 0, 0},
    {"Top spot", {30, -60, 240}, {0.42f, 0.36f, 0.7f}, 600.0f, 1.0f, true, {0, 0, 0}, 40.0f, 75.0f},
};

const Vec3f kEye{0, -188, 56}, kTarget{0, 0, -4};
constexpr float kLens = 40.0f;  // mm: a field of view of 60 degrees

void ColourChunk(ChunkWriter& w, std::uint16_t id, Colour8 c) {
  w.Begin(id);
  w.Begin(kColor24);
  w.U8(c.r);
  w.U8(c.g);
  w.U8(c.b);
  w.End();
  w.End();
}

void Point(ChunkWriter& w, const Vec3f& p) {
  w.F32(p.x);
  w.F32(p.y);
  w.F32(p.z);
}

void WriteMaterial(ChunkWriter& w, const MaterialDef& m) {
  w.Begin(kMaterial);
  w.Begin(kMatName);
  w.Str(m.name);
  w.End();
  ColourChunk(w, kMatAmbient, m.ambient);
  ColourChunk(w, kMatDiffuse, m.diffuse);
  ColourChunk(w, kMatSpecular, m.specular);
  w.Begin(kMatTexmap);
  w.Begin(kPercent);
  w.U16(100);
  w.End();
  w.Begin(kMatMapName);
  w.Str(m.bitmap);
  w.End();
  w.End();
  w.End();
}

void WriteMesh(ChunkWriter& w, const Mesh& m) {
  w.Begin(kObject);
  w.Str(m.name);
  w.Begin(kTriMesh);
  w.Begin(kPoints);
  w.U16(static_cast<std::uint16_t>(m.points.size()));
  for (const Vec3f& p : m.points) Point(w, p);
  w.End();
  w.Begin(kTexVerts);
  w.U16(static_cast<std::uint16_t>(m.uv.size()));
  for (const auto& t : m.uv) {
    w.F32(t[0]);
    w.F32(t[1]);
  }
  w.End();
  w.Begin(kLocalMatrix);  // identity axes, origin at 0
  for (int i = 0; i < 12; ++i) w.F32(i == 0 || i == 4 || i == 8 ? 1.0f : 0.0f);
  w.End();
  w.Begin(kFaces);
  w.U16(static_cast<std::uint16_t>(m.faces.size()));
  for (const auto& f : m.faces) {
    w.U16(f[0]);
    w.U16(f[1]);
    w.U16(f[2]);
    w.U16(7);  // all three edges visible
  }
  w.Begin(kFaceMaterial);
  w.Str(m.material);
  w.U16(static_cast<std::uint16_t>(m.faces.size()));
  for (size_t i = 0; i < m.faces.size(); ++i) w.U16(static_cast<std::uint16_t>(i));
  w.End();
  w.End();
  w.End();
  w.End();
}

void WriteLight(ChunkWriter& w, const LightDef& l) {
  w.Begin(kObject);
  w.Str(l.name);
  w.Begin(kLight);
  Point(w, l.position);
  w.Begin(kColorF);
  Point(w, l.colour);
  w.End();
  if (l.spot) {
    w.Begin(kSpot);
    Point(w, l.target);
    w.F32(l.hotspot);
    w.F32(l.falloff);
    w.End();
  }
  w.Begin(kOuterRange);
  w.F32(l.range);
  w.End();
  w.Begin(kMultiplier);
  w.F32(l.multiplier);
  w.End();
  w.End();
  w.End();
}

void WriteCamera(ChunkWriter& w) {
  w.Begin(kObject);
  w.Str("Camera01");
  w.Begin(kCamera);
  Point(w, kEye);
  Point(w, kTarget);
  w.F32(0.0f);  // bank
  w.F32(kLens);
  w.End();
  w.End();
}

// ------------------------------------------------------------------ bitmaps

// A banded gas giant, 256x128, wrapping left to right, with a storm oval.
Image PlanetBitmap() {
  Canvas canvas(256, 128, 2);
  canvas.Shade([](float x, float y, Rgb& c) {
    const float lat = y / 128.0f;
    // Turbulent band edges, periodic across the seam.
    float b = lat + 0.05f * (Fbm(x / 16.0f, y / 6.0f, 4, 51, 16, 0) - 0.5f) +
              0.012f * std::sin(kTau * x / 256.0f * 3.0f + lat * 40.0f);
    // The storm: coordinates swirled inside an oval.
    const float sx = (x - 172.0f) / 24.0f, sy = (y - 80.0f) / 9.0f;
    const float sr = std::sqrt(sx * sx + sy * sy);
    const float storm = 1.0f - SmoothStep(0.6f, 1.3f, sr);
    if (storm > 0.0f) {
      const float a = std::atan2(sy, sx) + 2.6f * storm;
      b = Mix(b, 80.0f / 128.0f + 0.06f * sr * std::sin(a), storm);
    }
    const float s = 0.5f + 0.26f * std::sin(b * kTau * 7.0f) + 0.16f * std::sin(b * kTau * 13.0f + 1.0f) +
                    0.08f * std::sin(b * kTau * 29.0f + 2.0f);
    c = Ramp({Rgb8(24, 14, 80), Rgb8(70, 50, 190), Rgb8(110, 150, 255), Rgb8(220, 215, 255), Rgb8(60, 200, 230)},
             Clamp01(s));
    // A warm equatorial belt and the storm's core.
    c = Mix(c, c * Rgb8(255, 200, 170), 0.5f * std::exp(-std::pow((lat - 0.5f) / 0.07f, 2.0f)));
    c = Mix(c, Rgb8(255, 120, 90) * (0.75f + 0.35f * s), storm * 0.85f);
    c = c * (0.55f + 0.45f * std::sin(kPi * lat));  // darker poles
  });
  return canvas.Resolve();
}

// Concentric ring bands, 128x128, 8-bit: rows run once round the ring's tube
// (so the bands cross its flat faces), columns once round the ring.
void RingBitmap(std::vector<std::uint8_t>& indices, std::vector<Rgb>& palette) {
  palette.clear();
  for (int i = 0; i < 256; ++i) {
    palette.push_back(Ramp({Rgb8(16, 8, 10), Rgb8(86, 40, 30), Rgb8(170, 96, 50), Rgb8(230, 170, 90),
                            Rgb8(255, 226, 160), Rgb8(255, 250, 236)},
                           static_cast<float>(i) / 255.0f));
  }
  indices.assign(128 * 128, 0);
  for (int y = 0; y < 128; ++y) {
    const float psi = kTau * (static_cast<float>(y) + 0.5f) / 128.0f;
    const float rho = std::cos(psi);  // 1 at the outer edge, -1 at the inner edge
    for (int x = 0; x < 128; ++x) {
      float g = 0.58f + 0.24f * std::sin(rho * 9.0f) + 0.1f * std::sin(rho * 21.0f + 2.0f);
      g -= 0.45f * std::exp(-std::pow((rho - 0.25f) / 0.05f, 2.0f));  // a dark gap
      g *= 0.88f + 0.24f * ValueNoise(static_cast<float>(x) / 8.0f, rho * 3.0f + 3.0f, 61, 16, 0);
      g *= 1.0f - 0.35f * SmoothStep(0.8f, 1.0f, std::fabs(rho));  // darker rims
      indices[static_cast<size_t>(y) * 128 + x] = static_cast<std::uint8_t>(std::lround(Clamp01(g) * 255.0f));
    }
  }
}

// The whole chunk tree: the materials, the meshes in order, the lights and
// the camera. Empty when a chunk was left open.
Bytes SceneFile(const std::vector<const Mesh*>& meshes) {
  ChunkWriter w;
  w.Begin(kMain);
  w.Begin(kVersion);
  w.U32(3);
  w.End();
  w.Begin(kEditor);
  w.Begin(kMeshVersion);
  w.U32(3);
  w.End();
  for (const MaterialDef& m : kMaterials) WriteMaterial(w, m);
  for (const Mesh* m : meshes) WriteMesh(w, *m);
  for (const LightDef& l : kLights) WriteLight(w, l);
  WriteCamera(w);
  w.End();
  w.End();
  return w.Balanced() ? w.Data() : Bytes{};
}

}  // namespace

Bytes SmallSceneFile() {
  Mesh ball = MakeGlobe("Planet", 40.0f, 6, 4);
  ball.material = "PLANET";
  return SceneFile({&ball});
}

bool WriteScene(const std::filesystem::path& outdir, std::string& error) {
  Mesh ball = MakeGlobe("Planet", 40.0f, 32, 18);
  ball.material = "PLANET";
  Mesh inner = MakeRing("Ring inner", 54.0f, 6.5f, 2.0f, 64, 10, 24.0f, -12.0f);
  inner.material = "RINGS";
  Mesh outer = MakeRing("Ring outer", 70.0f, 5.0f, 1.8f, 72, 10, -32.0f, 18.0f);
  outer.material = "RINGS";

  const Bytes scene = SceneFile({&ball, &inner, &outer});
  if (scene.empty()) {
    error = "scene chunks left open";
    return false;
  }
  if (!WriteFileBytes(outdir / "scenes" / "ball.3ds", scene, error)) return false;

  if (!WriteFileBytes(outdir / "Textures" / "PLANET.BMP", EncodeBmp24(PlanetBitmap()), error)) return false;
  std::vector<std::uint8_t> indices;
  std::vector<Rgb> palette;
  RingBitmap(indices, palette);
  const Bytes rings = EncodeBmp8(128, 128, indices, palette);
  if (rings.empty()) {
    error = "cannot encode RINGS.BMP";
    return false;
  }
  return WriteFileBytes(outdir / "Textures" / "RINGS.BMP", rings, error);
}

}  // namespace assetgen
