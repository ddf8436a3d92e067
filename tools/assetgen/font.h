// Bold sans-serif lettering through FreeType, for the logo picture.
#pragma once

#include <string>

#include "tools/assetgen/draw.h"

namespace assetgen {

// Coverage (0..1) of `text` set in DejaVu Sans Bold at `pixel_size` em pixels,
// on a plane of the given size, centred on x = centre_x with its baseline at
// `baseline`. `tracking` adds pixels between letters. False with a message
// when the font cannot be found or read.
bool RenderText(const std::string& text, float pixel_size, float tracking, float centre_x, float baseline,
                Plane& coverage, std::string& error);

}  // namespace assetgen
