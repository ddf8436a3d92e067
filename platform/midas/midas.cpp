// midas.cpp: the MIDAS calls over libopenmpt.
//
// One module plays at a time. Handles are counters, never pointers, so a stale
// or made-up handle fails with MIDAS_ERR_INVALID_HANDLE. Every call that can
// fail first honours a failure forced under its own name
// (host::ForcedFailure), which then becomes the last error. Modules are rendered
// at 48 kHz with libopenmpt's default settings except dithering, which is off:
// libopenmpt seeds its dither randomly, and capture runs must repeat exactly.
// A run with --start plays the module from that point of the song.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <memory>
#include <new>
#include <vector>

#include "platform/host/host.h"
#include "platform/midas/library.h"
#include "platform/midas/state.h"

namespace platform::sound {

SoundState& State() {
  static SoundState state;
  return state;
}

}  // namespace platform::sound

namespace {

using platform::sound::State;

BOOL Fail(int code, std::string detail = {}) {
  State().lastError = code;
  State().errorDetail = std::move(detail);
  return FALSE;
}

// A module larger than this is refused before it is read: the show's is a
// few hundred kilobytes.
constexpr long long kMaxModuleBytes = 64ll << 20;

// True (and the code recorded) when the profile forces this call to fail.
bool Forced(const char* call) {
  HRESULT code = host::ForcedFailure(call);
  if (code == 0) return false;
  State().lastError = code;
  State().errorDetail.clear();
  return true;
}

void LogOpenmpt(const char* message, void* /*user*/) {
  if (message && std::getenv("VUXA_DEBUG")) std::fprintf(stderr, "libopenmpt: %s\n", message);
}

void StopPlaying() {
  auto& s = State();
  host::AudioLock lock;
  s.playing = nullptr;
  s.playHandle = 0;
}

// Stops playback, closes the device and forgets every module.
void CloseLibrary() {
  StopPlaying();
  host::CloseAudio();
  auto& s = State();
  s.modules.clear();
  s.initialized = false;
}

// The whole file, or an error code.
int ReadWholeFile(std::FILE* file, std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunk(1 << 16);
  while (true) {
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < chunk.size()) break;
  }
  return std::ferror(file) ? MIDAS_ERR_FILE_READ : MIDAS_OK;
}

// Moves the module to `seconds` into the song, to the sample. libopenmpt
// seeks to the start of a row at or after the time asked, so the seek aims
// earlier until it lands at or before it; the rest of the way is rendered and
// dropped.
void SeekSong(openmpt_module* module, double seconds) {
  if (seconds <= 0) return;
  double aim = seconds;
  double at = openmpt_module_set_position_seconds(module, aim);
  for (double back = 0.25; at > seconds && aim > 0; back *= 2) {
    aim = std::max(0.0, seconds - back);
    at = openmpt_module_set_position_seconds(module, aim);
  }
  auto remaining = static_cast<std::int64_t>(
      std::llround((seconds - at) * platform::sound::kSampleRate));
  std::vector<std::int16_t> scratch(2 * 4096);
  while (remaining > 0) {
    const std::size_t frames =
        static_cast<std::size_t>(std::min<std::int64_t>(remaining, scratch.size() / 2));
    if (openmpt_module_read_interleaved_stereo(module, platform::sound::kSampleRate, frames,
                                               scratch.data()) == 0)
      break;  // the song ended
    remaining -= static_cast<std::int64_t>(frames);
  }
}

// Builds a libopenmpt module from file bytes, or gives the error code.
platform::sound::ModulePtr CreateModule(const std::vector<std::uint8_t>& data, int& code) {
  int error = OPENMPT_ERROR_OK;
  const char* message = nullptr;
  platform::sound::ModulePtr module(openmpt_module_create_from_memory2(
      data.data(), data.size(), LogOpenmpt, nullptr, nullptr, nullptr, &error, &message, nullptr));
  if (message) {
    LogOpenmpt(message, nullptr);
    openmpt_free_string(message);
  }
  if (!module) {
    code = error == OPENMPT_ERROR_OUT_OF_MEMORY ? MIDAS_ERR_OUT_OF_MEMORY : MIDAS_ERR_BAD_MODULE;
    return nullptr;
  }
  openmpt_module_ctl_set_integer(module.get(), "dither", 0);
  code = MIDAS_OK;
  return module;
}

}  // namespace

namespace platform {

// The library packs its version as major << 24 | minor << 16 | patch.
std::string OpenmptVersion() {
  const std::uint32_t v = openmpt_get_library_version();
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." +
         std::to_string(v & 0xFFFF);
}

void ResetSound() {
  CloseLibrary();
  sound::State() = sound::SoundState{};
}

}  // namespace platform

BOOL MIDASstartup() {
  CloseLibrary();
  auto& s = State();
  s.options.clear();
  s.lastError = MIDAS_OK;
  return TRUE;
}

BOOL MIDASsetOption(int option, std::uintptr_t value) {
  State().options[option] = value;
  return TRUE;
}

BOOL MIDASinit() {
  if (Forced("MIDASinit")) return FALSE;
  auto& s = State();
  if (s.initialized) return TRUE;
  host::SetAudioSource(platform::sound::RenderMusic);
  if (!host::IsOffscreen() && !host::GetOptions().mute && !host::OpenAudio())
    return Fail(MIDAS_ERR_NO_AUDIO_DEVICE);
  s.initialized = true;
  return TRUE;
}

MIDASmodule MIDASloadModule(const char* fileName) {
  if (Forced("MIDASloadModule")) return 0;
  auto& s = State();
  if (!s.initialized) return Fail(MIDAS_ERR_NOT_INITIALIZED);
  const std::string path = fileName ? host::ResolvePath(fileName) : std::string("(none)");
  errno = ENOENT;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      fileName ? host::OpenDataFile(fileName) : nullptr, std::fclose);
  if (!file) return Fail(MIDAS_ERR_FILE_OPEN, path + ": " + std::strerror(errno));
  try {
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && info.st_size > kMaxModuleBytes)
      return Fail(MIDAS_ERR_FILE_READ, path + ": larger than the 64 MB a module may have");
    std::vector<std::uint8_t> data;
    errno = 0;
    int code = ReadWholeFile(file.get(), data);
    if (code != MIDAS_OK) return Fail(code, path + ": " + std::strerror(errno != 0 ? errno : EIO));
    auto module = CreateModule(data, code);
    if (!module) return Fail(code, path + ": not a module format the library plays");
    if (openmpt_module_get_num_patterns(module.get()) == 0 ||
        openmpt_module_get_num_samples(module.get()) == 0 ||
        !(openmpt_module_get_duration_seconds(module.get()) > 0))
      std::fprintf(stderr, "vuxa: warning: %s: the module holds nothing to play; the show is silent\n",
                   path.c_str());
    MIDASmodule handle = s.nextModule++;
    s.modules[handle] = std::move(module);
    return handle;
  } catch (const std::bad_alloc&) {
    return Fail(MIDAS_ERR_OUT_OF_MEMORY);
  }
}

MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, BOOL loopSong) {
  if (Forced("MIDASplayModule")) return 0;
  auto& s = State();
  if (!s.initialized) return Fail(MIDAS_ERR_NOT_INITIALIZED);
  auto found = s.modules.find(module);
  if (found == s.modules.end()) return Fail(MIDAS_ERR_INVALID_HANDLE);
  if (s.playing) return Fail(MIDAS_ERR_ALREADY_PLAYING);
  {
    host::AudioLock lock;
    openmpt_module* playing = found->second.get();
    openmpt_module_set_repeat_count(playing, loopSong ? -1 : 0);
    openmpt_module_set_position_seconds(playing, 0.0);
    SeekSong(playing, host::GetOptions().startSeconds);
    s.playing = playing;
    s.playHandle = s.nextPlay++;
    s.songLoops = 0;
    s.lastOrderRow = openmpt_module_get_current_order(playing) * 1024 +
                     openmpt_module_get_current_row(playing);
    s.playStart = std::chrono::steady_clock::now();
    s.mutedFramesDone = 0;
  }
  host::ResumeAudio();
  host::MarkShowStart();
  return s.playHandle;
}

BOOL MIDASpoll() {
  platform::sound::AdvanceMutedMusic();
  return TRUE;
}

BOOL MIDASgetPlayStatus(MIDASmodulePlayHandle playHandle, MIDASplayStatus* status) {
  auto& s = State();
  if (playHandle == 0 || playHandle != s.playHandle) return Fail(MIDAS_ERR_INVALID_HANDLE);
  if (!status) return TRUE;
  host::AudioLock lock;
  status->position = static_cast<DWORD>(openmpt_module_get_current_order(s.playing));
  status->pattern = static_cast<DWORD>(openmpt_module_get_current_pattern(s.playing));
  status->row = static_cast<DWORD>(openmpt_module_get_current_row(s.playing));
  status->syncInfo = 0;
  status->songLoopCount = s.songLoops;
  return TRUE;
}

BOOL MIDASstopModule(MIDASmodulePlayHandle playHandle) {
  if (Forced("MIDASstopModule")) return FALSE;
  auto& s = State();
  if (playHandle == 0 || playHandle != s.playHandle) return Fail(MIDAS_ERR_INVALID_HANDLE);
  StopPlaying();
  return TRUE;
}

BOOL MIDASfreeModule(MIDASmodule module) {
  if (Forced("MIDASfreeModule")) return FALSE;
  auto& s = State();
  auto found = s.modules.find(module);
  if (found == s.modules.end()) return Fail(MIDAS_ERR_INVALID_HANDLE);
  if (s.playing == found->second.get()) StopPlaying();  // never free what the callback reads
  s.modules.erase(found);
  return TRUE;
}

BOOL MIDASclose() {
  if (Forced("MIDASclose")) return FALSE;
  CloseLibrary();
  return TRUE;
}

int MIDASgetLastError() { return State().lastError; }

namespace {

const char* BaseErrorMessage(int errorCode) {
  switch (errorCode) {
    case MIDAS_OK: return "OK";
    case MIDAS_ERR_NOT_INITIALIZED: return "Sound library not initialized";
    case MIDAS_ERR_NO_AUDIO_DEVICE: return "No audio device";
    case MIDAS_ERR_FILE_OPEN: return "Unable to open file";
    case MIDAS_ERR_FILE_READ: return "Unable to read file";
    case MIDAS_ERR_BAD_MODULE: return "Unknown module format";
    case MIDAS_ERR_OUT_OF_MEMORY: return "Not enough memory";
    case MIDAS_ERR_INVALID_HANDLE: return "Invalid module or play handle";
    case MIDAS_ERR_ALREADY_PLAYING: return "A module is already playing";
    default: return "Unknown error";
  }
}

}  // namespace

// The library's text for the code; for the last error, with the file and the
// reason it was about.
const char* MIDASgetErrorMessage(int errorCode) {
  auto& s = State();
  if (errorCode == MIDAS_OK || errorCode != s.lastError || s.errorDetail.empty())
    return BaseErrorMessage(errorCode);
  s.errorText = std::string(BaseErrorMessage(errorCode)) + ": " + s.errorDetail;
  return s.errorText.c_str();
}
