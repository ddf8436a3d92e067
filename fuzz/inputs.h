// inputs.h: what each fuzz target does with one input, shared by the libFuzzer
// targets in fuzz/ and by the test that replays the inputs kept under
// tests/fixtures/fuzz/.
//
// Each reader gets its input as the show would: pictures, scenes, bitmaps and
// modules as files in the scratch data directory, the command line as argv.
// Scenes and bitmaps go on to the real software device of an offscreen display
// (textures made, the scene rendered), so what the loaders leave behind is
// used too. A finding is whatever the sanitizers report, or a broken promise
// of ParseOptions (checked here, aborting).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "display/display.h"
#include "effects/scenes.h"
#include "fuzz/scratch.h"
#include "image/pcx.h"
#include "platform/platform.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "scene/scene.h"
#include "show/options.h"


namespace fuzz {

using Bytes = std::span<const std::uint8_t>;

// The offscreen display of the show, made as WinMain makes it and with a 3D
// scene open; true when it is ready. Puts the platform back as at start
// first, and the data directory at the scratch directory.
inline bool OpenDisplay() {
  platform::ResetPlatform();
  host::Options options;
  options.offscreen = true;
  host::SetOptions(options);
  host::SetDataDir(ScratchDir().string());
  Display = DisplayState{};
  if (InitDisplay(nullptr, SW_SHOWNORMAL, &Display, DISPLAY_WINDOW) != 0) return false;
  if (InitDisplay(nullptr, SW_SHOWNORMAL, &Display, DISPLAY_SURFACES | DISPLAY_3D) != 0)
    return false;
  EndFrame(&Display);
  Display.clearRect = {0, 0, 320, 240};
  return true;
}

inline void CloseDisplay() {
  ReleaseDisplay(&Display);
  platform::ResetPlatform();
}

// A PCX file decoded into a picture of one of the show's three sizes.
inline void RunPcx(Bytes input) {
  static const int sizes[3][2] = {{128, 128}, {256, 256}, {320, 200}};
  const int* size = sizes[input.size() % 3];
  host::SetDataDir(ScratchDir().string());
  WriteInput("images/input.pcx", input);
  std::vector<std::uint32_t> picture(static_cast<std::size_t>(size[0]) * size[1], 0);
  LoadPcx("images\\input.pcx", picture.data(), size[0], size[1]);
}

inline void ReleaseSceneTextures(Scene& scene) {
  for (SceneMaterial& material : scene.materials)
    if (material.texture) ReleaseTexture(material.texture.get());
}

// A 3DS file loaded as the show's scene (textures from the scratch Textures/),
// then drawn as the spinning scene draws it and presented. Each input gets a
// fresh display: texture handles hold their surfaces until the device goes.
inline void RunScene(Bytes input) {
  WriteInput("scenes/input.3ds", input);
  if (!OpenDisplay()) std::abort();
  LoadScene("scenes\\input.3ds", &TheScene, &Display);
  DrawSpinScene(static_cast<float>(input.size() % 64) * 0.37f);
  EndFrame(&Display);
  ReleaseSceneTextures(TheScene);
  TheScene = Scene{};
  CloseDisplay();
}

// The texture formats a device may offer, chosen by the input's length so
// that bitmaps also reach the 16-bit and palette-less conversions.
inline std::vector<DDPIXELFORMAT> TextureFormatsFor(std::size_t length) {
  std::vector<DDPIXELFORMAT> formats = platform::DefaultTextureFormats();
  if (length % 3 == 0) return formats;  // palette for indexed bitmaps, 32 bits for 24
  const auto bits = [](const DDPIXELFORMAT& f, DWORD n, bool indexed) {
    return f.dwRGBBitCount == n && ((f.dwFlags & DDPF_PALETTEINDEXED8) != 0) == indexed &&
           (f.dwFlags & DDPF_ALPHAPIXELS) == 0;
  };
  std::vector<DDPIXELFORMAT> chosen;
  for (const DDPIXELFORMAT& f : formats)
    if (length % 3 == 1 ? bits(f, 16, false) : (bits(f, 8, true) || f.dwRBitMask == 0xF800))
      chosen.push_back(f);
  return chosen;  // 1: 555 and 565 only; 2: 565 and the palette
}

// A quadrilateral over most of the viewport, its texture repeated about four
// times across, drawn as triangles of both windings (one of each pair is culled).
inline void DrawTexturedQuad(IDirect3DDevice2* device, D3DTEXTUREHANDLE handle) {
  D3DLVERTEX a{-0.95f, 0.7f, 0.5f, 0, 0xFFFFFFFF, 0, -0.3f, -0.2f};
  D3DLVERTEX b{0.95f, 0.6f, 0.4f, 0, 0xFFFFFFFF, 0, 3.7f, 0.1f};
  D3DLVERTEX c{-0.9f, -0.7f, 0.6f, 0, 0xFFFFFFFF, 0, 0.2f, 2.9f};
  D3DLVERTEX d{0.9f, -0.65f, 0.5f, 0, 0xFFFFFFFF, 0, 4.1f, 3.3f};
  D3DLVERTEX* triangles[4][3] = {{&a, &b, &c}, {&a, &c, &b}, {&b, &d, &c}, {&b, &c, &d}};
  D3DMATRIX identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &identity);
  device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, handle);
  device->Begin(D3DPT_TRIANGLELIST, D3DVT_LVERTEX, 0);
  for (auto& triangle : triangles)
    for (D3DLVERTEX* corner : triangle) device->Vertex(corner);
  device->End(0);
  device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, 0);
}

// A BMP file made into a texture by the show's texture loader (LoadImageA,
// format choice, palette, BitBlt), then drawn repeated and presented.
inline void RunBmp(Bytes input) {
  WriteInput("Textures/input.bmp", input);
  if (!OpenDisplay()) std::abort();
  platform::Profile().textureFormats = TextureFormatsFor(input.size());
  TextureSurface texture{};
  if (LoadTexture(&texture, Display.device, "input.bmp") && texture.handle != 0) {
    DrawTexturedQuad(Display.device, texture.handle);
    EndFrame(&Display);
  }
  ReleaseTexture(&texture);
  CloseDisplay();
}

// A module loaded by the sound library, played from its start for a tenth of
// a second and freed. The library is started offscreen when it is not running.
inline void RunModule(Bytes input) {
  if (!host::IsOffscreen()) {
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
  }
  if (!MIDASinit()) std::abort();
  host::SetDataDir(ScratchDir().string());
  WriteInput("music/input.xm", input);
  const MIDASmodule module = MIDASloadModule("music\\input.xm");
  if (module == 0) return;
  const MIDASmodulePlayHandle play = MIDASplayModule(module, FALSE);
  MIDASplayStatus status{};
  if (play != 0) {
    host::CaptureMusicFrame(4800);  // offscreen: rendered and dropped
    MIDASgetPlayStatus(play, &status);
    MIDASstopModule(play);
  }
  MIDASfreeModule(module);
}

// The input split at NUL bytes into arguments after the program's name.
inline void RunOptions(Bytes input) {
  std::vector<std::string> words(1, "vuxa");
  words.emplace_back();
  for (std::uint8_t byte : input) {
    if (byte == 0) words.emplace_back();
    else words.back().push_back(static_cast<char>(byte));
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  argv.push_back(nullptr);
  const ParsedOptions parsed = ParseOptions(static_cast<int>(words.size()), argv.data());
  const host::Options& o = parsed.options;
  const bool sound = parsed.action == ParsedOptions::Action::Error
                         ? !parsed.error.empty()
                         : parsed.error.empty() && o.fps >= 1 && o.fps <= 1000 &&
                               o.scale >= 0 && o.scale <= 16;
  if (!sound) std::abort();
}

}  // namespace fuzz
