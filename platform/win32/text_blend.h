// text_blend.h: blending one row of a text's coverage mask in the text colour.
//
// Each of blue, green and red becomes dst + (colour - dst) x coverage / 255,
// the quotient truncated toward zero; the fourth byte of a 32-bit pixel is
// left alone, and so is every pixel of coverage 0. BlendCoverageRow picks the
// fastest form for the pixel size (at 32 bits, vectors on the best SIMD target
// this processor runs); the plain form is kept for comparison.
#pragma once

#include <cstdint>

namespace platform {

// `count` pixels of `bytesPerPixel` (3 or 4) bytes from `pixels`, one coverage
// byte each; `rgb` is 0x00RRGGBB.
void BlendCoverageRow(std::uint8_t* pixels, int bytesPerPixel, const std::uint8_t* coverage, int count,
                      std::uint32_t rgb);
void BlendCoverageRowPlain(std::uint8_t* pixels, int bytesPerPixel, const std::uint8_t* coverage,
                           int count, std::uint32_t rgb);
// The name of the SIMD target the 32-bit blend runs on now ("AVX2", "NEON", "EMU128", ...).
const char* BlendTarget();

}  // namespace platform
