// The show in a window on a virtual 1280x720 screen (skipped without
// xvfb-run, xdotool or xwininfo): the window opens at the asked scale,
// Alt+Enter switches to full screen and back, F12 saves the frame shown (as a
// capture run from the time in its name makes it) and its exact upscale,
// Escape and the report box end the run, and a missing display is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

// Runs inside xvfb-run: drives the window with xdotool and writes what it saw
// to session.txt as "name value" lines.
constexpr const char* kSession = R"sh(#!/bin/sh
out=session.txt
geometry() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
"$VUXA" --window --scale 2 --start 24 > run.out 2> run.err &
pid=$!
wid=$(xdotool search --sync --onlyvisible --class '^vuxa$' 2>/dev/null | head -1)
sleep 1
echo "window $(geometry "$wid")" >> $out
xdotool windowfocus --sync "$wid"
# Waits (up to 20 s, for a busy machine) for the window's size, or for
# screenshot files: fixed sleeps were too short under load.
size() { for i in $(seq 200); do [ "$(geometry "$wid")" = "$1" ] && return; sleep 0.1; done; }
shots() { for i in $(seq 200); do [ $(ls vuxa-shot-*.png 2>/dev/null | wc -l) -ge $1 ] && return; sleep 0.1; done; }
xdotool key F12; shots 2
xdotool key alt+Return; size 1280x720
echo "full $(geometry "$wid")" >> $out
xdotool key F12; shots 4
xdotool key alt+Return; size 640x480
echo "back $(geometry "$wid")" >> $out
xdotool key Escape
box=
for i in $(seq 50); do
  box=$(xwininfo -root -tree | awk '/"Pelmorak 3D": \(\)/ {print $1}' | head -1)
  [ -n "$box" ] && break
  sleep 0.2
done
echo "box ${box:-none}" >> $out
[ -n "$box" ] && xdotool windowfocus --sync "$box" key Return
wait $pid
echo "exit $?" >> $out
"$VUXA" --window --display 3 > display.out 2> display.err
echo "display $?" >> $out
)sh";

std::map<std::string, std::string> ReadSession(const fs::path& file) {
  std::map<std::string, std::string> seen;
  std::ifstream in(file);
  std::string name, value;
  while (in >> name >> value) seen[name] = value;
  return seen;
}

TEST(Window, ScaleFullScreenScreenshotsAndEnd) {
  if (!HaveTools({"xvfb-run", "xdotool", "xwininfo"}))
    GTEST_SKIP() << "xvfb-run, xdotool or xwininfo is missing";
  const ScratchDir tmp("window");
  const fs::path& dir = tmp.path();
  std::ofstream(dir / "session.sh") << kSession;
  // In sanitizer builds the windowed program's leak check is off: the X11 and
  // D-Bus client libraries under SDL keep allocations to the end of the
  // process that LeakSanitizer cannot attribute (their frames don't unwind).
  const std::string command = "cd '" + dir.string() +
                              "' && VUXA='" VUXA_BINARY_DIR
                              "/vuxa' SDL_AUDIODRIVER=dummy ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" "
                              "timeout 120 xvfb-run -a -s "
                              "'-screen 0 1280x720x24' sh session.sh > xvfb.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(dir / "xvfb.txt");

  auto seen = ReadSession(dir / "session.txt");
  EXPECT_EQ(seen["window"], "640x480");
  EXPECT_EQ(seen["full"], "1280x720");  // the whole 16:9 screen; the picture has bars
  EXPECT_EQ(seen["back"], "640x480");
  EXPECT_NE(seen["box"], "none");
  EXPECT_EQ(seen["exit"], "0") << ReadText(dir / "run.err");
  EXPECT_NE(ReadText(dir / "run.out").find("Average framerate"), std::string::npos);

  // Two screenshots, one in the window (640x480) and one full screen (the
  // frame at scale 3 between the bars); stderr named each.
  const std::string err = ReadText(dir / "run.err");
  const auto shots = Listing(dir, "vuxa-shot-");
  ASSERT_EQ(shots.size(), 4u) << err;
  for (int k = 0; k < 2; ++k) {
    const std::string& name = shots[2 * k + 1];  // after the large one of its time ("s-" before "s.")
    SCOPED_TRACE(name);
    EXPECT_NE(err.find("saved " + name), std::string::npos) << err;
    const std::string time = name.substr(10, 7);  // "024.517"
    const auto small = ReadPng(dir / name);
    ASSERT_TRUE(small.ok && small.width == 320 && small.height == 240);
    const int scale = k ? 3 : 2;
    const auto big = ReadPng(dir / ("vuxa-shot-" + time + (k ? "s-960x720.png" : "s-640x480.png")));
    ASSERT_TRUE(big.ok);
    for (int y = 0; y < big.height; y += 7)
      for (int x = 0; x < big.width; x += 5)
        ASSERT_EQ(std::memcmp(big.At(x, y), small.At(x / scale, y / scale), 3), 0);
    // The frame shown then: a capture run started at that time shows it first.
    const std::string capture = "cap" + std::to_string(k);
    const auto run = RunVuxa(dir, "--capture " + capture + " --fps 1 --start " + time);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadPng(dir / capture / "frame_00001.png").rgb, small.rgb);
  }

  EXPECT_EQ(seen["display"], "2");
  const std::string display = ReadText(dir / "display.err");
  EXPECT_EQ(display.substr(0, display.find('\n')),
            "vuxa: invalid value '3' for --display (no such display; only display 0 exists)");
}

}  // namespace
