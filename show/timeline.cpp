// timeline.cpp: the show clock and the 52-second timeline of four scenes.
#include "show/timeline.h"

float ShowClock(DWORD startTick, DWORD nowTick) {
  const DWORD elapsed = nowTick - startTick;  // modulo 2^32: survives a wrap
  constexpr float Millisecond = 0.001f;
  return static_cast<float>(static_cast<double>(elapsed) * static_cast<double>(Millisecond));
}

SceneChoice SelectScene(float t) {
  if (t < 12.0f) return {ShowScene::Title, t};
  if (t < 24.0f) return {ShowScene::Tunnel, t - 12.0f};
  if (t < 36.0f) return {ShowScene::Spin, t - 24.0f};
  if (t < 48.0f) return {ShowScene::Closing, t - 36.0f};
  if (t < 52.0f) return {ShowScene::Pause, 0.0f};
  return {ShowScene::End, 0.0f};
}
