// window.cpp: the show's window on an SDL display: frames, full screen, the
// cursor, screenshots and message boxes.
//
// The window is made at the first presented frame: borderless full screen on
// the desktop by default, or a window of 320x240 times an integer scale, on the
// chosen display. The frame keeps 4:3 with black bars, at an integer scale
// where one fits, with nearest filtering unless linear is asked for; the
// renderer works in the output's real pixels, so high-DPI screens stay sharp.
// The frame shown last is kept for screenshots (F12).
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/pictures.h"
#include "platform/host/present.h"
#include "platform/host/sdl/sdl.h"

namespace host {
namespace {

constexpr int kWidth = kFrameWidth;
constexpr int kHeight = kFrameHeight;

struct Presentation {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureBits = 0;
  bool fullscreenDecided = false;  // set at the window's creation or the first toggle
  bool fullscreen = false;
  bool hidden = false;
  bool windowFailed = false;
  // The frame shown last, as surface memory, and the tick it was drawn for.
  std::vector<std::uint8_t> shown;
  int shownBytesPerPixel = 0;
  std::uint32_t shownTick = 0;
};

Presentation& State() {
  static Presentation state;
  return state;
}

struct WindowSettings {
  std::string title;
  bool cursorShown = true;  // as the show asked; full screen hides it anyway
};

WindowSettings& Settings() {
  static WindowSettings settings;
  return settings;
}

int ClampedDisplay() {
  int count = SDL_GetNumVideoDisplays();
  int wanted = GetOptions().display;
  return (count <= 0 || wanted < 0 || wanted >= count) ? 0 : wanted;
}

// The window scale: as asked, or the largest integer that fits the usable desktop.
int WindowScale() {
  int scale = GetOptions().scale;
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
  Uint32 vsync = GetOptions().vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
  SDL_Renderer* r = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | vsync);
  if (r == nullptr) r = SDL_CreateRenderer(window, -1, vsync);
  if (r == nullptr) r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  return r;
}

void UpdateCursor() {
  if (!DisplayAvailable()) return;
  bool visible = Settings().cursorShown && !machine::FullScreen();
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool EnsureWindow() {
  Presentation& s = State();
  if (s.window != nullptr) return true;
  if (s.windowFailed) return false;
  if (!s.fullscreenDecided) {
    s.fullscreen = !GetOptions().window;
    s.fullscreenDecided = true;
  }
  const std::string& title = Settings().title;
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
    SDL_SetTextureScaleMode(s.texture, GetOptions().linearFilter ? SDL_ScaleModeLinear
                                                                 : SDL_ScaleModeNearest);
  return s.texture != nullptr;
}

// Takes the window out of the way of a message box: a full-screen window is
// hidden (a windowed one stays).
void YieldPresentation() {
  Presentation& s = State();
  if (s.window == nullptr || !s.fullscreen || s.hidden) return;
  SDL_HideWindow(s.window);
  s.hidden = true;
  UpdateCursor();
}

}  // namespace

void SetWindowTitle(const std::string& title) { Settings().title = title; }

void SetCursorShown(bool shown) {
  Settings().cursorShown = shown;
  UpdateCursor();
}

bool ShowMessageBox(const char* caption, const char* text) {
  if (IsOffscreen() || !machine::RealDisplay()) return false;
  YieldPresentation();
  SDL_Window* owner = machine::WindowShown() ? State().window : nullptr;
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, owner) == 0;
}

void ToggleFullScreen() {
  Presentation& s = State();
  if (!s.fullscreenDecided) {
    s.fullscreen = !GetOptions().window;
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

void SaveScreenshot() {
  Presentation& s = State();
  if (s.shown.empty() || s.renderer == nullptr) return;
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(s.renderer, &w, &h);
  const FramePlace place = PlaceFrame(w, h);
  const std::vector<std::uint8_t> rgb =
      ToRgb(s.shown.data(), s.shownBytesPerPixel, kWidth, kHeight);
  WriteScreenshots(".", rgb, place.w, place.h, GetOptions().linearFilter,
                   ShowSeconds(s.shownTick));
}

namespace machine {

void ShowFrame(const Frame& frame, std::uint32_t tick) {
  int bits = frame.bytesPerPixel * 8;
  if ((bits != 32 && bits != 24) || frame.width != kWidth || frame.height != kHeight) return;
  if (!EnsureWindow() || !EnsureTexture(bits)) return;
  Presentation& s = State();
  if (s.hidden) {
    SDL_ShowWindow(s.window);
    s.hidden = false;
  }
  SDL_UpdateTexture(s.texture, nullptr, frame.pixels, frame.pitch);
  const std::size_t frameBytes = static_cast<std::size_t>(frame.pitch) * kHeight;
  s.shown.assign(frame.pixels, frame.pixels + frameBytes);
  s.shownBytesPerPixel = frame.bytesPerPixel;
  s.shownTick = tick;
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(s.renderer, &w, &h);
  const FramePlace place = PlaceFrame(w, h);
  const SDL_Rect dest{place.x, place.y, place.w, place.h};
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, &dest);
  SDL_RenderPresent(s.renderer);
}

void DropFrame(const Frame&, unsigned) {}

bool FullScreen() {
  const Presentation& s = State();
  return s.window != nullptr && s.fullscreen && !s.hidden;
}

bool WindowShown() {
  const Presentation& s = State();
  return s.window != nullptr && !s.hidden;
}

void CloseWindow() {
  Presentation& s = State();
  if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
  if (s.renderer != nullptr) SDL_DestroyRenderer(s.renderer);
  if (s.window != nullptr) SDL_DestroyWindow(s.window);
  s = Presentation{};
  Settings() = WindowSettings{};
}

}  // namespace machine
}  // namespace host
