// What the program promises when things go wrong, checked on what is left on
// disk: outputs are all or nothing (no truncated frame, no music.wav or video
// of a failed run, no temporary file, the user's files untouched), a full disk
// stops the run at once with one line, SIGINT and SIGTERM end it cleanly
// (ffmpeg reaped), closed standard streams never land in a written file, and
// a reused capture folder is refused.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

// Starts vuxa in `dir` (output into stdout.txt and stderr.txt); its PID.
pid_t StartVuxa(const fs::path& dir, const std::string& args, const std::string& env = "") {
  const std::string command = "cd '" + dir.string() + "' && exec env " + env +
                              " SDL_AUDIODRIVER=dummy '" VUXA_BINARY_DIR "/vuxa' " + args +
                              " > stdout.txt 2> stderr.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(127);
  }
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitFor(const fs::path& file) {
  for (int i = 0; i < 600 && !fs::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return fs::exists(file);
}

// Every file of a capture folder is a complete frame or, with `musicFps`, a
// music.wav as long as the frames at that rate, and there is nothing else;
// the number of frames.
int CheckCapture(const fs::path& out, int musicFps = 0) {
  int frames = 0;
  for (const std::string& name : Listing(out, "frame_")) {
    EXPECT_TRUE(ReadPng(out / name).ok) << "truncated " << name;
    ++frames;
  }
  EXPECT_EQ(Listing(out).size(), frames + std::size_t(musicFps ? 1 : 0)) << "stray files in " << out;
  if (musicFps) ExpectMusic(out / "music.wav", frames, musicFps);
  return frames;
}

TEST(Promises, ClosedStreamsAndAReusedCaptureFolder) {
  const ScratchDir tmp("reuse");
  const fs::path& dir = tmp.path();
  // Closed stdout and stderr: nothing printed lands in music.wav.
  auto run = RunVuxa(dir, "--capture out --fps 5 --start 50", "", ">&- 2>&-");
  EXPECT_EQ(run.exitCode, 0);
  const int first = CheckCapture(dir / "out", 5);
  EXPECT_EQ(first, 11);  // the start-up frame and two seconds
  EXPECT_EQ(ReadText(dir / "out" / "music.wav").find("framerate"), std::string::npos);

  // The same folder again: refused, nothing touched.
  run = RunVuxa(dir, "--capture out --fps 2 --start 50");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("--overwrite"), std::string::npos) << run.err;
  EXPECT_TRUE(run.err.ends_with("\nTry 'vuxa --help'.\n")) << run.err;
  EXPECT_EQ(CheckCapture(dir / "out", 5), first);

  // With --overwrite only the new run's frames are there.
  run = RunVuxa(dir, "--capture out --fps 2 --start 50 --overwrite");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(CheckCapture(dir / "out", 2), 5);
}

TEST(Promises, AFullDiskStopsTheRunAtOnceAndLeavesOnlyCompleteFrames) {
  const ScratchDir tmp("full");
  const fs::path& dir = tmp.path();
  // First a folder the user may not write to (as root: without the
  // capability that writes anywhere, so the folder's permissions hold; the
  // user stays root, so the program is reachable wherever the tree lies).
  if (::geteuid() == 0 && HaveTools({"setpriv"})) {
    fs::create_directories(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const auto run = RunVuxa(dir, "--capture ro --fps 5 --start 50",
                             "setpriv --bounding-set=-dac_override,-dac_read_search "
                             "--inh-caps=-dac_override,-dac_read_search env");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("vuxa: cannot write ro/frame_00000.png: Permission denied\n"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(Listing(dir / "ro").empty());
  }
  fs::create_directories(dir / "disk");
  if (::mount("tmpfs", (dir / "disk").c_str(), "tmpfs", 0, "size=400k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  const auto start = std::chrono::steady_clock::now();
  const auto run = RunVuxa(dir, "--capture disk/out --fps 25");
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("vuxa: cannot write disk/out/"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(": No space left on device\n"), std::string::npos) << run.err;
  const int frames = CheckCapture(dir / "disk" / "out");
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, 1301 / 2);  // far from the whole show
  EXPECT_LT(seconds.count(), 20.0);
  ::umount((dir / "disk").c_str());
}

TEST(Promises, SignalsEndTheRunCleanly) {
  const ScratchDir tmp("signals");
  const fs::path& dir = tmp.path();
  // SIGTERM during a capture: the frames written are complete, no music.wav.
  pid_t pid = StartVuxa(dir, "--capture out --fps 25");
  ASSERT_TRUE(WaitFor(dir / "out" / "frame_00010.png"));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitExit(pid), 143);
  std::string err = ReadText(dir / "stderr.txt");
  EXPECT_TRUE(err.ends_with("vuxa: interrupted by SIGTERM; unfinished files removed\n")) << err;
  EXPECT_GT(CheckCapture(dir / "out"), 10);
  fs::remove_all(dir / "out");

  // SIGINT during a video whose ffmpeg reads nothing (the pipe is full): the
  // run still ends at once, ffmpeg ended and reaped, the user's files kept.
  WriteScript(dir / "bin" / "ffmpeg", "echo $$ > ffmpeg.pid\nexec sleep 60");
  for (const char* name : {"keep.mp4", "keep.mp4.part", "keep.mp4.part.log"})
    std::ofstream(dir / name) << "mine";
  pid = StartVuxa(dir, "--video keep.mp4 --fps 25",
                  "PATH=" + (dir / "bin").string() + ":/usr/bin:/bin");
  ASSERT_TRUE(WaitFor(dir / "ffmpeg.pid"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  ::kill(pid, SIGINT);
  EXPECT_EQ(WaitExit(pid), 130);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
  err = ReadText(dir / "stderr.txt");
  EXPECT_TRUE(err.ends_with("vuxa: interrupted by SIGINT; unfinished files removed\n")) << err;
  const pid_t ffmpeg = std::atoi(ReadText(dir / "ffmpeg.pid").c_str());
  EXPECT_TRUE(ffmpeg > 0 && ::kill(ffmpeg, 0) != 0) << "ffmpeg still running";
  EXPECT_EQ(Listing(dir),
            (std::vector<std::string>{"bin", "ffmpeg.pid", "keep.mp4", "keep.mp4.part",
                                      "keep.mp4.part.log", "stderr.txt", "stdout.txt"}));
  EXPECT_EQ(ReadText(dir / "keep.mp4"), "mine");
}

TEST(Promises, VideoNamesThatFfmpegWouldMisreadWork) {
  if (!HaveTools({"ffmpeg", "ffprobe"})) GTEST_SKIP() << "ffmpeg is not installed";
  const ScratchDir tmp("names");
  const fs::path& dir = tmp.path();
  const std::string longName = std::string(240, 'v') + ".mp4";
  for (const std::string& name : {std::string("-y.mp4"), std::string("clip:1.mkv"), longName}) {
    const auto run = RunVuxa(dir, "--video '" + name + "' --fps 5 --start 51");
    EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
    int probe = -1;
    Output("cd '" + dir.string() + "' && ffprobe -v error 'file:" + name + "' 2>&1", &probe);
    EXPECT_EQ(probe, 0) << name;
  }
  EXPECT_EQ(Listing(dir).size(), 5u);  // the three videos, stdout and stderr
}

}  // namespace
