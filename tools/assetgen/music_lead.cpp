// The lead melody: a syncopated hook over the full section, a slower line for
// the break, a held A over the ending; each note echoed a dotted eighth later.
#include <string_view>

#include "tools/assetgen/music.h"

namespace assetgen::music {
namespace {

constexpr int kEchoDelay = 3;  // rows: a dotted eighth
constexpr int kLeadPan = 0x70, kEchoPan = 0xC8;

struct Tone {
  std::uint8_t note;  // 0: rest
  int rows;
};

// Reads "E5:3 D5:3 -:4 ...": note name, optional '#', octave, then length in rows.
std::vector<Tone> Parse(std::string_view text) {
  static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  std::vector<Tone> tones;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    Tone t{0, 0};
    if (text[i] != '-') {
      int semitone = kSemitone[text[i] - 'A'];
      if (text[i + 1] == '#') ++semitone, ++i;
      t.note = xm::Note(text[i + 1] - '0', semitone);
      ++i;
    }
    i += 2;  // the last name character and ':'
    while (i < text.size() && text[i] != ' ') t.rows = t.rows * 10 + (text[i++] - '0');
    tones.push_back(t);
  }
  return tones;
}

// One voice of the lead; long notes get vibrato after they have settled.
void Voice(Score& s, int channel, int row, std::string_view text, int volume, int pan) {
  for (const Tone& t : Parse(text)) {
    if (t.note) {
      s.Release(row + t.rows, channel);
      s.Play(row, channel, t.note, kILead, volume, pan);
      if (t.rows >= 6)
        for (int r = row + 3; r < row + t.rows; ++r) s.Effect(r, channel, xm::kFxVibrato, 0x52);
    }
    row += t.rows;
  }
}

void Phrase(Score& s, int row, std::string_view text, int volume) {
  Voice(s, kLead, row, text, volume, kLeadPan);
  Voice(s, kEcho, row + kEchoDelay, text, volume * 2 / 5, kEchoPan);
}

// Eight bars over Am F C G, twice: a question, then an answer that climbs.
constexpr std::string_view kHook =
    "E5:3 D5:3 C5:4 D5:2 E5:4  C5:3 A4:3 C5:6 D5:2 C5:2  "
    "E5:3 G5:3 E5:4 D5:2 C5:4  D5:3 B4:3 G4:10  "
    "E5:3 A5:3 G5:4 E5:2 C5:4  F5:3 E5:3 C5:4 A4:2 C5:4  "
    "G5:3 E5:3 C5:4 E5:2 G5:4  D5:3 G5:3 B5:4 A5:2 G5:4";

// The break: F G Em Am, F G E E, ending on the leading tone.
constexpr std::string_view kTurn =
    "C5:12 D5:4  D5:6 B4:6 G4:4  E5:12 G5:4  E5:8 C5:8  "
    "C5:12 D5:4  D5:6 E5:6 F5:4  E5:12 D5:4  B4:8 G#4:8";

}  // namespace

void ComposeLead(Score& s) {
  Phrase(s, kFull, kHook, 64);
  Phrase(s, kBreak, kTurn, 48);
  // A held A over the last chord, fading with the pad.
  Phrase(s, kEnding, "A4:44", 36);
  for (int r = kEnding + 1; r < kEnding + 40; ++r) {
    s.Volume(r, kLead, xm::FineVolDown(1));
    s.Volume(r + kEchoDelay, kEcho, xm::FineVolDown(1));
  }
}

}  // namespace assetgen::music
