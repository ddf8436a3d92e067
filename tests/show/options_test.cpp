// The command-line parser: defaults, every option reaching the host's
// options, repetitions, bad values named with their option on one line, and
// the help text listing every option with an example.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "show/options.h"

namespace {

using Action = ParsedOptions::Action;

ParsedOptions Parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"vuxa"};
  argv.insert(argv.end(), args);
  return ParseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseOptions, DefaultsAndEveryOption) {
  const host::Options d = Parse({}).options;
  EXPECT_EQ(Parse({}).action, Action::Run);
  EXPECT_TRUE(!d.window && d.scale == 0 && d.fps == 60 && !d.mute && d.captureDir.empty() && d.display == 0);
  EXPECT_TRUE(!d.linearFilter && d.vsync && d.startSeconds == 0 && d.videoFile.empty() && !d.offscreen);
  EXPECT_FALSE(Parse({}).benchmark);

  const ParsedOptions p = Parse({"--window", "--scale", "3", "--capture", "out dir", "--fps", "25", "--mute",
                                 "--display", "2", "--filter", "linear", "--no-vsync", "--start", "24.5",
                                 "--video", "show.MP4"});
  ASSERT_EQ(p.action, Action::Run) << p.error;
  const host::Options& o = p.options;
  EXPECT_TRUE(o.window && o.scale == 3 && o.captureDir == "out dir" && o.fps == 25 && o.mute);
  EXPECT_TRUE(o.display == 2 && o.linearFilter && !o.vsync && o.startSeconds == 24.5 && o.videoFile == "show.MP4");

  const ParsedOptions joined = Parse({"--fps=1000", "--scale=16", "--display=63", "--start=51.999", "--benchmark"});
  ASSERT_EQ(joined.action, Action::Run) << joined.error;
  EXPECT_TRUE(joined.options.fps == 1000 && joined.options.scale == 16 && joined.options.display == 63);
  EXPECT_FLOAT_EQ(joined.options.startSeconds, 51.999f);
  EXPECT_TRUE(joined.benchmark && joined.options.offscreen && joined.options.captureDir.empty());

  // The later of a repetition wins.
  EXPECT_EQ(Parse({"--fps", "30", "--fps", "50"}).options.fps, 50);
  EXPECT_FALSE(Parse({"--window", "--fullscreen"}).options.window);
  EXPECT_TRUE(Parse({"--fullscreen", "--window"}).options.window);
  EXPECT_FALSE(Parse({"--filter=linear", "--filter=nearest"}).options.linearFilter);
  // --help and --version win over everything after them.
  EXPECT_EQ(Parse({"--help"}).action, Action::Help);
  EXPECT_EQ(Parse({"--window", "--version", "--bogus"}).action, Action::Version);
}

TEST(ParseOptions, BadValuesNameTheOptionAndTheValueOnOneLine) {
  const struct {
    std::initializer_list<const char*> args;
    const char* mentions[2];
  } cases[] = {
      {{"--scale", "0"}, {"--scale", "'0'"}},         {{"--scale", "17"}, {"--scale", "'17'"}},
      {{"--scale=2.5"}, {"--scale", "'2.5'"}},        {{"--fps", "0"}, {"--fps", "'0'"}},
      {{"--fps", "1001"}, {"--fps", "'1001'"}},       {{"--fps", "25x"}, {"--fps", "'25x'"}},
      {{"--fps", "-5"}, {"--fps", "'-5'"}},           {{"--fps", ""}, {"--fps", "''"}},
      {{"--display", "-1"}, {"--display", "'-1'"}},   {{"--display", "64"}, {"--display", "'64'"}},
      {{"--display", "first"}, {"--display", "'first'"}}, {{"--filter", "cubic"}, {"--filter", "'cubic'"}},
      {{"--filter", "Linear"}, {"--filter", "'Linear'"}}, {{"--filter="}, {"--filter", "''"}},
      {{"--start", "52"}, {"--start", "'52'"}},       {{"--start", "-1"}, {"--start", "'-1'"}},
      {{"--start", "nan"}, {"--start", "'nan'"}},     {{"--start", "inf"}, {"--start", "'inf'"}},
      {{"--start", "1e1"}, {"--start", "'1e1'"}},     {{"--start", "24,5"}, {"--start", "'24,5'"}},
      {{"--start", "24s"}, {"--start", "'24s'"}},     {{"--start", ""}, {"--start", "''"}},
      {{"--video", "show.avi"}, {"--video", "'show.avi'"}}, {{"--video", "show"}, {"--video", "'show'"}},
      {{"--video", ".mp4"}, {"--video", "'.mp4'"}},   {{"--video", ""}, {"--video", "''"}},
      {{"--video"}, {"--video", "needs a value"}},    {{"--start"}, {"--start", "needs a value"}},
      {{"--fps"}, {"--fps", "needs a value"}},        {{"--capture"}, {"--capture", "needs a value"}},
      {{"--mute=yes"}, {"--mute", "takes no value"}}, {{"--no-vsync=1"}, {"--no-vsync", "takes no value"}},
      {{"--fullscreen=yes"}, {"--fullscreen", "takes no value"}},
      {{"--benchmark=yes"}, {"unknown option", "'--benchmark=yes'"}},
      {{"--fullscreenish"}, {"unknown option", "'--fullscreenish'"}}, {{"show"}, {"unknown option", "'show'"}},
  };
  for (const auto& c : cases) {
    const ParsedOptions p = Parse(c.args);
    ASSERT_EQ(p.action, Action::Error) << *c.args.begin() << " " << c.mentions[1];
    for (const char* word : c.mentions) EXPECT_NE(p.error.find(word), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
}

TEST(ParseOptions, HelpListsEveryOptionWithAnExampleAndVersionItsNumber) {
  const std::string usage = UsageText();
  EXPECT_EQ(usage.rfind("usage: vuxa [options]\n", 0), 0u);
  ASSERT_NE(usage.find("Examples:"), std::string::npos);
  const std::string examples = usage.substr(usage.find("Examples:"));
  for (const char* option : {"--fullscreen", "--window", "--scale", "--display", "--filter", "--no-vsync", "--start",
                             "--capture", "--video", "--fps", "--mute", "--benchmark", "--version"}) {
    EXPECT_NE(usage.find(std::string("  ") + option), std::string::npos) << option;
    EXPECT_NE(examples.find(std::string(" ") + option + " "), std::string::npos) << option;
  }
  for (const char* promise : {"scale=1280:960:flags=neighbor", "random generator", "Alt+Enter", "F12"})
    EXPECT_NE(usage.find(promise), std::string::npos) << promise;
  const std::string version = VersionText();
  ASSERT_EQ(version.rfind("vuxa ", 0), 0u) << version;
  EXPECT_GT(version.size(), 5u);
  EXPECT_EQ(version.find_first_not_of("0123456789.", 5), std::string::npos) << version;
}

}  // namespace
