// options.cpp: the way of running, its checks before the show, and forced
// failures.
//
// Everything here lives on the main thread; nothing is locked.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/host/host.h"
#include "platform/host/pending_file.h"

namespace fs = std::filesystem;

namespace host {
namespace {

Options& MutableOptions() {
  static Options options;
  return options;
}

OptionProblem CheckDisplay(const Options& o) {
  if (IsOffscreen() || o.display == 0) return {};
  int count = DisplayCount();
  if (count < 0 || o.display < count) return {};
  std::string which = count == 1 ? "only display 0 exists"
                                 : "displays 0 to " + std::to_string(count - 1) + " exist";
  return {"invalid value '" + std::to_string(o.display) + "' for --display (no such display; " +
              which + ")",
          2};
}

OptionProblem CheckVideo(const Options& o) {
  if (o.videoFile.empty()) return {};
  if (FindOnPath("ffmpeg").empty())
    return {"--video " + o.videoFile +
                ": ffmpeg is not on the PATH; install ffmpeg to write videos",
            1};
  const std::string bad = "invalid value '" + o.videoFile + "' for --video (";
  std::error_code ec;
  if (fs::is_directory(o.videoFile, ec)) return {bad + "a directory, not a file name)", 2};
  // The video is made under temporary names beside FILE and renamed at the
  // end: try making one now (and remove it again).
  PendingFile probe;
  if (!probe.Create(o.videoFile))
    return {bad + "cannot write there: " + std::strerror(errno) + ")", 2};
  return {};
}

}  // namespace

void SetOptions(const Options& options) { MutableOptions() = options; }
const Options& GetOptions() { return MutableOptions(); }

bool IsOffscreen() {
  const Options& o = GetOptions();
  return o.offscreen || !o.captureDir.empty() || !o.videoFile.empty();
}

OptionProblem CheckOptions() {
  const Options& o = GetOptions();
  OptionProblem problem = CheckDisplay(o);
  if (problem.exitCode == 0) problem = CheckVideo(o);
  return problem;
}

std::map<std::string, std::int32_t>& ForcedFailures() {
  static std::map<std::string, std::int32_t> failures;
  return failures;
}

std::int32_t ForcedFailure(const char* call) {
  const auto& failures = ForcedFailures();
  auto it = failures.find(call);
  return it == failures.end() ? 0 : it->second;
}

}  // namespace host
