// --video through stand-in ffmpeg scripts: frames reach ffmpeg through the
// pipe, a run whose ffmpeg writes nothing fails without touching the user's
// files, and the progress line. A real ffmpeg run, a missing ffmpeg and one
// that stops midway are run end to end (tests/e2e, Video).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/host/host.h"
#include "platform/host/video.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

class Video : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    dir = std::make_unique<ScratchDir>(
        "video_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    file = dir->path() / "show.mkv";
    host::Options options;
    options.videoFile = file.string();
    options.fps = 12;
    host::SetOptions(options);
  }
  void TearDown() override {
    OffscreenPlatform::TearDown();
    dir.reset();
  }
  // Flips `count` frames, frame i filled with a colour of its own.
  void FlipFrames(int count) {
    for (int i = 0; i < count; ++i) {
      DDBLTFX fx{};
      fx.dwSize = 100;
      fx.dwFillColor = Colour(i);
      ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
      ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    }
  }
  static DWORD Colour(int i) {
    return static_cast<DWORD>((i * 20) << 16 | (200 - i * 10) << 8 | 60);
  }
  std::unique_ptr<ScratchDir> dir;
  fs::path file;
};

TEST_F(Video, AnFfmpegThatWritesNoFileFailsTheRunAndKeepsTheUsersFiles) {
  // Counts what arrives on its standard input, one line a call, and writes no video.
  WriteScript(dir->path() / "bin" / "ffmpeg", "wc -c >> '" + (dir->path() / "bin" / "bytes").string() + "'");
  ScopedEnv path("PATH", (dir->path() / "bin").string() + ":/usr/bin:/bin");
  // The user's files, at the video's name and at names an older version used.
  for (const char* name : {"show.mkv", "show.mkv.part", "show.mkv.part.log"})
    std::ofstream(dir->path() / name) << "old";
  testing::internal::CaptureStderr();
  OpenDisplay(32);
  FlipFrames(8);  // at 12 fps, 1% of the show is six frames
  EXPECT_FALSE(host::Shutdown());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("]   0%\r"), std::string::npos) << said;
  EXPECT_NE(said.find("]   1%"), std::string::npos) << said;
  EXPECT_NE(said.find("vuxa: --video " + file.string() + ": ffmpeg wrote no video"),
            std::string::npos)
      << said;
  EXPECT_EQ(Listing(dir->path()),
            (std::vector<std::string>{"bin", "show.mkv", "show.mkv.part", "show.mkv.part.log"}));
  EXPECT_EQ(ReadText(file), "old");
  // Every frame went down the pipe as 320x240 RGB.
  EXPECT_EQ(ReadText(dir->path() / "bin" / "bytes").substr(0, 8), "1843200\n");
}

TEST_F(Video, NoFrameNoVideoAndNoComplaint) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(host::Shutdown());  // the display never opened: nothing to encode
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Listing(dir->path()).empty());
}

TEST(VideoProgress, ABarOfThirtyCellsAndAPercentage) {
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 0.5),
            "\rvuxa: video v.mp4 [###############...............]  50%");
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 0.0),
            "\rvuxa: video v.mp4 [..............................]   0%");
  EXPECT_EQ(host::VideoProgressLine("v.mp4", 1.7),
            "\rvuxa: video v.mp4 [##############################] 100%");
}

}  // namespace
