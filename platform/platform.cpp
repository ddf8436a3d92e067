// platform.cpp: what reaches into every room of the stand-in: the reset for
// tests and the versions of the libraries underneath.
#include "platform/d3d/objects.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "platform/midas/library.h"
#include "platform/platform.h"
#include "platform/win32/text.h"
#include "platform/win32/user.h"

namespace platform {

void ResetPlatform() {
  host::Reset();
  ResetWindows();
  ResetProfile();
  ResetSound();
  ResetDirect3D();
}

std::string LibraryVersions() {
  return host::MachineVersion() + "\nlibopenmpt " + OpenmptVersion() + "\nFreeType " +
         FreetypeVersion() + "\n";
}

}  // namespace platform
