// video.cpp: --video FILE: the frames and music of a capture run, encoded by
// ffmpeg into one .mp4 or .mkv file.
//
// One ffmpeg, one pass: every frame goes down a pipe on its stdin, the music
// as raw 16-bit samples down a second pipe on its descriptor 3. ffmpeg scales
// the frames 4x with nearest neighbours to 1280x960, encodes H.264 and AAC and
// writes the container named by FILE's extension straight into a temporary
// file, which is renamed onto FILE when ffmpeg succeeds. Neither pipe may
// starve ffmpeg while we wait on the other: ffmpeg reads a first block of
// music (4096 bytes) before any frame, so frames are held back until that much
// music has been offered, and each later frame until its own period of music
// has; music ffmpeg does not want yet waits in memory here. ffmpeg's messages
// go to a log file. Output and log are
// unique temporary files beside FILE (pending_file.h), named to ffmpeg with
// "file:" so that no name reads as an option or a protocol. On any
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
#include <bit>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/pending_file.h"
#include "platform/host/video.h"

extern char** environ;

namespace host {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr double kShowSeconds = 52.0;
constexpr int kAudioDescriptor = 3;  // the music's pipe in ffmpeg
// Music offered before the first frame is sent: more than ffmpeg reads at once.
constexpr std::size_t kMusicLead = 16384;

struct Video {
  bool started = false;
  bool failed = false;
  std::string file;  // as given to --video
  PendingFile output, log;
  pid_t encoder = -1;
  int pipe = -1;       // the encoder's stdin: the frames
  int musicPipe = -1;  // the encoder's descriptor 3: the music
  std::vector<std::uint8_t> music;  // samples for the encoder, from musicSent on
  std::size_t musicSent = 0;
  std::deque<std::vector<std::uint8_t>> held;  // frames waiting for their music
  std::size_t musicOffered = 0;                // bytes of music given to OfferMusic
  unsigned frames = 0;
  int percent = -1;      // shown on the progress bar; -1 before the first
  bool barDone = false;  // the bar reached 100% and its line was ended
  ~Video();
};

// A file's name for ffmpeg: never an option, never a protocol.
std::string ForFfmpeg(const std::string& path) { return "file:" + path; }

void RemoveFiles(Video& v) {
  v.output.Discard();
  v.log.Discard();
  v.music.clear();
  v.musicSent = 0;
  v.held.clear();
  v.musicOffered = 0;
}

void ClosePipe(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Closes the pipe and ends the encoder at once (its output is thrown away, so
// it gets no time to flush), then reaps it.
void StopEncoder(Video& v) {
  ClosePipe(v.pipe);
  ClosePipe(v.musicPipe);
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

}  // namespace

std::string VideoContainer(const std::string& file) {
  std::string ext = file.size() >= 4 ? file.substr(file.size() - 4) : "";
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".mp4" ? "mp4" : "matroska";
}

namespace {

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

// Starts ffmpeg with these arguments, its stdin from `input`, descriptor 3
// from `music` and its messages into the log. -1 when it cannot be started.
pid_t Spawn(const Video& v, const std::vector<std::string>& arguments, int input, int music) {
  const std::string program = FindOnPath("ffmpeg");
  if (program.empty()) return -1;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ffmpeg"));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string& log = v.log.TempPath();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The music goes through a number above both pipes: dup2 onto its own
  // number would keep close-on-exec, and the frames' dup2 could overwrite it.
  const int spare = std::max(input, music) + 1;
  posix_spawn_file_actions_adddup2(&actions, music, spare);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_adddup2(&actions, spare, kAudioDescriptor);
  posix_spawn_file_actions_addclose(&actions, spare);
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

}  // namespace

std::vector<std::string> VideoArguments(int fps, const std::string& frames,
                                        const std::string& music, const std::string& output,
                                        const std::string& container) {
  std::vector<std::string> args = {
      "-hide_banner", "-loglevel", "error", "-y",
      // Raw 320x240 RGB frames at the capture's rate...
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", "320x240",
      "-framerate", std::to_string(fps), "-i", frames,
      // ...and the music as 16-bit stereo at 48 kHz, queued deep enough that
      // its reader never waits for the pictures...
      "-thread_queue_size", "4096", "-probesize", "32", "-analyzeduration", "0", "-f", std::endian::native == std::endian::big ? "s16be" : "s16le",
      "-ar", "48000", "-ac", "2", "-i", music, "-map", "0:v:0", "-map", "1:a:0",
      // ...the frames scaled up 4x with square pixels and kept sharp by a low CRF.
      "-vf", "scale=1280:960:flags=neighbor",
      "-c:v", "libx264", "-preset", kVideoPreset, "-crf", "18", "-pix_fmt", "yuv420p",
      "-c:a", "aac", "-b:a", "192k"};
  if (container == "mp4") args.insert(args.end(), {"-movflags", "+faststart"});
  args.insert(args.end(), {"-f", container, output});
  return args;
}

namespace {

bool Start(Video& v) {
  v.started = true;
  v.file = GetOptions().videoFile;
  if (FindOnPath("ffmpeg").empty()) {
    Fail(v, "ffmpeg is not on the PATH; install ffmpeg to write videos");
    return false;
  }
  // ffmpeg writes into the (empty) temporary files made here.
  for (PendingFile* f : {&v.output, &v.log}) {
    if (!f->Create(v.file) || !f->Close()) {
      Fail(v, std::string("cannot write in ") + FolderOf(v.file) + ": " + std::strerror(errno));
      return false;
    }
  }
  std::signal(SIGPIPE, SIG_IGN);  // a stopped ffmpeg shows as a failed write
  int frames[2] = {-1, -1}, music[2] = {-1, -1};
  const bool piped = ::pipe2(frames, O_CLOEXEC) == 0 && ::pipe2(music, O_CLOEXEC) == 0 &&
                     ::fcntl(frames[1], F_SETFL, O_NONBLOCK) == 0 &&
                     ::fcntl(music[1], F_SETFL, O_NONBLOCK) == 0;
  v.pipe = frames[1];
  v.musicPipe = music[1];
  // A pipe that holds several frames lets the show run ahead of the encoder
  // instead of waking it for every 64 KB; where the system refuses, the
  // default size only costs speed.
  if (piped) ::fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
  if (piped)
    v.encoder = Spawn(v,
                      VideoArguments(GetOptions().fps, "pipe:0",
                                     "pipe:" + std::to_string(kAudioDescriptor),
                                     ForFfmpeg(v.output.TempPath()), VideoContainer(v.file)),
                      frames[0], music[0]);
  const int saved = errno;
  ClosePipe(frames[0]);
  ClosePipe(music[0]);
  if (!piped) {
    Fail(v, std::string("cannot start ffmpeg: ") + std::strerror(saved));
    return false;
  }
  if (v.encoder < 0) {
    Fail(v, "cannot start ffmpeg");
    return false;
  }
  return true;
}

// Hands the encoder as much of the waiting music as its pipe takes now;
// false when the encoder stopped reading it.
bool OfferMusic(Video& v) {
  while (v.musicSent < v.music.size()) {
    const ssize_t n =
        ::write(v.musicPipe, v.music.data() + v.musicSent, v.music.size() - v.musicSent);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    if (n <= 0) return false;
    v.musicSent += static_cast<std::size_t>(n);
  }
  if (v.musicSent == v.music.size()) {
    v.music.clear();
    v.musicSent = 0;
  }
  return true;
}

// Writes to the frames' pipe (or, without data, the rest of the music),
// waiting while it is full and feeding the music meanwhile; false when the
// encoder stopped reading or an interrupt came. Once a frame is in, music the
// encoder does not take yet stays queued for later: waiting for it here would
// hang on an encoder that reads its inputs in another order.
bool WriteAll(Video& v, const std::uint8_t* data, std::size_t size) {
  const auto musicWaits = [&v] { return v.musicPipe >= 0 && !v.music.empty(); };
  const bool drainMusic = size == 0;
  for (;;) {
    if (musicWaits() && !OfferMusic(v)) return false;
    if (size == 0 && (!drainMusic || !musicWaits())) return true;
    if (size > 0) {
      const ssize_t n = ::write(v.pipe, data, size);
      if (n > 0) {
        data += n;
        size -= static_cast<std::size_t>(n);
        continue;
      }
      if (n == 0 || (errno != EAGAIN && errno != EINTR)) return false;
    }
    if (InterruptSignal() != 0) return false;
    pollfd ready[2] = {{size > 0 ? v.pipe : -1, POLLOUT, 0},
                       {musicWaits() ? v.musicPipe : -1, POLLOUT, 0}};
    ::poll(ready, 2, 100);
  }
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

// Writes one frame; false (the failure reported) when it cannot.
bool SendFrame(Video& v, const std::vector<std::uint8_t>& rgb) {
  if (!WriteAll(v, rgb.data(), rgb.size())) {
    if (InterruptSignal() != 0) {  // the run ends: the encoder is stopped, not awaited
      Fail(v, "interrupted");
      return false;
    }
    ClosePipe(v.pipe);
    ClosePipe(v.musicPipe);
    const pid_t pid = v.encoder;
    v.encoder = -1;
    if (WaitEncoder(v, pid)) Fail(v, "ffmpeg stopped reading the frames");
    return false;
  }
  ++v.frames;
  ShowProgress(v);
  return true;
}

// Writes the held frames once the music is far enough ahead (or `all` of
// them); false (the failure reported) when they cannot be written.
bool SendHeldFrames(Video& v, bool all) {
  if (v.failed) return false;
  if (!all && v.musicOffered < kMusicLead) return true;
  for (; !v.held.empty(); v.held.pop_front())
    if (!SendFrame(v, v.held.front())) return false;
  return true;
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
  // A frame that got no music since the last one goes first.
  if (!SendHeldFrames(v, false)) return;
  v.held.emplace_back(rgb.begin(), rgb.end());
}

void VideoAudio(std::span<const std::int16_t> samples) {
  Video& v = TheVideo();
  if (!v.started || v.failed) return;
  if (v.musicPipe >= 0) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples.data());
    v.music.insert(v.music.end(), bytes, bytes + samples.size_bytes());
    v.musicOffered += samples.size_bytes();
    // A refusal shows as the encoder's failure at the next frame or at the end.
    if (!OfferMusic(v)) ClosePipe(v.musicPipe);
  }
  SendHeldFrames(v, v.musicPipe < 0);
}

bool VideoFinish() {
  Video& v = TheVideo();
  if (v.failed) return false;
  if (!v.started) return true;  // no frame was shown: there is no video to make
  if (!SendHeldFrames(v, true)) return false;
  if (v.percent >= 0 && !v.barDone) std::fputc('\n', stderr);
  v.barDone = true;
  // The last frames are in; the rest of the music follows, then both end.
  ClosePipe(v.pipe);
  if (!WriteAll(v, nullptr, 0) && InterruptSignal() != 0) {
    Fail(v, "interrupted");
    return false;
  }
  ClosePipe(v.musicPipe);
  const pid_t encoder = v.encoder;
  v.encoder = -1;
  if (!WaitEncoder(v, encoder)) return false;
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
