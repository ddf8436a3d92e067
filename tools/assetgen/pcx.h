// ZSoft PCX writer for 24-bit pictures: three 8-bit planes, run-length coded.
#pragma once

#include "tools/assetgen/assetgen.h"

namespace assetgen {

// Encodes width x height pixels given as r, g, b bytes per pixel, rows from the
// top. Each scan line is stored as its red, green and blue plane lines; a run
// never crosses a plane line and holds at most 63 bytes; values of 192 and up
// are always written as runs. The width must be even (PCX plane lines are an
// even number of bytes); returns an empty result otherwise.
Bytes EncodePcx(int width, int height, const Bytes& rgb);

}  // namespace assetgen
