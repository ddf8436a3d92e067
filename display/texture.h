// texture.h: device textures made from bitmap files under "Textures\".
#pragma once

#include "platform/d3d/d3d.h"

struct TextureSurface {
  IDirectDrawSurface* systemSurface;  // receives the bitmap through GDI
  IDirectDrawSurface* deviceSurface;  // what the device draws from (same object on a software device)
  IDirectDrawPalette* palette;        // palette-indexed textures only
  D3DTEXTUREHANDLE handle;            // 0: untextured
};

// Loads "Textures\<fileName>" into the record; 1 on success, 0 on failure.
int LoadTexture(TextureSurface* texture, IDirect3DDevice2* device, const char* fileName);
// Releases every object the record holds and empties it.
void ReleaseTexture(TextureSurface* texture);
