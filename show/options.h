// options.h: the command line of vuxa, parsed into the platform's options.
//
// ParseOptions reads the arguments only; it touches no file and no platform
// state, so it can be called from tests. The caller acts on the result.
#pragma once

#include <string>

#include "platform/host/host.h"

struct ParsedOptions {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  host::Options options;
  std::string error;  // for Error: what is wrong, without the program name
  bool benchmark = false;  // offscreen, nothing written; CPU time and peak memory reported at the end
};

ParsedOptions ParseOptions(int argc, const char* const* argv);

// The usage text (several lines, ending in a newline) and "vuxa <version>".
const char* UsageText();
const char* VersionText();
// VersionText, then one line each for the SDL, libopenmpt and FreeType the
// program runs with: "SDL 2.26.5".
std::string VersionReport();
