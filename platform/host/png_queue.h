// png_queue.h: frames of a capture encoded as PNG files on worker threads.
//
// The show renders frames in order on its own thread and hands each one over
// with its file name; workers encode and write them (png_writer.cpp) while
// the next frames render. A file's bytes depend only on its pixels, so what
// lands on disk is the same for any number of workers and any scheduling. A
// frame equal to the one before shares its encoding: still pictures cost one
// encode. The queue holds a few frames at most: a full queue makes Push wait,
// so memory stays small however far rendering runs ahead. After the first
// failed write nothing more is written; the failure waits for TakeFailure.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace host {

class PngQueue {
 public:
  struct Failure {
    std::string path;
    int error = 0;  // errno of the failed write
  };

  // `workers` threads, at most `depth` frames waiting; with no workers each
  // frame is written in Push.
  PngQueue(unsigned workers, std::size_t depth);
  ~PngQueue() { Close(true); }
  PngQueue(const PngQueue&) = delete;
  PngQueue& operator=(const PngQueue&) = delete;

  // Queues packed RGB `rgb` (width x height) for `path`, frame `index`;
  // waits while the queue is full. Ignored once a write failed or Close began.
  void Push(std::string path, std::vector<std::uint8_t> rgb, int width, int height,
            unsigned index);
  // Waits until every queued frame is written or dropped after a failure.
  void Drain();
  // Ends the workers: with `drop` the frames still waiting are dropped, else
  // they are written first; a frame being written is always finished.
  void Close(bool drop);
  // The first failure, once; empty when none came (since the last call).
  std::optional<Failure> TakeFailure();
  // One more than the highest frame index written so far (0 for none).
  unsigned WrittenEnd() const;

  // Workers for this machine: one for each processor (none in a browser).
  static unsigned DefaultWorkers();

 private:
  struct Picture;
  struct Job {
    std::string path;
    std::shared_ptr<Picture> picture;
    unsigned index = 0;
  };
  void Work();
  // Encodes and writes a taken job (counted in busy_), the lock released
  // meanwhile; notes the result.
  void Finish(Job& job, std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable ready_;  // a job waits, or the queue closes
  std::condition_variable room_;   // a job was taken or finished
  std::deque<Job> jobs_;
  std::size_t depth_;
  bool threaded_ = false;
  unsigned busy_ = 0;  // jobs being written now
  bool closing_ = false;
  bool failed_ = false;
  std::optional<Failure> failure_;
  unsigned writtenEnd_ = 0;
  std::shared_ptr<Picture> last_;  // the frame pushed last (the pushing thread's own)
  std::vector<std::thread> workers_;
};

}  // namespace host
