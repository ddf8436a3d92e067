// scene_chunks.h: 3DS chunk bytes built in tests.
//
//   Magic({Data({Named("ball", TriObject({Points({{1, 2, 3}}), ...})), Camera(...)})}).Bytes()
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

  Chunk& U8(std::uint8_t v) { return data.push_back(v), *this; }
  Chunk& U16(std::uint16_t v) { return U8(std::uint8_t(v)).U8(std::uint8_t(v >> 8)); }
  Chunk& U32(std::uint32_t v) { return U16(std::uint16_t(v)).U16(std::uint16_t(v >> 16)); }
  Chunk& F32(float v) { return U32(std::bit_cast<std::uint32_t>(v)); }
  Chunk& Triple(float x, float y, float z) { return F32(x).F32(y).F32(z); }
  Chunk& Name(const std::string& name) {
    data.insert(data.end(), name.begin(), name.end());
    return U8(0);
  }
  Chunk& Add(std::vector<Chunk> more) {
    for (auto& c : more) children.push_back(std::move(c));
    return *this;
  }
  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> body = data;
    for (const Chunk& child : children) {
      const auto bytes = child.Bytes();
      body.insert(body.end(), bytes.begin(), bytes.end());
    }
    Chunk head;
    head.U16(id).U32(std::uint32_t(long(body.size() + 6) + lengthAdjust));
    head.data.insert(head.data.end(), body.begin(), body.end());
    return head.data;
  }
};

inline Chunk MakeChunk(std::uint16_t id, std::vector<Chunk> children = {}) {
  Chunk c;
  c.id = id;
  return c.Add(std::move(children));
}
// The file, with its version chunk; the 3D data, with its mesh version.
inline Chunk Magic(std::vector<Chunk> chunks) {
  return MakeChunk(0x4D4D, {MakeChunk(0x0002).U32(3)}).Add(std::move(chunks));
}
inline Chunk Data(std::vector<Chunk> chunks) {
  return MakeChunk(0x3D3D, {MakeChunk(0x3D3E).U32(3)}).Add(std::move(chunks));
}
inline Chunk Named(const std::string& name, Chunk object) {
  return MakeChunk(0x4000).Name(name).Add({std::move(object)});
}
inline Chunk TriObject(std::vector<Chunk> parts) { return MakeChunk(0x4100, std::move(parts)); }
inline Chunk Points(const std::vector<std::array<float, 3>>& points) {
  Chunk c = MakeChunk(0x4110).U16(std::uint16_t(points.size()));
  for (const auto& p : points) c.Triple(p[0], p[1], p[2]);
  return c;
}
// Faces in file order (a, b, c); material groups follow as sub-chunks.
inline Chunk Faces(const std::vector<std::array<std::uint16_t, 3>>& faces, std::vector<Chunk> groups = {}) {
  Chunk c = MakeChunk(0x4120).U16(std::uint16_t(faces.size()));
  for (const auto& f : faces) c.U16(f[0]).U16(f[1]).U16(f[2]).U16(7);
  return c.Add(std::move(groups));
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
inline Chunk MeshMatrix() {  // stored values the loader does not use
  Chunk c = MakeChunk(0x4160);
  for (int i = 0; i < 12; ++i) c.F32(i % 4 == 0 ? 2.0f : 7.0f);
  return c;
}
inline Chunk Color24(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return MakeChunk(0x0011).U8(r).U8(g).U8(b); }
inline Chunk ColorF(float r, float g, float b) { return MakeChunk(0x0010).Triple(r, g, b); }
inline Chunk Light(float x, float y, float z, std::vector<Chunk> parts) {
  return MakeChunk(0x4600).Triple(x, y, z).Add(std::move(parts));
}
inline Chunk Spotlight(float tx, float ty, float tz, float hotspot, float falloff) {
  return MakeChunk(0x4610, {MakeChunk(0x4656).F32(0)}).Triple(tx, ty, tz).F32(hotspot).F32(falloff);
}
inline Chunk Range(float r) { return MakeChunk(0x465A).F32(r); }
inline Chunk Multiplier(float m) { return MakeChunk(0x465B).F32(m); }
inline Chunk Camera(std::array<float, 3> eye, std::array<float, 3> target, float bank, float lens) {
  return MakeChunk(0x4700, {MakeChunk(0x4720).F32(10).F32(1000)})
      .Triple(eye[0], eye[1], eye[2]).Triple(target[0], target[1], target[2]).F32(bank).F32(lens);
}
inline Chunk MaterialColour(std::uint16_t id, Chunk colour) { return MakeChunk(id, {std::move(colour)}); }
inline Chunk Material(const std::string& name, std::vector<Chunk> parts) {
  return MakeChunk(0xAFFF, {MakeChunk(0xA000).Name(name)}).Add(std::move(parts));
}
inline Chunk TextureMap(const std::string& file) {
  return MakeChunk(0xA200, {MakeChunk(0x0030).U16(100), MakeChunk(0xA300).Name(file)});
}
