// The generated module read back byte by byte with a parser of its own: song
// header fields, packed patterns, instruments, sample loops, and the same
// bytes on every run of the generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "assetgen/music_support.h"

namespace {

using music_test::Bytes;

struct XmSample {
  std::uint32_t length = 0, loop_start = 0, loop_length = 0;  // bytes, as stored
  std::uint8_t type = 0;
  std::vector<std::int16_t> data;  // decoded from deltas
};

struct XmFile {
  std::string id;
  unsigned marker = 0, version = 0, header_size = 0, song_length = 0, restart = 0;
  unsigned channels = 0, patterns = 0, instruments = 0, flags = 0, speed = 0, bpm = 0;
  std::vector<unsigned> order;
  std::vector<unsigned> pattern_rows, pattern_cells;
  std::vector<unsigned> instrument_header_sizes;
  std::vector<XmSample> samples;
  unsigned bad_notes = 0, bad_instruments = 0;
  std::size_t end = 0;  // where parsing stopped
};

class Reader {
 public:
  explicit Reader(const Bytes& b) : b_(b) {}
  bool Ok(std::size_t n) const { return pos_ + n <= b_.size(); }
  unsigned U8() { return Ok(1) ? b_[pos_++] : (++pos_, 0u); }  // past the end reads 0
  unsigned U16() {
    const unsigned low = U8();
    return low | (U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::string Text(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(U8());
    return s;
  }
  void Skip(std::size_t n) { pos_ += n; }
  void Seek(std::size_t p) { pos_ = p; }
  std::size_t pos() const { return pos_; }

 private:
  const Bytes& b_;
  std::size_t pos_ = 0;
};

void ReadPattern(Reader& r, XmFile& xm) {
  const std::size_t start = r.pos();
  const std::uint32_t header = r.U32();
  r.U8();
  const unsigned rows = r.U16(), packed = r.U16();
  r.Seek(start + header);
  const std::size_t end = r.pos() + packed;
  unsigned cells = 0;
  while (r.pos() < end) {
    unsigned flags = r.U8();
    unsigned note = 0, instrument = 0;
    if (flags & 0x80) {
      if (flags & 1) note = r.U8();
      if (flags & 2) instrument = r.U8();
      r.Skip(((flags >> 2) & 1) + ((flags >> 3) & 1) + ((flags >> 4) & 1));
    } else {
      note = flags;
      instrument = r.U8();
      r.Skip(3);
    }
    xm.bad_notes += note > 97;
    xm.bad_instruments += instrument > xm.instruments;
    ++cells;
  }
  xm.pattern_rows.push_back(rows);
  xm.pattern_cells.push_back(r.pos() == end ? cells : 0);
}

void ReadInstrument(Reader& r, XmFile& xm) {
  const std::size_t start = r.pos();
  const std::uint32_t size = r.U32();
  xm.instrument_header_sizes.push_back(size);
  r.Skip(23);
  const unsigned count = r.U16();
  const std::uint32_t sample_header = r.U32();
  r.Seek(start + size);
  std::vector<XmSample> samples(count);
  for (XmSample& s : samples) {
    const std::size_t at = r.pos();
    s.length = r.U32();
    s.loop_start = r.U32();
    s.loop_length = r.U32();
    r.Skip(2);
    s.type = static_cast<std::uint8_t>(r.U8());
    r.Seek(at + sample_header);
  }
  for (XmSample& s : samples) {
    std::int16_t value = 0;
    for (std::uint32_t i = 0; i < s.length / 2 && r.Ok(2); ++i) {
      value = static_cast<std::int16_t>(value + static_cast<std::int16_t>(r.U16()));
      s.data.push_back(value);
    }
    xm.samples.push_back(s);
  }
}

XmFile Parse(const Bytes& bytes) {
  Reader r(bytes);
  XmFile xm;
  xm.id = r.Text(17);
  r.Skip(20);
  xm.marker = r.U8();
  r.Skip(20);  // tracker name
  xm.version = r.U16();
  const std::size_t header_at = r.pos();
  xm.header_size = r.U32();
  xm.song_length = r.U16();
  xm.restart = r.U16();
  xm.channels = r.U16();
  xm.patterns = r.U16();
  xm.instruments = r.U16();
  xm.flags = r.U16();
  xm.speed = r.U16();
  xm.bpm = r.U16();
  for (unsigned i = 0; i < xm.song_length && i < 256; ++i) xm.order.push_back(r.U8());
  r.Seek(header_at + xm.header_size);
  for (unsigned p = 0; p < xm.patterns && r.Ok(9); ++p) ReadPattern(r, xm);
  for (unsigned i = 0; i < xm.instruments && r.Ok(4); ++i) ReadInstrument(r, xm);
  xm.end = r.pos();
  return xm;
}

// The build's module, read and parsed once.
const Bytes& ModuleBytes() {
  static const Bytes bytes = music_test::ReadBytes(music_test::BuiltModule());
  return bytes;
}
const XmFile& Module() {
  static const XmFile xm = Parse(ModuleBytes());
  return xm;
}

class MusicXm : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(ModuleBytes().size(), 336u) << music_test::BuiltModule(); }
};

TEST_F(MusicXm, SongHeaderIsFastTracker104At160Bpm) {
  const XmFile& xm = Module();
  EXPECT_EQ(xm.id, "Extended Module: ");
  EXPECT_EQ(xm.marker, 0x1Au);
  EXPECT_EQ(xm.version, 0x0104u);
  EXPECT_EQ(xm.header_size, 276u);
  EXPECT_EQ(xm.flags & 1u, 1u) << "linear frequency table";
  EXPECT_EQ(xm.speed, 6u);
  EXPECT_EQ(xm.bpm, 160u);
  EXPECT_EQ(xm.channels, 16u);
  EXPECT_EQ(xm.instruments, 10u);
  // Ten six-second patterns, played in turn: 60 s before the song repeats.
  EXPECT_EQ(xm.patterns, 10u);
  ASSERT_EQ(xm.song_length, 10u);
  for (unsigned i = 0; i < xm.order.size(); ++i) EXPECT_EQ(xm.order[i], i);
  EXPECT_LT(xm.restart, xm.song_length);
}

TEST_F(MusicXm, PatternsAndInstrumentsParseExactlyToTheEnd) {
  const XmFile& xm = Module();
  ASSERT_EQ(xm.pattern_rows.size(), xm.patterns);
  for (unsigned p = 0; p < xm.patterns; ++p) {
    EXPECT_EQ(xm.pattern_rows[p], 64u) << "pattern " << p;
    EXPECT_EQ(xm.pattern_cells[p], 64u * xm.channels) << "pattern " << p << " packs a whole grid";
  }
  EXPECT_EQ(xm.bad_notes, 0u);
  EXPECT_EQ(xm.bad_instruments, 0u);
  ASSERT_EQ(xm.samples.size(), xm.instruments);
  for (unsigned i = 0; i < xm.instruments; ++i) {
    EXPECT_EQ(xm.instrument_header_sizes[i], 263u);
    EXPECT_TRUE(xm.samples[i].type & 0x10) << "sample " << i << " is 16-bit";
    EXPECT_EQ(xm.samples[i].data.size() * 2, xm.samples[i].length);
  }
  EXPECT_EQ(xm.end, ModuleBytes().size()) << "no bytes missing or left over";
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
TEST_F(MusicXm, LoopsAreSeamlessAndOneShotsStartAndEndAtRest) {
  int looped = 0;
  for (const XmSample& s : Module().samples) {
    const auto& d = s.data;
    ASSERT_FALSE(d.empty());
    if ((s.type & 3) == 0) {
      EXPECT_LE(std::abs(d.front()), 328) << "1% of full scale";
      EXPECT_LE(std::abs(d.back()), 328);
      continue;
    }
    ++looped;
    const std::size_t start = s.loop_start / 2, end = (s.loop_start + s.loop_length) / 2;
    ASSERT_LE(end, d.size());
    ASSERT_GE(end - start, 1024u) << "long enough to hold a detuned chorus";
    // Whole-period loops sit at the 16-bit noise floor (about -130 dB); a loop
    // one sample off measures about -100 dB.
    EXPECT_LT(SeamLeakageDb(d, start, end), -115.0);
  }
  EXPECT_EQ(looped, 2) << "the pad and the lead";
}

TEST(MusicGenerator, WritesTheSameBytesOnEveryRun) {
  music_test::ScratchDir first, second;
  ASSERT_FALSE(first.path().empty());
  ASSERT_FALSE(second.path().empty());
  const Bytes a = music_test::GenerateModule(first.path());
  const Bytes b = music_test::GenerateModule(second.path());
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a == music_test::ReadBytes(music_test::BuiltModule())) << "the build's copy is current";
}

}  // namespace
