// system.cpp: SDL itself: the display, the real clock, and the end of a run.
//
// SDL's video starts when the show asks for DirectDraw (not for offscreen
// runs), with SDL's signal handlers off so that Ctrl+C ends the program as
// usual. SDL's headless video drivers count as a display only when asked for
// by name (SDL_VIDEODRIVER), so a machine without one says so at once.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/sdl/sdl.h"

namespace host {

bool OpenDisplay() {
  if (IsOffscreen() || SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the program as usual
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "vuxa: cannot open the display: %s\n", SDL_GetError());
    return false;
  }
  if (!machine::RealDisplay()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    std::fprintf(stderr, "vuxa: cannot open the display: no display is available\n");
    return false;
  }
  return true;
}

bool DisplayAvailable() { return !IsOffscreen() && SDL_WasInit(SDL_INIT_VIDEO) != 0; }

// How many displays SDL sees, or -1 when the video system cannot start (the
// show's own display set-up then says why). Leaves SDL video as it found it.
int DisplayCount() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return SDL_GetNumVideoDisplays();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
  int count = SDL_GetNumVideoDisplays();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return count;
}

std::string MachineVersion() {
  SDL_version v{};
  SDL_GetVersion(&v);
  return "SDL " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
         std::to_string(v.patch);
}

namespace machine {

std::uint32_t Ticks() { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

bool RealDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return set("DISPLAY") || set("WAYLAND_DISPLAY");
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  bool headless = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return !headless || (asked != nullptr && std::strstr(asked, driver) != nullptr);
}

void Close(bool all) {
  CloseWindow();
  if (all && SDL_WasInit(0) != 0) SDL_Quit();
}

}  // namespace machine
}  // namespace host
