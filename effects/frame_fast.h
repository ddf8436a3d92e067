// frame_fast.h: vector versions of the 2D scenes' pixel fills, giving exactly
// the pixels (and, for the noise, the generator state) of the plain loops in
// frame_parts.h, which stay as the reference.
//
// Each fill is compiled for every SIMD target the build knows (SSSE3 to
// AVX-512 on x86-64, NEON and SVE on ARM, WebAssembly SIMD, and a portable
// emulation) and the best one this processor runs is chosen at the first call.
#pragma once

#include <cstdint>

// As FillNoise: 64,000 ShowRandom values in pixel order, grey levels 0 to 76,
// top byte 0xFF; the generator ends 64,000 steps further on.
void FillNoiseFast(std::uint32_t* frame);
// As FillTunnel, from the same tables.
void FillTunnelFast(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll);
// As AddCredit.
void AddCreditFast(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel);

// The name of the SIMD target the fills run on now ("AVX2", "NEON", "EMU128", ...).
const char* FastFillTarget();
