// Instrument sounds for the tune, synthesised in code.
//
// Every sound is made at kRate, the rate at which an XM sample with relative
// note +24 plays its C-4. Pitched sounds hold a whole number of samples per
// cycle at a C, so sustained ones loop on whole periods without a click.
// Noise comes from a fixed-seed generator: the same samples on every run.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen::synth {

constexpr double kRate = 33452.0;  // 8363 Hz * 4
using Wave = std::vector<float>;

// xorshift32: small, fast and the same everywhere.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
  float Next();  // uniform in [-1, 1)

 private:
  std::uint32_t state_;
};

// Drums and effects, played at their native rate.
Wave Kick();
Wave Snare();
Wave ClosedHat();
Wave OpenHat();
Wave Crash();
Wave Riser(double rate);  // noise swept upwards, made at `rate`

// Pitched sounds. `period` is the C's length in samples at kRate.
Wave PluckBass(int period);
Wave Bell(int period);

// Detuned saw stack that repeats exactly after `period * cycles` samples, so
// the whole wave is one seamless loop. Voice i runs cycles + detune[i] cycles
// per loop; partials above `cutoff` Hz are rolled off.
struct SawStack {
  int period = 128;
  int cycles = 128;
  std::vector<int> detune;
  std::vector<float> gain;
  double cutoff = 4000.0;
  std::uint32_t seed = 1;
};
Wave DetunedSaws(const SawStack& stack);

// Scales a wave to the 16-bit range with its peak at `peak` of full scale.
std::vector<std::int16_t> ToPcm(const Wave& wave, double peak = 0.97);

}  // namespace assetgen::synth
