// glow.cpp: the show's one random generator and the glowing text.
//
// Each string is drawn three times, dark to bright, each at a random offset
// right of and below its base position; the offsets change every frame, so the
// text shimmers. The generator's state is never reseeded: the values each
// scene gets depend on how many the earlier frames took.
#include "effects/glow.h"

#include <cstring>

#include "display/display.h"
#include "effects/frame_parts.h"

namespace {

std::uint32_t randomState = 1;

struct GlowPass {
  COLORREF color;
  int mask;
};

constexpr GlowPass GLOW_PASSES[3] = {
    {0xFF0F1F3F, 7},
    {0xFF1F3F7F, 3},
    {0xFF7FBFFF, 3},
};

constexpr std::size_t TEXT_BUFFER_SIZE = 256;

}  // namespace

int ShowRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

std::uint32_t GetShowRandomState() { return randomState; }

void SetShowRandomState(std::uint32_t state) { randomState = state; }

void GlowText(HDC dc, const char* text, int x, int y) {
  // A longer string is cut to the buffer rather than overrunning it.
  char buffer[TEXT_BUFFER_SIZE] = {};
  std::strncpy(buffer, text, TEXT_BUFFER_SIZE - 1);
  for (const GlowPass& pass : GLOW_PASSES) {
    SetTextColor(dc, pass.color);
    const int length = static_cast<int>(std::strlen(buffer));
    const int passY = y + (ShowRandom() & pass.mask);
    const int passX = x + (ShowRandom() & pass.mask);
    TextOutA(dc, passX, passY, buffer, length);
  }
}

void DrawGlowTexts(DisplayState* display, std::span<const GlowLine> lines) {
  if (!display->backBuffer) return;
  HDC dc = nullptr;
  if (display->backBuffer->GetDC(&dc) != 0) return;
  SetBkMode(dc, TRANSPARENT);
  for (const GlowLine& line : lines) {
    SelectObject(dc, line.font);
    GlowText(dc, line.text, line.x, line.y);
  }
  display->backBuffer->ReleaseDC(dc);
}
