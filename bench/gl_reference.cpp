// gl_reference.cpp: EGL surfaceless context on Mesa's software renderer, the
// scene's textures converted to RGBA, and the recorded triangles replayed
// with client-side vertex arrays.
#include "gl_reference.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <map>

#include "effects/assets.h"
#include "scene/scene.h"

struct GlReference::State {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
  PFNGLSECONDARYCOLORPOINTERPROC secondaryColorPointer = nullptr;
  std::map<D3DTEXTUREHANDLE, GLuint> textures;
};

namespace {

// A channel of a packed texel scaled to 0..255 by its mask.
std::uint32_t Channel(std::uint32_t texel, std::uint32_t mask) {
  if (mask == 0) return 255;
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  const std::uint32_t max = mask >> shift;
  return ((texel & mask) >> shift) * 255 / max;
}

// The texels of a texture surface as RGBA bytes, read through its lock.
bool ReadTexels(const TextureSurface& texture, int* width, int* height, std::vector<std::uint8_t>* rgba) {
  IDirectDrawSurface* surface = texture.deviceSurface ? texture.deviceSurface : texture.systemSurface;
  if (!surface) return false;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != 0) return false;
  const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
  PALETTEENTRY palette[256] = {};
  if ((format.dwFlags & DDPF_PALETTEINDEXED8) && texture.palette) texture.palette->GetEntries(0, 0, 256, palette);
  *width = static_cast<int>(desc.dwWidth);
  *height = static_cast<int>(desc.dwHeight);
  const int bytes = static_cast<int>(format.dwRGBBitCount / 8);
  rgba->resize(static_cast<std::size_t>(*width) * *height * 4);
  for (int y = 0; y < *height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch;
    for (int x = 0; x < *width; ++x) {
      std::uint32_t texel = 0;
      for (int b = 0; b < bytes; ++b) texel |= static_cast<std::uint32_t>(row[x * bytes + b]) << (8 * b);
      std::uint8_t* out = rgba->data() + (static_cast<std::size_t>(y) * *width + x) * 4;
      if (format.dwFlags & DDPF_PALETTEINDEXED8) {
        const PALETTEENTRY& entry = palette[texel & 0xFF];
        out[0] = entry.peRed, out[1] = entry.peGreen, out[2] = entry.peBlue, out[3] = 255;
      } else {
        out[0] = static_cast<std::uint8_t>(Channel(texel, format.dwRBitMask));
        out[1] = static_cast<std::uint8_t>(Channel(texel, format.dwGBitMask));
        out[2] = static_cast<std::uint8_t>(Channel(texel, format.dwBBitMask));
        const bool alpha = format.dwFlags & DDPF_ALPHAPIXELS;
        out[3] = static_cast<std::uint8_t>(alpha ? Channel(texel, format.dwRGBAlphaBitMask) : 255);
      }
    }
  }
  surface->Unlock(desc.lpSurface);
  return true;
}

}  // namespace

GlReference::GlReference() : state(std::make_unique<State>()) {
  // The software renderer even where a GPU exists: the reference is a CPU renderer.
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) {
    error = "no eglGetPlatformDisplayEXT";
    return;
  }
  State& s = *state;
  s.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (s.display == EGL_NO_DISPLAY || !eglInitialize(s.display, &major, &minor)) {
    error = "no surfaceless EGL display";
    return;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                     EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configs = 0;
  if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(s.display, configAttributes, &config, 1, &configs) ||
      configs < 1) {
    error = "no OpenGL pbuffer configuration";
    return;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, 320, EGL_HEIGHT, 240, EGL_NONE};
  s.surface = eglCreatePbufferSurface(s.display, config, surfaceAttributes);
  s.context = eglCreateContext(s.display, config, EGL_NO_CONTEXT, nullptr);
  if (s.surface == EGL_NO_SURFACE || s.context == EGL_NO_CONTEXT ||
      !eglMakeCurrent(s.display, s.surface, s.surface, s.context)) {
    error = "no OpenGL context";
    return;
  }
  s.secondaryColorPointer =
      reinterpret_cast<PFNGLSECONDARYCOLORPOINTERPROC>(eglGetProcAddress("glSecondaryColorPointer"));
  if (!s.secondaryColorPointer) {
    error = "no glSecondaryColorPointer";
    return;
  }
  renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));

  for (const SceneMaterial& material : TheScene.materials) {
    if (!material.texture || material.texture->handle == 0) continue;
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    if (!ReadTexels(*material.texture, &width, &height, &rgba)) continue;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    s.textures[material.texture->handle] = name;
  }

  glViewport(0, 20, 320, 200);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // The device keeps triangles that are clockwise as seen on screen; GL's
  // front faces are those counter-clockwise as seen, so GL culls its front faces.
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT);
  glShadeModel(GL_SMOOTH);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_COLOR_SUM);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  ready = glGetError() == GL_NO_ERROR;
  if (!ready) error = "OpenGL state could not be set";
}

GlReference::~GlReference() {
  State& s = *state;
  if (s.display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (s.context != EGL_NO_CONTEXT) eglDestroyContext(s.display, s.context);
  if (s.surface != EGL_NO_SURFACE) eglDestroySurface(s.display, s.surface);
  eglTerminate(s.display);
}

void GlReference::Draw(const RecordedFrame& frame) {
  State& s = *state;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The device's clip volume is x from -w to w, y from -0.75w to 0.75w and z
  // from 0 to w; GL's is -w to w on all three.
  const GLfloat clipVolume[16] = {1, 0, 0, 0, 0, 1 / 0.75f, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1};
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(clipVolume);
  // Row-vector matrices read column by column are their transposes: the same transform.
  glMultMatrixf(&frame.projection._11);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(&frame.view._11);
  for (const RecordedBatch& batch : frame.batches) {
    const auto texture = s.textures.find(batch.texture);
    if (texture == s.textures.end()) {
      glDisable(GL_TEXTURE_2D);
    } else {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, texture->second);
    }
    const auto* base = reinterpret_cast<const std::uint8_t*>(batch.vertices.data());
    constexpr GLsizei stride = sizeof(D3DLVERTEX);
    glVertexPointer(3, GL_FLOAT, stride, base + offsetof(D3DLVERTEX, x));
    glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + offsetof(D3DLVERTEX, color));
    s.secondaryColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + offsetof(D3DLVERTEX, specular));
    glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(D3DLVERTEX, tu));
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(batch.vertices.size()));
  }
  glFinish();
}

std::vector<std::uint32_t> GlReference::ReadPixels() {
  std::vector<std::uint8_t> rgba(320 * 240 * 4);
  glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  std::vector<std::uint32_t> pixels(320 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const std::uint8_t* p = rgba.data() + ((239 - y) * 320 + x) * 4;
      pixels[y * 320 + x] = static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
  return pixels;
}
