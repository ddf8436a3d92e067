// The show clock and the scene it selects, and the texts of display errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "show/show.h"
#include "show/timeline.h"

namespace {

TEST(Timeline, EachScenePlaysUpToItsEndWithItsOwnTime) {
  const struct {
    float t;
    ShowScene scene;
    float argument;
  } cases[] = {{0.0f, ShowScene::Title, 0.0f},      {11.999999f, ShowScene::Title, 11.999999f},
               {12.0f, ShowScene::Tunnel, 0.0f},    {17.5f, ShowScene::Tunnel, 5.5f},
               {24.0f, ShowScene::Spin, 0.0f},      {35.75f, ShowScene::Spin, 11.75f},
               {36.0f, ShowScene::Closing, 0.0f},   {47.5f, ShowScene::Closing, 11.5f},
               {48.0f, ShowScene::Pause, 0.0f},     {51.999f, ShowScene::Pause, 0.0f},
               {52.0f, ShowScene::End, 0.0f},       {1e9f, ShowScene::End, 0.0f}};
  for (const auto& c : cases) {
    EXPECT_EQ(SelectScene(c.t).scene, c.scene) << c.t;
    EXPECT_EQ(SelectScene(c.t).argument, c.argument) << c.t;
  }
  // Milliseconds become seconds across a wrap of the counter, without a
  // rounding of the start's own late in the counter's range.
  const struct {
    DWORD start, now;
    float seconds;
  } clocks[] = {{5000, 5000, 0}, {1000, 13000, 12}, {0, 52000, 52}, {0xFFFFFF00u, 0x100u, 0.512f},
                {0xFFFFD8F0u, 0x7530u, 40}, {0xFFFF0000u, 0xFFFF0001u, 0.001f}};
  for (const auto& c : clocks) EXPECT_FLOAT_EQ(ShowClock(c.start, c.now), c.seconds) << c.start;
  EXPECT_EQ(SelectScene(ShowClock(0, 51999)).scene, ShowScene::Pause);
}

TEST(DisplayErrors, ExactTextsForTheTablesCodesAndOneFallback) {
  constexpr const char* Unknown = "The request reported an unknown error.";
  const auto text = [](std::uint32_t code) { return std::string(DescribeDisplayError(static_cast<HRESULT>(code))); };
  EXPECT_EQ(text(DDERR_INVALIDMODE), "DirectDraw does not support the requested mode.");
  EXPECT_EQ(text(DDERR_NODIRECTDRAWHW), "DirectDraw support is not possible with the current display driver.");
  EXPECT_EQ(text(0x80004001), "The operation is not supported.");
  EXPECT_EQ(text(0), "The request completed successfully.");
  EXPECT_EQ(text(0x887601C2).size(), 189u);  // the longest, whole
  EXPECT_TRUE(text(0x887601C2).ends_with("IDirectDrawSurface3::Restore method called on it."));
  // Codes beside known ones, either side: a lookup that is off by one row gives them a text.
  for (std::uint32_t code : {1u, 0xFFFFFFFFu, 0x8007000Du, 0x8007000Fu, 0x80004002u, 0x887601C1u, 0x887601C3u,
                             0x8876022Fu, 0x88760251u, 0x887602BCu})
    EXPECT_EQ(text(code), Unknown) << std::hex << code;
}

}  // namespace
