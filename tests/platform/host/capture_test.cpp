// Capture mode: each flip becomes frame_NNNNN.png (320x240 RGB) of the front
// buffer, complete at shutdown; a write failure is reported once. Worker
// threads write each frame's encoding (png_writer_test.cpp checks it) under
// its own name, alike for any number of them; the first failed write stops
// the queue and leaves no file, final or temporary. music.wav: exact length,
// silence before play, the old file kept until the new one is complete, none
// from a run cut short or failed. Its header, the show's own music and
// repeatability are ShowCapture's (tests/e2e).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/ddraw/driver.h"
#include "platform/host/host.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"
#include "support/surface_util.h"
#include "platform/host/pictures.h"
#include "platform/host/png_queue.h"
#include "platform/platform.h"
#include "support/sound_test_env.h"

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

// Frame k: the colour `colours[k]` (its top byte carries no colour) and a
// marked pixel at (marks[k], marks[k]). At 32 bits the show's own frames are
// held by tests/e2e (ShowCapture); here a 24-bit screen.
TEST_F(Capture, EachFlipWritesTheFrontBufferAsANumberedPng) {
  const DWORD colours[] = {0x00102030, 0xFF405060};
  const int marks[] = {0, 239};
  platform::Profile().mode32 = false;
  OpenDisplay(24);
  for (int k = 0; k < 2; ++k) {
    Paint(colours[k], marks[k], marks[k]);
    primary->Flip(nullptr, DDFLIP_WAIT);
  }
  CloseDisplay();
  EXPECT_TRUE(host::Shutdown());
  const fs::path frames = dir / "frames";
  for (int k = 0; k < 2; ++k) {
    const Picture image = ReadPng(frames / ("frame_0000" + std::to_string(k) + ".png"));
    ASSERT_TRUE(image.ok) << "frame " << k;
    EXPECT_EQ(image.colorType, 2);  // RGB, 8 bits a channel
    EXPECT_EQ(image.bitDepth, 8);
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 240);
    const std::uint8_t* plain = image.At(100, 50);
    const std::uint8_t* marked = image.At(marks[k], marks[k]);
    EXPECT_EQ(plain[0] << 16 | plain[1] << 8 | plain[2], static_cast<int>(colours[k] & 0xFFFFFF));
    EXPECT_EQ(marked[0] << 16 | marked[1] << 8 | marked[2], 0x030201);  // red from the third byte
  }
  // The frames and the music, and no work file.
  EXPECT_EQ(Listing(frames), (std::vector<std::string>{"frame_00000.png", "frame_00001.png", "music.wav"}));
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

// A 320x240 frame of noise from `seed`: neighbouring frames differ in nearly
// every byte.
Bytes Noise(std::uint32_t seed) {
  Bytes rgb(320 * 240 * 3);
  for (std::uint8_t& byte : rgb) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(seed >> 24);
  }
  return rgb;
}

// Noise, a repeat (a shared encoding) and a frame that differs from the one
// before in its last byte only.
std::vector<Bytes> Frames() {
  std::vector<Bytes> frames;
  for (std::uint32_t i = 0; i < 5; ++i) frames.push_back(Noise(i));
  frames.push_back(frames[4]);
  frames.push_back(frames[4]);
  frames.back().back() ^= 1;
  return frames;
}

std::string Name(std::size_t i) { return "frame_" + std::to_string(i) + ".png"; }

TEST(PngQueue, EachFileHoldsItsFramesEncodingForAnyNumberOfWorkers) {
  const ScratchDir scratch("png_queue");
  const std::vector<Bytes> frames = Frames();
  const struct {
    const char* dir;
    unsigned workers;
    std::size_t depth;
  } runs[] = {{"inline", 0, 1}, {"one", 1, 1}, {"four", 4, 2}};
  for (const auto& run : runs) {
    const fs::path dir = scratch.path() / run.dir;
    fs::create_directories(dir);
    host::PngQueue queue(run.workers, run.depth);
    for (std::size_t i = 0; i < frames.size(); ++i)
      queue.Push((dir / Name(i)).string(), frames[i], 320, 240, static_cast<unsigned>(i));
    queue.Drain();
    EXPECT_FALSE(queue.TakeFailure());
    EXPECT_EQ(queue.WrittenEnd(), frames.size());
    EXPECT_EQ(Listing(dir).size(), frames.size()) << run.dir;
    for (std::size_t i = 0; i < frames.size(); ++i)
      EXPECT_TRUE(ReadBytes(dir / Name(i)) == host::EncodeRgbPng(frames[i].data(), 320, 240))
          << "frame " << i << " written by " << run.dir;
  }
}

TEST(PngQueue, TheFirstFailedWriteIsReportedOnceAndLeavesNothingBehind) {
  const ScratchDir scratch("png_queue_fail");
  const std::vector<Bytes> frames = Frames();
  {  // A folder that is not there: no file can be made.
    host::PngQueue queue(2, 2);
    for (unsigned i = 0; i < 4; ++i)
      queue.Push((scratch.path() / "gone" / Name(i)).string(), frames[i], 320, 240, i);
    queue.Drain();
    const auto failure = queue.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->error, ENOENT);
    EXPECT_EQ(failure->path.rfind((scratch.path() / "gone" / "frame_").string(), 0), 0u);
    EXPECT_FALSE(queue.TakeFailure());
    EXPECT_EQ(queue.WrittenEnd(), 0u);
  }
  {  // Files may not grow past 4 kB: the first frame fails in the middle of
     // its write, and the frames queued behind it are dropped unwritten.
    const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    host::PngQueue queue(1, 8);
    for (unsigned i = 0; i < 5; ++i)
      queue.Push((scratch.path() / Name(i)).string(), frames[i], 320, 240, i);
    queue.Drain();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    const auto failure = queue.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->path, (scratch.path() / Name(0)).string());
    EXPECT_EQ(failure->error, EFBIG);
    queue.Push((scratch.path() / "later.png").string(), frames[0], 320, 240, 9);
    queue.Close(false);
    EXPECT_EQ(queue.WrittenEnd(), 0u);
    EXPECT_TRUE(Listing(scratch.path()).empty());  // neither frames nor temporary files
  }
}

class SoundCapture : public sound_test::SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    Capture(dir / "out");
  }
  void Capture(const fs::path& out) {
    fs::create_directories(dir / "out");
    host::Options options;
    options.captureDir = out.string();
    host::SetOptions(options);
    StartLibrary();
  }
  MIDASmodulePlayHandle Play() { return MIDASplayModule(MIDASloadModule("music\\tiny.xm"), 1); }
};

TEST_F(SoundCapture, ExactlyTheRequestedFramesSilentBeforePlayReplacingTheOldFileWhenComplete) {
  const std::vector<std::uint8_t> stale(100, 1);
  WriteBytes(dir / "out" / "music.wav", stale);
  host::CaptureMusicFrame(480);
  ASSERT_NE(Play(), 0u);
  const std::uint32_t periods[] = {800, 801, 1234, 1};
  std::size_t frames = 480;
  for (auto n : periods) {
    host::CaptureMusicFrame(n);
    frames += n;
  }
  // The old file stays until the new one is complete, which is written beside it.
  EXPECT_TRUE(ReadBytes(dir / "out" / "music.wav") == stale);
  EXPECT_EQ(Listing(dir / "out").size(), 2u);
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_TRUE(host::FinishMusic());  // finishing twice keeps the first result
  EXPECT_EQ(Listing(dir / "out").size(), 1u);
  const auto samples = sound_test::WavSamples(ReadBytes(dir / "out" / "music.wav"));
  ASSERT_EQ(samples.size(), frames * 2);
  for (std::size_t i = 0; i < 480 * 2; ++i) ASSERT_EQ(samples[i], 0) << i;
  int loud = 0;
  for (std::size_t i = 480 * 2; i < samples.size(); ++i) loud += samples[i] > 1000 || samples[i] < -1000;
  EXPECT_GT(loud, 100) << "the square wave is heard";
}

TEST_F(SoundCapture, ARunCutShortDiscardedOrUnwritableLeavesNoFileAndOneWithoutFramesAnEmptyWav) {
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  platform::ResetPlatform();  // cut short before finishing
  EXPECT_EQ(Listing(dir / "out").size(), 0u);

  Capture(dir / "out");
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  host::DiscardMusic();  // a run that failed elsewhere
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_EQ(Listing(dir / "out").size(), 0u);
  platform::ResetPlatform();

  Capture(dir / "out" / "missing" / "deeper");
  ASSERT_NE(Play(), 0u);
  host::CaptureMusicFrame(800);
  EXPECT_FALSE(host::FinishMusic());
  EXPECT_EQ(Listing(dir / "out").size(), 0u);
  platform::ResetPlatform();

  Capture(dir / "out");
  EXPECT_TRUE(host::FinishMusic());
  EXPECT_EQ(ReadBytes(dir / "out" / "music.wav").size(), 44u);
}

}  // namespace
