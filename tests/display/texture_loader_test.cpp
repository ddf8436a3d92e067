// LoadTexture: the format chosen from what the device offers, palettes, the
// software and hardware surface paths, failures and what they leave behind,
// and one load on the stand-in's real device.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "display/display.h"
#include "display/texture.h"
#include "display/texture_fakes.h"
#include "platform/platform.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

using namespace texture_test;
namespace fs = std::filesystem;

class TextureLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
    dir_ = fs::temp_directory_path() /
           ("vuxa_texture_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "Textures");
    host::SetDataDir(dir_.string());
    IDirectDraw* real = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &real, nullptr), DD_OK);
    ASSERT_EQ(real->SetCooperativeLevel(nullptr, DDSCL_ALLOWREBOOT), DD_OK);
    ddraw_ = std::make_unique<RecordingDirectDraw>(real, &log_);
    device_ = std::make_unique<TextureDevice>(ddraw_.get());
  }
  void TearDown() override {
    ReleaseTexture(&texture_);
    EXPECT_EQ(log_.liveSurfaces, 0);
    device_.reset();
    ddraw_.reset();
    fs::remove_all(dir_);
    platform::ResetPlatform();
  }

  // Loads `name` quietly; returns the result and keeps stderr in err_.
  int Load(const std::string& name) {
    ::testing::internal::CaptureStderr();
    const int result = LoadTexture(&texture_, device_.get(), name.c_str());
    err_ = ::testing::internal::GetCapturedStderr();
    return result;
  }

  DDPIXELFORMAT ChosenFor(int bits, std::vector<DDPIXELFORMAT> formats) {
    device_->formats = std::move(formats);
    if (bits == 24)
      WriteBmp(dir_ / "Textures" / "pic.bmp", 8, 4, 24, 0x336699);
    else
      WriteBmp(dir_ / "Textures" / "pic.bmp", 8, 4, 8, 0, 200);
    log_.surfaces.clear();
    Load("pic.bmp");
    return log_.surfaces.empty() ? DDPIXELFORMAT{} : log_.surfaces[0].ddpfPixelFormat;
  }

  fs::path dir_;
  Log log_;
  std::unique_ptr<RecordingDirectDraw> ddraw_;
  std::unique_ptr<TextureDevice> device_;
  TextureSurface texture_{};
  std::string err_;
};

bool Same(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
  return a.dwFlags == b.dwFlags && a.dwRGBBitCount == b.dwRGBBitCount &&
         a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
         a.dwBBitMask == b.dwBBitMask && a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

TEST_F(TextureLoad, FormatChoiceWithSixteenBitRgbAndPalette) {
  EXPECT_TRUE(Same(ChosenFor(24, {Rgb565, Palette8}), Rgb565));  // neither reaches 24: the first
  EXPECT_TRUE(Same(ChosenFor(24, {Palette8, Rgb565}), Palette8));
  EXPECT_TRUE(Same(ChosenFor(8, {Rgb565, Palette8}), Palette8));  // exact depth wins later
  EXPECT_TRUE(Same(ChosenFor(8, {Palette8, Rgb565}), Palette8));
}

TEST_F(TextureLoad, FormatChoiceSmallestDepthAtOrAboveEarliestAmongEquals) {
  DDPIXELFORMAT otherRgb24 = Rgb24;
  otherRgb24.dwRBitMask = 0xFF;
  otherRgb24.dwBBitMask = 0xFF0000;
  EXPECT_TRUE(Same(ChosenFor(24, {Rgb565, Rgb888, Rgb24, otherRgb24}), Rgb24));
  EXPECT_TRUE(Same(ChosenFor(24, platform::DefaultTextureFormats()), Rgb888));
  EXPECT_TRUE(Same(ChosenFor(8, platform::DefaultTextureFormats()), Palette8));  // 332 is no palette
  EXPECT_TRUE(Same(ChosenFor(8, {Rgb332, Rgb555}), Rgb555));
}

TEST_F(TextureLoad, AlphaFormatsAreNeverChosen) {
  EXPECT_TRUE(Same(ChosenFor(24, {Argb8888, Argb1555, Rgb555}), Rgb555));
  EXPECT_EQ(texture_.deviceSurface != nullptr, true);

  // Only alpha formats: nothing is chosen, the surface cannot be made.
  EXPECT_EQ(ChosenFor(24, {Argb8888, Argb1555}).dwRGBBitCount, 0u);
  EXPECT_EQ(texture_.systemSurface, nullptr);
  EXPECT_EQ(texture_.deviceSurface, nullptr);
  EXPECT_EQ(texture_.handle, 0u);
  EXPECT_EQ(err_.rfind("vuxa: warning: ", 0), 0u) << err_;
  EXPECT_NE(err_.find("pic.bmp"), std::string::npos) << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);
}

TEST_F(TextureLoad, SoftwareDeviceUsesOneSystemSurfaceAndNoLoad) {
  device_->formats = {Rgb888};
  WriteBmp(dir_ / "Textures" / "ball.bmp", 16, 8, 24, 0x204080);
  ASSERT_EQ(Load("BALL.BMP"), 1) << err_;  // the name's case does not matter
  EXPECT_EQ(err_, "");
  ASSERT_EQ(log_.surfaces.size(), 1u);
  const DDSURFACEDESC& d = log_.surfaces[0];
  EXPECT_EQ(d.dwSize, 108u);
  EXPECT_EQ(d.dwFlags, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT);
  EXPECT_EQ(d.dwWidth, 16u);
  EXPECT_EQ(d.dwHeight, 8u);
  EXPECT_EQ(d.ddsCaps.dwCaps, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
  EXPECT_EQ(texture_.systemSurface, texture_.deviceSurface);
  EXPECT_EQ(texture_.palette, nullptr);
  EXPECT_EQ(texture_.handle, 4242u);
  EXPECT_EQ(log_.loads.size(), 0u);
  EXPECT_EQ(log_.restores, 0);

  // The picture arrived through GDI.
  auto* surface = static_cast<RecordingSurface*>(texture_.systemSurface);
  DDSURFACEDESC locked{};
  locked.dwSize = 108;
  ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  const auto* pixels = static_cast<const std::uint32_t*>(locked.lpSurface);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x204080u);
  EXPECT_EQ(pixels[16 * 8 - 1] & 0xFFFFFF, 0x204080u);
  surface->Unlock(nullptr);
}

TEST_F(TextureLoad, HardwareDeviceLoadsFromASystemCopy) {
  platform::Profile().halDevice = true;
  device_->hardware = true;
  device_->formats = {Rgb565};
  WriteBmp(dir_ / "Textures" / "ring.bmp", 4, 4, 24, 0xFFFFFF);
  ASSERT_EQ(Load("ring.bmp"), 1) << err_;
  ASSERT_EQ(log_.surfaces.size(), 2u);
  EXPECT_EQ(log_.surfaces[0].ddsCaps.dwCaps,
            DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD);
  EXPECT_EQ(log_.surfaces[1].ddsCaps.dwCaps, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
  EXPECT_NE(texture_.systemSurface, texture_.deviceSurface);
  EXPECT_EQ(log_.restores, 1);
  ASSERT_EQ(log_.loads.size(), 1u);
  EXPECT_EQ(log_.loads[0].destination, texture_.deviceSurface);
  EXPECT_EQ(log_.loads[0].source, texture_.systemSurface);
  EXPECT_EQ(texture_.handle, 4242u);
}

TEST_F(TextureLoad, PaletteFromTheColourTable) {
  device_->formats = {Palette8};
  WriteBmp(dir_ / "Textures" / "p16.bmp", 4, 4, 8, 0, 16);
  WriteBmp(dir_ / "Textures" / "p17.bmp", 4, 4, 8, 0, 17);
  ASSERT_EQ(Load("p16.bmp"), 1) << err_;
  EXPECT_NE(texture_.palette, nullptr);
  ASSERT_EQ(Load("p17.bmp"), 1) << err_;
  ASSERT_EQ(log_.paletteFlags.size(), 2u);
  EXPECT_EQ(log_.paletteFlags[0], DDPCAPS_4BIT);
  EXPECT_EQ(log_.paletteFlags[1], DDPCAPS_8BIT);
  // Entry 0 of the table is blue 255, green 0, red 0.
  EXPECT_EQ(log_.firstEntries[1].peRed, 0);
  EXPECT_EQ(log_.firstEntries[1].peBlue, 255);
  EXPECT_EQ(log_.firstEntries[1].peFlags, 0);
  // The first load's surfaces were let go by the second.
  EXPECT_EQ(log_.liveSurfaces, 1);
}

TEST_F(TextureLoad, MissingBitmapLeavesTheRecordAlone) {
  texture_.handle = 77;
  EXPECT_EQ(Load("nothere.bmp"), 0);
  EXPECT_EQ(texture_.handle, 77u);
  EXPECT_TRUE(log_.surfaces.empty());
  texture_.handle = 0;

  // A name far past the path buffer is cut, not written past it.
  EXPECT_EQ(Load(std::string(600, 'n')), 0);
  EXPECT_TRUE(log_.surfaces.empty());
}

TEST_F(TextureLoad, NoRenderTargetMeansNoTexture) {
  WriteBmp(dir_ / "Textures" / "a.bmp", 4, 4, 24, 0x123456);
  device_->formats = {Rgb888};
  device_->noTarget = true;
  EXPECT_EQ(Load("a.bmp"), 0);
  device_->noTarget = false;
  device_->target.refuseQuery = true;
  EXPECT_EQ(Load("a.bmp"), 0);
  EXPECT_EQ(device_->target.refs_, 1u);  // the render target's reference went back
  EXPECT_TRUE(log_.surfaces.empty());
}

TEST_F(TextureLoad, FailedCopyEmptiesTheRecordAndWarns) {
  device_->formats = {Rgb888};
  WriteBmp(dir_ / "Textures" / "a.bmp", 4, 4, 24, 0x123456);
  ASSERT_EQ(Load("a.bmp"), 1);
  platform::Profile().getDC = false;
  EXPECT_EQ(Load("a.bmp"), 0);
  EXPECT_EQ(texture_.systemSurface, nullptr);
  EXPECT_EQ(texture_.deviceSurface, nullptr);
  EXPECT_EQ(texture_.handle, 0u);
  EXPECT_EQ(log_.liveSurfaces, 0);
  EXPECT_EQ(err_.rfind("vuxa: warning: ", 0), 0u) << err_;
  EXPECT_NE(err_.find("a.bmp"), std::string::npos) << err_;
}

// The stand-in's own device: the texture gets a handle and the bitmap's pixels.
TEST(TextureOnRealDevice, LoadsIntoAHandle) {
  platform::ResetPlatform();
  host::Options options;
  options.offscreen = true;
  host::SetOptions(options);
  const fs::path dir = fs::temp_directory_path() / "vuxa_texture_real";
  fs::remove_all(dir);
  WriteBmp(dir / "Textures" / "tex.bmp", 8, 8, 24, 0xC08040);
  host::SetDataDir(dir.string());
  DisplayState d{};
  ASSERT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d, DISPLAY_WINDOW), 0);
  ASSERT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &d, DISPLAY_SURFACES | DISPLAY_3D), 0);
  TextureSurface texture{};
  EXPECT_EQ(LoadTexture(&texture, d.device, "TEX.BMP"), 1);
  EXPECT_NE(texture.handle, 0u);
  EXPECT_EQ(texture.systemSurface, texture.deviceSurface);
  DDPIXELFORMAT format{};
  ASSERT_NE(texture.deviceSurface, nullptr);
  texture.deviceSurface->GetPixelFormat(&format);
  EXPECT_EQ(format.dwRGBBitCount, 32u);
  ReleaseTexture(&texture);
  ReleaseDisplay(&d);
  fs::remove_all(dir);
  platform::ResetPlatform();
}

}  // namespace
