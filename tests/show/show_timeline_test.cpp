// Tests of the show clock and the choice of scene on the timeline.
#include <gtest/gtest.h>

#include "show/timeline.h"

namespace {

TEST(SelectScene, BoundariesStartTheNextSceneAtZero) {
  const SceneChoice tunnel = SelectScene(12.0f);
  EXPECT_EQ(tunnel.scene, ShowScene::Tunnel);
  EXPECT_EQ(tunnel.argument, 0.0f);
  const SceneChoice spin = SelectScene(24.0f);
  EXPECT_EQ(spin.scene, ShowScene::Spin);
  EXPECT_EQ(spin.argument, 0.0f);
  const SceneChoice closing = SelectScene(36.0f);
  EXPECT_EQ(closing.scene, ShowScene::Closing);
  EXPECT_EQ(closing.argument, 0.0f);
  EXPECT_EQ(SelectScene(48.0f).scene, ShowScene::Pause);
  EXPECT_EQ(SelectScene(52.0f).scene, ShowScene::End);
}

TEST(SelectScene, EachScenePlaysUpToItsEndWithItsOwnTime) {
  const struct {
    float t;
    ShowScene scene;
    float argument;
  } cases[] = {{0.0f, ShowScene::Title, 0.0f},     {11.999999f, ShowScene::Title, 11.999999f},
               {17.5f, ShowScene::Tunnel, 5.5f},   {35.75f, ShowScene::Spin, 11.75f},
               {47.5f, ShowScene::Closing, 11.5f}, {51.999f, ShowScene::Pause, 0.0f},
               {1e9f, ShowScene::End, 0.0f}};
  for (const auto& c : cases) {
    EXPECT_EQ(SelectScene(c.t).scene, c.scene) << c.t;
    EXPECT_EQ(SelectScene(c.t).argument, c.argument) << c.t;
  }
}

TEST(ShowClock, MillisecondsBecomeSeconds) {
  EXPECT_EQ(ShowClock(5000, 5000), 0.0f);
  EXPECT_FLOAT_EQ(ShowClock(1000, 13000), 12.0f);
  EXPECT_FLOAT_EQ(ShowClock(0, 52000), 52.0f);
  EXPECT_EQ(SelectScene(ShowClock(0, 52000)).scene, ShowScene::End);
  EXPECT_EQ(SelectScene(ShowClock(0, 51999)).scene, ShowScene::Pause);
}

TEST(ShowClock, AWrapOfTheCounterKeepsTheTimeRunning) {
  EXPECT_FLOAT_EQ(ShowClock(0xFFFFFF00u, 0x00000100u), 0.512f);
  EXPECT_FLOAT_EQ(ShowClock(0xFFFFD8F0u, 0x00007530u), 40.0f);  // 10 s before, 30 s after
  // Late in the counter's range the start carries no rounding of its own.
  EXPECT_FLOAT_EQ(ShowClock(0xFFFF0000u, 0xFFFF0001u), 0.001f);
}

}  // namespace
