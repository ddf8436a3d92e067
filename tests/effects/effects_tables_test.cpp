// Tests of the tables built at start-up: the shade table's clamped
// subtraction and the tunnel's depth, angle and shade per pixel.
#include <gtest/gtest.h>

#include "effects/assets.h"

namespace {

TEST(ShadeTable, DarkensAndClampsAtZero) {
  BuildShadeTable();
  EXPECT_EQ(ShadeTable[200 * 256 + 50], 150);
  EXPECT_EQ(ShadeTable[50 * 256 + 200], 0);
  EXPECT_EQ(ShadeTable[255 * 256 + 255], 0);
  EXPECT_EQ(ShadeTable[255 * 256 + 0], 255);
  EXPECT_EQ(ShadeTable[0 * 256 + 255], 0);
  EXPECT_EQ(ShadeTable[128 * 256 + 127], 1);
}

struct TunnelPoint {
  int column, row;
  std::uint16_t map;
  std::uint8_t shade;
};

TEST(TunnelTables, KnownPixels) {
  BuildTunnelTables();
  const TunnelPoint points[] = {
      {160, 100, 0x0080, 255},  // centre: depth 0, angle +pi
      {260, 100, 0x25FF, 5},    // right, distance 100
      {160, 150, 0x4A7F, 130},  // straight below, distance 50
      {160, 101, 0x777F, 252},  // distance 1: depth 3703 keeps its low byte
      {0, 0, 0x13D1, 0},        // top left: angle -47.6 truncates to -47
      {159, 100, 0x77FF, 252},  // left, distance 1: angle -1.8 truncates to -1, byte 255
  };
  for (const TunnelPoint& p : points) {
    const int i = p.row * FRAME_WIDTH + p.column;
    EXPECT_EQ(TunnelMap[i], p.map) << p.column << "," << p.row;
    EXPECT_EQ(TunnelShade[i], p.shade) << p.column << "," << p.row;
  }
}

TEST(TunnelTables, ShadeReachesZeroAtDistance102) {
  BuildTunnelTables();
  // Straight right of the centre: distance 101 gives 2.5 shade, 102 gives 0.
  EXPECT_EQ(TunnelShade[100 * FRAME_WIDTH + 261], 2);
  EXPECT_EQ(TunnelShade[100 * FRAME_WIDTH + 262], 0);
  EXPECT_EQ(TunnelShade[0 * FRAME_WIDTH + 160], 5);  // straight above, distance 100
}

}  // namespace
