// Capture frames written by worker threads: every file decodes (with libpng,
// an independent reader) to exactly its own frame's pixels, and its bytes are
// the same whether one thread, several or none wrote it; the first failed
// write is reported once, stops the queue and leaves no file, final or
// temporary.
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/host/pictures.h"
#include "platform/host/png_queue.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

struct Frame {
  int width, height;
  std::vector<std::uint8_t> rgb;
};

// Noise from `seed`, so that neighbouring frames differ in nearly every byte.
Frame Noise(int width, int height, std::uint32_t seed) {
  Frame frame{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (std::uint8_t& byte : frame.rgb) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(seed >> 24);
  }
  return frame;
}

// Sizes PNG rows and filters must cope with, a repeat (a shared encoding) and
// a frame that differs from the one before in its last byte only.
std::vector<Frame> Frames() {
  std::vector<Frame> frames;
  for (int i = 0; i < 5; ++i) frames.push_back(Noise(320, 240, static_cast<std::uint32_t>(i)));
  frames.push_back(frames[4]);
  frames.push_back(frames[4]);
  frames.back().rgb.back() ^= 1;
  frames.push_back(Frame{320, 240, std::vector<std::uint8_t>(320 * 240 * 3, 0)});
  frames.push_back(Noise(1, 1, 7));
  frames.push_back(Noise(257, 3, 9));
  return frames;
}

std::string Name(std::size_t i) { return "frame_" + std::to_string(i) + ".png"; }

TEST(PngQueue, EachFileHoldsItsFramesPixelsInTheSameBytesForAnyNumberOfWorkers) {
  const ScratchDir scratch("png_queue");
  const std::vector<Frame> frames = Frames();
  const struct {
    const char* dir;
    unsigned workers;
    std::size_t depth;
  } runs[] = {{"inline", 0, 1}, {"one", 1, 1}, {"four", 4, 2}};
  for (const auto& run : runs) {
    fs::create_directories(scratch.path() / run.dir);
    host::PngQueue queue(run.workers, run.depth);
    for (std::size_t i = 0; i < frames.size(); ++i)
      queue.Push((scratch.path() / run.dir / Name(i)).string(), frames[i].rgb, frames[i].width,
                 frames[i].height, static_cast<unsigned>(i));
    queue.Drain();
    EXPECT_FALSE(queue.TakeFailure());
    EXPECT_EQ(queue.WrittenEnd(), frames.size());
    EXPECT_EQ(Listing(scratch.path() / run.dir).size(), frames.size()) << run.dir;
  }
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Picture picture = ReadPng(scratch.path() / "inline" / Name(i));
    ASSERT_TRUE(picture.ok) << i;
    EXPECT_EQ(picture.width, frames[i].width) << i;
    EXPECT_EQ(picture.height, frames[i].height) << i;
    EXPECT_TRUE(picture.rgb == frames[i].rgb) << "frame " << i << " holds other pixels";
    const std::string bytes = ReadText(scratch.path() / "inline" / Name(i));
    for (const auto& run : runs)
      EXPECT_TRUE(ReadText(scratch.path() / run.dir / Name(i)) == bytes)
          << "frame " << i << " written by " << run.dir << " differs";
  }
}

TEST(PngQueue, TheFirstFailedWriteIsReportedOnceAndLeavesNothingBehind) {
  const ScratchDir scratch("png_queue_fail");
  const std::vector<Frame> frames = Frames();
  {  // A folder that is not there: no file can be made.
    host::PngQueue queue(2, 2);
    for (unsigned i = 0; i < 4; ++i)
      queue.Push((scratch.path() / "gone" / Name(i)).string(), frames[i].rgb, 320, 240, i);
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
      queue.Push((scratch.path() / Name(i)).string(), frames[i].rgb, 320, 240, i);
    queue.Drain();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    const auto failure = queue.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->path, (scratch.path() / Name(0)).string());
    EXPECT_EQ(failure->error, EFBIG);
    queue.Push((scratch.path() / "later.png").string(), frames[7].rgb, 320, 240, 9);
    queue.Close(false);
    EXPECT_EQ(queue.WrittenEnd(), 0u);
    EXPECT_TRUE(Listing(scratch.path()).empty());  // neither frames nor temporary files
  }
}

}  // namespace
