// End-to-end: the 3D scene between 24 and 36 s of a captured show at 10 frames
// a second (frame k shows ShowClock (k - 1) / 10): lit inside the viewport
// rows, black outside them, turning; and a missing or cut scene file warns
// once and leaves the interval black or partial while the show plays on.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

#include "effects_capture.h"

namespace {

using namespace effects_e2e;

constexpr int FPS = 10;

int FrameAt(double showClock) { return static_cast<int>(std::lround(showClock * FPS)) + 1; }

struct RowCounts {
  int outside = 0;  // non-black pixels in rows 0-19 and 220-239
  int inside = 0;   // non-black pixels in rows 20-219
  int bright = 0;   // inside pixels with a channel above 96
  std::set<std::uint32_t> colours;
};

RowCounts Count(const std::vector<std::uint32_t>& frame) {
  RowCounts c;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const std::uint32_t p = frame[y * 320 + x] & 0xFFFFFF;
      if (p == 0) continue;
      if (y < 20 || y >= 220) {
        ++c.outside;
        continue;
      }
      ++c.inside;
      c.colours.insert(p);
      if ((p >> 16) > 96 || ((p >> 8) & 0xFF) > 96 || (p & 0xFF) > 96) ++c.bright;
    }
  return c;
}

std::vector<std::string> Warnings(const std::string& err) {
  std::vector<std::string> out;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("vuxa: warning: ", 0) == 0) out.push_back(line);
  return out;
}

class CapturedSpin : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(ScratchDir("spin_e2e"));
    run_ = new VuxaRun(RunVuxa(*dir_, "--capture frames --fps 10"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete run_;
  }
  void SetUp() override { ASSERT_EQ(run_->exitCode, 0) << run_->stderrText; }
  static std::vector<std::uint32_t> Frame(int k) {
    auto frame = ReadFrame(FramePath(*dir_ / "frames", k));
    EXPECT_EQ(frame.size(), 320u * 240u) << "frame " << k;
    return frame;
  }
  static inline fs::path* dir_ = nullptr;
  static inline VuxaRun* run_ = nullptr;
};

TEST_F(CapturedSpin, SceneFileLoadsWithoutWarnings) {
  for (const std::string& w : Warnings(run_->stderrText))
    EXPECT_EQ(w.find("ball.3ds"), std::string::npos) << w;
}

TEST_F(CapturedSpin, LitInsideTheViewportAndBlackOutside) {
  for (double t : {24.0, 25.5, 28.0, 30.0, 32.5, 35.9}) {
    const auto frame = Frame(FrameAt(t));
    ASSERT_FALSE(frame.empty());
    const RowCounts c = Count(frame);
    EXPECT_EQ(c.outside, 0) << "at " << t << " s";
    EXPECT_GT(c.inside, 320 * 200 / 20) << "at " << t << " s";  // a good part of the view
    EXPECT_GT(c.bright, 500) << "at " << t << " s";
    EXPECT_GT(c.colours.size(), 200u) << "at " << t << " s";    // shaded and textured, not flat
  }
}

TEST_F(CapturedSpin, ConsecutiveFramesTurn) {
  for (double t : {24.5, 29.0, 34.0}) {
    const auto a = Frame(FrameAt(t));
    const auto b = Frame(FrameAt(t) + 1);
    ASSERT_FALSE(a.empty() || b.empty());
    int changed = 0;
    for (std::size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
    EXPECT_GT(changed, 200) << "at " << t << " s";
  }
}

// A copy of the data with the scene file missing or cut short.
VuxaRun RunWithScene(const std::string& name, bool remove, std::uintmax_t keep = 0) {
  const fs::path dir = ScratchDir(name);
  fs::copy(VUXA_DATA_DIR, dir, fs::copy_options::recursive);
  const fs::path scene = dir / "scenes" / "ball.3ds";
  if (remove)
    fs::remove(scene);
  else
    fs::resize_file(scene, keep);
  VuxaRun run = RunVuxa(dir, "--capture frames --fps 2");
  run.stdoutText = dir.string();  // where the frames are
  return run;
}

TEST(BadSceneFile, MissingFileWarnsOnceAndLeavesTheIntervalBlack) {
  const VuxaRun run = RunWithScene("spin_missing", true);
  const fs::path dir = run.stdoutText;
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  const auto warnings = Warnings(run.stderrText);
  ASSERT_EQ(warnings.size(), 1u) << run.stderrText;
  EXPECT_TRUE(std::regex_search(warnings[0], std::regex(R"(scenes/ball\.3ds: .+$)"))) << warnings[0];
  EXPECT_TRUE(fs::exists(FramePath(dir / "frames", 52 * 2)));
  for (double t : {24.5, 30.0, 35.5}) {
    const auto frame = ReadFrame(FramePath(dir / "frames", static_cast<int>(t * 2) + 1));
    ASSERT_EQ(frame.size(), 320u * 240u);
    const RowCounts c = Count(frame);
    EXPECT_EQ(c.inside + c.outside, 0) << "at " << t << " s";
  }
  fs::remove_all(dir);
}

TEST(BadSceneFile, CutFileWarnsWithTheChunkAndPlaysOn) {
  const VuxaRun run = RunWithScene("spin_cut", false, 3000);
  const fs::path dir = run.stdoutText;
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  const auto warnings = Warnings(run.stderrText);
  ASSERT_EQ(warnings.size(), 1u) << run.stderrText;
  EXPECT_TRUE(std::regex_search(warnings[0], std::regex(R"(scenes/ball\.3ds: .*chunk.*offset \d+)")))
      << warnings[0];
  EXPECT_TRUE(fs::exists(FramePath(dir / "frames", 52 * 2)));
  // No camera was read: the interval stays black rather than showing garbage.
  const RowCounts c = Count(ReadFrame(FramePath(dir / "frames", 30 * 2 + 1)));
  EXPECT_EQ(c.inside + c.outside, 0);
  fs::remove_all(dir);
}

}  // namespace
