// Tests of InitDisplay and ReleaseDisplay through the stand-in's driver
// profile: every fallback, the flag steps, each step's failure returned
// unchanged with the objects made so far kept, and the release of full,
// partial and empty records.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "display/display.h"
#include "platform/platform.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

constexpr HRESULT Marker = static_cast<HRESULT>(0x88760999u);  // a code no call makes itself

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override { Restart(); }

  // A fresh platform and an empty record, offscreen.
  void Restart() {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    d_ = DisplayState{};
  }
  void TearDown() override {
    if (!released_) ReleaseDisplay(&d_);
    platform::ResetPlatform();
  }

  HRESULT Init(DWORD flags = DISPLAY_SURFACES | DISPLAY_3D) {
    EXPECT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d_, DISPLAY_WINDOW), 0);
    return InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d_, flags);
  }

  // Releases the record and says whether that let go of every object: the
  // DirectDraw object outlives all surfaces, so an extra reference taken on it
  // beforehand must be the last one.
  bool ReleaseFreesEverything() {
    released_ = true;
    if (!d_.ddraw) {
      ReleaseDisplay(&d_);
      return true;
    }
    IDirectDraw* ddraw = d_.ddraw;
    ddraw->AddRef();
    ReleaseDisplay(&d_);
    return ddraw->Release() == 0;
  }

  DWORD Caps(IDirectDrawSurface* surface) {
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), 0);
    return desc.ddsCaps.dwCaps;
  }

  DisplayState d_{};
  bool released_ = false;
};

TEST_F(SetupTest, TheDefaultDriverGivesA32BitDisplayWithSoftwareFallbacks) {
  ASSERT_EQ(Init(), 0);
  EXPECT_EQ(d_.bitDepth, 32u);
  EXPECT_NE(d_.primary, nullptr);
  EXPECT_NE(d_.backBuffer, nullptr);
  EXPECT_NE(d_.device, nullptr);
  EXPECT_NE(d_.viewport, nullptr);
  EXPECT_NE(d_.background, nullptr);
  ASSERT_NE(d_.zBuffer, nullptr);
  EXPECT_TRUE(Caps(d_.zBuffer) & DDSCAPS_SYSTEMMEMORY);  // no z-buffer hardware
  EXPECT_EQ(d_.clearRect.x2, 0);
  EXPECT_EQ(d_.quit, 0);
  EXPECT_TRUE(ReleaseFreesEverything());
}

TEST_F(SetupTest, DisplayModesFallBackTo24BitsAndReportThe24BitCode) {
  platform::Profile().mode32 = false;
  ASSERT_EQ(Init(), 0);
  EXPECT_EQ(d_.bitDepth, 24u);
  ReleaseDisplay(&d_);
  Restart();
  host::ForcedFailures()["SetDisplayMode32"] = DDERR_INVALIDMODE;
  host::ForcedFailures()["SetDisplayMode24"] = Marker;
  EXPECT_EQ(Init(), Marker);
  EXPECT_NE(d_.ddraw, nullptr);
  EXPECT_EQ(d_.primary, nullptr);
  EXPECT_EQ(d_.d3d, nullptr);
}

TEST_F(SetupTest, TheZBufferGoesToSystemMemoryOnlyWithoutZBufferHardware) {
  platform::Profile().videoMemoryZBuffer = true;
  ASSERT_EQ(Init(), 0);
  EXPECT_TRUE(Caps(d_.zBuffer) & DDSCAPS_VIDEOMEMORY);
  ReleaseDisplay(&d_);
  Restart();
  host::ForcedFailures()["CreateZBuffer"] = DDERR_OUTOFVIDEOMEMORY;  // not retried
  EXPECT_EQ(Init(), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(d_.zBuffer, nullptr);
  EXPECT_NE(d_.backBuffer, nullptr);
  EXPECT_EQ(d_.device, nullptr);
}

TEST_F(SetupTest, DevicesAreTriedHardwareThenRgbThenRamp) {
  D3DDEVICEDESC hardware{}, software{};
  hardware.dwSize = software.dwSize = 204;

  platform::Profile().halDevice = true;
  ASSERT_EQ(Init(), 0);
  ASSERT_EQ(d_.device->GetCaps(&hardware, &software), 0);
  EXPECT_NE(hardware.dcmColorModel, 0u);  // the hardware device was taken
  ReleaseDisplay(&d_);
  Restart();
  ASSERT_EQ(Init(), 0);  // the default driver: no hardware device, so a software one
  hardware = D3DDEVICEDESC{};
  hardware.dwSize = 204;
  ASSERT_EQ(d_.device->GetCaps(&hardware, &software), 0);
  EXPECT_EQ(hardware.dcmColorModel, 0u);
  ReleaseDisplay(&d_);

  Restart();
  platform::Profile().rgbDevice = false;  // neither hardware nor RGB: the Ramp device
  ASSERT_EQ(Init(), 0);
  EXPECT_NE(d_.device, nullptr);
  ReleaseDisplay(&d_);
  Restart();
  platform::Profile().rampDevice = false;
  platform::Profile().rgbDevice = false;
  const HRESULT code = Init();
  EXPECT_NE(code, 0);
  EXPECT_EQ(d_.device, nullptr);
  EXPECT_NE(d_.zBuffer, nullptr);
  EXPECT_EQ(d_.viewport, nullptr);
  EXPECT_TRUE(ReleaseFreesEverything());
}

TEST_F(SetupTest, FlagsSelectTheSteps) {
  // The window step alone.
  EXPECT_EQ(Init(DISPLAY_WINDOW), 0);
  EXPECT_NE(d_.window, nullptr);
  EXPECT_EQ(d_.ddraw, nullptr);

  // Without DISPLAY_SURFACES nothing happens, whatever DISPLAY_3D says.
  EXPECT_EQ(InitDisplay(nullptr, SW_SHOWNORMAL, &d_, DISPLAY_3D), 0);
  EXPECT_EQ(d_.ddraw, nullptr);
  EXPECT_EQ(d_.d3d, nullptr);

  // Without DISPLAY_WINDOW the record is not zeroed.
  d_.quit = 1;
  d_.clearRect = {1, 2, 3, 4};
  const HWND window = d_.window;
  ASSERT_EQ(InitDisplay(nullptr, SW_SHOWNORMAL, &d_, DISPLAY_SURFACES), 0);
  EXPECT_EQ(d_.quit, 1);
  EXPECT_EQ(d_.clearRect.y1, 2);
  EXPECT_EQ(d_.window, window);
  EXPECT_NE(d_.backBuffer, nullptr);
  EXPECT_EQ(d_.d3d, nullptr);  // surfaces only: no 3D objects
  EXPECT_EQ(d_.zBuffer, nullptr);
  EXPECT_FALSE(Caps(d_.primary) & DDSCAPS_3DDEVICE);
}

// Which objects exist after a failure of the named call.
struct StepFailure {
  const char* call;
  std::string kept;  // of "d3pbzDvm": ddraw, d3d, primary, back buffer, z-buffer, device,
                     // viewport, material
};

void PrintTo(const StepFailure& step, std::ostream* out) { *out << step.call; }

class SetupStepTest : public SetupTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(SetupStepTest, AFailingStepReturnsItsCodeAndKeepsWhatWasMade) {
  host::ForcedFailures()[GetParam().call] = Marker;
  EXPECT_EQ(Init(), Marker);
  const std::string& kept = GetParam().kept;
  auto has = [&](char c) { return kept.find(c) != std::string::npos; };
  EXPECT_EQ(d_.ddraw != nullptr, has('d'));
  EXPECT_EQ(d_.d3d != nullptr, has('3'));
  EXPECT_EQ(d_.primary != nullptr, has('p'));
  EXPECT_EQ(d_.backBuffer != nullptr, has('b'));
  EXPECT_EQ(d_.zBuffer != nullptr, has('z'));
  EXPECT_EQ(d_.device != nullptr, has('D'));
  EXPECT_EQ(d_.viewport != nullptr, has('v'));
  EXPECT_EQ(d_.background != nullptr, has('m'));
  EXPECT_TRUE(ReleaseFreesEverything());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, SetupStepTest,
    ::testing::Values(
        StepFailure{"DirectDrawCreate", ""}, StepFailure{"SetCooperativeLevel", "d"},
        StepFailure{"SetDisplayMode", "d"}, StepFailure{"QueryInterface", "d"},
        StepFailure{"CreateSurface", "d3"}, StepFailure{"GetAttachedSurface", "d3p"},
        StepFailure{"CreateZBuffer", "d3pb"}, StepFailure{"AddAttachedSurface", "d3pbz"},
        StepFailure{"CreateDevice", "d3pbz"}, StepFailure{"CreateViewport", "d3pbzD"},
        StepFailure{"AddViewport", "d3pbzDv"}, StepFailure{"SetViewport2", "d3pbzDv"},
        StepFailure{"SetCurrentViewport", "d3pbzDv"}, StepFailure{"CreateMaterial", "d3pbzDv"},
        StepFailure{"SetMaterial", "d3pbzDvm"}, StepFailure{"GetHandle", "d3pbzDvm"},
        StepFailure{"SetBackground", "d3pbzDvm"}, StepFailure{"SetRenderState", "d3pbzDvm"}),
    [](const ::testing::TestParamInfo<StepFailure>& info) { return std::string(info.param.call); });

TEST_F(SetupTest, ReleasingAnEmptyRecordDoesNothing) {
  DisplayState empty{};
  ReleaseDisplay(&empty);
  EXPECT_EQ(empty.ddraw, nullptr);
  EXPECT_EQ(Init(DISPLAY_WINDOW), 0);
  EXPECT_TRUE(ReleaseFreesEverything());
  EXPECT_NE(d_.window, nullptr);  // the window stays
}

}  // namespace
