// clock.cpp: the clock behind GetTickCount, the count of presented frames and
// the hook that runs after each.
//
// Offscreen runs use a fixed-step clock: it advances one frame period per
// presented frame, so every run gives the same frames. The clock also
// remembers the show's start tick (the first tick read after the music
// starts), so that screenshots can be named with the show time.
#include <cstdint>
#include <functional>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/present.h"

namespace host {
namespace {

struct ClockState {
  std::function<std::uint32_t()> tickSource;
  std::function<void(unsigned)> flipHook;
  unsigned flips = 0;
  std::uint32_t lastTick = 0;
  bool showStartPending = false;  // the music has started; the next tick is the show's start
  bool showStarted = false;
  std::uint32_t showStartTick = 0;
};

ClockState& State() {
  static ClockState state;
  return state;
}

std::uint32_t ReadClock(const ClockState& s) {
  if (s.tickSource) return s.tickSource();
  if (IsOffscreen()) {
    int fps = GetOptions().fps;
    std::uint64_t perSecond = fps > 0 ? static_cast<std::uint64_t>(fps) : 60;
    return static_cast<std::uint32_t>(std::uint64_t{s.flips} * 1000 / perSecond);
  }
  return machine::Ticks();
}

}  // namespace

std::uint32_t Ticks() {
  ClockState& s = State();
  const std::uint32_t tick = ReadClock(s);
  s.lastTick = tick;
  if (s.showStartPending) {
    s.showStartPending = false;
    s.showStarted = true;
    s.showStartTick = tick;
  }
  return tick;
}

std::uint32_t LastTick() { return State().lastTick; }

void MarkShowStart() {
  ClockState& s = State();
  s.showStartPending = true;
  s.showStarted = false;
}

double ShowSeconds(std::uint32_t tick) {
  const ClockState& s = State();
  const double start = GetOptions().startSeconds;
  if (!s.showStarted) return start;
  return start + static_cast<double>(static_cast<std::uint32_t>(tick - s.showStartTick)) / 1000.0;
}

void SetTickSource(std::function<std::uint32_t()> source) {
  State().tickSource = std::move(source);
}

unsigned FlipCount() { return State().flips; }
void SetFlipHook(std::function<void(unsigned)> hook) { State().flipHook = std::move(hook); }

unsigned CountFlip() { return State().flips++; }

void RunFlipHook(unsigned flipIndex) {
  // A copy, so that a hook may replace itself.
  auto hook = State().flipHook;
  if (hook) hook(flipIndex);
}

std::uint32_t CaptureSamplesForFrame(unsigned flipIndex, int fps) {
  const std::uint64_t rate = kSampleRate;
  const std::uint64_t perSecond = fps > 0 ? static_cast<std::uint64_t>(fps) : 60;
  const std::uint64_t k = flipIndex;
  return static_cast<std::uint32_t>((k + 1) * rate / perSecond - k * rate / perSecond);
}

void ResetClock() { State() = ClockState{}; }

}  // namespace host
