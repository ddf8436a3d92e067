#include <libopenmpt/libopenmpt.h>

#include "platform/versions.h"

namespace platform {

// The library packs its version as major << 24 | minor << 16 | patch.
std::string OpenmptVersion() {
  const std::uint32_t v = openmpt_get_library_version();
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." +
         std::to_string(v & 0xFFFF);
}

}  // namespace platform
