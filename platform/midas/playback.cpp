// playback.cpp: the music as samples: rendered from the playing module for
// the host's audio device or capture, or, in muted runs, rendered and dropped
// as the wall clock moves on, so the song's position moves as if it were heard.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/host/host.h"
#include "platform/midas/state.h"

namespace platform::sound {

void RenderMusic(std::span<std::int16_t> interleaved) {
  auto& s = State();
  std::size_t done = 0;
  if (s.playing) {
    done = openmpt_module_read_interleaved_stereo(s.playing, kSampleRate, interleaved.size() / 2,
                                                  interleaved.data());
    int orderRow = openmpt_module_get_current_order(s.playing) * 1024 +
                   openmpt_module_get_current_row(s.playing);
    if (orderRow < s.lastOrderRow) ++s.songLoops;
    s.lastOrderRow = orderRow;
  }
  std::fill(interleaved.begin() + static_cast<std::ptrdiff_t>(done * 2), interleaved.end(), 0);
}

void AdvanceMutedMusic() {
  auto& s = State();
  if (host::AudioOpen() || !s.playing || host::IsOffscreen()) return;
  auto elapsed = std::chrono::steady_clock::now() - s.playStart;
  auto micros = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
  std::uint64_t due = static_cast<std::uint64_t>(micros) * kSampleRate / 1000000;
  std::vector<std::int16_t> scratch(2 * 4096);
  while (s.mutedFramesDone < due) {
    std::size_t frames = static_cast<std::size_t>(
        std::min<std::uint64_t>(due - s.mutedFramesDone, scratch.size() / 2));
    RenderMusic({scratch.data(), frames * 2});
    s.mutedFramesDone += frames;
  }
}

}  // namespace platform::sound
