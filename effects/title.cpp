// title.cpp: the noise title scene of the first twelve seconds: fresh dark
// grey noise every frame under the glowing title and subtitle.
#include "display/display.h"
#include "effects/assets.h"
#include "effects/frame_fast.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "effects/scenes.h"

void FillNoise(std::uint32_t* frame) {
  // 32767 x scale x 255 is 76.5000014 in float, so levels stay within 0 to 76.
  constexpr float NOISE_SCALE = 9.155553e-6f;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    const float r = static_cast<float>(ShowRandom());
    const auto v = static_cast<std::uint32_t>(static_cast<int>(r * NOISE_SCALE * 255.0f));
    frame[i] = 0xFF000000u | v << 16 | v << 8 | v;
  }
}

void DrawTitleScene(float /*t*/) {
  FillNoiseFast(FrameBuffer);
  UploadFrame(&Display, FrameBuffer);
  const GlowLine lines[] = {
      {TitleFont, "Quenlor Presents: Vuxa-bil", 10, 66},
      {SubtitleFont, "A Selvarin 1999 Ruzazuzez", 20, 126},
  };
  DrawGlowTexts(&Display, lines);
}
