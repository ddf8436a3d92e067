// The generated module as libopenmpt plays it: one song outlasting the show,
// unclipped, at a level the show can play, fading to silence at the end; and
// its sample loops, read from the file, join without a click.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>
#include <string>

#include "support/scratch_files.h"

namespace {

constexpr int kRate = 48000;

using namespace scratch;

const Bytes& ModuleBytes() {
  static const Bytes bytes = ReadBytes(fs::path(VUXA_DATA_DIR) / "music" / "vuxa.xm");
  return bytes;
}

// RMS in dBFS of the seconds [from, to) of interleaved stereo.
double RmsDb(const std::vector<float>& pcm, double from, double to) {
  const std::size_t a = static_cast<std::size_t>(from * kRate) * 2;
  const std::size_t b = std::min(pcm.size(), static_cast<std::size_t>(to * kRate) * 2);
  double sum = 0;
  for (std::size_t i = a; i < b; ++i) sum += double(pcm[i]) * pcm[i];
  return b > a ? 10.0 * std::log10(sum / double(b - a) + 1e-20) : -200.0;
}

class MusicRender : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(ModuleBytes().size(), 336u) << "no generated module"; }
};

TEST_F(MusicRender, OneCleanSongOutlastingTheShowUnclippedAndFadingOut) {
  std::ostringstream log;
  openmpt::module module(ModuleBytes(), log);
  EXPECT_EQ(log.str(), "");
  EXPECT_EQ(module.get_metadata("type"), "xm");
  EXPECT_EQ(module.get_num_subsongs(), 1) << "every pattern is reached";
  EXPECT_GE(module.get_duration_seconds(), 52.0);
  std::vector<float> pcm, block(2 * 4096);
  while (const std::size_t frames = module.read_interleaved_stereo(kRate, 4096, block.data()))
    pcm.insert(pcm.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(2 * frames));
  ASSERT_GE(pcm.size(), std::size_t{52} * kRate * 2);
  float peak = 0;
  for (float v : pcm) peak = std::max(peak, std::fabs(v));
  EXPECT_LE(20.0 * std::log10(peak), -0.5);
  const double overall = RmsDb(pcm, 0, 48);
  EXPECT_GT(overall, -24.0);
  EXPECT_LT(overall, -10.0);
  // The ending fades over the black pause.
  EXPECT_LT(RmsDb(pcm, 50, 52), RmsDb(pcm, 48, 50) - 6.0);
}

struct Sample {
  std::uint32_t loopStart = 0, loopLength = 0;  // bytes, as stored
  std::uint8_t type = 0;
  std::vector<std::int16_t> data;  // 16-bit, decoded from deltas
};

// The samples of every instrument, walking the file as FastTracker 2 lays it
// out: header, packed patterns, then instruments each followed by its samples.
std::vector<Sample> Samples(const Bytes& b) {
  std::vector<Sample> out;
  const unsigned patterns = Le(b, 70, 2), instruments = Le(b, 72, 2);
  std::size_t at = 60 + Le(b, 60, 4);
  for (unsigned p = 0; p < patterns && at + 9 <= b.size(); ++p) at += Le(b, at, 4) + Le(b, at + 7, 2);
  for (unsigned i = 0; i < instruments && at + 33 <= b.size(); ++i) {
    const unsigned count = Le(b, at + 27, 2), header = Le(b, at + 29, 4);
    at += Le(b, at, 4);
    std::vector<std::uint32_t> lengths;
    for (unsigned k = 0; k < count && at + 15 <= b.size(); ++k, at += header) {
      lengths.push_back(Le(b, at, 4));
      out.push_back({Le(b, at + 4, 4), Le(b, at + 8, 4), b[at + 14], {}});
    }
    for (std::size_t k = 0; k < lengths.size(); ++k) {
      Sample& s = out[out.size() - lengths.size() + k];
      std::int16_t value = 0;
      for (std::uint32_t n = 0; n < lengths[k] / 2 && at + 2 <= b.size(); ++n, at += 2)
        s.data.push_back(value = static_cast<std::int16_t>(value + static_cast<std::int16_t>(Le(b, at, 2))));
    }
  }
  EXPECT_EQ(at, b.size()) << "no bytes missing or left over";
  return out;
}

// Median power of the loop's circular spectrum over a spread of bins, relative
// to the loop's total power. A loop that joins seamlessly repeats as a line
// spectrum, so most bins are empty; a step at the seam spreads power over all.
double SeamLeakageDb(const std::vector<std::int16_t>& data, std::size_t start, std::size_t end) {
  const std::vector<double> loop(data.begin() + static_cast<std::ptrdiff_t>(start),
                                 data.begin() + static_cast<std::ptrdiff_t>(end));
  const std::size_t n = loop.size();
  double energy = 0;
  for (double v : loop) energy += v * v;
  std::vector<double> bins;
  for (std::size_t k = 3; k < n / 2; k += 37) {  // Goertzel, bin by bin
    const double c = 2.0 * std::cos(2.0 * 3.14159265358979323846 * double(k) / double(n));
    double s1 = 0, s2 = 0;
    for (double v : loop) {
      const double s0 = v + c * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    bins.push_back(s1 * s1 + s2 * s2 - c * s1 * s2);
  }
  std::nth_element(bins.begin(), bins.begin() + bins.size() / 2, bins.end());
  return 10.0 * std::log10(2.0 * bins[bins.size() / 2] / (energy * double(n)) + 1e-30);
}

// Sustained sounds loop without a click; one-shots start and end at rest.
TEST_F(MusicRender, LoopsAreSeamlessAndOneShotsStartAndEndAtRest) {
  const std::vector<Sample> samples = Samples(ModuleBytes());
  int looped = 0;
  for (const Sample& s : samples) {
    const auto& d = s.data;
    ASSERT_FALSE(d.empty());
    EXPECT_TRUE(s.type & 0x10) << "16-bit";
    if ((s.type & 3) == 0) {
      EXPECT_LE(std::abs(d.front()), 328) << "1% of full scale";
      EXPECT_LE(std::abs(d.back()), 328);
      continue;
    }
    ++looped;
    const std::size_t start = s.loopStart / 2, end = (s.loopStart + s.loopLength) / 2;
    ASSERT_LE(end, d.size());
    // Whole-period loops sit at the 16-bit noise floor (about -130 dB); a loop
    // one sample off measures about -100 dB.
    EXPECT_LT(SeamLeakageDb(d, start, end), -115.0);
  }
  EXPECT_GT(looped, 0) << "no loop compared";
}

}  // namespace
