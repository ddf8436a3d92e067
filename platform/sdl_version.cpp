#include <SDL.h>

#include "platform/versions.h"

namespace platform {

std::string SdlVersion() {
  SDL_version v{};
  SDL_GetVersion(&v);
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
}

}  // namespace platform
