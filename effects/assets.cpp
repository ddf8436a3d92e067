// assets.cpp: the pictures and lookup tables of the 2D scenes, and the one 3D
// scene, prepared once at start-up by LoadAssets and only read afterwards.
//
// The tunnel's square roots, arc tangents and divisions are done here, once
// per pixel of the frame, in 64-bit floating point; a tunnel frame then needs
// only look-ups. The loaders report bad files themselves; nothing here checks.
#include "effects/assets.h"

#include <cmath>

#include "display/display.h"
#include "image/pcx.h"
#include "scene/scene.h"

std::uint32_t FrameBuffer[FRAME_PIXELS];
std::uint8_t ShadeTable[256 * 256];
std::uint32_t CreditPictures[4][CREDIT_SIZE * CREDIT_SIZE];
std::uint32_t TunnelTexture[TEXTURE_SIZE * TEXTURE_SIZE];
std::uint32_t ClosingPicture[FRAME_PIXELS];
std::uint16_t TunnelMap[FRAME_PIXELS];
std::uint8_t TunnelShade[FRAME_PIXELS];
Scene TheScene;

void BuildShadeTable() {
  for (int v = 0; v < 256; ++v)
    for (int s = 0; s < 256; ++s) ShadeTable[v * 256 + s] = static_cast<std::uint8_t>(v > s ? v - s : 0);
}

void BuildTunnelTables() {
  for (int r = 0; r < FRAME_HEIGHT; ++r) {
    for (int c = 0; c < FRAME_WIDTH; ++c) {
      const int i = r * FRAME_WIDTH + c;
      const int x = c - 160;
      const int y = r - 100;
      const double d = std::sqrt(static_cast<double>(x * x + y * y));
      // Row 100 gives a slightly negative second argument, so the centre is +pi.
      const double a = std::atan2(static_cast<double>(x), r - 100.00000001);
      const auto angle = static_cast<std::uint8_t>(static_cast<int>(a * 82.0 + 127.0));
      const auto depth =
          d == 0.0 ? std::uint8_t{0} : static_cast<std::uint8_t>(static_cast<int>(5000.0 / (d * 1.35)));
      TunnelMap[i] = static_cast<std::uint16_t>(depth << 8 | angle);
      TunnelShade[i] = 2.5 * d < 255.0 ? static_cast<std::uint8_t>(static_cast<int>(255.0 - 2.5 * d)) : 0;
    }
  }
}

void LoadAssets() {
  BuildShadeTable();
  LoadPcx("images\\cred1.pcx", CreditPictures[0], CREDIT_SIZE, CREDIT_SIZE);
  LoadPcx("images\\cred2.pcx", CreditPictures[1], CREDIT_SIZE, CREDIT_SIZE);
  LoadPcx("images\\cred3.pcx", CreditPictures[2], CREDIT_SIZE, CREDIT_SIZE);
  LoadPcx("images\\cred4.pcx", CreditPictures[3], CREDIT_SIZE, CREDIT_SIZE);
  LoadPcx("images\\texture.pcx", TunnelTexture, TEXTURE_SIZE, TEXTURE_SIZE);
  LoadPcx("images\\vuxa.pcx", ClosingPicture, FRAME_WIDTH, FRAME_HEIGHT);
  LoadScene("scenes\\ball.3ds", &TheScene, &Display);
  BuildTunnelTables();
}
