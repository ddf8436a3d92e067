// reset.cpp: ResetPlatform, which reaches into every room of the stand-in.
#include "platform/d3d/objects.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "platform/midas/library.h"
#include "platform/platform.h"
#include "platform/win32/user.h"

namespace platform {

void ResetPlatform() {
  host::Reset();
  ResetWindows();
  ResetProfile();
  ResetSound();
  ResetDirect3D();
}

}  // namespace platform
