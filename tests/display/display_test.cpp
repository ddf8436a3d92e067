// The display room where the show's own run does not go: InitDisplay's flag
// steps and failing steps with what they keep, the 24-bit upload, and
// LoadTexture's alpha formats, palettes, hardware path and failures. The
// show's own path is the capture test's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/texture.h"
#include "platform/ddraw/driver.h"
#include "platform/win32/user.h"
#include "support/bmp_file.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "support/surface_util.h"

namespace {

constexpr HRESULT Marker = static_cast<HRESULT>(0x88760999u);  // a code no call makes itself

class Display : public OffscreenPlatform {
 protected:
  void SetUp() override { ResetOffscreen(dir_.path()); }
  void TearDown() override {
    ReleaseTexture(&t_);
    Release();
    OffscreenPlatform::TearDown();
  }
  // ReleaseDisplay leaves the pointers: forget them, keep the window.
  void Release() {
    ReleaseDisplay(&d_);
    const HWND window = d_.window;
    d_ = DisplayState{};
    d_.window = window;
  }
  HRESULT Init(DWORD flags = DISPLAY_SURFACES | DISPLAY_3D) {
    Release();
    EXPECT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d_, DISPLAY_WINDOW), 0);
    return InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d_, flags);
  }
  // Whether releasing let go of every object: the DirectDraw object outlives
  // the surfaces, so a reference taken on it is the last.
  bool ReleaseFreesEverything() {
    IDirectDraw* ddraw = d_.ddraw;
    if (ddraw) ddraw->AddRef();
    Release();
    return !ddraw || ddraw->Release() == 0;
  }
  static DWORD Caps(IDirectDrawSurface* surface) {
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), 0);
    return desc.ddsCaps.dwCaps;
  }
  int Load(const std::string& name) {
    if (!d_.device) {
      EXPECT_EQ(Init(), 0);
    }
    testing::internal::CaptureStderr();
    const int loaded = LoadTexture(&t_, d_.device, name.c_str());
    err_ = testing::internal::GetCapturedStderr();
    return loaded;
  }
  scratch::ScratchDir dir_{"display"};
  DisplayState d_{};
  TextureSurface t_{};
  std::string err_;
};

TEST_F(Display, AFailedModeOrZBufferIsReportedWithItsCode) {
  host::ForcedFailures()["SetDisplayMode32"] = DDERR_INVALIDMODE;  // the 24-bit mode's code is told
  host::ForcedFailures()["SetDisplayMode24"] = Marker;
  EXPECT_EQ(Init(), Marker);
  host::ForcedFailures()["SetDisplayMode24"] = 0;
  host::ForcedFailures()["CreateZBuffer"] = DDERR_OUTOFVIDEOMEMORY;  // not retried
  EXPECT_EQ(Init(), DDERR_OUTOFVIDEOMEMORY);
}

TEST_F(Display, FlagsSelectTheStepsAndAWindowWithoutItsRecordIsLeftAlone) {
  d_.quit = 7;
  ASSERT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d_, DISPLAY_WINDOW), 0);
  EXPECT_TRUE(d_.quit == 0 && d_.window && !d_.ddraw);  // the window step zeroes the record
  EXPECT_EQ(d_.instance, GetModuleHandleA(nullptr));
  EXPECT_EQ(GetWindowLongA(d_.window, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&d_));
  EXPECT_EQ(InitDisplay(nullptr, SW_SHOWNORMAL, &d_, DISPLAY_3D), 0);  // needs DISPLAY_SURFACES
  EXPECT_TRUE(!d_.ddraw && !d_.d3d);
  d_.quit = 1;  // not zeroed without DISPLAY_WINDOW; surfaces only: no 3D
  ASSERT_EQ(InitDisplay(nullptr, SW_SHOWNORMAL, &d_, DISPLAY_SURFACES), 0);
  EXPECT_TRUE(d_.quit == 1 && d_.backBuffer && !d_.d3d && !d_.zBuffer);
  EXPECT_FALSE(Caps(d_.primary) & DDSCAPS_3DDEVICE);
  EXPECT_TRUE(ReleaseFreesEverything());

  // Escape and the close request through the pump are WinMain's tests (ShowRun).
  ASSERT_EQ(Init(DISPLAY_WINDOW), 0);  // a window without its record is left alone
  SetWindowLongA(d_.window, GWL_USERDATA, 0);
  EXPECT_EQ(ShowWindowProc(d_.window, WM_KEYDOWN, VK_ESCAPE, 0), 0);
  EXPECT_EQ(d_.quit, 0);
}

// Which objects exist after the named call failed, of "d3pbzDvm": ddraw,
// d3d, primary, back buffer, z-buffer, device, viewport, material.
class FailingStep : public Display, public ::testing::WithParamInterface<std::pair<const char*, std::string>> {};

TEST_P(FailingStep, ReturnsItsCodeAndKeepsWhatWasMade) {
  host::ForcedFailures()[GetParam().first] = Marker;
  EXPECT_EQ(Init(), Marker);
  std::string kept;
  for (auto [c, made] : {std::pair{'d', d_.ddraw != nullptr}, {'3', d_.d3d != nullptr}, {'p', d_.primary != nullptr},
                         {'b', d_.backBuffer != nullptr}, {'z', d_.zBuffer != nullptr}, {'D', d_.device != nullptr},
                         {'v', d_.viewport != nullptr}, {'m', d_.background != nullptr}})
    if (made) kept += c;
  EXPECT_EQ(kept, GetParam().second);
  EXPECT_TRUE(ReleaseFreesEverything());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailingStep,
    ::testing::Values(std::pair{"DirectDrawCreate", ""}, std::pair{"SetCooperativeLevel", "d"},
                      std::pair{"SetDisplayMode", "d"}, std::pair{"QueryInterface", "d"},
                      std::pair{"CreateSurface", "d3"}, std::pair{"GetAttachedSurface", "d3p"},
                      std::pair{"CreateZBuffer", "d3pb"}, std::pair{"AddAttachedSurface", "d3pbz"},
                      std::pair{"CreateDevice", "d3pbz"}, std::pair{"CreateViewport", "d3pbzD"},
                      std::pair{"AddViewport", "d3pbzDv"}, std::pair{"SetViewport2", "d3pbzDv"},
                      std::pair{"SetCurrentViewport", "d3pbzDv"}, std::pair{"CreateMaterial", "d3pbzDv"},
                      std::pair{"SetMaterial", "d3pbzDvm"}, std::pair{"GetHandle", "d3pbzDvm"},
                      std::pair{"SetBackground", "d3pbzDvm"}, std::pair{"SetRenderState", "d3pbzDvm"}),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(Display, UploadFillsRows20To219At24Bits) {
  platform::Profile().mode32 = false;
  ASSERT_EQ(Init(DISPLAY_SURFACES), 0);
  std::vector<DWORD> picture(320 * 200);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = 0xA5000000u | DWORD(i * 2654435761u & 0xFFFFFF);
  surfacetest::Fill(d_.backBuffer, 0x5A5A5A);
  UploadFrame(&d_, picture.data());
  std::vector<std::uint8_t> expected(320 * 240 * 3, 0x5A);
  for (std::size_t i = 0; i < picture.size(); ++i) std::memcpy(&expected[320 * 20 * 3 + 3 * i], &picture[i], 3);
  EXPECT_TRUE(surfacetest::Bytes(d_.backBuffer) == expected);  // blue, green, red
  surfacetest::Fill(d_.backBuffer, 0x5A5A5A);  // other depths and a failed lock: nothing, no lock left open
  for (DWORD depth : {0u, 16u}) {
    d_.bitDepth = depth;
    UploadFrame(&d_, picture.data());
  }
  d_.bitDepth = 24;
  host::ForcedFailures()["Lock"] = DDERR_SURFACEBUSY;
  UploadFrame(&d_, picture.data());
  host::ForcedFailures().clear();
  EXPECT_EQ(surfacetest::Bytes(d_.backBuffer), std::vector<std::uint8_t>(expected.size(), 0x5A));
}

// A bottom-up BMP: 24 bits of `colour`, or 8 bits with `entries` table
// entries (entry i: red i, green 2i, blue 255 - i).
std::vector<std::uint8_t> Bmp(int width, int height, int bits, std::uint32_t colour, int entries = 0) {
  bmpfile::BmpLayout layout{
      .width = width, .height = height, .bits = bits, .colorsUsed = static_cast<std::uint32_t>(entries)};
  for (int i = 0; i < entries; ++i) layout.colors.push_back({BYTE(255 - i), BYTE(2 * i), BYTE(i), 0});
  layout.pixel = [=](int x, int) { return bits == 8 ? std::uint32_t(x % entries) : colour; };
  return bmpfile::MakeBmp(layout);
}

// With the show's own format list the depth and palette rules are in its captured frames,
// and no user meets another list: here formats with alpha are passed over, none is a warning.
TEST_F(Display, TextureFormatsWithAlphaArePassedOverAndNoneLeavesTheRecordEmpty) {
  using platform::MakePixelFormat;
  const DDPIXELFORMAT rgb555 = MakePixelFormat(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F),
                      argb = MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),
                      argb1555 = MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x1F, 0x8000),
                      none{};
  const struct {
    std::vector<DDPIXELFORMAT> offered;
    DDPIXELFORMAT chosen;
  } cases[] = {{{argb, argb1555, rgb555}, rgb555}, {{argb, argb1555}, none}};
  scratch::WriteBytes(dir_.path() / "Textures/p24.bmp", Bmp(8, 4, 24, 0x336699));
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ReleaseTexture(&t_);
    Release();
    ResetOffscreen(dir_.path());
    platform::Profile().textureFormats = c.offered;
    EXPECT_EQ(Load("p24.bmp"), c.chosen.dwRGBBitCount ? 1 : 0);
    DDPIXELFORMAT got{};
    if (t_.deviceSurface) t_.deviceSurface->GetPixelFormat(&got);
    EXPECT_TRUE(got.dwFlags == c.chosen.dwFlags && got.dwRGBBitCount == c.chosen.dwRGBBitCount &&
                got.dwRBitMask == c.chosen.dwRBitMask);
  }
  // Nothing to choose: the record is empty and one warning names the file.
  EXPECT_TRUE(!t_.systemSurface && !t_.deviceSurface && t_.handle == 0);
  EXPECT_EQ(err_.rfind("vuxa: warning: " + host::ResolvePath("Textures\\p24.bmp") + ": ", 0), 0u) << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);
}

TEST_F(Display, TexturesOnHardwarePalettesAndFailures) {
  scratch::WriteBytes(dir_.path() / "Textures/ball.bmp", Bmp(16, 8, 24, 0x204080));
  platform::Profile().halDevice = true;  // a video-memory surface loaded from a system copy
  ASSERT_EQ(Load("BALL.BMP"), 1) << err_;
  ASSERT_NE(t_.systemSurface, t_.deviceSurface);
  EXPECT_EQ(Caps(t_.deviceSurface), DWORD(DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD));
  EXPECT_EQ(Caps(t_.systemSurface), DWORD(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY));
  EXPECT_EQ(scratch::Le(surfacetest::Bytes(t_.deviceSurface), 0, 3), 0x204080u);
  EXPECT_NE(t_.handle, 0u);
  EXPECT_EQ(err_, "");

  platform::Profile().textureFormats = {platform::MakePixelFormat(DDPF_PALETTEINDEXED8, 8)};
  for (int entries : {16, 17}) {  // a palette of 4 bits, then of 8
    scratch::WriteBytes(dir_.path() / "Textures/p.bmp", Bmp(4, 4, 8, 0, entries));
    ASSERT_EQ(Load("p.bmp"), 1) << err_;
    ASSERT_NE(t_.palette, nullptr);
    PALETTEENTRY e[2]{};
    EXPECT_EQ(t_.palette->GetEntries(0, 0, 1, e), DD_OK);
    EXPECT_TRUE(e[0].peRed == 0 && e[0].peBlue == 255 && e[0].peFlags == 0);
    EXPECT_EQ(t_.palette->GetEntries(0, 16, 1, e + 1) == DD_OK, entries > 16) << entries;
  }

  ReleaseTexture(&t_);
  t_ = TextureSurface{};
  t_.handle = 77;
  EXPECT_EQ(Load("nothere.bmp"), 0);  // before the bitmap is read: left alone
  EXPECT_EQ(Load(std::string(600, 'n')), 0);  // cut to the path buffer, not written past it
  EXPECT_EQ(t_.handle, 77u);
  t_.handle = 0;
  platform::Profile().getDC = false;  // the copy fails: emptied, one warning
  EXPECT_EQ(Load("ball.bmp"), 0);
  EXPECT_TRUE(!t_.systemSurface && !t_.deviceSurface && t_.handle == 0);
  EXPECT_EQ(err_.rfind("vuxa: warning: " + host::ResolvePath("Textures\\ball.bmp") + ": ", 0), 0u) << err_;
}

}  // namespace
