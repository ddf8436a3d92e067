// bench_main.cpp: runs the benchmarks and prints, after Google Benchmark's own
// report, a markdown table of each figure as a ratio to its floor.
//
//   vuxa_bench [--table FILE] [--pictures DIR] [--scene-hashes N] [--scene-frames N] [--depth 24]
//              [Google Benchmark options]
//
// Times are CPU time per iteration (the whole process's where a benchmark
// says so); with --benchmark_repetitions the median is used.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_env.h"
#include "platform/ddraw/driver.h"
#include "platform/host/host.h"

namespace {

std::vector<Comparison>& Comparisons() {
  static std::vector<Comparison> rows;
  return rows;
}

// Keeps each benchmark's time in microseconds beside the console report.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  TableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  std::map<std::string, double> micros;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      std::string name = run.run_name.str();
      // Process-time benchmarks carry a suffix; the table names them without it.
      if (const auto suffix = name.find("/process_time"); suffix != std::string::npos) name.erase(suffix);
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      if (!median && micros.count(name) && medians.count(name)) continue;
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      micros[name] = seconds * 1e6;
      if (median) medians[name] = true;
    }
  }

 private:
  std::map<std::string, bool> medians;
};

std::string Micros(double us) {
  char text[32];
  std::snprintf(text, sizeof text, us < 100 ? "%.1f us" : "%.0f us", us);
  return text;
}

void WriteTable(std::FILE* out, const std::map<std::string, double>& micros) {
  std::fprintf(out, "| figure | time | floor | floor time | ratio | target |\n");
  std::fprintf(out, "|---|---:|---|---:|---:|---|\n");
  for (const Comparison& row : Comparisons()) {
    const auto work = micros.find(row.work);
    const auto floor = micros.find(row.floor);
    if (work == micros.end() || floor == micros.end()) continue;
    const double ratio = work->second / floor->second;
    std::string target = "-";
    if (row.target > 0) {
      char text[48];
      std::snprintf(text, sizeof text, "<= %.2f %s", row.target, ratio <= row.target ? "met" : "MISSED");
      target = text;
    }
    std::fprintf(out, "| %s | %s | %s | %s | %.3f | %s |\n", row.label.c_str(), Micros(work->second).c_str(),
                 row.floorLabel.c_str(), Micros(floor->second).c_str(), ratio, target.c_str());
  }
}

}  // namespace

bool AddComparison(Comparison comparison) {
  Comparisons().push_back(std::move(comparison));
  return true;
}

int main(int argc, char** argv) {
  std::string tableFile, picturesDir;
  int sceneHashes = 0, sceneFrames = 0;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--table") == 0 && i + 1 < argc) {
      tableFile = argv[++i];
      continue;
    }
    if (std::strcmp(argv[i], "--scene-hashes") == 0 && i + 1 < argc) {
      sceneHashes = std::atoi(argv[++i]);
      continue;
    }
    if (std::strcmp(argv[i], "--scene-frames") == 0 && i + 1 < argc) {
      sceneFrames = std::atoi(argv[++i]);
      continue;
    }
    if (std::strcmp(argv[i], "--depth") == 0 && i + 1 < argc) {
      // Only 24 bits: the display then runs at 24 as on a driver without 32.
      platform::Profile().mode32 = std::strcmp(argv[++i], "24") != 0;
      continue;
    }
    if (std::strcmp(argv[i], "--pictures") == 0 && i + 1 < argc) {
      picturesDir = argv[++i];
      continue;
    }
    args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  StartShowEnvironment();
  if (sceneFrames > 0) {
    DrawSceneFrames(sceneFrames);
    return 0;
  }
  if (sceneHashes > 0) {
    PrintSceneHashes(sceneHashes);
    return 0;
  }
  if (!picturesDir.empty()) {
    WriteScenePictures(picturesDir);
    return 0;
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n");
  WriteTable(stdout, reporter.micros);
  if (!tableFile.empty()) {
    std::FILE* out = std::fopen(tableFile.c_str(), "w");
    if (!out) {
      std::fprintf(stderr, "vuxa_bench: cannot write %s\n", tableFile.c_str());
      return 1;
    }
    WriteTable(out, reporter.micros);
    std::fclose(out);
  }
  return 0;
}
