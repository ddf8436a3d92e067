// png_queue.cpp: capture frames encoded and written on worker threads.
#include "platform/host/png_queue.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <utility>

#include "platform/host/pictures.h"

namespace host {

// A frame's pixels and, once a worker has made them, its PNG bytes; jobs of
// equal consecutive frames share one, and the first worker to need the bytes
// encodes them while any other waits for it.
struct PngQueue::Picture {
  std::vector<std::uint8_t> rgb;
  int width = 0, height = 0;
  std::once_flag encoded;
  std::vector<std::uint8_t> png;  // empty when encoding failed

  const std::vector<std::uint8_t>& Png() {
    std::call_once(encoded, [this] {
      try {
        png = EncodeRgbPng(rgb.data(), width, height);
      } catch (const std::bad_alloc&) {
      }
    });
    return png;
  }
};

PngQueue::PngQueue(unsigned workers, std::size_t depth) : depth_(std::max<std::size_t>(depth, 1)) {
  threaded_ = workers > 0;
  if (!threaded_) return;
  // SIGINT and SIGTERM stay with the show's thread, whose waits they end.
  sigset_t interrupts, previous;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
  for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

unsigned PngQueue::DefaultWorkers() {
#ifdef __EMSCRIPTEN__
  return 0;  // the page has no threads
#else
  return std::max(1u, std::thread::hardware_concurrency());
#endif
}

void PngQueue::Push(std::string path, std::vector<std::uint8_t> rgb, int width, int height,
                    unsigned index) {
  // Only this thread touches last_, and workers only read a picture's pixels.
  if (!last_ || last_->width != width || last_->height != height || last_->rgb != rgb) {
    last_ = std::make_shared<Picture>();
    last_->rgb = std::move(rgb);
    last_->width = width;
    last_->height = height;
  }
  std::unique_lock lock(mutex_);
  room_.wait(lock, [this] { return failed_ || closing_ || jobs_.size() < depth_; });
  if (failed_ || closing_) return;
  Job job{std::move(path), last_, index};
  if (!threaded_) {
    ++busy_;
    Finish(job, lock);
    return;
  }
  jobs_.push_back(std::move(job));
  lock.unlock();
  ready_.notify_one();
}

void PngQueue::Drain() {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [this] { return jobs_.empty() && busy_ == 0; });
}

void PngQueue::Close(bool drop) {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    if (drop) jobs_.clear();
  }
  ready_.notify_all();
  room_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  last_.reset();
}

std::optional<PngQueue::Failure> PngQueue::TakeFailure() {
  std::lock_guard lock(mutex_);
  return std::exchange(failure_, std::nullopt);
}

unsigned PngQueue::WrittenEnd() const {
  std::lock_guard lock(mutex_);
  return writtenEnd_;
}

void PngQueue::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ready_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // closing, and nothing left to write
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    ++busy_;
    Finish(job, lock);
  }
}

void PngQueue::Finish(Job& job, std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  room_.notify_all();
  const std::vector<std::uint8_t>& png = job.picture->Png();
  errno = 0;
  const bool ok = !png.empty() && WritePngFile(job.path, png);
  const int error = png.empty() ? ENOMEM : errno != 0 ? errno : EIO;
  job.picture.reset();
  lock.lock();
  --busy_;
  if (ok) {
    writtenEnd_ = std::max(writtenEnd_, job.index + 1);
  } else if (!failed_) {
    // The first failure ends the capture: frames still waiting are dropped.
    failed_ = true;
    failure_ = Failure{job.path, error};
    jobs_.clear();
  }
  room_.notify_all();
}

}  // namespace host
