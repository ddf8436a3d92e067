// Runs the command-line parser on a list of arguments after the program name.
#pragma once

#include <initializer_list>
#include <vector>

#include "show/options.h"

inline ParsedOptions Parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"vuxa"};
  argv.insert(argv.end(), args);
  return ParseOptions(static_cast<int>(argv.size()), argv.data());
}
