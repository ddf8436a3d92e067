#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/versions.h"

namespace platform {

// FreeType tells its version only through a library instance.
std::string FreetypeVersion() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return "unknown";
  FT_Int major = 0, minor = 0, patch = 0;
  FT_Library_Version(library, &major, &minor, &patch);
  FT_Done_FreeType(library);
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace platform
