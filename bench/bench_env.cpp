// bench_env.cpp: the show's start-up for the benchmarks, without the music.
#include "bench_env.h"

#include <cstdio>
#include <cstdlib>

#include "display/display.h"
#include "effects/assets.h"
#include "effects/glow.h"
#include "platform/host/host.h"

void StartShowEnvironment() {
  host::Options options;
  options.offscreen = true;
  host::SetOptions(options);
  host::SetDataDir(VUXA_DATA_DIR);
  if (InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DISPLAY_WINDOW) != 0 ||
      InitDisplay(nullptr, SW_SHOWDEFAULT, &Display, DISPLAY_SURFACES | DISPLAY_3D) != 0) {
    std::fprintf(stderr, "bench: the display could not be set up\n");
    std::exit(1);
  }
  Display.clearRect = {0, 0, 320, 240};
  const int height = -MulDiv(16, 96, 72);
  HFONT* fonts[4] = {&TitleFont, &SubtitleFont, &ClosingFont, &CreditFont};
  const int escapements[4] = {50, -50, 30, -10};
  for (int i = 0; i < 4; ++i)
    *fonts[i] = CreateFontA(height, 0, escapements[i], 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 2, 0x52, "Tahoma");
  LoadAssets();
}
