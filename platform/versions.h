// The versions of the libraries the stand-in runs on, as loaded at run time
// (not as compiled against): "major.minor.patch".
#pragma once

#include <string>

namespace platform {

std::string SdlVersion();
std::string OpenmptVersion();
std::string FreetypeVersion();

}  // namespace platform
