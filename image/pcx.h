// pcx.h: reads 24-bit run-length PCX pictures (three 8-bit planes per line);
// other kinds are refused with a warning.
#pragma once

#include <cstdint>

// Decodes the picture into dest as 0x00RRGGBB pixels, row after row at
// `width` pixels a row. dest holds width x height pixels; a larger picture is
// cropped to it, a smaller one fills its top-left part. A missing, damaged or
// refused file prints one warning on stderr and leaves what could not be
// decoded as it was.
void LoadPcx(const char* fileName, std::uint32_t* dest, int width, int height);
