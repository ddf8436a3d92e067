// Tests of EndFrame and UploadFrame on the stand-in's surfaces: the clear of
// the next back buffer with and without a 3D device, and the picture upload at
// 32, 24 and other depths.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/display.h"
#include "platform/platform.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

constexpr int Width = 320;
constexpr int Height = 240;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetPlatform();
    host::Options options;
    options.offscreen = true;
    host::SetOptions(options);
  }
  void TearDown() override {
    ReleaseDisplay(&display_);
    platform::ResetPlatform();
  }

  void Init(DWORD flags) {
    ASSERT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &display_, DISPLAY_WINDOW), 0);
    ASSERT_EQ(InitDisplay(GetModuleHandleA(nullptr), SW_SHOWNORMAL, &display_, flags), 0);
  }

  int BytesPerPixel() const { return static_cast<int>(display_.bitDepth / 8); }

  // The whole back buffer, as bytes of packed rows.
  std::vector<std::uint8_t> ReadBack() {
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    EXPECT_EQ(display_.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0);
    const std::size_t size = static_cast<std::size_t>(Width * Height * BytesPerPixel());
    const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
    std::vector<std::uint8_t> copy(bytes, bytes + size);
    EXPECT_EQ(display_.backBuffer->Unlock(desc.lpSurface), 0);
    return copy;
  }

  void FillBack(std::uint8_t value) {
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    ASSERT_EQ(display_.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0);
    std::memset(desc.lpSurface, value, static_cast<std::size_t>(Width * Height * BytesPerPixel()));
    ASSERT_EQ(display_.backBuffer->Unlock(desc.lpSurface), 0);
  }

  static bool AllEqual(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to,
                       std::uint8_t value) {
    for (std::size_t i = from; i < to; ++i)
      if (bytes[i] != value) return false;
    return true;
  }

  DisplayState display_{};
};

// A picture whose every pixel differs and whose top byte is set.
std::vector<DWORD> TestPicture() {
  std::vector<DWORD> picture(Width * 200);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = 0xA5000000u | static_cast<DWORD>((i * 2654435761u) & 0xFFFFFFu);
  return picture;
}

TEST_F(FrameTest, WithoutADeviceTheNextBackBufferIsColourFilledBlack) {
  Init(DISPLAY_SURFACES);
  ASSERT_EQ(display_.device, nullptr);
  FillBack(0x77);  // this buffer goes to the front now
  const unsigned flips = host::FlipCount();
  EndFrame(&display_);
  EXPECT_EQ(host::FlipCount(), flips + 1);
  FillBack(0x77);
  EndFrame(&display_);  // the back buffer is now the one painted before the first flip
  const auto bytes = ReadBack();
  EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), 0));
}

TEST_F(FrameTest, WithADeviceTheViewportClearCoversTheClearRect) {
  Init(DISPLAY_SURFACES | DISPLAY_3D);
  ASSERT_NE(display_.device, nullptr);
  // An all-zero ClearRect, as during start-up, clears nothing.
  FillBack(0x77);
  EndFrame(&display_);
  FillBack(0x77);
  EndFrame(&display_);
  auto bytes = ReadBack();
  EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), 0x77));

  display_.clearRect = {0, 0, Width, Height};
  EndFrame(&display_);
  bytes = ReadBack();
  EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), 0));
}

TEST_F(FrameTest, EndFrameLeavesA3DSceneOpen) {
  Init(DISPLAY_SURFACES | DISPLAY_3D);
  EndFrame(&display_);
  EXPECT_NE(display_.device->BeginScene(), 0);  // already inside a scene
  EXPECT_EQ(display_.device->EndScene(), 0);
  EXPECT_EQ(display_.device->BeginScene(), 0);
}

TEST_F(FrameTest, EndFrameOnAnEmptyRecordDoesNothing) {
  DisplayState empty{};
  EndFrame(&empty);
  UploadFrame(&empty, TestPicture().data());
  EXPECT_EQ(host::FlipCount(), 0u);
}

TEST_F(FrameTest, At32BitsThePictureFillsRows20To219WithItsTopByte) {
  Init(DISPLAY_SURFACES);
  ASSERT_EQ(display_.bitDepth, 32u);
  FillBack(0x5A);
  const auto picture = TestPicture();
  UploadFrame(&display_, picture.data());
  const auto bytes = ReadBack();
  const std::size_t row = Width * 4;
  EXPECT_TRUE(AllEqual(bytes, 0, 20 * row, 0x5A));
  EXPECT_EQ(std::memcmp(bytes.data() + 20 * row, picture.data(), picture.size() * 4), 0);
  EXPECT_TRUE(AllEqual(bytes, 220 * row, bytes.size(), 0x5A));
}

TEST_F(FrameTest, At24BitsEachPixelBecomesBlueGreenRed) {
  platform::Profile().mode32 = false;
  Init(DISPLAY_SURFACES);
  ASSERT_EQ(display_.bitDepth, 24u);
  FillBack(0x5A);
  const auto picture = TestPicture();
  UploadFrame(&display_, picture.data());
  const auto bytes = ReadBack();
  const std::size_t row = Width * 3;
  EXPECT_TRUE(AllEqual(bytes, 0, 20 * row, 0x5A));
  EXPECT_TRUE(AllEqual(bytes, 220 * row, bytes.size(), 0x5A));
  int wrong = 0;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const std::uint8_t* p = bytes.data() + 20 * row + 3 * i;
    const DWORD got = p[0] | (p[1] << 8) | (p[2] << 16);
    wrong += got != (picture[i] & 0xFFFFFFu);
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(FrameTest, OtherDepthsLockAndUnlockButCopyNothing) {
  Init(DISPLAY_SURFACES);
  FillBack(0x5A);
  for (DWORD depth : {0u, 16u, 8u}) {
    display_.bitDepth = depth;
    UploadFrame(&display_, TestPicture().data());
  }
  display_.bitDepth = 32;
  const auto bytes = ReadBack();  // a lock still left open would fail here
  EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), 0x5A));
}

TEST_F(FrameTest, AFailedLockSkipsThePicture) {
  Init(DISPLAY_SURFACES);
  FillBack(0x5A);
  host::ForcedFailures()["Lock"] = DDERR_SURFACEBUSY;
  UploadFrame(&display_, TestPicture().data());
  host::ForcedFailures().clear();
  const auto bytes = ReadBack();
  EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), 0x5A));
}

}  // namespace
