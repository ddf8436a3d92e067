// music_capture.cpp: the music of capture runs, rendered frame by frame into
// captureDir/music.wav (48 kHz, 16-bit stereo), and the audio source that
// both the capture and the audio device pull from.
//
// The file is written under a temporary name and renamed onto music.wav only
// when the whole run succeeded (FinishMusic); a run that fails or is cut short
// removes it (DiscardMusic), keeping any music.wav that was there. The first
// failed write says so on stderr and ends the show. Offscreen runs
// without a capture directory render the same way and drop the samples, so the
// music advances with the fixed-step clock. With --video the same samples also
// go to the video encoder.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/present.h"
#include "platform/host/video.h"
#include "platform/host/wav_writer.h"

namespace host {
namespace {

struct Capture {
  WavWriter wav;
  bool failed = false;    // a write failed; nothing more is written
  bool finished = false;  // FinishMusic has run; its result is kept
  bool result = true;
};

Capture& TheCapture() {
  static Capture capture;
  return capture;
}

AudioSource& Source() {
  static AudioSource source = nullptr;
  return source;
}

std::string FinalPath() {
  return (std::filesystem::path(GetOptions().captureDir) / "music.wav").string();
}

// The first failure: one line naming the file and the reason, the file
// removed, the show asked to end.
void MarkFailed(Capture& capture) {
  const int error = errno != 0 ? errno : EIO;
  capture.wav.Discard();
  if (capture.failed) return;
  capture.failed = true;
  std::fprintf(stderr, "vuxa: cannot write %s: %s\n", FinalPath().c_str(), std::strerror(error));
  RequestClose();
}

bool EnsureOpen(Capture& capture) {
  if (capture.failed) return false;
  if (capture.wav.IsOpen()) return true;
  errno = 0;
  if (!capture.wav.Open(FinalPath(), kSampleRate, 2)) {
    MarkFailed(capture);
    return false;
  }
  return true;
}

bool Finish(Capture& capture) {
  if (GetOptions().captureDir.empty()) return true;
  if (!EnsureOpen(capture)) return false;  // a run without frames still gets its (empty) WAV
  errno = 0;
  if (!capture.wav.Finish() || !capture.wav.Commit()) {
    MarkFailed(capture);
    return false;
  }
  return true;
}

}  // namespace

void SetAudioSource(AudioSource source) { Source() = source; }

void PullAudio(std::span<std::int16_t> interleaved) {
  if (Source() != nullptr)
    Source()(interleaved);
  else
    std::fill(interleaved.begin(), interleaved.end(), 0);
}

void CaptureMusicFrame(std::uint32_t sampleFrames) {
  Capture& capture = TheCapture();
  if (capture.finished) return;
  std::vector<std::int16_t> samples(std::size_t{sampleFrames} * 2);
  {
    AudioLock lock;
    PullAudio(samples);
  }
  if (!GetOptions().videoFile.empty()) VideoAudio(samples);
  if (GetOptions().captureDir.empty()) return;
  if (CaptureFailed()) {  // the frames failed and said so: the music is lost with them
    capture.failed = true;
    capture.wav.Discard();
    return;
  }
  if (!EnsureOpen(capture)) return;
  errno = 0;
  if (!capture.wav.Write(samples)) MarkFailed(capture);
}

bool FinishMusic() {
  CloseAudio();
  Capture& capture = TheCapture();
  if (!capture.finished) {
    capture.finished = true;
    capture.result = Finish(capture);
  }
  return capture.result;
}

void DiscardMusic() {
  CloseAudio();
  Capture& capture = TheCapture();
  capture.wav.Discard();
  if (!capture.finished) {
    capture.finished = true;
    capture.result = false;
  }
}

void ResetMusicCapture() {
  Capture& capture = TheCapture();
  if (capture.wav.IsOpen()) capture.wav.Discard();
  capture.failed = false;
  capture.finished = false;
  capture.result = true;
}

}  // namespace host
