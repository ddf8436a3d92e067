// present.cpp: shows each flipped frame: in an SDL window, as a PNG file of a
// capture, piped to the video encoder, or nowhere (offscreen).
//
// The window is made at the first presented frame: borderless full screen on
// the desktop by default, or a window of 320x240 times an integer scale, on the
// chosen display. The frame keeps 4:3 with black bars, at an integer scale
// where one fits, with nearest filtering unless linear is asked for; the
// renderer works in the output's real pixels, so high-DPI screens stay sharp.
// The frame shown last is kept for screenshots (F12). The first write failure
// of a capture is reported once and ends the capture of frames.
#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "platform/host.h"
#include "platform/internal.h"
#include "platform/surface.h"

namespace platform {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Presentation {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureBits = 0;
  bool fullscreenDecided = false;  // set at the window's creation or the first toggle
  bool fullscreen = false;
  bool hidden = false;
  bool windowFailed = false;
  bool captureFailed = false;
  bool captureDirReady = false;
  // The frame shown last, as surface memory, and the tick it was drawn for.
  std::vector<std::uint8_t> shown;
  int shownBytesPerPixel = 0;
  DWORD shownTick = 0;
};

Presentation& State() {
  static Presentation state;
  return state;
}

// ---- Capture and video ----

// Packed surface memory (blue first, 3 or 4 bytes a pixel) as packed RGB
// bytes; empty for depths that are never shown.
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

void CaptureFailure(const std::string& what) {
  State().captureFailed = true;
  std::fprintf(stderr, "vuxa: cannot write the frame capture %s: %s\n", what.c_str(),
               std::strerror(errno));
}

void CaptureFrame(const Surface& frame, std::span<const std::uint8_t> rgb,
                  const std::string& dir) {
  Presentation& s = State();
  if (s.captureFailed || rgb.empty()) return;
  if (!s.captureDirReady) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      errno = ec.value();
      CaptureFailure(dir);
      return;
    }
    s.captureDirReady = true;
  }
  unsigned index = host::FlipCount() > 0 ? host::FlipCount() - 1 : 0;
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05u.png", index);
  std::string path = (std::filesystem::path(dir) / name).string();
  errno = 0;
  if (!WriteRgbPng(path, rgb.data(), frame.Width(), frame.Height())) {
    if (errno == 0) errno = EIO;
    CaptureFailure(path);
  }
}

// ---- Window ----

int ClampedDisplay() {
  int count = SDL_GetNumVideoDisplays();
  int wanted = host::GetOptions().display;
  return (count <= 0 || wanted < 0 || wanted >= count) ? 0 : wanted;
}

// The window scale: as asked, or the largest integer that fits the usable desktop.
int WindowScale() {
  int scale = host::GetOptions().scale;
  if (scale > 0) return std::min(scale, 16);
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(ClampedDisplay(), &usable) != 0) return 2;
  return std::max(1, std::min(usable.w / kWidth, usable.h / kHeight));
}

void SizeWindowed(SDL_Window* window) {
  int scale = WindowScale();
  int display = ClampedDisplay();
  SDL_SetWindowSize(window, kWidth * scale, kHeight * scale);
  SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                        SDL_WINDOWPOS_CENTERED_DISPLAY(display));
}

SDL_Renderer* MakeRenderer(SDL_Window* window) {
  Uint32 vsync = host::GetOptions().vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
  SDL_Renderer* r = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | vsync);
  if (r == nullptr) r = SDL_CreateRenderer(window, -1, vsync);
  if (r == nullptr) r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  return r;
}

bool EnsureWindow() {
  Presentation& s = State();
  if (s.window != nullptr) return true;
  if (s.windowFailed) return false;
  if (!s.fullscreenDecided) {
    s.fullscreen = !host::GetOptions().window;
    s.fullscreenDecided = true;
  }
  std::string title = ActiveWindowTitle();
  int display = ClampedDisplay();
  Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
  SDL_Rect place{static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                 static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                 kWidth * WindowScale(), kHeight * WindowScale()};
  // Full screen starts out covering the whole display, so it does so even
  // where no window manager resizes it.
  if (s.fullscreen) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_GetDisplayBounds(display, &place);
  }
  s.window = SDL_CreateWindow(title.empty() ? "vuxa" : title.c_str(), place.x, place.y, place.w,
                              place.h, flags);
  if (s.window != nullptr) s.renderer = MakeRenderer(s.window);
  if (s.renderer == nullptr) {
    std::fprintf(stderr, "vuxa: cannot open the show's window: %s\n", SDL_GetError());
    if (s.window != nullptr) SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.windowFailed = true;
    return false;
  }
  SDL_DisableScreenSaver();
  UpdateCursor();
  return true;
}

bool EnsureTexture(int bits) {
  Presentation& s = State();
  if (s.texture != nullptr && s.textureBits == bits) return true;
  if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
  // Surface memory holds blue first: B,G,R,x words at 32 bits, B,G,R bytes at 24.
  Uint32 format = bits == 32 ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_BGR24;
  s.texture = SDL_CreateTexture(s.renderer, format, SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
  s.textureBits = s.texture ? bits : 0;
  if (s.texture != nullptr)
    SDL_SetTextureScaleMode(s.texture, host::GetOptions().linearFilter ? SDL_ScaleModeLinear
                                                                       : SDL_ScaleModeNearest);
  return s.texture != nullptr;
}

void ShowFrame(const Surface& frame) {
  int bits = frame.BytesPerPixel() * 8;
  if ((bits != 32 && bits != 24) || frame.Width() != kWidth || frame.Height() != kHeight) return;
  if (!EnsureWindow() || !EnsureTexture(bits)) return;
  Presentation& s = State();
  if (s.hidden) {
    SDL_ShowWindow(s.window);
    s.hidden = false;
  }
  SDL_UpdateTexture(s.texture, nullptr, frame.Pixels(), frame.Pitch());
  const std::size_t frameBytes = static_cast<std::size_t>(frame.Pitch()) * kHeight;
  s.shown.assign(frame.Pixels(), frame.Pixels() + frameBytes);
  s.shownBytesPerPixel = frame.BytesPerPixel();
  s.shownTick = LastTick();
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(s.renderer, &w, &h);
  const FramePlace place = PlaceFrame(w, h);
  const SDL_Rect dest{place.x, place.y, place.w, place.h};
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, &dest);
  SDL_RenderPresent(s.renderer);
}

}  // namespace

FramePlace PlaceFrame(int w, int h) {
  int scale = std::min(w / kWidth, h / kHeight);
  int fw = kWidth * scale;
  int fh = kHeight * scale;
  if (scale < 1) {
    fw = std::max(0, std::min(w, h * 4 / 3));
    fh = fw * 3 / 4;
  }
  return FramePlace{(w - fw) / 2, (h - fh) / 2, fw, fh};
}

void PresentFrame(const Surface& primary) {
  const host::Options& options = host::GetOptions();
  if (!options.captureDir.empty() || !options.videoFile.empty()) {
    const std::vector<std::uint8_t> rgb = ToRgb(primary.Pixels(), primary.BytesPerPixel(),
                                                primary.Width(), primary.Height());
    if (!options.captureDir.empty()) CaptureFrame(primary, rgb, options.captureDir);
    if (!options.videoFile.empty() && primary.Width() == kWidth && primary.Height() == kHeight)
      VideoFrame(rgb);
    return;
  }
  if (host::IsOffscreen() || !DisplayAvailable()) return;
  ShowFrame(primary);
}

void SaveScreenshot() {
  Presentation& s = State();
  if (s.shown.empty() || s.renderer == nullptr) return;
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(s.renderer, &w, &h);
  const FramePlace place = PlaceFrame(w, h);
  const std::vector<std::uint8_t> rgb =
      ToRgb(s.shown.data(), s.shownBytesPerPixel, kWidth, kHeight);
  WriteScreenshots(".", rgb, place.w, place.h, host::GetOptions().linearFilter,
                   ShowSeconds(s.shownTick));
}

void ResetPresentation() {
  Presentation& s = State();
  if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
  if (s.renderer != nullptr) SDL_DestroyRenderer(s.renderer);
  if (s.window != nullptr) SDL_DestroyWindow(s.window);
  s = Presentation{};
}

bool CaptureFailed() { return State().captureFailed; }

void ToggleFullScreen() {
  Presentation& s = State();
  if (!s.fullscreenDecided) {
    s.fullscreen = !host::GetOptions().window;
    s.fullscreenDecided = true;
  }
  s.fullscreen = !s.fullscreen;
  if (s.window != nullptr) {
    // The window first covers the display by itself, so full screen fills it
    // even where no window manager acts on the full-screen request.
    if (s.fullscreen) {
      SDL_Rect bounds;
      if (SDL_GetDisplayBounds(ClampedDisplay(), &bounds) == 0) {
        SDL_SetWindowPosition(s.window, bounds.x, bounds.y);
        SDL_SetWindowSize(s.window, bounds.w, bounds.h);
      }
    }
    SDL_SetWindowFullscreen(s.window, s.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    if (!s.fullscreen) SizeWindowed(s.window);
  }
  UpdateCursor();
}

bool PresentationFullScreen() {
  const Presentation& s = State();
  return s.window != nullptr && s.fullscreen && !s.hidden;
}

SDL_Window* PresentationWindow() {
  const Presentation& s = State();
  return s.hidden ? nullptr : s.window;
}

void YieldPresentation() {
  Presentation& s = State();
  if (s.window == nullptr || !s.fullscreen || s.hidden) return;
  SDL_HideWindow(s.window);
  s.hidden = true;
  UpdateCursor();
}

}  // namespace platform
