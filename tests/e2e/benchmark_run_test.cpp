// vuxa --benchmark: the whole show runs offscreen, writes no files and ends
// with the frame-rate report, the CPU time and the peak memory on stdout.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "show_process.h"

namespace {

TEST(BenchmarkRun, PlaysTheWholeShowAndReportsItsCost) {
  const auto dir = show_e2e::ScratchDir("benchmark");
  const show_e2e::ProcessResult run = show_e2e::RunVuxa(dir, "--benchmark --fps 5", "-u DISPLAY");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Average framerate: 5 fps"), std::string::npos) << run.out;
  double seconds = -1, megabytes = -1;
  const std::size_t cpu = run.out.find("CPU time: ");
  const std::size_t memory = run.out.find("Peak memory: ");
  ASSERT_NE(cpu, std::string::npos) << run.out;
  ASSERT_NE(memory, std::string::npos) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + cpu, "CPU time: %lf s", &seconds), 1);
  ASSERT_EQ(std::sscanf(run.out.c_str() + memory, "Peak memory: %lf MB", &megabytes), 1);
  EXPECT_GT(seconds, 0.0);
  EXPECT_GT(megabytes, 1.0);
  // Nothing written beside the program's own output files.
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "stdout.txt" || name == "stderr.txt") << name;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
