// The harmony parts: a three-voice pad carrying the chords (fading in under
// the titles, pumping under the kick, fading out at the end) and the bell
// arpeggios with their echo.
#include "tools/assetgen/music.h"

namespace assetgen::music {
namespace {

// Pad volume per row.
int PadLevel(int row) {
  static constexpr int kPump[4] = {18, 28, 34, 38};  // ducks on each kick
  static constexpr int kPumpUnderLead[4] = {14, 22, 28, 32};
  if (row < kRowsPerPattern) return 8 + row * 32 / kRowsPerPattern;
  if (row < kBeat) return 40;
  if (row < kFull) return kPump[row % 4];
  if (row < kBreak) return kPumpUnderLead[row % 4];
  return 44;
}

// Voice v of the pad sounds on channel kPad + v or kPad + v + 3; a new note
// takes the other one, so the old note releases under the new note's attack.
class PadVoices {
 public:
  explicit PadVoices(Score& s) : s_(s) {}
  void Change(int row, int v, std::uint8_t note, int volume) {
    static constexpr int kPans[3] = {kLeft, kCentre, kRight};
    if (row > 0) {
      s_.Release(row, Channel(v));
      side_[v] ^= 1;
    }
    s_.Play(row, Channel(v), note, kIPad, volume, kPans[v]);
  }
  // Sets (or slides) the volume of all six channels where a cell is free.
  void Volume(int row, std::uint8_t volume_column) {
    for (int c = kPad; c < kPad + 6; ++c) s_.Volume(row, c, volume_column);
  }
  void ReleaseAll(int row) {
    for (int c = kPad; c < kPad + 6; ++c) s_.Release(row, c);
  }

 private:
  int Channel(int v) const { return kPad + v + 3 * side_[v]; }
  Score& s_;
  int side_[3] = {0, 0, 0};
};

// Each voice moves only when its note changes, so common tones ring on.
void Pad(Score& s) {
  PadVoices pad(s);
  for (int r = 0; r < kEnding; ++r) {
    const int bar = r / kRowsPerBar;
    const int level = PadLevel(r);
    for (int v = 0; v < 3; ++v) {
      const std::uint8_t note = ChordAt(bar).pad[v];
      if (r == 0 || (r % kRowsPerBar == 0 && ChordAt(bar - 1).pad[v] != note)) pad.Change(r, v, note, level);
    }
    if (r == 0 || PadLevel(r - 1) != level) pad.Volume(r, xm::SetVolume(level));
  }
  // The last chord, sliding down a step a row until it dies over the black pause.
  for (int v = 0; v < 3; ++v) pad.Change(kEnding, v, ChordAt(kEnding / kRowsPerBar).pad[v], 44);
  for (int r = kEnding + 1; r < kEnding + 46; ++r) pad.Volume(r, xm::FineVolDown(1));
  pad.ReleaseAll(kEnding + 46);
}

// Bell arpeggio over [from, to), one note every `step` rows, panned side to
// side; with `echo`, a softer copy three rows later on the other side.
void Arpeggio(Score& s, int from, int to, int step, int volume, bool echo) {
  static constexpr int kOrder[8] = {0, 1, 2, 3, 1, 2, 3, 2};
  for (int r = from, i = 0; r < to; r += step, ++i) {
    const std::uint8_t note = ChordAt(r / kRowsPerBar).arp[kOrder[i % 8]];
    const bool left = i % 2 == 0;
    s.Play(r, kArp, note, kIBell, volume, left ? kLeft : kRight);
    if (echo) s.Play(r + 3, kArpEcho, note, kIBell, volume / 2, left ? kRight : kLeft);
  }
}

}  // namespace

void ComposeHarmony(Score& s) {
  Pad(s);
  Arpeggio(s, kIntro + 32, kIntro + 64, 4, 18, true);
  Arpeggio(s, kIntro + 64, kBeat, 2, 22, true);
  Arpeggio(s, kBeat, kFull, 1, 16, false);
  Arpeggio(s, kFull, kBreak, 1, 11, false);
  Arpeggio(s, kBreak, kEnding, 2, 26, true);
  // Closing notes: the A minor chord falling away.
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t note = ChordAt(kEnding / kRowsPerBar).arp[3 - i];
    s.Play(kEnding + 6 * i, kArp, note, kIBell, 30 - 5 * i, i % 2 ? kRight : kLeft);
    s.Play(kEnding + 6 * i + 3, kArpEcho, note, kIBell, 14 - 2 * i, i % 2 ? kLeft : kRight);
  }
}

}  // namespace assetgen::music
