// assets.h: the pictures and lookup tables the scenes draw from, prepared once.
//
// FrameBuffer layout: 320 columns by 200 rows, index = row x 320 + column,
// pixels 0xAARRGGBB (the top byte carries no colour).
#pragma once

#include <cstdint>

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;
constexpr int FRAME_PIXELS = FRAME_WIDTH * FRAME_HEIGHT;
constexpr int CREDIT_SIZE = 128;
constexpr int TEXTURE_SIZE = 256;

extern std::uint32_t FrameBuffer[FRAME_PIXELS];
extern std::uint8_t ShadeTable[256 * 256];  // [v][s] = v - s when v > s, else 0
extern std::uint32_t CreditPictures[4][CREDIT_SIZE * CREDIT_SIZE];
extern std::uint32_t TunnelTexture[TEXTURE_SIZE * TEXTURE_SIZE];
extern std::uint32_t ClosingPicture[FRAME_PIXELS];
extern std::uint16_t TunnelMap[FRAME_PIXELS];   // depth byte << 8 | angle byte
extern std::uint8_t TunnelShade[FRAME_PIXELS];  // darkening by distance from the centre

// Builds the tables, reads the six pictures and loads the 3D scene.
void LoadAssets();
void BuildShadeTable();
void BuildTunnelTables();
