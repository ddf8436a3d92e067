// A test fixture for the 2D scenes: the platform reset to offscreen, the
// display's surfaces set up as the show sets them, the four fonts, and a way
// to read back the 320x240 back buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/display.h"
#include "effects/glow.h"
#include "platform/platform.h"
#include "platform/host/host.h"

class EffectsTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    SetUpDisplay();
  }

  virtual DWORD DisplayFlags() const { return DISPLAY_SURFACES; }

  void SetUpDisplay() {
    ASSERT_EQ(InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DISPLAY_WINDOW), 0);
    ASSERT_EQ(InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DisplayFlags()), 0);
    ASSERT_NE(Display.backBuffer, nullptr);
    ASSERT_EQ(Display.bitDepth, 32u);
    const int height = -MulDiv(16, 96, 72);
    HFONT* fonts[4] = {&TitleFont, &SubtitleFont, &ClosingFont, &CreditFont};
    const int escapements[4] = {50, -50, 30, -10};
    for (int i = 0; i < 4; ++i)
      *fonts[i] = CreateFontA(height, 0, escapements[i], 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 2, 0x52, "Tahoma");
    SetShowRandomState(1);
  }

  void TearDown() override {
    for (HFONT* font : {&TitleFont, &SubtitleFont, &ClosingFont, &CreditFont}) {
      if (*font) DeleteObject(*font);
      *font = nullptr;
    }
    ReleaseDisplay(&Display);
    platform::ResetPlatform();
  }

  // The back buffer's 320x240 pixels, 0xAARRGGBB.
  static std::vector<std::uint32_t> ReadBackBuffer() {
    std::vector<std::uint32_t> pixels(320 * 240);
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    EXPECT_EQ(Display.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0);
    std::memcpy(pixels.data(), desc.lpSurface, pixels.size() * 4);
    Display.backBuffer->Unlock(desc.lpSurface);
    return pixels;
  }

  // Advances a copy of the generator's state by n steps.
  static std::uint32_t StateAfter(std::uint32_t state, int n) {
    for (int i = 0; i < n; ++i) state = state * 214013u + 2531011u;
    return state;
  }
};
