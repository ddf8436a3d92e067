// audio.cpp: the SDL audio device: 48 kHz, 16-bit stereo, pulled from the
// host's audio source in SDL's callback thread under the device lock.
#include <SDL.h>

#include <cstdio>

#include "platform/host/host.h"
#include "platform/host/present.h"

namespace host {
namespace {

constexpr int kDeviceFrames = 1024;  // samples per callback: about 21 ms

SDL_AudioDeviceID device = 0;

void AudioCallback(void* /*user*/, Uint8* stream, int length) {
  PullAudio({reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 2});
}

void ReportNoDevice() {
  std::fprintf(stderr, "vuxa: no audio device: %s (run with --mute to play without sound)\n",
               SDL_GetError());
}

}  // namespace

bool OpenAudio() {
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

void CloseAudio() {
  if (!device) return;
  SDL_CloseAudioDevice(device);
  device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void ResumeAudio() {
  if (device) SDL_PauseAudioDevice(device, 0);
}

bool AudioOpen() { return device != 0; }

AudioLock::AudioLock() {
  if (device) SDL_LockAudioDevice(device);
}

AudioLock::~AudioLock() {
  if (device) SDL_UnlockAudioDevice(device);
}

}  // namespace host
