// Shared pieces of the tune: channel and instrument numbers, the score grid
// the parts are written into, and the chords of each bar.
//
// The tune runs at 160 BPM, speed 6, four rows a beat: a 64-row pattern is
// 6 s and a section of the show (12 s) is two patterns.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/assetgen/xm_writer.h"

namespace assetgen::music {

constexpr int kRowsPerPattern = 64;
constexpr int kRowsPerBar = 16;
constexpr int kPatterns = 10;  // intro, beat, full, break (two each), ending, silence

// Song position of the first row of each section.
constexpr int kIntro = 0, kBeat = 128, kFull = 256, kBreak = 384, kEnding = 512;

// The pad's three voices take two channels each, so one chord can release
// while the next one swells in.
enum Channel : int {
  kKick, kSnare, kHat, kBass, kLead, kEcho,
  kPad, kArp = kPad + 6, kArpEcho, kRiser, kCrash,
  kChannels
};
enum Instrument : std::uint8_t {
  kIKick = 1, kISnare, kIClosedHat, kIOpenHat, kIBass,
  kILead, kIPad, kIBell, kICrash, kIRiser
};

// Panning as the 8xx effect takes it.
constexpr int kLeft = 0x48, kCentre = 0x80, kRight = 0xB8;

struct Chord {
  std::uint8_t bass;
  std::array<std::uint8_t, 3> pad;
  std::array<std::uint8_t, 4> arp;  // rising chord tones for the bell
};

// The chord sounding in a bar of the song (bar = row / 16).
const Chord& ChordAt(int bar);

// The whole song as one grid of rows by channels, cut into patterns at the end.
class Score {
 public:
  Score() : cells_(static_cast<std::size_t>(Rows()) * kChannels) {}
  static constexpr int Rows() { return kPatterns * kRowsPerPattern; }

  // Starts a note; pan >= 0 adds an 8xx effect. Rows past the end are ignored.
  void Play(int row, int channel, std::uint8_t note, std::uint8_t instrument, int volume, int pan = -1);
  // Key-off, unless a note already starts there.
  void Release(int row, int channel);
  // Fills the volume column or effect of a cell if still free.
  void Volume(int row, int channel, std::uint8_t volume_column);
  void Effect(int row, int channel, std::uint8_t effect, std::uint8_t param);
  bool HasNote(int row, int channel) const;

  std::vector<xm::Pattern> Patterns() const;

 private:
  xm::Cell* At(int row, int channel);
  std::vector<xm::Cell> cells_;
};

// Writes the parts into the score.
void ComposeRhythm(Score& score);   // drums, bass, risers and crashes
void ComposeHarmony(Score& score);  // pad and bell arpeggios
void ComposeLead(Score& score);     // the lead melody and its echo

// The instruments, numbered as in Instrument.
std::vector<xm::Instrument> MakeInstruments();

}  // namespace assetgen::music
