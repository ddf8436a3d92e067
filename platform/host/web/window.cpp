// window.cpp: the show's picture in the page: frames on the canvas, message
// boxes as text over it, and the frames of the test hook.
//
// Each shown frame goes to the page's 320x240 canvas (the page scales it, 4:3,
// sharp pixels); the program then waits for the browser's next animation
// frame, as a desktop waits for vsync. While it waits the browser runs: the
// program's stack is saved and restored around the wait (ASYNCIFY), so the
// show's loop keeps its shape.
//
// Offscreen runs in the page are the test hook (?fps=N&frames=K): each frame's
// 320x240 RGB bytes go to the page, which keeps their SHA-256; after K frames
// the show is asked to end. Such runs do not wait for animation frames, but
// let the browser run every 50 ms so the page stays alive, and put a frame
// on the canvas every 250 ms.
#include <emscripten.h>
#include <wasm_simd128.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/pictures.h"
#include "platform/host/present.h"
#include "platform/host/web/web.h"

// clang-format off
EM_JS(void, vuxa_js_show, (const std::uint8_t* rgba, int width, int height), {
  Module.vuxaShow(new ImageData(new Uint8ClampedArray(HEAPU8.subarray(rgba, rgba + width * height * 4)),
                                width, height));
});

EM_ASYNC_JS(void, vuxa_js_next_frame, (), {
  await new Promise(resolve => requestAnimationFrame(() => resolve()));
});

EM_ASYNC_JS(void, vuxa_js_yield, (), {
  await new Promise(resolve => setTimeout(resolve, 0));
});

// The page's digest call copies the bytes before it returns (WebCrypto takes a
// copy of its input), so a view of the program's memory is enough.
EM_JS(int, vuxa_js_digest, (unsigned index, const std::uint8_t* rgb, int length), {
  return Module.vuxaFrame(index, HEAPU8.subarray(rgb, rgb + length)) ? 1 : 0;
});

EM_JS(void, vuxa_js_message, (const char* caption, const char* text), {
  Module.vuxaMessage(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, vuxa_js_title, (const char* title), { Module.vuxaTitle(UTF8ToString(title)); });

EM_JS(void, vuxa_js_cursor, (int shown), { Module.vuxaCursor(shown != 0); });

EM_JS(int, vuxa_js_fullscreen, (), { return document.fullscreenElement ? 1 : 0; });

EM_JS(void, vuxa_js_ended, (), { Module.vuxaEnded(); });
// clang-format on

namespace host {
namespace {

constexpr double kYieldMs = 50;
// How often a hook run puts its frame on the canvas (each costs a conversion
// and a canvas upload, which add up over thousands of frames).
constexpr double kHookShowMs = 250;

struct PageState {
  std::vector<std::uint8_t> rgba;
  std::vector<std::uint8_t> rgb;
  double lastYield = 0;
  double lastShow = 0;
  bool digestsDone = false;
};

PageState& State() {
  static PageState state;
  return state;
}

// A 32- or 24-bit frame (blue first) as RGBA bytes for the canvas.
bool ToRgba(const Frame& frame, std::vector<std::uint8_t>& rgba) {
  if ((frame.bytesPerPixel != 4 && frame.bytesPerPixel != 3) || frame.width != kFrameWidth ||
      frame.height != kFrameHeight)
    return false;
  rgba.resize(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4);
  std::uint8_t* dst = rgba.data();
  for (int y = 0; y < kFrameHeight; ++y) {
    const std::uint8_t* src = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitch;
    for (int x = 0; x < kFrameWidth; ++x, src += frame.bytesPerPixel) {
      *dst++ = src[2];
      *dst++ = src[1];
      *dst++ = src[0];
      *dst++ = 255;
    }
  }
  return true;
}

// A frame as packed RGB rows from the top, as a capture's PNG decodes, into a
// buffer kept from frame to frame (the test hook converts every frame).
void ToRgbRows(const Frame& frame, std::vector<std::uint8_t>& rgb) {
  if (frame.bytesPerPixel != 4 || frame.pitch != frame.width * 4) {
    rgb = ToRgb(frame.pixels, frame.bytesPerPixel, frame.width, frame.height);
    return;
  }
  const std::size_t count = static_cast<std::size_t>(frame.width) * frame.height;
  rgb.resize(count * 3);
  const std::uint8_t* src = frame.pixels;
  std::uint8_t* dst = rgb.data();
  // Sixteen pixels a step: four vectors of blue, green, red, unused become
  // three of red, green, blue (each output vector draws on two inputs).
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16, src += 64, dst += 48) {
    const v128_t p0 = wasm_v128_load(src);
    const v128_t p1 = wasm_v128_load(src + 16);
    const v128_t p2 = wasm_v128_load(src + 32);
    const v128_t p3 = wasm_v128_load(src + 48);
    wasm_v128_store(dst, wasm_i8x16_shuffle(p0, p1, 2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12,
                                            18, 17, 16, 22));
    wasm_v128_store(dst + 16, wasm_i8x16_shuffle(p1, p2, 5, 4, 10, 9, 8, 14, 13, 12, 18, 17,
                                                 16, 22, 21, 20, 26, 25));
    wasm_v128_store(dst + 32, wasm_i8x16_shuffle(p2, p3, 8, 14, 13, 12, 18, 17, 16, 22, 21,
                                                 20, 26, 25, 24, 30, 29, 28));
  }
  for (; i < count; ++i, src += 4, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void Show(const Frame& frame) {
  PageState& s = State();
  if (ToRgba(frame, s.rgba)) vuxa_js_show(s.rgba.data(), kFrameWidth, kFrameHeight);
}

}  // namespace

void SetWindowTitle(const std::string& title) { vuxa_js_title(title.c_str()); }

void SetCursorShown(bool shown) { vuxa_js_cursor(shown ? 1 : 0); }

bool ShowMessageBox(const char* caption, const char* text) {
  if (IsOffscreen()) return false;
  vuxa_js_message(caption ? caption : "", text ? text : "");
  return true;
}

namespace machine {

void ShowFrame(const Frame& frame, std::uint32_t /*tick*/) {
  Show(frame);
  vuxa_js_next_frame();
}

void DropFrame(const Frame& frame, unsigned index) {
  PageState& s = State();
  if (!s.digestsDone) {
    ToRgbRows(frame, s.rgb);
    if (vuxa_js_digest(index, s.rgb.data(), static_cast<int>(s.rgb.size())) != 0) {
      s.digestsDone = true;
      RequestClose();
    }
  }
  const double now = emscripten_get_now();
  if (now - s.lastYield >= kYieldMs) {
    if (now - s.lastShow >= kHookShowMs) {
      Show(frame);
      s.lastShow = now;
    }
    vuxa_js_yield();
    s.lastYield = emscripten_get_now();
  }
}

bool FullScreen() { return vuxa_js_fullscreen() != 0; }

bool WindowShown() { return DisplayAvailable(); }

}  // namespace machine

namespace web {

void TellPageEnded() { vuxa_js_ended(); }

}  // namespace web
}  // namespace host

// The name of a screenshot of the frame on screen, as F12 names it on a desktop.
extern "C" EMSCRIPTEN_KEEPALIVE const char* vuxa_screenshot_name() {
  static std::string name;
  name = host::ScreenshotName(host::ShowSeconds(host::LastTick()));
  return name.c_str();
}
