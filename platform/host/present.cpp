// present.cpp: where each presented frame goes: to the capture as a PNG file
// (with its period of music), to the video encoder, to the window, or
// nowhere (offscreen); and the end of a run.
//
// Capture frames are numbered by presented frame: file k is the k-th flip.
// The first write failure of a capture is reported once and ends the capture
// of frames; the run's result then says so.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/pictures.h"
#include "platform/host/present.h"
#include "platform/host/video.h"

namespace host {
namespace {

struct CaptureState {
  bool failed = false;
  bool dirReady = false;
};

CaptureState& Capture() {
  static CaptureState state;
  return state;
}

bool& ClosePending() {
  static bool pending = false;
  return pending;
}

void CaptureFailure(const std::string& what) {
  Capture().failed = true;
  std::fprintf(stderr, "vuxa: cannot write the frame capture %s: %s\n", what.c_str(),
               std::strerror(errno));
}

void CaptureFrame(const Frame& frame, const std::vector<std::uint8_t>& rgb, unsigned index,
                  const std::string& dir) {
  CaptureState& s = Capture();
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
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05u.png", index);
  std::string path = (std::filesystem::path(dir) / name).string();
  errno = 0;
  if (!WriteRgbPng(path, rgb.data(), frame.width, frame.height)) {
    if (errno == 0) errno = EIO;
    CaptureFailure(path);
  }
}

}  // namespace

std::vector<std::uint8_t> ToRgb(const std::uint8_t* pixels, int bytes, int width, int height) {
  if (bytes < 3) return {};
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  std::uint8_t* dst = rgb.data();
  const std::uint8_t* src = pixels;
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i, src += bytes) {
    *dst++ = src[2];
    *dst++ = src[1];
    *dst++ = src[0];
  }
  return rgb;
}

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
  const unsigned index = CountFlip();
  const Options& options = GetOptions();
  const bool recorded = !options.captureDir.empty() || !options.videoFile.empty();
  if (recorded) {
    const std::vector<std::uint8_t> rgb =
        ToRgb(frame.pixels, frame.bytesPerPixel, frame.width, frame.height);
    if (!options.captureDir.empty()) CaptureFrame(frame, rgb, index, options.captureDir);
    if (!options.videoFile.empty() && frame.width == kFrameWidth && frame.height == kFrameHeight)
      VideoFrame(rgb);
    CaptureMusicFrame(CaptureSamplesForFrame(index, options.fps));
  } else if (!IsOffscreen() && DisplayAvailable()) {
    machine::ShowFrame(frame, LastTick());
  } else if (IsOffscreen()) {
    machine::DropFrame(frame, index);
  }
  RunFlipHook(index);
}

bool CaptureFailed() { return Capture().failed; }

void RequestClose() { ClosePending() = true; }

bool TakeCloseRequest() { return std::exchange(ClosePending(), false); }

bool Shutdown() {
  bool soundOk = FinishMusic();
  bool framesOk = !CaptureFailed();
  bool videoOk = VideoFinish();
  Capture() = CaptureState{};
  machine::Close(true);
  return soundOk && framesOk && videoOk;
}

void Reset() {
  ForcedFailures().clear();
  ResetClock();
  ResetVideo();
  machine::Close(false);
  Capture() = CaptureState{};
  ClosePending() = false;
  ResetMusicCapture();
}

}  // namespace host
