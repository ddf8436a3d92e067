// frame.cpp: the per-frame present cycle and the upload of a 320x200 picture.
//
// EndFrame closes the 3D scene, flips, clears the new back buffer and its
// z-buffer and opens the next 3D scene; no result is tested. UploadFrame copies
// a picture of 0xAARRGGBB pixels into back-buffer rows 20 to 219 at 32 or 24
// bits; rows are addressed at the packed width (the lock's pitch is not used).
#include <cstdint>
#include <cstring>

#include "display/display.h"

namespace {

constexpr int PictureWidth = 320;
constexpr int PictureHeight = 200;
constexpr int PicturePixels = PictureWidth * PictureHeight;
constexpr int FirstRow = 20;

void CopyAt32(std::uint8_t* surface, const DWORD* picture) {
  std::memcpy(surface + FirstRow * PictureWidth * 4, picture, PicturePixels * 4);
}

// Three bytes a pixel (blue, green, red); the top byte is dropped.
void CopyAt24(std::uint8_t* surface, const DWORD* picture) {
  std::uint8_t* out = surface + FirstRow * PictureWidth * 3;
  for (int i = 0; i < PicturePixels; ++i) {
    const DWORD pixel = picture[i];
    out[0] = static_cast<std::uint8_t>(pixel);
    out[1] = static_cast<std::uint8_t>(pixel >> 8);
    out[2] = static_cast<std::uint8_t>(pixel >> 16);
    out += 3;
  }
}

}  // namespace

void EndFrame(DisplayState* display) {
  if (display->device) display->device->EndScene();
  if (display->primary) display->primary->Flip(nullptr, DDFLIP_WAIT);
  if (display->viewport) {
    display->viewport->Clear(1, &display->clearRect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
  } else if (display->backBuffer) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    display->backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }
  if (display->device) display->device->BeginScene();
}

void UploadFrame(DisplayState* display, const DWORD* picture) {
  DDSURFACEDESC desc{};
  desc.dwSize = 108;
  if (!display->backBuffer) return;
  if (display->backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != 0) return;
  auto* surface = static_cast<std::uint8_t*>(desc.lpSurface);
  if (display->bitDepth == 32)
    CopyAt32(surface, picture);
  else if (display->bitDepth == 24)
    CopyAt24(surface, picture);
  display->backBuffer->Unlock(desc.lpSurface);
}
