// sound_capture.cpp: the music of capture runs, rendered frame by frame into
// captureDir/music.wav (48 kHz, 16-bit stereo).
//
// The file is written as music.wav.part and renamed when finished, so a run
// that fails or is cut short never leaves a WAV that looks complete; a
// music.wav of an earlier run is removed when the capture starts. Offscreen runs
// without a capture directory render the same way and drop the samples, so the
// music advances with the fixed-step clock. With --video the same samples also
// go to the video encoder.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/internal.h"
#include "platform/sound_state.h"
#include "platform/sound_wav.h"

namespace platform::sound {
namespace {

struct Capture {
  WavWriter wav;
  bool failed = false;    // a write failed; nothing more is written
  bool finished = false;  // SoundFinish has run; its result is kept
  bool result = true;
};

Capture& TheCapture() {
  static Capture capture;
  return capture;
}

std::string FinalPath() {
  return (std::filesystem::path(host::GetOptions().captureDir) / "music.wav").string();
}

void MarkFailed(Capture& capture) {
  capture.failed = true;
  capture.wav.Discard();
  State().lastError = MIDAS_ERR_CAPTURE_WRITE;
}

bool EnsureOpen(Capture& capture) {
  if (capture.failed) return false;
  if (capture.wav.IsOpen()) return true;
  std::string path = FinalPath();
  std::remove(path.c_str());
  if (!capture.wav.Open(path + ".part", kSampleRate, 2)) {
    MarkFailed(capture);
    return false;
  }
  return true;
}

bool Finish(Capture& capture) {
  if (host::GetOptions().captureDir.empty()) return true;
  if (!EnsureOpen(capture)) return false;  // a run without frames still gets its (empty) WAV
  std::string path = FinalPath();
  if (!capture.wav.Finish() || std::rename((path + ".part").c_str(), path.c_str()) != 0) {
    MarkFailed(capture);
    return false;
  }
  return true;
}

}  // namespace

void ResetCapture() {
  Capture& capture = TheCapture();
  if (capture.wav.IsOpen()) capture.wav.Discard();
  capture.failed = false;
  capture.finished = false;
  capture.result = true;
}

}  // namespace platform::sound

namespace platform {

void SoundCaptureFrame(std::uint32_t sampleFrames) {
  auto& capture = sound::TheCapture();
  if (capture.finished) return;
  std::vector<std::int16_t> samples(std::size_t{sampleFrames} * 2);
  {
    sound::AudioLock lock;
    sound::RenderMusic(samples);
  }
  if (!host::GetOptions().videoFile.empty()) VideoAudio(samples);
  if (host::GetOptions().captureDir.empty() || !sound::EnsureOpen(capture)) return;
  if (!capture.wav.Write(samples)) sound::MarkFailed(capture);
}

bool SoundFinish() {
  sound::CloseAudioDevice();
  auto& capture = sound::TheCapture();
  if (!capture.finished) {
    capture.finished = true;
    capture.result = sound::Finish(capture);
  }
  return capture.result;
}

}  // namespace platform
