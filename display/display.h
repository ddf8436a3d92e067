// display.h: the window, the full-screen display and 3D device, and the frame cycle.
//
// DisplayState holds the window and every DirectDraw and Direct3D object of the
// show. InitDisplay fills it step by step and returns the first failing result
// code unchanged (the objects made so far stay, so the caller must call
// ReleaseDisplay); ReleaseDisplay lets go of them in reverse order.
#pragma once

#include "platform/d3d/d3d.h"

constexpr DWORD DISPLAY_SURFACES = 1;  // DirectDraw, cooperative level, mode, flip chain, depth
constexpr DWORD DISPLAY_3D = 2;        // Direct3D, z-buffer, device, viewport, material, states
constexpr DWORD DISPLAY_WINDOW = 8;    // zero the record and create the window

struct DisplayState {
  HWND window;
  HINSTANCE instance;
  int quit;
  IDirectDraw* ddraw;
  IDirect3D2* d3d;
  IDirectDrawSurface* primary;
  IDirectDrawSurface* backBuffer;
  IDirectDrawSurface* zBuffer;
  IDirect3DDevice2* device;
  IDirect3DViewport2* viewport;
  IDirect3DMaterial2* background;
  D3DRECT clearRect;
  DWORD bitDepth;
};

// The one display record of the program (owned by the show driver).
extern DisplayState Display;

HRESULT InitDisplay(HINSTANCE instance, int showCommand, DisplayState* display, DWORD flags);
void ReleaseDisplay(DisplayState* display);

// Window and message pump.
void CreateShowWindow(HINSTANCE instance, int showCommand, DisplayState* display);
LRESULT ShowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PumpMessages();

// Frame cycle: EndFrame shows the drawn back buffer, clears the next one and
// opens the next 3D scene; UploadFrame copies a 320x200 picture of 0xAARRGGBB
// pixels into back-buffer rows 20 to 219.
void EndFrame(DisplayState* display);
void UploadFrame(DisplayState* display, const DWORD* picture);
