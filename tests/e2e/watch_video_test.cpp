// --video: a short run (the last two seconds, from --start 50) gives a file
// that ffprobe reads with as many frames as the same capture run writes and
// music as long as the pictures; every failure is one line naming --video and
// its value, exit code 1 (the run failed) or 2 (the value cannot work), and
// no file that looks like a video.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "show_process.h"
#include "watch_support.h"

namespace {

using show_e2e::RunVuxa;
namespace fs = std::filesystem;

double Probe(const fs::path& file, const std::string& what) {
  return std::atof(
      watch_e2e::Output("ffprobe -v error " + what + " -of csv=p=0 '" + file.string() + "'")
          .c_str());
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(Video, AShortRunHoldsEveryFrameAndMusicAsLong) {
  if (!watch_e2e::HaveTools({"ffmpeg", "ffprobe"})) GTEST_SKIP() << "ffmpeg is not installed";
  const fs::path dir = show_e2e::ScratchDir("watch_video");
  const auto capture = RunVuxa(dir, "--capture frames --start 50 --fps 30");
  ASSERT_EQ(capture.exitCode, 0) << capture.err;
  const int frames =
      static_cast<int>(watch_e2e::FilesStartingWith(dir / "frames", "frame_").size());
  EXPECT_EQ(frames, 61);  // the black start-up frame and two seconds at 30 fps

  const auto run = RunVuxa(dir, "--video 'two seconds.mp4' --start 50 --fps 30");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("100%"), std::string::npos) << run.err;
  const fs::path file = dir / "two seconds.mp4";
  ASSERT_TRUE(fs::exists(file));
  EXPECT_TRUE(watch_e2e::FilesStartingWith(dir, "two seconds.mp4.").empty());  // no work files

  EXPECT_EQ(Probe(file, "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames"),
            frames);
  // The container the name asks for, whatever the temporary name ffmpeg wrote.
  EXPECT_NE(watch_e2e::Output("ffprobe -v error -show_entries format=format_name -of csv=p=0 '" +
                              file.string() + "'")
                .find("mp4"),
            std::string::npos);
  EXPECT_EQ(Probe(file, "-select_streams v:0 -show_entries stream=width"), 1280);
  EXPECT_EQ(Probe(file, "-select_streams v:0 -show_entries stream=height"), 960);
  const double video = Probe(file, "-select_streams v:0 -show_entries stream=duration");
  const double audio = Probe(file, "-select_streams a:0 -show_entries stream=duration");
  EXPECT_NEAR(video, frames / 30.0, 0.001);
  EXPECT_NEAR(audio, video, 0.03);  // within an AAC frame
  fs::remove_all(dir);
}

TEST(Video, FailuresSayWhatAndLeaveNoVideo) {
  const fs::path dir = show_e2e::ScratchDir("watch_video_bad");
  fs::create_directories(dir / "bin");
  {  // No ffmpeg on the PATH.
    const auto run = RunVuxa(dir, "--video a.mp4", "PATH=" + (dir / "nothing").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "vuxa: --video a.mp4: ffmpeg is not on the PATH; install ffmpeg to write videos\n");
    EXPECT_TRUE(watch_e2e::FilesStartingWith(dir, "a.mp4").empty());
  }
  {  // ffmpeg giving up after a few frames, as on a full disk.
    std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\nhead -c 1000000 > /dev/null\necho 'fake: "
                                             "No space left on device' >&2\nexit 1\n";
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    const auto run = RunVuxa(dir, "--video b.mkv --start 40",
                             "PATH=" + (dir / "bin").string() + ":/usr/bin:/bin");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("vuxa: --video b.mkv: ffmpeg failed with exit status 1 (fake: No "
                           "space left on device)\n"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(watch_e2e::FilesStartingWith(dir, "b.mkv").empty());
  }
  // Values that cannot work: usage errors, nothing made.
  fs::create_directories(dir / "d.mkv");
  for (const std::string& value :
       {std::string("c.avi"), (dir / "missing" / "c.mp4").string(), std::string("d.mkv")}) {
    const auto run = RunVuxa(dir, "--video '" + value + "'");
    EXPECT_EQ(run.exitCode, 2) << value;
    EXPECT_EQ(FirstLine(run.err).rfind("vuxa: invalid value '" + value + "' for --video", 0), 0u)
        << run.err;
  }
  EXPECT_EQ(watch_e2e::FilesStartingWith(dir, ""),
            std::vector<std::string>({"bin", "d.mkv", "stderr.txt", "stdout.txt"}));
  fs::remove_all(dir);
}

}  // namespace
