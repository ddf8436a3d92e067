// web.h: the web host's own pieces, shared by its files in host/web/.
#pragma once

namespace host::web {

// window.cpp: tells the page that the program has finished (the page then
// publishes the test hook's digests).
void TellPageEnded();

}  // namespace host::web
