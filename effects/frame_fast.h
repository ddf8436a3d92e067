// frame_fast.h: vector versions of the 2D scenes' pixel fills, giving exactly
// the pixels (and, for the noise, the generator state) of the plain loops in
// frame_parts.h, which stay as the reference.
//
// The program is built for baseline x86-64 (SSE2); the AVX2 versions are
// compiled with target attributes and chosen at run time when the processor
// has AVX2. On other processors the plain loops run.
#pragma once

#include <cstdint>

enum class FastPath {
  Plain,  // the reference loops of frame_parts.h
  Sse2,   // 4 pixels a step
  Avx2,   // 8 pixels a step
};

// The fastest path this processor runs; decided once.
FastPath BestFastPath();
// True when this build and processor can run the path.
bool FastPathAvailable(FastPath path);

// As FillNoise: 64,000 ShowRandom values in pixel order, grey levels 0 to 76,
// top byte 0xFF; the generator ends 64,000 steps further on.
void FillNoiseFast(std::uint32_t* frame, FastPath path = BestFastPath());
// As FillTunnel, from the same tables.
void FillTunnelFast(std::uint32_t* frame, int fadeLevel, std::uint16_t scroll,
                    FastPath path = BestFastPath());
// As AddCredit.
void AddCreditFast(std::uint32_t* frame, const std::uint32_t* picture, int fadeLevel,
                   FastPath path = BestFastPath());
