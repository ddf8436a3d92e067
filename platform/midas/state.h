// state.h: the sound library's state, shared by its files in midas/:
// midas.cpp (the MIDAS calls) and playback.cpp (rendering, the muted clock).
// Includes libopenmpt: only for those files.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "platform/host/host.h"
#include "platform/midas/midas.h"

namespace platform::sound {

constexpr int kSampleRate = host::kSampleRate;

struct ModuleDeleter {
  void operator()(openmpt_module* module) const { openmpt_module_destroy(module); }
};
using ModulePtr = std::unique_ptr<openmpt_module, ModuleDeleter>;

struct SoundState {
  bool initialized = false;
  int lastError = MIDAS_OK;
  // What the last error was about ("<file>: <reason>"), and the full message
  // MIDASgetErrorMessage last handed out for it.
  std::string errorDetail;
  std::string errorText;
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

// Muted runs: advances the playing module to the wall clock (from MIDASpoll).
void AdvanceMutedMusic();

}  // namespace platform::sound
