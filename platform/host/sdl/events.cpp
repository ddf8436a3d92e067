// events.cpp: the keyboard and close requests of an SDL display, as the
// host's events.
//
// SDL key codes become the virtual-key numbers Windows gives the same keys;
// keys with no such number are dropped. Alt+Enter and F12 belong to the
// platform (full screen, screenshots) and never reach the show. A close
// requested by the host itself (a failed video) comes first. Nothing is
// polled without a display.
#include <SDL.h>

#include "platform/host/host.h"
#include "platform/host/present.h"
#include "platform/host/sdl/sdl.h"

namespace host {
namespace {

constexpr unsigned kEscape = 0x1B;
constexpr unsigned kReturn = 0x0D;
constexpr unsigned kMenu = 0x12;
constexpr unsigned kF12 = 0x7B;

// The virtual-key code of an SDL key, or 0 for keys the show has no name for.
unsigned VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<unsigned>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<unsigned>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<unsigned>(0x70 + (key - SDLK_F1));
  switch (key) {
    case SDLK_ESCAPE: return kEscape;
    case SDLK_RETURN: case SDLK_KP_ENTER: return kReturn;
    case SDLK_SPACE: return 0x20;
    case SDLK_TAB: return 0x09;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return kMenu;
    default: return 0;
  }
}

// A key for the show, or false for keys it never sees.
bool KeyEvent(const SDL_KeyboardEvent& key, Event& event) {
  const unsigned vk = VirtualKey(key.keysym.sym);
  if (vk == 0) return false;
  const bool down = key.type == SDL_KEYDOWN;
  const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  if (down && alt && vk == kReturn) {
    if (!key.repeat) ToggleFullScreen();
    return false;
  }
  if (vk == kF12) {
    if (down && !key.repeat) SaveScreenshot();
    return false;
  }
  event.kind = down ? Event::Kind::KeyDown : Event::Kind::KeyUp;
  event.key = vk;
  event.scanCode = static_cast<unsigned>(key.keysym.scancode & 0xFF);
  event.alt = alt;
  event.repeat = key.repeat != 0;
  return true;
}

}  // namespace

bool PollEvent(Event& event) {
  if (TakeCloseRequest()) {
    event = Event{};
    return true;
  }
  if (!DisplayAvailable()) return false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (KeyEvent(e.key, event)) return true;
        break;
      case SDL_QUIT:
        event = Event{};
        return true;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          event = Event{};
          return true;
        }
        break;
      default: break;
    }
  }
  return false;
}

}  // namespace host
