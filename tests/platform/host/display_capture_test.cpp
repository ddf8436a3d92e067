// Capture mode: every flip becomes frame_NNNNN.png (320x240 RGB) with the
// front buffer's pixels, complete once the run is shut down (frames are
// written on worker threads), and a write failure is reported once and
// remembered.
#include <algorithm>
#include <string>

#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "../surface_util.h"

namespace {

using namespace scratch;

class Capture : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    host::Options options;
    options.captureDir = (dir / "frames").string();  // made at the first frame
    options.fps = 25;
    host::SetOptions(options);
  }
  // Paints the back buffer: one colour, with a distinct pixel at (x, y) whose
  // bytes in memory are 0x01, 0x02, 0x03 (blue, green, red).
  void Paint(DWORD color, int x, int y) {
    ASSERT_EQ(surfacetest::Fill(back, color), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    auto* p = static_cast<std::uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes;
    p[0] = 1;
    p[1] = 2;
    p[2] = 3;
    back->Unlock(desc.lpSurface);
  }
  ScratchDir scratch{"display_capture"};
  fs::path dir = scratch.path();
};

// Frame k of each run: the colour `colours[k]` (its top byte carries no
// colour) and a marked pixel at (marks[k], marks[k]).
TEST_F(Capture, EachFlipWritesTheFrontBufferAsANumberedPngAtEitherDepth) {
  const DWORD colours[] = {0x00102030, 0xFF405060};
  const int marks[] = {0, 239};
  for (DWORD bits : {32, 24}) {
    platform::Profile().mode32 = bits == 32;
    OpenDisplay(bits);
    for (int k = 0; k < 2; ++k) {
      Paint(colours[k], marks[k], marks[k]);
      primary->Flip(nullptr, DDFLIP_WAIT);
    }
    CloseDisplay();
    EXPECT_TRUE(host::Shutdown());
    const fs::path frames = dir / "frames";
    for (int k = 0; k < 2; ++k) {
      const Picture image = ReadPng(frames / ("frame_0000" + std::to_string(k) + ".png"));
      ASSERT_TRUE(image.ok) << bits << " bits, frame " << k;
      EXPECT_EQ(image.colorType, 2);  // RGB, 8 bits a channel
      EXPECT_EQ(image.bitDepth, 8);
      ASSERT_EQ(image.width, 320);
      ASSERT_EQ(image.height, 240);
      const std::uint8_t* plain = image.At(100, 50);
      const std::uint8_t* marked = image.At(marks[k], marks[k]);
      EXPECT_EQ(plain[0] << 16 | plain[1] << 8 | plain[2], static_cast<int>(colours[k] & 0xFFFFFF)) << bits;
      EXPECT_EQ(marked[0] << 16 | marked[1] << 8 | marked[2], 0x030201) << bits;  // red from the third byte
    }
    // The frames and the music, and no work file.
    EXPECT_EQ(Listing(frames), (std::vector<std::string>{"frame_00000.png", "frame_00001.png", "music.wav"}));
    fs::remove_all(frames);
    platform::ResetPlatform();
  }
}

TEST_F(Capture, AWriteFailureIsReportedOnceAndEndsTheCapture) {
  fs::create_directories(dir);
  std::ofstream(dir / "frames") << "a file where the directory should be";
  OpenDisplay(32);
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  EXPECT_NE(printed.find("frames"), std::string::npos);
  EXPECT_EQ(host::FlipCount(), 3u);  // the show runs on
  CloseDisplay();
  EXPECT_FALSE(host::Shutdown());
}

}  // namespace
