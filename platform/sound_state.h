// sound_state.h: the sound library's state, shared by its files in platform/:
// sound.cpp (the MIDAS calls), sound_output.cpp (audio device, rendering,
// muted clock), sound_capture.cpp (the WAV of capture runs). Includes
// libopenmpt: only for those files.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>

#include "platform/midas.h"

namespace platform::sound {

constexpr int kSampleRate = 48000;

struct ModuleDeleter {
  void operator()(openmpt_module* module) const { openmpt_module_destroy(module); }
};
using ModulePtr = std::unique_ptr<openmpt_module, ModuleDeleter>;

struct SoundState {
  bool initialized = false;
  int lastError = MIDAS_OK;
  std::map<int, std::uintptr_t> options;
  std::map<MIDASmodule, ModulePtr> modules;
  MIDASmodule nextModule = 1;
  // The module being played (one of `modules`), its play handle, and how often
  // the song has wrapped round (seen as its order and row going backwards
  // between two renders). The audio callback reads these under the lock.
  openmpt_module* playing = nullptr;
  MIDASmodulePlayHandle playHandle = 0;
  MIDASmodulePlayHandle nextPlay = 1;
  DWORD songLoops = 0;
  int lastOrderRow = 0;
  // Muted playback: how far the music has been advanced by the wall clock.
  std::chrono::steady_clock::time_point playStart{};
  std::uint64_t mutedFramesDone = 0;
};

SoundState& State();

// Fills interleaved stereo samples from the playing module; silence where
// nothing plays or the song has ended. Called with the audio lock held.
void RenderMusic(std::span<std::int16_t> interleaved);

// The audio device: opened by MIDASinit when there is a real output.
bool OpenAudioDevice();   // false: no device; the reason is on stderr
void CloseAudioDevice();  // harmless when none is open
void ResumeAudio();       // starts the device's callback, if a device is open
// Holds the audio callback off while the main thread changes the playing state.
class AudioLock {
 public:
  AudioLock();
  ~AudioLock();
  AudioLock(const AudioLock&) = delete;
  AudioLock& operator=(const AudioLock&) = delete;
};

// Muted runs: advances the playing module to the wall clock (from MIDASpoll).
void AdvanceMutedMusic();

// Capture (sound_capture.cpp): forgets the capture, removing an unfinished file.
void ResetCapture();

}  // namespace platform::sound
