// tunnel.cpp: the tunnel and credits scene of show seconds 12 to 24.
//
// The tunnel is drawn from the precomputed tables: a 16-bit scroll added to
// each pixel's texture coordinate moves it along the depth and around the
// angle, and ShadeTable darkens each channel. Four times a credit picture cuts
// in on black and dissolves into the tunnel: the tunnel is darkened by
// 255 - L, the picture by L, and the two are added, so no channel can carry
// into its neighbour.
#include "display/display.h"
#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "effects/scenes.h"

namespace {

constexpr int CREDIT_LEFT = 96;
constexpr int CREDIT_TOP = 36;

inline std::uint32_t Shade(std::uint32_t pixel, int s) {
  const std::uint8_t* column = ShadeTable + s;
  return static_cast<std::uint32_t>(column[(pixel >> 16 & 0xFF) * 256]) << 16 |
         static_cast<std::uint32_t>(column[(pixel >> 8 & 0xFF) * 256]) << 8 |
         column[(pixel & 0xFF) * 256];
}

}  // namespace

CreditWindow FindCreditWindow(float t) {
  if (t < 1.5f) return {0, 0.0f, "Supervising"};
  if (t > 3.0f && t < 4.5f) return {1, 3.0f, "Code"};
  if (t > 6.0f && t < 7.5f) return {2, 6.0f, "Vuxa!"};
  if (t > 9.0f && t < 10.5f) return {3, 9.0f, "Vuxa!!!"};
  return {-1, 0.0f, ""};
}

int FadeLevel(float t, const CreditWindow& window) {
  if (window.picture < 0) return 255;
  const float level = (t - window.start) * 0.6666667f * 255.0f;
  return static_cast<std::uint8_t>(static_cast<int>(level));
}

int TunnelStep(float t) { return static_cast<int>(t * 10.0); }

std::uint16_t ScrollOffset(int n) { return static_cast<std::uint16_t>(n * 1025); }

void FillTunnel(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll) {
  const int extra = 255 - fadeLevel;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    const std::uint16_t index = static_cast<std::uint16_t>(TunnelMap[i] + scroll);
    int s = TunnelShade[i] + extra;
    if (s > 255) s = 255;
    frame[i] = Shade(TunnelTexture[index], s);
  }
}

void AddCredit(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel) {
  for (int y = 0; y < CREDIT_SIZE; ++y) {
    std::uint32_t* row = frame + (CREDIT_TOP + y) * FRAME_WIDTH + CREDIT_LEFT;
    const std::uint32_t* source = picture + y * CREDIT_SIZE;
    for (int x = 0; x < CREDIT_SIZE; ++x) row[x] += Shade(source[x], fadeLevel);
  }
}

void DrawTunnelScene(float t) {
  const CreditWindow window = FindCreditWindow(t);
  const int level = FadeLevel(t, window);
  FillTunnelFast(FrameBuffer, level, ScrollOffset(TunnelStep(t)));
  if (window.picture >= 0) AddCreditFast(FrameBuffer, CreditPictures[window.picture], level);
  UploadFrame(&Display, FrameBuffer);
  const GlowLine caption[] = {{CreditFont, window.caption, 10, 160}};
  DrawGlowTexts(&Display, caption);
}
