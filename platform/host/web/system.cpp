// system.cpp: the browser as the machine: its clock, the page as the display,
// and the end of a run.
//
// The page (index.html) starts the program after the viewer's click and keeps
// the canvas; the program reaches it through the Module.vuxa* functions the
// page defines. There is one display, always open for runs that show frames.
#include <emscripten.h>
#include <emscripten/version.h>

#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "platform/host/machine.h"
#include "platform/host/web/web.h"

namespace host {
namespace {

bool& Opened() {
  static bool opened = false;
  return opened;
}

}  // namespace

bool OpenDisplay() {
  if (!IsOffscreen()) Opened() = true;
  return true;
}

bool DisplayAvailable() { return !IsOffscreen() && Opened(); }

int DisplayCount() { return 1; }

std::string MachineVersion() {
  return "Emscripten " + std::to_string(__EMSCRIPTEN_major__) + "." +
         std::to_string(__EMSCRIPTEN_minor__) + "." + std::to_string(__EMSCRIPTEN_tiny__);
}

namespace machine {

std::uint32_t Ticks() {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

bool RealDisplay() { return true; }

void Close(bool all) {
  Opened() = false;
  if (all) {
    CloseAudio();
    web::TellPageEnded();
  }
}

}  // namespace machine
}  // namespace host
