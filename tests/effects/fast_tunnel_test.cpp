// The vector tunnel fill and credit cross-fade against the plain loops, on
// every SIMD target: the real tables at every fade level with the scrolls the
// scene steps through, and random tables, textures (top bytes set) and frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "effects/assets.h"
#include "effects/frame_parts.h"
#include "effects/frame_fast.h"
#include "support/simd_targets.h"

namespace {

// Keeps the shared tables and puts them back, so other suites see them unchanged.
class FastTunnel : public testing::Test {
 protected:
  void SetUp() override {
    savedMap.assign(TunnelMap, TunnelMap + FRAME_PIXELS);
    savedShade.assign(TunnelShade, TunnelShade + FRAME_PIXELS);
    savedTexture.assign(TunnelTexture, TunnelTexture + TEXTURE_SIZE * TEXTURE_SIZE);
    BuildShadeTable();
    BuildTunnelTables();
    for (std::uint32_t& texel : TunnelTexture) texel = random();
  }
  void TearDown() override {
    std::copy(savedMap.begin(), savedMap.end(), TunnelMap);
    std::copy(savedShade.begin(), savedShade.end(), TunnelShade);
    std::copy(savedTexture.begin(), savedTexture.end(), TunnelTexture);
  }

  void ExpectSameTunnel(int level, std::uint16_t scroll) {
    FillTunnel(plain.data(), level, scroll);
    ForEachSimdTarget([&](const char* target) {
      std::fill(fast.begin(), fast.end(), 0xA5A5A5A5u);
      FillTunnelFast(fast.data(), level, scroll);
      for (int i = 0; i < FRAME_PIXELS; ++i)
        ASSERT_EQ(fast[i], plain[i]) << target << " level " << level << " scroll " << scroll << " pixel " << i;
    });
  }

  std::mt19937 random{11};
  std::vector<std::uint32_t> plain = std::vector<std::uint32_t>(FRAME_PIXELS);
  std::vector<std::uint32_t> fast = std::vector<std::uint32_t>(FRAME_PIXELS);

 private:
  std::vector<std::uint16_t> savedMap;
  std::vector<std::uint8_t> savedShade;
  std::vector<std::uint32_t> savedTexture;
};

// The scene's scroll is its step times 1025, modulo 65536: those of its first 256 steps.
TEST_F(FastTunnel, EveryFadeLevelWithTheShowsTables) {
  for (int level = 0; level < 256; ++level) ExpectSameTunnel(level, static_cast<std::uint16_t>(level * 1025));
}

TEST_F(FastTunnel, RandomTablesAndScrollsThatWrap) {
  for (int round = 0; round < 12; ++round) {
    for (std::uint16_t& entry : TunnelMap) entry = static_cast<std::uint16_t>(random());
    for (std::uint8_t& shade : TunnelShade) shade = static_cast<std::uint8_t>(random());
    for (std::uint32_t& texel : TunnelTexture) texel = random();
    ExpectSameTunnel(static_cast<int>(random() % 256), static_cast<std::uint16_t>(random()));
    ExpectSameTunnel(round % 2 ? 0 : 255, 0xFFFF);
  }
}

TEST_F(FastTunnel, CreditCrossFadeAtEveryLevel) {
  std::vector<std::uint32_t> picture(CREDIT_SIZE * CREDIT_SIZE);
  std::vector<std::uint32_t> frame(FRAME_PIXELS);
  for (int level = 0; level < 256; ++level) {
    for (std::uint32_t& p : picture) p = random();
    // Any frame at all, including sums that carry from one channel into the next.
    for (std::uint32_t& p : frame) p = random();
    plain = frame;
    AddCredit(plain.data(), picture.data(), level);
    ForEachSimdTarget([&](const char* target) {
      fast = frame;
      AddCreditFast(fast.data(), picture.data(), level);
      ASSERT_EQ(fast, plain) << target << " level " << level;
    });
  }
}

}  // namespace
