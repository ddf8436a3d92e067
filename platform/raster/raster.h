// raster.h: the software rasterizer behind the Direct3D device.
//
// Draws pre-lit triangles into a 32- or 24-bit colour buffer (blue in the
// lowest byte) with an optional 16-bit depth buffer: transform by one
// row-vector matrix, homogeneous clipping against the viewport's clip volume,
// screen mapping, culling, top-left fill rule with 8 bits of sub-pixel
// precision, Gouraud (or flat) colour and specular, perspective-correct
// wrapped texturing (nearest or bilinear), modulate, depth test and alpha
// blending. It knows nothing of COM: the device (d3d/device.cpp)
// fills a DrawContext from its states and hands triangles over.
//
// Whatever the vertices hold (NaN, infinities, huge values), nothing is
// written outside the viewport, the colour buffer and the depth buffer.
#pragma once

#include <cstdint>

namespace raster {

// Texel layouts the device offers; the device maps a surface's pixel format to one.
enum class TexelFormat : std::uint8_t {
  None,      // no texture: draw untextured
  Rgb555,    // 16-bit x1r5g5b5
  Argb1555,  // 16-bit a1r5g5b5
  Argb4444,  // 16-bit a4r4g4b4
  Rgb565,    // 16-bit r5g6b5
  Xrgb8888,  // 32-bit x8r8g8b8
  Argb8888,  // 32-bit a8r8g8b8
  Rgb332,    // 8-bit r3g3b2
  Indexed8,  // 8-bit index into `palette`
};

struct Texture {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes per row
  TexelFormat format = TexelFormat::None;
  const std::uint32_t* palette = nullptr;  // Indexed8: 256 entries, 0xAARRGGBB
};

// The colour buffer and its optional depth buffer (16-bit values, 0xFFFF far).
struct Target {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;          // bytes per row
  int bytesPerPixel = 4;  // 4 or 3; anything else draws nothing
  std::uint8_t* depth = nullptr;
  int depthWidth = 0;
  int depthHeight = 0;
  int depthPitch = 0;  // bytes per row
};

// The viewport rectangle in pixels and the clip volume mapped onto it.
struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
  float clipX = -1, clipY = 1, clipWidth = 2, clipHeight = 2;
  float minZ = 0, maxZ = 1;
};

// Render states, with the numbers of the device's constants.
enum Filter : std::uint32_t { kNearest = 1, kLinear = 2 };
enum Compare : std::uint32_t {
  kNever = 1, kLess, kEqual, kLessEqual, kGreater, kNotEqual, kGreaterEqual, kAlways
};
enum Blend : std::uint32_t {
  kZero = 1, kOne, kSrcColor, kInvSrcColor, kSrcAlpha, kInvSrcAlpha, kDestAlpha,
  kInvDestAlpha, kDestColor, kInvDestColor, kSrcAlphaSat, kBothSrcAlpha, kBothInvSrcAlpha
};
enum Cull : std::uint32_t { kCullNone = 1, kCullClockwise, kCullCounterClockwise };

struct States {
  bool depthTest = false;  // applies only when the target has a depth buffer
  bool depthWrite = true;
  std::uint32_t depthFunc = kLessEqual;
  bool alphaBlend = false;
  std::uint32_t srcBlend = kOne;
  std::uint32_t destBlend = kZero;
  std::uint32_t cull = kCullCounterClockwise;
  bool flat = false;
  bool specular = true;
  bool perspective = true;
  bool wrapU = false;
  bool wrapV = false;
  std::uint32_t magFilter = kNearest;
  std::uint32_t minFilter = kNearest;
};

// Row-vector convention: clip = (x, y, z, 1) * m.
struct Matrix {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};
Matrix Multiply(const Matrix& a, const Matrix& b);  // a then b

// A pre-lit vertex: colours 0xAARRGGBB.
struct Vertex {
  float x, y, z;
  std::uint32_t color;
  std::uint32_t specular;
  float u, v;
};

struct DrawContext {
  Target target;
  Viewport viewport;
  Matrix transform;  // world * view * projection
  States states;
  Texture texture;  // format None: untextured
};

void DrawTriangle(const DrawContext& context, const Vertex& a, const Vertex& b, const Vertex& c);

// Paints [x1, x2) x [y1, y2), clipped to the colour buffer, with 0x00RRGGBB.
void FillColor(const Target& target, int x1, int y1, int x2, int y2, std::uint32_t rgb);
// Sets [x1, x2) x [y1, y2) of the depth buffer, clipped to it, to `depth`.
void FillDepth(const Target& target, int x1, int y1, int x2, int y2, std::uint16_t depth);

// The texel at (x, y), wrapped into the texture, as 0xAARRGGBB.
std::uint32_t FetchTexel(const Texture& texture, int x, int y);

}  // namespace raster
