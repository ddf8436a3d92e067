// --video: the last two seconds give a file that ffprobe reads with as many
// frames as a capture of them holds and music as long as the pictures; a
// failure is one line naming --video and its value, exit 1, and no video.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

TEST(Video, AShortRunHoldsEveryFrameAndMusicAsLongOrFailsLeavingNothing) {
  const ScratchDir dir("video");
  if (HaveTools({"ffmpeg", "ffprobe"})) {
    const int frames = 61;  // the black start-up frame and two seconds at 30 fps, as a capture has them
    const ProgramRun run = RunVuxa(dir.path(), "--video 'two seconds.mp4' --start 50 --fps 30");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("100%"), std::string::npos) << run.err;
    EXPECT_EQ(Listing(dir.path(), "two seconds.mp4"), std::vector<std::string>{"two seconds.mp4"});
    const std::string file = (dir.path() / "two seconds.mp4").string();
    const auto probeText = [&](const std::string& what) {
      return Output("ffprobe -v error " + what + " -of csv=p=0 '" + file + "'");
    };
    const auto probe = [&](const std::string& what) { return std::atof(probeText(what).c_str()); };
    EXPECT_EQ(probe("-count_frames -select_streams v:0 -show_entries stream=nb_read_frames"), frames);
    // The container the name asks for, whatever temporary name ffmpeg wrote to.
    EXPECT_NE(probeText("-show_entries format=format_name").find("mp4"), std::string::npos);
    EXPECT_EQ(probe("-select_streams v:0 -show_entries stream=width"), 1280);
    EXPECT_EQ(probe("-select_streams v:0 -show_entries stream=height"), 960);
    const double video = probe("-select_streams v:0 -show_entries stream=duration");
    EXPECT_NEAR(video, frames / 30.0, 0.001);
    EXPECT_NEAR(probe("-select_streams a:0 -show_entries stream=duration"), video, 0.03);  // an AAC frame
  }
  // No ffmpeg on the PATH; then one giving up after a few frames, as on a full disk.
  ProgramRun run = RunVuxa(dir.path(), "--video a.mp4", "PATH=" + (dir.path() / "nothing").string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "vuxa: --video a.mp4: ffmpeg is not on the PATH; install ffmpeg to write videos\n");
  WriteScript(dir.path() / "bin/ffmpeg",
              "head -c 1000000 > /dev/null\necho 'fake: No space left on device' >&2\nexit 1");
  const std::string path = "PATH=" + (dir.path() / "bin").string() + ":/usr/bin:/bin";
  run = RunVuxa(dir.path(), "--video b.mkv --start 40", path);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("vuxa: --video b.mkv: ffmpeg failed with exit status 1 (fake: No space left on device)\n"),
            std::string::npos) << run.err;
  EXPECT_TRUE(Listing(dir.path(), "a.mp4").empty());
  EXPECT_TRUE(Listing(dir.path(), "b.mkv").empty());
}

}  // namespace
