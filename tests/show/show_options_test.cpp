// Tests of the command-line parser: values, ranges, and the errors it names.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "parse_args.h"

namespace {

using Action = ParsedOptions::Action;

TEST(ParseOptions, NoArgumentsRunTheShowWithDefaults) {
  const ParsedOptions p = Parse({});
  EXPECT_EQ(p.action, Action::Run);
  EXPECT_FALSE(p.options.window);
  EXPECT_EQ(p.options.scale, 0);
  EXPECT_EQ(p.options.fps, 60);
  EXPECT_FALSE(p.options.mute);
  EXPECT_TRUE(p.options.captureDir.empty());
}

TEST(ParseOptions, EveryOptionReachesTheHostOptions) {
  const ParsedOptions p =
      Parse({"--window", "--scale", "3", "--capture", "out dir", "--fps", "25", "--mute"});
  ASSERT_EQ(p.action, Action::Run) << p.error;
  EXPECT_TRUE(p.options.window);
  EXPECT_EQ(p.options.scale, 3);
  EXPECT_EQ(p.options.captureDir, "out dir");
  EXPECT_EQ(p.options.fps, 25);
  EXPECT_TRUE(p.options.mute);

  const ParsedOptions joined = Parse({"--fps=1000", "--scale=16", "--capture=x"});
  ASSERT_EQ(joined.action, Action::Run) << joined.error;
  EXPECT_EQ(joined.options.fps, 1000);
  EXPECT_EQ(joined.options.scale, 16);
  EXPECT_EQ(joined.options.captureDir, "x");
}

TEST(ParseOptions, HelpAndVersionWinOverEverythingAfterThem) {
  EXPECT_EQ(Parse({"--help"}).action, Action::Help);
  EXPECT_EQ(Parse({"--window", "--version", "--bogus"}).action, Action::Version);
  const std::string version = VersionText();
  ASSERT_EQ(version.rfind("vuxa ", 0), 0u) << version;
  EXPECT_EQ(version.find_first_not_of("0123456789.", 5), std::string::npos) << version;
  EXPECT_GT(version.size(), 5u);
}

TEST(ParseOptions, BadValuesNameTheOptionAndTheValue) {
  struct Case {
    std::initializer_list<const char*> args;
    const char* mentions[2];
  };
  const Case cases[] = {
      {{"--scale", "0"}, {"--scale", "'0'"}},
      {{"--scale", "17"}, {"--scale", "'17'"}},
      {{"--fps", "0"}, {"--fps", "'0'"}},
      {{"--fps", "1001"}, {"--fps", "'1001'"}},
      {{"--fps", "25x"}, {"--fps", "'25x'"}},
      {{"--fps", "-5"}, {"--fps", "'-5'"}},
      {{"--fps", ""}, {"--fps", "''"}},
      {{"--scale=2.5"}, {"--scale", "'2.5'"}},
      {{"--fps"}, {"--fps", "needs a value"}},
      {{"--capture"}, {"--capture", "needs a value"}},
      {{"--mute=yes"}, {"--mute", "takes no value"}},
      {{"--fullscreenish"}, {"unknown option", "'--fullscreenish'"}},
      {{"show"}, {"unknown option", "'show'"}},
  };
  for (const Case& c : cases) {
    const ParsedOptions p = Parse(c.args);
    ASSERT_EQ(p.action, Action::Error) << *c.args.begin();
    for (const char* word : c.mentions)
      EXPECT_NE(p.error.find(word), std::string::npos) << p.error << " lacks " << word;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
}

TEST(ParseOptions, ALaterRepetitionWins) {
  const ParsedOptions p = Parse({"--fps", "30", "--fps", "50"});
  EXPECT_EQ(p.options.fps, 50);
}

TEST(ParseOptions, UsageListsEveryOption) {
  const std::string usage = UsageText();
  EXPECT_EQ(usage.rfind("usage: vuxa [options]\n", 0), 0u);
  for (const char* option :
       {"--window", "--scale N", "--capture DIR", "--fps N", "--mute", "--help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
}

}  // namespace
