// display_fixture.h: a clean, offscreen platform for the display tests, and a
// helper that opens the 320x240 flip chain the way the show does.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/ddraw/ddraw.h"
#include "platform/host/host.h"

// A clean platform, offscreen, reading its data from `dataDir`.
inline void ResetOffscreen(const std::string& dataDir = "") {
  platform::ResetPlatform();
  host::Options options;
  options.offscreen = true;
  host::SetOptions(options);
  host::SetDataDir(dataDir);
}

class OffscreenPlatform : public ::testing::Test {
 protected:
  void SetUp() override { ResetOffscreen(); }

  void TearDown() override {
    CloseDisplay();
    platform::ResetPlatform();
    host::SetOptions(host::Options{});
    host::SetDataDir("");
  }

  HWND MakeWindow(WNDPROC procedure = DefWindowProcA) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = "display test";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "display test", "display test", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, nullptr, nullptr);
  }

  // DirectDraw object, exclusive full screen on `window` (else a new one),
  // the mode, and the flip chain.
  void OpenDisplay(DWORD bits, HWND window = nullptr) {
    ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
    ASSERT_EQ(ddraw->SetCooperativeLevel(window ? window : MakeWindow(), 0x13), DD_OK);
    ASSERT_EQ(ddraw->SetDisplayMode(320, 240, bits), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    ASSERT_EQ(ddraw->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  }

  void CloseDisplay() {
    if (back) back->Release();
    if (primary) primary->Release();
    if (ddraw) ddraw->Release();
    back = primary = nullptr;
    ddraw = nullptr;
  }

  IDirectDraw* ddraw = nullptr;
  IDirectDrawSurface* primary = nullptr;
  IDirectDrawSurface* back = nullptr;
};
