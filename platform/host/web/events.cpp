// events.cpp: the page's keyboard as the host's events.
//
// The page sends each key press and release with the virtual-key number
// Windows gives that key (a browser's keyCode is that number for the keys the
// show knows); the platform's keys (F and F12: full screen and screenshot) stay
// in the page. Events wait in a queue until the show polls. A close requested
// by the host itself comes first.
#include <emscripten.h>

#include <deque>

#include "platform/host/host.h"
#include "platform/host/present.h"

namespace host {
namespace {

std::deque<Event>& Queue() {
  static std::deque<Event> queue;
  return queue;
}

}  // namespace

bool PollEvent(Event& event) {
  if (TakeCloseRequest()) {
    event = Event{};
    return true;
  }
  if (!DisplayAvailable() || Queue().empty()) return false;
  event = Queue().front();
  Queue().pop_front();
  return true;
}

}  // namespace host

// Called by the page for each key event of the show's keys (0: released, 1:
// pressed, 2: closed as a window would be).
extern "C" EMSCRIPTEN_KEEPALIVE void vuxa_key(int kind, unsigned key, unsigned scanCode,
                                              int repeat, int alt) {
  if (key == 0 && kind != 2) return;
  host::Event event;
  event.kind = kind == 2   ? host::Event::Kind::Close
               : kind == 1 ? host::Event::Kind::KeyDown
                           : host::Event::Kind::KeyUp;
  event.key = key;
  event.scanCode = scanCode & 0xFF;
  event.repeat = repeat != 0;
  event.alt = alt != 0;
  host::Queue().push_back(event);
}
