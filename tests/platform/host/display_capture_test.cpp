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
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = color;
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
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

void ExpectFrame(const fs::path& file, std::uint8_t r, std::uint8_t g, std::uint8_t b, int x,
                 int y) {
  Picture image = ReadPng(file);
  ASSERT_TRUE(image.ok) << file;
  EXPECT_EQ(image.colorType, 2);  // RGB, 8 bits a channel
  EXPECT_EQ(image.bitDepth, 8);
  EXPECT_EQ(image.width, 320);
  EXPECT_EQ(image.height, 240);
  const std::uint8_t* corner = image.At(319, 239);
  EXPECT_EQ(corner[0], r);
  EXPECT_EQ(corner[1], g);
  EXPECT_EQ(corner[2], b);
  const std::uint8_t* marked = image.At(x, y);
  EXPECT_EQ(marked[0], 3);  // red from the third byte
  EXPECT_EQ(marked[1], 2);
  EXPECT_EQ(marked[2], 1);
}

TEST_F(Capture, EachFlipWritesTheFrontBufferAsANumberedPng) {
  OpenDisplay(32);
  Paint(0x00102030, 0, 0);
  primary->Flip(nullptr, DDFLIP_WAIT);
  Paint(0xFF405060, 100, 50);  // the top byte carries no colour
  primary->Flip(nullptr, DDFLIP_WAIT);
  Paint(0x00708090, 319, 239);
  primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_EQ(GetTickCount(), 120u);  // three periods of 40 ms
  CloseDisplay();
  EXPECT_TRUE(host::Shutdown());

  fs::path frames = dir / "frames";
  ExpectFrame(frames / "frame_00000.png", 0x10, 0x20, 0x30, 0, 0);
  ExpectFrame(frames / "frame_00001.png", 0x40, 0x50, 0x60, 100, 50);
  Picture last = ReadPng(frames / "frame_00002.png");
  ASSERT_TRUE(last.ok);
  EXPECT_EQ(last.At(0, 0)[0], 0x70);
  EXPECT_EQ(last.At(319, 239)[0], 3);
  // The frames and the music, and no work file.
  EXPECT_EQ(Listing(frames),
            (std::vector<std::string>{"frame_00000.png", "frame_00001.png", "frame_00002.png", "music.wav"}));
}

TEST_F(Capture, TwentyFourBitFramesKeepTheirChannels) {
  platform::Profile().mode32 = false;
  OpenDisplay(24);
  Paint(0x00A0B0C0, 7, 9);
  primary->Flip(nullptr, DDFLIP_WAIT);
  CloseDisplay();
  EXPECT_TRUE(host::Shutdown());
  ExpectFrame(dir / "frames" / "frame_00000.png", 0xA0, 0xB0, 0xC0, 7, 9);
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
