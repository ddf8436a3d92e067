// The show's pictures, each drawn from code at its final size.
#pragma once

#include <string>

#include "tools/assetgen/draw.h"

namespace assetgen {

// Credit cards, 128x128: 1 the watching eye, 2 the code screen, 3 the fox
// emblem, 4 the fox emblem bursting.
Image MakeCreditCard(int which);
// Tunnel wall, 256x256, tiling in both directions.
Image MakeTunnelTexture();
// Closing logo picture, 320x200; false with a message when the font fails.
bool MakeLogoPicture(Image& out, std::string& error);

}  // namespace assetgen
