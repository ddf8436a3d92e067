// The command-line parser: defaults, every option reaching the host's options,
// repetitions, bad values named with their option on one line, and the help
// listing every option with an example (--version's line is tests/e2e's).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
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
  const auto expectError = [](std::initializer_list<const char*> args, const std::string& option,
                              const std::string& said) {
    const ParsedOptions p = Parse(args);
    ASSERT_EQ(p.action, Action::Error) << *args.begin() << " " << said;
    EXPECT_NE(p.error.find(option), std::string::npos) << p.error;
    EXPECT_NE(p.error.find(said), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  };
  // Values out of range or not of the option's kind, given apart or joined: named in quotes.
  const std::pair<const char*, std::vector<const char*>> badValues[] = {
      {"--scale", {"0", "17"}},
      {"--fps", {"0", "1001", "25x", "-5", ""}},
      {"--display", {"-1", "64", "first"}},
      {"--filter", {"cubic", "Linear"}},
      {"--start", {"52", "-1", "nan", "inf", "1e1", "24,5", "24s", ""}},
      {"--video", {"show.avi", "show", ".mp4", ""}},
  };
  for (const auto& [option, values] : badValues)
    for (const char* value : values) expectError({option, value}, option, "'" + std::string(value) + "'");
  expectError({"--scale=2.5"}, "--scale", "'2.5'");
  expectError({"--filter="}, "--filter", "''");
  for (const char* option : {"--video", "--start", "--fps", "--capture"})
    expectError({option}, option, "needs a value");
  for (const std::string joined : {"--mute=yes", "--no-vsync=1", "--fullscreen=yes"})
    expectError({joined.c_str()}, joined.substr(0, joined.find('=')), "takes no value");
  for (const std::string arg : {"--benchmark=yes", "--fullscreenish", "show"})
    expectError({arg.c_str()}, "unknown option", "'" + arg + "'");
}

TEST(ParseOptions, HelpListsEveryOptionWithAnExample) {
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
}

}  // namespace
