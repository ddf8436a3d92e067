// scene_chunks.h: builds 3DS chunk bytes in tests.
//
//   Chunk magic = Magic({Data(Mesh("ball", {Points({{1, 2, 3}}), ...}), Camera(...)})});
//   std::vector<std::uint8_t> bytes = magic.Bytes();
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

struct Chunk {
  std::uint16_t id = 0;
  std::vector<std::uint8_t> data;  // fixed fields
  std::vector<Chunk> children;     // sub-chunks after the fields
  long lengthAdjust = 0;           // added to the true length (to make liars)

  Chunk& U8(std::uint8_t v) {
    data.push_back(v);
    return *this;
  }
  Chunk& U16(std::uint16_t v) {
    data.push_back(std::uint8_t(v));
    data.push_back(std::uint8_t(v >> 8));
    return *this;
  }
  Chunk& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(std::uint8_t(v >> (8 * i)));
    return *this;
  }
  Chunk& F32(float v) { return U32(std::bit_cast<std::uint32_t>(v)); }
  Chunk& Triple(float x, float y, float z) { return F32(x).F32(y).F32(z); }
  Chunk& Name(const std::string& name) {
    data.insert(data.end(), name.begin(), name.end());
    data.push_back(0);
    return *this;
  }
  Chunk& Add(Chunk child) {
    children.push_back(std::move(child));
    return *this;
  }

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> body = data;
    for (const Chunk& child : children) {
      const auto bytes = child.Bytes();
      body.insert(body.end(), bytes.begin(), bytes.end());
    }
    const std::uint32_t length = std::uint32_t(long(body.size() + 6) + lengthAdjust);
    std::vector<std::uint8_t> out = {std::uint8_t(id), std::uint8_t(id >> 8)};
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(length >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }
};

inline Chunk MakeChunk(std::uint16_t id) {
  Chunk c;
  c.id = id;
  return c;
}

// M3DMAGIC with its version sub-chunk, then the given chunks.
inline Chunk Magic(std::vector<Chunk> chunks) {
  Chunk c = MakeChunk(0x4D4D);
  c.Add(MakeChunk(0x0002).U32(3));
  for (auto& k : chunks) c.Add(std::move(k));
  return c;
}

// MDATA with its mesh-version sub-chunk, then the given chunks.
inline Chunk Data(std::vector<Chunk> chunks) {
  Chunk c = MakeChunk(0x3D3D);
  c.Add(MakeChunk(0x3D3E).U32(3));
  for (auto& k : chunks) c.Add(std::move(k));
  return c;
}

inline Chunk Named(const std::string& name, Chunk object) {
  Chunk c = MakeChunk(0x4000).Name(name);
  c.Add(std::move(object));
  return c;
}

inline Chunk TriObject(std::vector<Chunk> parts) {
  Chunk c = MakeChunk(0x4100);
  for (auto& k : parts) c.Add(std::move(k));
  return c;
}

inline Chunk Points(const std::vector<std::array<float, 3>>& points) {
  Chunk c = MakeChunk(0x4110).U16(std::uint16_t(points.size()));
  for (const auto& p : points) c.Triple(p[0], p[1], p[2]);
  return c;
}

// Faces in file order (a, b, c); sub-chunks (material groups) follow.
inline Chunk Faces(const std::vector<std::array<std::uint16_t, 3>>& faces,
                   std::vector<Chunk> groups = {}) {
  Chunk c = MakeChunk(0x4120).U16(std::uint16_t(faces.size()));
  for (const auto& f : faces) c.U16(f[0]).U16(f[1]).U16(f[2]).U16(7);
  for (auto& g : groups) c.Add(std::move(g));
  return c;
}

inline Chunk Group(const std::string& material, std::uint16_t faces = 1) {
  Chunk c = MakeChunk(0x4130).Name(material).U16(faces);
  for (std::uint16_t i = 0; i < faces; ++i) c.U16(i);
  return c;
}

inline Chunk Mapping(const std::vector<std::array<float, 2>>& pairs) {
  Chunk c = MakeChunk(0x4140).U16(std::uint16_t(pairs.size()));
  for (const auto& p : pairs) c.F32(p[0]).F32(p[1]);
  return c;
}

inline Chunk MeshMatrix() {
  Chunk c = MakeChunk(0x4160);
  for (int i = 0; i < 12; ++i) c.F32(i == 0 || i == 4 || i == 8 ? 2.0f : 7.0f);
  return c;
}

inline Chunk Color24(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return MakeChunk(0x0011).U8(r).U8(g).U8(b);
}

inline Chunk ColorF(float r, float g, float b) { return MakeChunk(0x0010).Triple(r, g, b); }

inline Chunk Light(float x, float y, float z, std::vector<Chunk> parts) {
  Chunk c = MakeChunk(0x4600).Triple(x, y, z);
  for (auto& k : parts) c.Add(std::move(k));
  return c;
}

inline Chunk Spotlight(float tx, float ty, float tz, float hotspot, float falloff) {
  // Real files carry more sub-chunks here (roll, shadows); they are jumped over.
  Chunk c = MakeChunk(0x4610).Triple(tx, ty, tz).F32(hotspot).F32(falloff);
  c.Add(MakeChunk(0x4656).F32(0.0f));
  return c;
}

inline Chunk Range(float r) { return MakeChunk(0x465A).F32(r); }
inline Chunk Multiplier(float m) { return MakeChunk(0x465B).F32(m); }

inline Chunk Camera(std::array<float, 3> eye, std::array<float, 3> target, float bank,
                    float lens) {
  Chunk c = MakeChunk(0x4700).Triple(eye[0], eye[1], eye[2]);
  c.Triple(target[0], target[1], target[2]).F32(bank).F32(lens);
  c.Add(MakeChunk(0x4720).F32(10.0f).F32(1000.0f));  // camera ranges, jumped over
  return c;
}

// A material colour chunk holding one colour sub-chunk.
inline Chunk MaterialColour(std::uint16_t id, Chunk colour) {
  Chunk c = MakeChunk(id);
  c.Add(std::move(colour));
  return c;
}

inline Chunk Material(const std::string& name, std::vector<Chunk> parts) {
  Chunk c = MakeChunk(0xAFFF);
  c.Add(MakeChunk(0xA000).Name(name));
  for (auto& k : parts) c.Add(std::move(k));
  return c;
}

inline Chunk TextureMap(const std::string& file) {
  Chunk c = MakeChunk(0xA200);
  c.Add(MakeChunk(0x0030).U16(100));
  c.Add(MakeChunk(0xA300).Name(file));
  return c;
}
