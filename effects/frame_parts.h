// frame_parts.h: the pieces the 2D scenes build their frames from: the pixel
// fills of the noise and the tunnel, the credit cross-fade, the values that
// depend on the tunnel's scene time, and the text step that draws glowing
// texts onto the back buffer.
//
// The fills are plain reference loops over FrameBuffer-layout arrays; faster
// versions must give the same pixels.
#pragma once

#include <cstdint>
#include <span>

#include "platform/win32/win32.h"

struct DisplayState;

// Noise: 64,000 ShowRandom values in pixel order, grey levels 0 to 76, top byte 0xFF.
void FillNoise(std::uint32_t* frame);

// The credit window that holds tunnel scene time t; picture -1 when none does.
struct CreditWindow {
  int picture;          // index into CreditPictures, or -1
  float start;          // window start in scene seconds
  const char* caption;  // "" outside the windows
};
CreditWindow FindCreditWindow(float t);
// Cross-fade level: climbs from 0 to 254 inside a window, 255 outside.
int FadeLevel(float t, const CreditWindow& window);
// Tunnel step: tenths of a second since the scene's start, truncated.
int TunnelStep(float t);
// The texture scroll of step n: n x 1025 modulo 65536.
std::uint16_t ScrollOffset(int n);

// Tunnel pixels from TunnelMap, TunnelShade, TunnelTexture and ShadeTable,
// darkened by 255 - fadeLevel beyond the depth shading; top byte 0.
void FillTunnel(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll);
// Adds a 128x128 credit picture darkened by fadeLevel to frame columns 96 to
// 223, rows 36 to 163.
void AddCredit(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel);

// One string of a scene's text step.
struct GlowLine {
  HFONT font;
  const char* text;
  int x;
  int y;
};
// The text step: GetDC on the back buffer (on failure nothing more happens),
// transparent background, each line's font and GlowText, ReleaseDC.
void DrawGlowTexts(DisplayState* display, std::span<const GlowLine> lines);
