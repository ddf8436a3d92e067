// The tune's instruments: synthesised waves wrapped as XM instruments with
// tuning, loops, volume envelopes and default panning.
#include "tools/assetgen/music.h"
#include "tools/assetgen/synth.h"

namespace assetgen::music {
namespace {

// Relative note that makes an XM note play a sample made at synth::kRate so
// that `base` sounds at the pitch the wave was built for (C-4 with +24).
constexpr std::int8_t RelativeNote(int base) { return static_cast<std::int8_t>(73 - base); }

xm::Instrument Make(const char* name, const synth::Wave& wave, int base, int pan) {
  xm::Instrument in;
  in.name = name;
  in.sample.name = name;
  in.sample.data = synth::ToPcm(wave);
  in.sample.relative_note = RelativeNote(base);
  in.sample.panning = static_cast<std::uint8_t>(pan);
  return in;
}

// A sustained sound: the whole wave is one loop, shaped by an envelope that
// holds at `sustain` until the key is released.
xm::Instrument MakeLooped(const char* name, const synth::Wave& wave, int base, xm::Envelope env) {
  xm::Instrument in = Make(name, wave, base, 128);
  in.sample.loop = xm::Loop::kForward;
  in.sample.loop_start = 0;
  in.sample.loop_length = static_cast<std::uint32_t>(wave.size());
  in.volume = std::move(env);
  return in;
}

}  // namespace

std::vector<xm::Instrument> MakeInstruments() {
  const int c3 = xm::Note(3, 0), c4 = xm::Note(4, 0), c5 = xm::Note(5, 0);
  std::vector<xm::Instrument> list;
  list.push_back(Make("kick", synth::Kick(), c4, 128));
  list.push_back(Make("snare", synth::Snare(), c4, 120));
  list.push_back(Make("closed hat", synth::ClosedHat(), c4, 168));
  list.push_back(Make("open hat", synth::OpenHat(), c4, 150));
  list.push_back(Make("bass", synth::PluckBass(256), c3, 128));

  synth::SawStack lead{.period = 64,
                       .cycles = 128,
                       .detune = {-1, 0, 1},
                       .gain = {0.8f, 1.0f, 0.8f},
                       .cutoff = 5000.0,
                       .seed = 0x1EAD};
  list.push_back(
      MakeLooped("lead", synth::DetunedSaws(lead), c5, xm::Envelope{{{0, 0}, {1, 64}, {8, 50}, {20, 0}}, 2}));

  synth::SawStack pad{.period = 128,
                      .cycles = 256,
                      .detune = {-3, -1, 0, 1, 3},
                      .gain = {0.6f, 0.9f, 1.0f, 0.9f, 0.6f},
                      .cutoff = 2200.0,
                      .seed = 0x9AD};
  list.push_back(MakeLooped("pad", synth::DetunedSaws(pad), c4, xm::Envelope{{{0, 0}, {6, 64}, {48, 0}}, 1}));

  list.push_back(Make("bell", synth::Bell(64), c5, 128));
  list.push_back(Make("crash", synth::Crash(), c4, 128));
  // Made at half rate (noise needs no more, and the file stays small): tuned
  // an octave up, so C-4 plays it at the rate it was made.
  list.push_back(Make("riser", synth::Riser(synth::kRate / 2), c5, 128));
  return list;
}

}  // namespace assetgen::music
