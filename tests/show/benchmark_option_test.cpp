// The --benchmark option: the show offscreen with no output, at any --fps.
#include <gtest/gtest.h>

#include <vector>

#include "parse_args.h"

namespace {


TEST(BenchmarkOption, RunsOffscreenWithoutCaptureAtTheGivenRate) {
  const ParsedOptions p = Parse({"--fps", "30", "--benchmark"});
  ASSERT_EQ(p.action, ParsedOptions::Action::Run) << p.error;
  EXPECT_TRUE(p.benchmark);
  EXPECT_TRUE(p.options.offscreen);
  EXPECT_TRUE(p.options.captureDir.empty());
  EXPECT_EQ(p.options.fps, 30);
  EXPECT_FALSE(Parse({}).benchmark);
  EXPECT_FALSE(Parse({}).options.offscreen);
}

TEST(BenchmarkOption, TakesNoValue) {
  const ParsedOptions p = Parse({"--benchmark=yes"});
  EXPECT_EQ(p.action, ParsedOptions::Action::Error);
  EXPECT_FALSE(p.error.empty());
}

}  // namespace
