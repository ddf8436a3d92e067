// The generated module as libopenmpt (and openmpt123) plays it: a clean load,
// its length, levels at 48 kHz with the default render settings, and the
// shape of the song section by section.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <sstream>
#include <string>

#include "assetgen/music_support.h"

namespace {

constexpr int kRate = 48000;
constexpr int kKick = 0, kSnare = 1, kHat = 2, kLead = 4;

const music_test::Bytes& ModuleBytes() {
  static const music_test::Bytes bytes = music_test::ReadBytes(music_test::BuiltModule());
  return bytes;
}

// One full pass, interleaved stereo. With `solo` given, every other channel is muted.
std::vector<float> Render(std::initializer_list<int> solo = {}) {
  openmpt::module_ext module(ModuleBytes());
  if (solo.size()) {
    auto* interactive =
        static_cast<openmpt::ext::interactive*>(module.get_interface(openmpt::ext::interactive_id));
    for (int c = 0; c < module.get_num_channels(); ++c)
      interactive->set_channel_mute_status(c, std::find(solo.begin(), solo.end(), c) == solo.end());
  }
  std::vector<float> out, block(2 * 4096);
  while (const std::size_t frames = module.read_interleaved_stereo(kRate, 4096, block.data()))
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(2 * frames));
  return out;
}

// RMS in dBFS of the seconds [from, to).
double RmsDb(const std::vector<float>& pcm, double from, double to) {
  const std::size_t a = static_cast<std::size_t>(from * kRate) * 2;
  const std::size_t b = std::min(pcm.size(), static_cast<std::size_t>(to * kRate) * 2);
  double sum = 0;
  for (std::size_t i = a; i < b; ++i) sum += double(pcm[i]) * pcm[i];
  return b > a ? 10.0 * std::log10(sum / double(b - a) + 1e-20) : -200.0;
}

class MusicRender : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(ModuleBytes().empty()) << music_test::BuiltModule(); }
};

TEST_F(MusicRender, LoadsWithoutWarningsAndLastsAMinute) {
  std::ostringstream log;
  openmpt::module module(ModuleBytes(), log);
  EXPECT_EQ(log.str(), "");
  EXPECT_EQ(module.get_metadata("type"), "xm");
  EXPECT_EQ(module.get_num_channels(), 16);
  EXPECT_EQ(module.get_num_orders(), 10);
  EXPECT_EQ(module.get_num_patterns(), 10);
  EXPECT_EQ(module.get_num_subsongs(), 1) << "every pattern is reached";
  EXPECT_GE(module.get_duration_seconds(), 60.0 - 1e-6);
  EXPECT_LT(module.get_duration_seconds(), 61.0);
  // 160 BPM, speed 6: each six-second pattern starts on time.
  EXPECT_NEAR(module.set_position_order_row(4, 0), 24.0, 1e-6);
  EXPECT_NEAR(module.set_position_order_row(8, 0), 48.0, 1e-6);
}

TEST_F(MusicRender, PeakAndLoudnessFollowTheShow) {
  const std::vector<float> pcm = Render();
  ASSERT_GE(pcm.size(), std::size_t{60} * kRate * 2);
  float peak = 0;
  for (float v : pcm) peak = std::max(peak, std::fabs(v));
  EXPECT_LE(20.0 * std::log10(peak), -0.5);

  const double overall = RmsDb(pcm, 0, 60);
  EXPECT_GT(overall, -24.0);
  EXPECT_LT(overall, -10.0);
  const double intro = RmsDb(pcm, 0, 12), beat = RmsDb(pcm, 12, 24), full = RmsDb(pcm, 24, 36);
  const double turn = RmsDb(pcm, 36, 48);
  EXPECT_LT(intro, beat - 3.0) << "the intro is quieter than the beat";
  EXPECT_LE(beat, full) << "the lead adds to the beat";
  EXPECT_LT(turn, full) << "the break drops the drums";
  for (double section : {beat, full, turn}) {
    EXPECT_GT(section, -24.0);
    EXPECT_LT(section, -10.0);
  }
  // The ending fades over the black pause, then the song is silent until it repeats.
  EXPECT_LT(RmsDb(pcm, 50, 52), RmsDb(pcm, 48, 50) - 6.0);
  EXPECT_LT(RmsDb(pcm, 53, 60), -60.0);
}

TEST_F(MusicRender, PartsEnterWithTheirSections) {
  const std::vector<float> drums = Render({kKick, kSnare, kHat});
  EXPECT_LT(RmsDb(drums, 0, 12), -90.0) << "no drums under the titles";
  EXPECT_GT(RmsDb(drums, 12, 24), -30.0);
  EXPECT_LT(RmsDb(drums, 37, 44), -60.0) << "the break";
  EXPECT_GT(RmsDb(drums, 45, 48), -40.0) << "the build back to the ending";

  const std::vector<float> lead = Render({kLead});
  EXPECT_LT(RmsDb(lead, 0, 24), -90.0) << "the lead waits for the 3D scene";
  EXPECT_GT(RmsDb(lead, 24, 36), -35.0);
}

// openmpt123, where installed, reads the file as FastTracker 2 1.04 lasting a minute.
TEST(MusicOpenmpt123, ReadsTheModuleAsFastTracker104) {
  if (std::system("command -v openmpt123 >/dev/null 2>&1") != 0) GTEST_SKIP() << "openmpt123 not on PATH";
  const std::string command = "openmpt123 --info \"" + music_test::BuiltModule().string() + "\" 2>&1";
  std::string info;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) info += line;
    EXPECT_EQ(pclose(pipe), 0);
  }
  EXPECT_NE(info.find("FastTracker 2 v1.04"), std::string::npos) << info;
  EXPECT_NE(info.find("Duration...: 01:00"), std::string::npos) << info;
  EXPECT_NE(info.find("Channels...: 16"), std::string::npos) << info;
  EXPECT_EQ(info.find("arning"), std::string::npos) << info;
}

}  // namespace
