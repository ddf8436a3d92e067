// The rhythm parts: four-on-the-floor drums, the off-beat bass, crashes and
// noise risers that mark each section change.
#include "tools/assetgen/music.h"

namespace assetgen::music {
namespace {

constexpr std::uint8_t kC4 = xm::Note(4, 0);  // drums play at their own rate on C-4
constexpr std::uint8_t kC3 = xm::Note(3, 0);

void Kicks(Score& s, int from, int to, int volume) {
  for (int r = from; r < to; r += 4) s.Play(r, kKick, kC4, kIKick, volume);
}

// Snare on beats two and four.
void Backbeat(Score& s, int from, int to) {
  for (int r = from; r < to; ++r)
    if (r % 16 == 4 || r % 16 == 12) s.Play(r, kSnare, kC4, kISnare, 50);
}

// Open hat on every off-beat; closed sixteenths between them when `busy`.
void Hats(Score& s, int from, int to, bool busy) {
  for (int r = from; r < to; ++r) {
    if (r % 4 == 2)
      s.Play(r, kHat, kC4, kIOpenHat, 28);
    else if (busy)
      s.Play(r, kHat, kC4, kIClosedHat, r % 4 == 0 ? 26 : 16);
  }
}

// The last beat of a phrase as a rising run of sixteenths.
void SnareFill(Score& s, int beat) {
  for (int i = 0; i < 4; ++i) s.Play(beat + i, kSnare, kC4, kISnare, 30 + 6 * i);
}

// Roots on the off-beats; the full section adds octave pickups on the sixteenth
// before each half bar, the last one anticipating the next chord.
void OffbeatBass(Score& s, int from, int to, bool pickups) {
  for (int r = from; r < to; ++r) {
    const int bar = r / kRowsPerBar;
    if (r % 4 == 2) s.Play(r, kBass, ChordAt(bar).bass, kIBass, 50);
    if (pickups && r % 16 == 7) s.Play(r, kBass, ChordAt(bar).bass + 12, kIBass, 28);
    if (pickups && r % 16 == 15) s.Play(r, kBass, ChordAt(bar + 1).bass + 12, kIBass, 28);
  }
}

// In the break the bass only marks each bar: the downbeat and a late echo.
void BreakBass(Score& s, int from, int to) {
  for (int r = from; r < to; r += kRowsPerBar) {
    s.Play(r, kBass, ChordAt(r / kRowsPerBar).bass, kIBass, 48);
    s.Play(r + 10, kBass, ChordAt(r / kRowsPerBar).bass, kIBass, 32);
  }
}

// The second half of the break builds back up: kick, hats, a snare roll, a riser.
void BuildUp(Score& s, int from, int to) {
  Kicks(s, from, to, 52);
  Hats(s, from, to, true);
  for (int r = to - 16, i = 0; r < to; ++i, r += r < to - 8 ? 2 : 1)
    s.Play(r, kSnare, kC4, kISnare, 18 + 3 * i);
  s.Play(to - 32, kRiser, kC4, kIRiser, 40);
}

}  // namespace

void ComposeRhythm(Score& s) {
  // Under the titles: low noise at half speed that swells and ebbs away,
  // then a riser into the beat.
  s.Play(kIntro, kRiser, kC3, kIRiser, 24);
  for (int r = kIntro + 40; r < kIntro + 64; ++r) s.Volume(r, kRiser, xm::FineVolDown(1));
  s.Play(kBeat - 32, kRiser, kC4, kIRiser, 36);

  s.Play(kBeat, kCrash, kC4, kICrash, 40);
  Kicks(s, kBeat, kBreak, 54);
  Backbeat(s, kBeat, kBreak);
  Hats(s, kBeat, kBeat + kRowsPerPattern, false);
  Hats(s, kBeat + kRowsPerPattern, kBreak, true);
  SnareFill(s, kFull - 4);
  SnareFill(s, kBreak - 4);
  OffbeatBass(s, kBeat, kFull, false);

  s.Play(kFull, kCrash, kC4, kICrash, 44);
  OffbeatBass(s, kFull, kBreak, true);

  s.Play(kBreak, kCrash, kC4, kICrash, 36);
  BreakBass(s, kBreak, kEnding);
  BuildUp(s, kEnding - 32, kEnding);

  // The last hit; the pad and lead fade out above it.
  s.Play(kEnding, kKick, kC4, kIKick, 60);
  s.Play(kEnding, kCrash, kC4, kICrash, 48);
  s.Play(kEnding, kBass, ChordAt(kEnding / kRowsPerBar).bass, kIBass, 56);
}

}  // namespace assetgen::music
