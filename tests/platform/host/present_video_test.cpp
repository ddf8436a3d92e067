// --video: frames and music of a capture run become one file through ffmpeg.
// With the real ffmpeg (skipped where it is missing) the file holds every
// frame and music as long as the frames; with stand-in scripts every failure
// (no ffmpeg, ffmpeg stopping midway, no output) says so in one line naming
// the option, leaves no file behind and asks the show to close.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/display_fixture.h"
#include "platform/host/video.h"
#include "platform/host/host.h"
#include "e2e/watch_support.h"
#include "present_support.h"

namespace {

using namespace present_test;

using watch_e2e::Output;


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
  // True when the show was asked to close (a WM_CLOSE waits in the queue).
  static bool CloseRequested() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message == WM_CLOSE) return true;
    return false;
  }
  std::unique_ptr<ScratchDir> dir;
  fs::path file;
};

TEST_F(Video, EveryFrameAndTheMusicEndUpInOneFile) {
  if (host::FindOnPath("ffmpeg").empty() || host::FindOnPath("ffprobe").empty())
    GTEST_SKIP() << "ffmpeg is not installed";
  host::Options options = host::GetOptions();
  options.startSeconds = 51;  // the last second of the show: twelve frames make all of it
  host::SetOptions(options);
  OpenDisplay(32);
  testing::internal::CaptureStderr();
  FlipFrames(12);
  EXPECT_TRUE(host::Shutdown());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("100%"), std::string::npos) << said;
  EXPECT_NE(said.find("wrote " + file.string()), std::string::npos) << said;
  EXPECT_EQ(Listing(dir->path()), std::vector<std::string>{"show.mkv"});  // no work files left

  const std::string probe =
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_type,width,height,nb_read_frames -of csv=p=0 '" +
      file.string() + "'";
  const std::string streams = Output(probe);
  EXPECT_NE(streams.find("video,1280,960,12"), std::string::npos) << streams;
  EXPECT_NE(streams.find("audio"), std::string::npos) << streams;
  EXPECT_NE(Output("ffprobe -v error -show_entries format=format_name -of csv=p=0 '" +
                   file.string() + "'")
                .find("matroska"),
            std::string::npos);
  const double audio = std::atof(Output("ffprobe -v error -select_streams a:0 -show_entries "
                                        "format=duration -of csv=p=0 '" +
                                        file.string() + "'")
                                     .c_str());
  EXPECT_NEAR(audio, 1.0, 0.05);  // twelve frames at 12 fps

  // Frame 7 holds its own colour (within the encoder's loss): pixel (3, 3) of
  // an 8x8 crop from the middle.
  const std::string pixel = Output("ffmpeg -v error -i '" + file.string() +
                                   "' -vf 'select=eq(n\\,7),crop=8:8:600:400' -frames:v 1 "
                                   "-f rawvideo -pix_fmt rgb24 - ");
  ASSERT_EQ(pixel.size(), 8u * 8 * 3);
  const DWORD want = Colour(7);
  const std::size_t at = (3 * 8 + 3) * 3;
  EXPECT_NEAR(static_cast<unsigned char>(pixel[at]), (want >> 16) & 0xFF, 6);
  EXPECT_NEAR(static_cast<unsigned char>(pixel[at + 1]), (want >> 8) & 0xFF, 6);
  EXPECT_NEAR(static_cast<unsigned char>(pixel[at + 2]), want & 0xFF, 6);
}

TEST_F(Video, WithoutFfmpegOnThePathNothingIsWritten) {
  ScopedEnv path("PATH", (dir->path() / "empty").string());
  OpenDisplay(32);
  testing::internal::CaptureStderr();
  FlipFrames(3);
  EXPECT_FALSE(host::Shutdown());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "vuxa: --video " + file.string() +
                      ": ffmpeg is not on the PATH; install ffmpeg to write videos\n");
  EXPECT_TRUE(Listing(dir->path()).empty());
  EXPECT_TRUE(CloseRequested());
}

TEST_F(Video, FfmpegStoppingMidwayIsReportedWithItsLastWordsAndLeavesNothing) {
  WriteScript(dir->path() / "bin" / "ffmpeg",
              "head -c 700000 > /dev/null\necho 'fake: No space left on device' >&2\nexit 3");
  ScopedEnv path("PATH", (dir->path() / "bin").string() + ":/usr/bin:/bin");
  OpenDisplay(32);
  testing::internal::CaptureStderr();
  FlipFrames(8);  // about three frames are read before it stops
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("vuxa: --video " + file.string() +
                      ": ffmpeg failed with exit status 3 (fake: No space left on device)\n"),
            std::string::npos)
      << said;
  EXPECT_TRUE(CloseRequested());
  EXPECT_FALSE(host::Shutdown());
  EXPECT_EQ(Listing(dir->path()), std::vector<std::string>{"bin"});
}

TEST_F(Video, AnFfmpegThatWritesNoFileFailsTheRunAndKeepsTheUsersFiles) {
  WriteScript(dir->path() / "bin" / "ffmpeg", "cat > /dev/null\nexit 0");
  ScopedEnv path("PATH", (dir->path() / "bin").string() + ":/usr/bin:/bin");
  // The user's files, at the video's name and at names an older version used.
  for (const char* name : {"show.mkv", "show.mkv.part", "show.mkv.part.log"})
    std::ofstream(dir->path() / name) << "old";
  OpenDisplay(32);
  FlipFrames(2);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(host::Shutdown());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("vuxa: --video " + file.string() + ": ffmpeg wrote no video"),
            std::string::npos)
      << said;
  EXPECT_EQ(Listing(dir->path()),
            (std::vector<std::string>{"bin", "show.mkv", "show.mkv.part", "show.mkv.part.log"}));
  EXPECT_EQ(ReadText(file), "old");
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
