// glow.h: the show's random generator and the three-pass glowing text.
#pragma once

#include <cstdint>

#include "platform/win32/win32.h"

// Linear congruential generator; state 1 at program start. Returns 0..32767.
int ShowRandom();
// The generator's state, for tests and for starting part-way into the show.
std::uint32_t GetShowRandomState();
void SetShowRandomState(std::uint32_t state);

// Draws text three times, dark to bright, each at a random offset from (x, y),
// with the font selected into dc. Takes six ShowRandom values.
void GlowText(HDC dc, const char* text, int x, int y);

// The four text fonts, created by the show driver before the timeline starts.
extern HFONT TitleFont;
extern HFONT SubtitleFont;
extern HFONT ClosingFont;
extern HFONT CreditFont;
