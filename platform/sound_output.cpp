// sound_output.cpp: where the music goes: the SDL audio device (48 kHz, 16-bit
// stereo, rendered in SDL's callback thread under the device lock), or, in muted
// runs, nowhere, with the module still advanced to the wall clock so its
// position moves on as if it were heard.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/host.h"
#include "platform/sound_state.h"

namespace platform::sound {
namespace {

constexpr int kDeviceFrames = 1024;  // samples per callback: about 21 ms

SDL_AudioDeviceID device = 0;

void AudioCallback(void* /*user*/, Uint8* stream, int length) {
  RenderMusic({reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 2});
}

void ReportNoDevice() {
  std::fprintf(stderr, "vuxa: no audio device: %s (run with --mute to play without sound)\n",
               SDL_GetError());
}

}  // namespace

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

bool OpenAudioDevice() {
  if (device) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ReportNoDevice();
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = kSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kDeviceFrames;
  want.callback = AudioCallback;
  SDL_AudioSpec have{};
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts if it must
  if (!device) {
    ReportNoDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void CloseAudioDevice() {
  if (!device) return;
  SDL_CloseAudioDevice(device);
  device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void ResumeAudio() {
  if (device) SDL_PauseAudioDevice(device, 0);
}

AudioLock::AudioLock() {
  if (device) SDL_LockAudioDevice(device);
}

AudioLock::~AudioLock() {
  if (device) SDL_UnlockAudioDevice(device);
}

void AdvanceMutedMusic() {
  auto& s = State();
  if (device || !s.playing || host::IsOffscreen()) return;
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
