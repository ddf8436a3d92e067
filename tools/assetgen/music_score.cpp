// The score grid and the chord chart of the tune (A minor).
#include <algorithm>

#include "tools/assetgen/music.h"

namespace assetgen::music {
namespace {

constexpr std::uint8_t N(int octave, int semitone) { return xm::Note(octave, semitone); }
enum : int { C, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

// clang-format off
// Bass root, pad voicing, bell tones.
const Chord kAm = {N(2, A), {N(3, A), N(4, C), N(4, E)}, {N(4, A), N(5, C), N(5, E), N(5, A)}};
const Chord kF = {N(2, F), {N(3, A), N(4, C), N(4, F)}, {N(4, F), N(4, A), N(5, C), N(5, F)}};
const Chord kC = {N(3, C), {N(3, G), N(4, C), N(4, E)}, {N(4, G), N(5, C), N(5, E), N(5, G)}};
const Chord kG = {N(2, G), {N(3, G), N(3, B), N(4, D)}, {N(4, G), N(4, B), N(5, D), N(5, G)}};
const Chord kEm = {N(2, E), {N(3, G), N(3, B), N(4, E)}, {N(4, G), N(4, B), N(5, E), N(5, G)}};
const Chord kE = {N(2, E), {N(3, Gs), N(3, B), N(4, E)}, {N(4, Gs), N(4, B), N(5, E), N(5, Gs)}};
// clang-format on

}  // namespace

// Am F C G through the first three sections; the break turns to F G Em Am,
// then F G E E, whose G# leads home to the Am of the ending.
const Chord& ChordAt(int bar) {
  static const Chord* const kMain[4] = {&kAm, &kF, &kC, &kG};
  static const Chord* const kTurn[8] = {&kF, &kG, &kEm, &kAm, &kF, &kG, &kE, &kE};
  if (bar >= kBreak / kRowsPerBar && bar < kEnding / kRowsPerBar) return *kTurn[bar % 8];
  if (bar >= kEnding / kRowsPerBar) return kAm;
  return *kMain[bar % 4];
}

xm::Cell* Score::At(int row, int channel) {
  if (row < 0 || row >= Rows()) return nullptr;
  return &cells_[static_cast<std::size_t>(row) * kChannels + channel];
}

void Score::Play(int row, int channel, std::uint8_t note, std::uint8_t instrument, int volume, int pan) {
  xm::Cell* c = At(row, channel);
  if (!c) return;
  c->note = note;
  c->instrument = instrument;
  c->volume = xm::SetVolume(std::clamp(volume, 0, 64));
  if (pan >= 0) {
    c->effect = xm::kFxPanning;
    c->param = static_cast<std::uint8_t>(pan);
  }
}

void Score::Release(int row, int channel) {
  xm::Cell* c = At(row, channel);
  if (c && !c->note) c->note = xm::kKeyOff;
}

void Score::Volume(int row, int channel, std::uint8_t volume_column) {
  xm::Cell* c = At(row, channel);
  if (c && !c->volume) c->volume = volume_column;
}

void Score::Effect(int row, int channel, std::uint8_t effect, std::uint8_t param) {
  xm::Cell* c = At(row, channel);
  if (c && !c->effect && !c->param) {
    c->effect = effect;
    c->param = param;
  }
}

bool Score::HasNote(int row, int channel) const {
  return row >= 0 && row < Rows() && cells_[static_cast<std::size_t>(row) * kChannels + channel].note != 0;
}

std::vector<xm::Pattern> Score::Patterns() const {
  std::vector<xm::Pattern> patterns(kPatterns);
  for (int p = 0; p < kPatterns; ++p) {
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(p) * kRowsPerPattern * kChannels;
    patterns[p].rows = kRowsPerPattern;
    patterns[p].cells.assign(first, first + kRowsPerPattern * kChannels);
  }
  return patterns;
}

}  // namespace assetgen::music
