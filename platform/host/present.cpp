// present.cpp: where each presented frame goes: to the capture as a PNG file
// (with its period of music), to the video encoder, to the window, or
// nowhere (offscreen); and the end of a run.
//
// Capture frames are numbered by presented frame: file k is the k-th flip.
// They are rendered in order here and encoded on worker threads (png_queue.h).
// The first write failure of a capture is reported once, at the next frame or
// at the end, and ends the show; the run's result then says so. SIGINT and SIGTERM only note the signal; the next
// presented frame asks the show to close, and the end of the run removes its
// unfinished files.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/pictures.h"
#include "platform/host/png_queue.h"
#include "platform/host/present.h"
#include "platform/host/video.h"

namespace host {
namespace {

struct CaptureState {
  bool failed = false;
  bool dirReady = false;
  unsigned written = 0;  // frames at or past this index are not on disk
  std::unique_ptr<PngQueue> queue;
};

// At namespace scope: AbandonRun reads it from an exit handler.
CaptureState captureState;

CaptureState& Capture() { return captureState; }

bool& ClosePending() {
  static bool pending = false;
  return pending;
}

volatile std::sig_atomic_t interruptSignal = 0;

void NoteInterrupt(int signal) { interruptSignal = signal; }

void CaptureFailure(const std::string& what) {
  Capture().failed = true;
  std::fprintf(stderr, "vuxa: cannot write %s: %s\n", what.c_str(), std::strerror(errno));
  RequestClose();
}

// Reports a write that failed on a worker, once.
void TakeQueueFailure() {
  CaptureState& s = Capture();
  if (!s.queue) return;
  if (const auto failure = s.queue->TakeFailure(); failure && !s.failed) {
    errno = failure->error;
    CaptureFailure(failure->path);
  }
}

// Ends the workers, writing the frames still queued unless `drop`, and notes
// a failure among them.
void FinishFrames(bool drop) {
  CaptureState& s = Capture();
  if (!s.queue) return;
  s.queue->Close(drop);
  TakeQueueFailure();
  s.written = std::max(s.written, s.queue->WrittenEnd());
  s.queue.reset();
}

void CaptureFrame(const Frame& frame, std::vector<std::uint8_t> rgb, unsigned index,
                  const std::string& dir) {
  CaptureState& s = Capture();
  TakeQueueFailure();
  if (s.failed || rgb.empty()) return;
  if (!s.dirReady) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      errno = ec.value();
      CaptureFailure(dir);
      return;
    }
    s.dirReady = true;
  }
  if (!s.queue) {
    const unsigned workers = PngQueue::DefaultWorkers();
    s.queue = std::make_unique<PngQueue>(workers, 2 * workers);
  }
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05u.png", index);
  s.queue->Push((std::filesystem::path(dir) / name).string(), std::move(rgb), frame.width,
                frame.height, index);
}

}  // namespace

FramePlace PlaceFrame(int w, int h) {
  int scale = std::min(w / kFrameWidth, h / kFrameHeight);
  int fw = kFrameWidth * scale;
  int fh = kFrameHeight * scale;
  if (scale < 1) {
    fw = std::max(0, std::min(w, h * 4 / 3));
    fh = fw * 3 / 4;
  }
  return FramePlace{(w - fw) / 2, (h - fh) / 2, fw, fh};
}

void PresentFrame(const Frame& frame) {
  if (interruptSignal != 0) RequestClose();
  const unsigned index = CountFlip();
  const Options& options = GetOptions();
  const bool recorded = !options.captureDir.empty() || !options.videoFile.empty();
  if (recorded) {
    std::vector<std::uint8_t> rgb =
        ToRgb(frame.pixels, frame.bytesPerPixel, frame.width, frame.height);
    if (!options.videoFile.empty() && frame.width == kFrameWidth && frame.height == kFrameHeight)
      VideoFrame(rgb);
    if (!options.captureDir.empty())
      CaptureFrame(frame, std::move(rgb), index, options.captureDir);
    CaptureMusicFrame(CaptureSamplesForFrame(index, options.fps));
  } else if (!IsOffscreen() && DisplayAvailable()) {
    machine::ShowFrame(frame, LastTick());
  } else if (IsOffscreen()) {
    machine::DropFrame(frame, index);
  }
  RunFlipHook(index);
}

bool CaptureFailed() {
  TakeQueueFailure();
  return Capture().failed;
}

void RequestClose() { ClosePending() = true; }

bool TakeCloseRequest() { return std::exchange(ClosePending(), false); }

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal() { return interruptSignal; }

bool Shutdown() {
  // The video and music.wav are kept only when everything else succeeded.
  FinishFrames(interruptSignal != 0);
  bool ok = !CaptureFailed() && interruptSignal == 0;
  if (ok)
    ok = VideoFinish();
  else
    ResetVideo();
  if (ok)
    ok = FinishMusic();
  else
    DiscardMusic();
  Capture() = CaptureState{};
  machine::Close(true);
  return ok;
}

void AbandonRun() {
  // The video's and music's temporary files go with their own objects at exit.
  FinishFrames(true);
  const std::string& dir = GetOptions().captureDir;
  for (unsigned i = 0; !dir.empty() && i < Capture().written; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05u.png", i);
    std::remove((std::filesystem::path(dir) / name).c_str());
  }
  Capture() = CaptureState{};
}

void Reset() {
  ForcedFailures().clear();
  ResetClock();
  ResetVideo();
  machine::Close(false);
  Capture() = CaptureState{};
  ClosePending() = false;
  interruptSignal = 0;
  ResetMusicCapture();
}

}  // namespace host
