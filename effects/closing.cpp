// closing.cpp: the closing picture scene of show seconds 36 to 48: the still
// picture read at start-up, with its caption glowing near the top left.
// The FrameBuffer is neither read nor written here.
#include "display/display.h"
#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/glow.h"
#include "effects/scenes.h"

void DrawClosingScene(float /*t*/) {
  UploadFrame(&Display, ClosingPicture);
  const GlowLine caption[] = {{ClosingFont, "Vuxa in tha house", 10, 30}};
  DrawGlowTexts(&Display, caption);
}
