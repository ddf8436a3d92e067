// present.cpp: shows each flipped frame: in an SDL window, as a PNG file of a
// capture, or nowhere (offscreen).
//
// The window is made at the first presented frame: borderless full screen on
// the desktop by default, or a window of 320x240 times an integer scale. The
// frame keeps 4:3 with black bars, at an integer scale where one fits, with
// nearest filtering unless linear is asked for. Capture frames are written with
// libpng at a fast compression level; the first write failure is reported once
// and ends the capture of frames.
#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
};

Presentation& State() {
  static Presentation state;
  return state;
}

// ---- Capture ----

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// One row of surface memory (blue first, 3 or 4 bytes a pixel) as RGB bytes.
void RowToRgb(const std::uint8_t* src, int bytesPerPixel, int width, std::uint8_t* dst) {
  for (int x = 0; x < width; ++x, src += bytesPerPixel, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

// Writes an RGB image; false on any failure. Everything the error path needs
// is made before setjmp, and nothing is changed after it but libpng's state.
bool WritePng(const std::string& path, const std::vector<png_bytep>& rows, int width,
              int height) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

void CaptureFailure(const std::string& what) {
  State().captureFailed = true;
  std::fprintf(stderr, "vuxa: cannot write the frame capture %s: %s\n", what.c_str(),
               std::strerror(errno));
}

void CaptureFrame(const Surface& frame, const std::string& dir) {
  Presentation& s = State();
  if (s.captureFailed) return;
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
  const int width = frame.Width();
  const int height = frame.Height();
  const int bytes = frame.BytesPerPixel();
  if (bytes < 3) return;  // only the 32- and 24-bit screens are shown
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[y] = rgb.data() + static_cast<std::size_t>(y) * width * 3;
    RowToRgb(frame.Pixels() + static_cast<std::size_t>(y) * frame.Pitch(), bytes, width, rows[y]);
  }
  unsigned index = host::FlipCount() > 0 ? host::FlipCount() - 1 : 0;
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05u.png", index);
  std::string path = (std::filesystem::path(dir) / name).string();
  errno = 0;
  if (!WritePng(path, rows, width, height)) {
    if (errno == 0) errno = EIO;
    CaptureFailure(path);
    std::error_code ec;
    std::filesystem::remove(path, ec);  // no half-written frame stays behind
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

// Where the 320x240 frame goes in an output of w x h pixels: centred, at the
// largest integer scale that fits, else as large as fits at 4:3.
SDL_Rect FrameRect(int w, int h) {
  int scale = std::min(w / kWidth, h / kHeight);
  int fw = kWidth * scale;
  int fh = kHeight * scale;
  if (scale < 1) {
    fw = std::min(w, h * 4 / 3);
    fh = fw * 3 / 4;
  }
  return SDL_Rect{(w - fw) / 2, (h - fh) / 2, fw, fh};
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
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(s.renderer, &w, &h);
  SDL_Rect dest = FrameRect(w, h);
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, &dest);
  SDL_RenderPresent(s.renderer);
}

}  // namespace

void PresentFrame(const Surface& primary) {
  const host::Options& options = host::GetOptions();
  if (!options.captureDir.empty()) {
    CaptureFrame(primary, options.captureDir);
    return;
  }
  if (host::IsOffscreen() || !DisplayAvailable()) return;
  ShowFrame(primary);
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
