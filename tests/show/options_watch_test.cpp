// The options for watching and sharing the show: full screen or window, the
// monitor, the scaling filter, vsync, the start point and the video file; their
// bad values, and the help text's list with an example of every option.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "parse_args.h"

namespace {

using Action = ParsedOptions::Action;

TEST(WatchOptions, DefaultsAreTheShowAsDescribed) {
  const ParsedOptions p = Parse({});
  ASSERT_EQ(p.action, Action::Run);
  EXPECT_FALSE(p.options.window);
  EXPECT_EQ(p.options.display, 0);
  EXPECT_FALSE(p.options.linearFilter);
  EXPECT_TRUE(p.options.vsync);
  EXPECT_EQ(p.options.startSeconds, 0.0);
  EXPECT_TRUE(p.options.videoFile.empty());
}

TEST(WatchOptions, EachReachesTheHostOptions) {
  const ParsedOptions p = Parse({"--window", "--display", "2", "--filter", "linear", "--no-vsync",
                                 "--start", "24.5", "--video", "show.MP4", "--fps=30"});
  ASSERT_EQ(p.action, Action::Run) << p.error;
  EXPECT_TRUE(p.options.window);
  EXPECT_EQ(p.options.display, 2);
  EXPECT_TRUE(p.options.linearFilter);
  EXPECT_FALSE(p.options.vsync);
  EXPECT_DOUBLE_EQ(p.options.startSeconds, 24.5);
  EXPECT_EQ(p.options.videoFile, "show.MP4");
  EXPECT_EQ(p.options.fps, 30);

  // The later of --window and --fullscreen wins, like any repetition.
  EXPECT_FALSE(Parse({"--window", "--fullscreen"}).options.window);
  EXPECT_TRUE(Parse({"--fullscreen", "--window"}).options.window);
  EXPECT_FALSE(Parse({"--filter=linear", "--filter=nearest"}).options.linearFilter);
  EXPECT_EQ(Parse({"--start=0"}).options.startSeconds, 0.0);
  EXPECT_DOUBLE_EQ(Parse({"--start", "51.999"}).options.startSeconds, 51.999);
  EXPECT_EQ(Parse({"--start", "12"}).options.startSeconds, 12.0);
  EXPECT_EQ(Parse({"--video", "dir/with space/a.mkv"}).options.videoFile, "dir/with space/a.mkv");
  EXPECT_EQ(Parse({"--display=63"}).options.display, 63);
}

TEST(WatchOptions, BadValuesNameTheOptionAndTheValueOnOneLine) {
  struct Case {
    std::initializer_list<const char*> args;
    const char* option;
    const char* value;
  };
  const Case cases[] = {
      {{"--display", "-1"}, "--display", "'-1'"},
      {{"--display", "64"}, "--display", "'64'"},
      {{"--display", "first"}, "--display", "'first'"},
      {{"--filter", "cubic"}, "--filter", "'cubic'"},
      {{"--filter", "Linear"}, "--filter", "'Linear'"},
      {{"--filter="}, "--filter", "''"},
      {{"--start", "52"}, "--start", "'52'"},
      {{"--start", "60"}, "--start", "'60'"},
      {{"--start", "-1"}, "--start", "'-1'"},
      {{"--start", "nan"}, "--start", "'nan'"},
      {{"--start", "inf"}, "--start", "'inf'"},
      {{"--start", "1e1"}, "--start", "'1e1'"},
      {{"--start", "24,5"}, "--start", "'24,5'"},
      {{"--start", "24s"}, "--start", "'24s'"},
      {{"--start", ""}, "--start", "''"},
      {{"--video", "show.avi"}, "--video", "'show.avi'"},
      {{"--video", "show"}, "--video", "'show'"},
      {{"--video", ".mp4"}, "--video", "'.mp4'"},
      {{"--video", ""}, "--video", "''"},
      {{"--video"}, "--video", "needs a value"},
      {{"--start"}, "--start", "needs a value"},
      {{"--no-vsync=1"}, "--no-vsync", "takes no value"},
      {{"--fullscreen=yes"}, "--fullscreen", "takes no value"},
  };
  for (const Case& c : cases) {
    const ParsedOptions p = Parse(c.args);
    ASSERT_EQ(p.action, Action::Error) << *c.args.begin() << " " << c.value;
    EXPECT_NE(p.error.find(c.option), std::string::npos) << p.error;
    EXPECT_NE(p.error.find(c.value), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
}

TEST(WatchOptions, HelpListsEveryOptionAndAnExampleOfEach) {
  const std::string usage = UsageText();
  const std::string examples = usage.substr(usage.find("Examples:"));
  ASSERT_NE(usage.find("Examples:"), std::string::npos);
  for (const char* option :
       {"--fullscreen", "--window", "--scale", "--display", "--filter", "--no-vsync", "--start",
        "--capture", "--video", "--fps", "--mute", "--benchmark", "--version"}) {
    EXPECT_NE(usage.find(std::string("  ") + option), std::string::npos) << option;
    EXPECT_NE(examples.find(std::string(" ") + option + " "), std::string::npos) << option;
  }
  // What the options promise: the upscale filter for videos, and where --start's
  // randomness differs.
  EXPECT_NE(usage.find("scale=1280:960:flags=neighbor"), std::string::npos);
  EXPECT_NE(usage.find("random generator"), std::string::npos);
  EXPECT_NE(usage.find("Alt+Enter"), std::string::npos);
  EXPECT_NE(usage.find("F12"), std::string::npos);
}

}  // namespace
