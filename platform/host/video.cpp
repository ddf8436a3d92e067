// video.cpp: --video FILE: the frames and music of a capture run, encoded by
// ffmpeg into one .mp4 or .mkv file.
//
// Two passes, so that ffmpeg never waits on one input while we write the other:
// during the run every frame goes down a pipe into ffmpeg, which scales it
// 4x with nearest neighbours to 1280x960 and encodes H.264 into a pictures
// file, while the music is written to a WAV file; at the end a second ffmpeg
// copies the pictures, encodes the music as AAC and muxes both into the
// output file, which is renamed onto FILE. ffmpeg's messages go to a log file.
// All four are unique temporary files beside FILE (pending_file.h), named to
// ffmpeg with "file:" so that no name reads as an option or a protocol. On any
// failure (ffmpeg missing or stopping, a full disk) one line naming the option
// and the file goes to stderr, ffmpeg is stopped and reaped, every temporary
// file is removed and the show is asked to close; FILE and anything else the
// user had stay untouched. A progress bar on stderr follows the flips.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/pending_file.h"
#include "platform/host/video.h"
#include "platform/host/wav_writer.h"

extern char** environ;

namespace host {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr double kShowSeconds = 52.0;

struct Video {
  bool started = false;
  bool failed = false;
  std::string file;  // as given to --video
  WavWriter music;
  PendingFile output, pictures, log;
  pid_t encoder = -1;
  int pipe = -1;  // the encoder's stdin
  unsigned frames = 0;
  int percent = -1;      // shown on the progress bar; -1 before the first
  bool barDone = false;  // the bar reached 100% and its line was ended
  ~Video();
};

// A file's name for ffmpeg: never an option, never a protocol.
std::string ForFfmpeg(const std::string& path) { return "file:" + path; }

void RemoveFiles(Video& v) {
  v.music.Discard();
  v.output.Discard();
  v.pictures.Discard();
  v.log.Discard();
}

// Closes the pipe and ends the encoder at once (its output is thrown away, so
// it gets no time to flush), then reaps it.
void StopEncoder(Video& v) {
  if (v.pipe >= 0) ::close(v.pipe);
  v.pipe = -1;
  if (v.encoder > 0) {
    ::kill(v.encoder, SIGKILL);
    while (::waitpid(v.encoder, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  v.encoder = -1;
}

Video::~Video() {
  // An exit in the middle of the run (std::exit after an error) leaves nothing behind.
  if (started && !failed) {
    StopEncoder(*this);
    RemoveFiles(*this);
  }
}

Video& TheVideo() {
  static Video video;
  return video;
}

std::string Container(const std::string& file) {
  std::string ext = file.size() >= 4 ? file.substr(file.size() - 4) : "";
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".mp4" ? "mp4" : "matroska";
}

// The last line ffmpeg wrote to its log, for the error message.
std::string LastLogLine(const Video& v) {
  std::ifstream in(v.log.TempPath());
  std::string line, last;
  while (std::getline(in, line))
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
  if (last.size() > 200) last = last.substr(0, 200) + "...";
  return last;
}

std::string DescribeExit(const Video& v, int status) {
  std::string what = WIFSIGNALED(status)
                         ? "ffmpeg was stopped by signal " + std::to_string(WTERMSIG(status))
                         : "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status));
  std::string line = LastLogLine(v);
  return line.empty() ? what : what + " (" + line + ")";
}

void Fail(Video& v, const std::string& why) {
  if (v.failed) return;
  if (v.percent >= 0 && !v.barDone) std::fputc('\n', stderr);  // end the progress bar's line
  // After SIGINT ffmpeg stops too (same terminal): the interrupt's own line says it all.
  if (InterruptSignal() == 0)
    std::fprintf(stderr, "vuxa: --video %s: %s\n", v.file.c_str(), why.c_str());
  v.failed = true;
  StopEncoder(v);
  RemoveFiles(v);
  // Nothing more can come of this run: end the show as a close request would.
  RequestClose();
}

// Starts ffmpeg with these arguments, its stdin from `input` (or nothing) and
// its messages into the log. -1 when it cannot be started.
pid_t Spawn(const Video& v, const std::vector<std::string>& arguments, int input) {
  const std::string program = FindOnPath("ffmpeg");
  if (program.empty()) return -1;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ffmpeg"));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string& log = v.log.TempPath();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0)
    posix_spawn_file_actions_adddup2(&actions, input, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  // We ignore SIGPIPE for our own writes; ffmpeg gets the default back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// The ffmpeg arguments (after the program name) of the two passes: pictures
// from stdin into `pictures`, then pictures and `music` muxed into `output` as
// `container` ("mp4" or "matroska").
std::vector<std::string> VideoEncodeArguments(int fps, const std::string& pictures) {
  return {
      "-hide_banner", "-loglevel", "error", "-y",
      // Raw 320x240 RGB frames on stdin at the capture's rate...
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", "320x240",
      "-framerate", std::to_string(fps), "-i", "pipe:0",
      // ...scaled up 4x with square pixels and kept sharp by a low CRF.
      "-vf", "scale=1280:960:flags=neighbor",
      "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
      "-f", "matroska", ForFfmpeg(pictures)};
}

std::vector<std::string> VideoMuxArguments(const std::string& pictures, const std::string& music,
                                           const std::string& container,
                                           const std::string& output) {
  std::vector<std::string> args = {
      "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
      "-i", ForFfmpeg(pictures), "-i", ForFfmpeg(music), "-map", "0:v:0", "-map", "1:a:0",
      "-c:v", "copy", "-c:a", "aac", "-b:a", "192k"};
  if (container == "mp4") args.insert(args.end(), {"-movflags", "+faststart"});
  args.insert(args.end(), {"-f", container, ForFfmpeg(output)});
  return args;
}

bool Start(Video& v) {
  v.started = true;
  v.file = GetOptions().videoFile;
  if (FindOnPath("ffmpeg").empty()) {
    Fail(v, "ffmpeg is not on the PATH; install ffmpeg to write videos");
    return false;
  }
  // ffmpeg writes into the (empty) temporary files made here.
  for (PendingFile* f : {&v.output, &v.pictures, &v.log}) {
    if (!f->Create(v.file) || !f->Close()) {
      Fail(v, std::string("cannot write in ") + FolderOf(v.file) + ": " + std::strerror(errno));
      return false;
    }
  }
  if (!v.music.Open(v.file, 48000, 2)) {
    Fail(v, std::string("cannot write in ") + FolderOf(v.file) + ": " + std::strerror(errno));
    return false;
  }
  std::signal(SIGPIPE, SIG_IGN);  // a stopped ffmpeg shows as a failed write
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0 || ::fcntl(fds[1], F_SETFL, O_NONBLOCK) != 0) {
    Fail(v, std::string("cannot start ffmpeg: ") + std::strerror(errno));
    return false;
  }
  v.encoder =
      Spawn(v, VideoEncodeArguments(GetOptions().fps, v.pictures.TempPath()), fds[0]);
  ::close(fds[0]);
  v.pipe = fds[1];
  if (v.encoder < 0) {
    Fail(v, "cannot start ffmpeg");
    return false;
  }
  return true;
}

// Writes to the encoder's pipe (non-blocking on our side), waiting while it is
// full; false when the encoder stopped reading or an interrupt came meanwhile.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (InterruptSignal() != 0) return false;
      pollfd ready{fd, POLLOUT, 0};
      ::poll(&ready, 1, 100);
      continue;
    }
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Waits for the encoder; false (and the failure reported) unless it succeeded.
bool WaitEncoder(Video& v, pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  Fail(v, DescribeExit(v, status));
  return false;
}

void ShowProgress(Video& v) {
  const int fps = std::max(1, GetOptions().fps);
  const double length = kShowSeconds - GetOptions().startSeconds;
  const double fraction = length > 0 ? v.frames / static_cast<double>(fps) / length : 1.0;
  const int percent = std::clamp(static_cast<int>(fraction * 100), 0, 100);
  if (percent == v.percent || v.barDone) return;
  v.percent = percent;
  std::fputs(VideoProgressLine(v.file, fraction).c_str(), stderr);
  // At 100% the line ends, so the show's closing report starts on its own.
  if (percent == 100) {
    std::fputc('\n', stderr);
    v.barDone = true;
  }
  std::fflush(stderr);
}

}  // namespace

std::string VideoProgressLine(const std::string& file, double fraction) {
  constexpr int kBar = 30;
  fraction = std::clamp(fraction, 0.0, 1.0);
  const int filled = static_cast<int>(fraction * kBar);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  return "\rvuxa: video " + file + " [" + std::string(filled, '#') +
         std::string(kBar - filled, '.') + "] " + percent;
}

void VideoFrame(std::span<const std::uint8_t> rgb) {
  Video& v = TheVideo();
  if (v.failed || rgb.size() != std::size_t{kWidth} * kHeight * 3) return;
  if (!v.started && !Start(v)) return;
  if (!WriteAll(v.pipe, rgb.data(), rgb.size())) {
    if (InterruptSignal() != 0) {  // the run ends: the encoder is stopped, not awaited
      Fail(v, "interrupted");
      return;
    }
    ::close(v.pipe);
    v.pipe = -1;
    const pid_t pid = v.encoder;
    v.encoder = -1;
    if (WaitEncoder(v, pid)) Fail(v, "ffmpeg stopped reading the frames");
    return;
  }
  ++v.frames;
  ShowProgress(v);
}

void VideoAudio(std::span<const std::int16_t> samples) {
  Video& v = TheVideo();
  if (!v.started || v.failed) return;
  if (!v.music.Write(samples))
    Fail(v, std::string("cannot write the music beside it: ") + std::strerror(errno));
}

bool VideoFinish() {
  Video& v = TheVideo();
  if (v.failed) return false;
  if (!v.started) return true;  // no frame was shown: there is no video to make
  if (v.percent >= 0 && !v.barDone) std::fputc('\n', stderr);
  v.barDone = true;
  ::close(v.pipe);
  v.pipe = -1;
  const pid_t encoder = v.encoder;
  v.encoder = -1;
  if (!WaitEncoder(v, encoder)) return false;
  if (!v.music.Finish()) {
    Fail(v, std::string("cannot write the music beside it: ") + std::strerror(errno));
    return false;
  }
  const pid_t muxer = Spawn(v,
                            VideoMuxArguments(v.pictures.TempPath(), v.music.TempPath(),
                                              Container(v.file), v.output.TempPath()),
                            -1);
  if (muxer < 0) {
    Fail(v, "cannot start ffmpeg");
    return false;
  }
  if (!WaitEncoder(v, muxer)) return false;
  struct stat written {};
  if (::stat(v.output.TempPath().c_str(), &written) != 0 || written.st_size == 0) {
    Fail(v, "ffmpeg wrote no video");
    return false;
  }
  if (!v.output.Commit()) {
    Fail(v, std::string("cannot rename the finished video onto it: ") + std::strerror(errno));
    return false;
  }
  RemoveFiles(v);
  const int fps = std::max(1, GetOptions().fps);
  std::fprintf(stderr, "vuxa: wrote %s (%u frames at %d fps, %.2f s)\n", v.file.c_str(), v.frames,
               fps, v.frames / static_cast<double>(fps));
  v.started = false;  // done: nothing for the destructor to remove
  return true;
}

void ResetVideo() {
  Video& v = TheVideo();
  if (v.started && !v.failed) StopEncoder(v);
  if (v.percent >= 0 && !v.barDone) std::fputc('\n', stderr);  // end the progress bar's line
  RemoveFiles(v);
  v.started = v.failed = false;
  v.file.clear();
  v.frames = 0;
  v.percent = -1;
  v.barDone = false;
}

}  // namespace host
