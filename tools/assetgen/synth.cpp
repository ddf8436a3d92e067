// Synthesis of the tune's instruments: swept sines, filtered noise, additive
// saws with a moving low-pass, and a little FM. See synth.h.
#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>

namespace assetgen::synth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

int Frames(double seconds, double rate = kRate) { return static_cast<int>(seconds * rate); }

// Zavalishin's trapezoidal state-variable filter: stable at any cutoff.
class Svf {
 public:
  Svf(double cutoff, double q, double rate) { Tune(cutoff, q, rate); }
  void Tune(double cutoff, double q, double rate) {
    const double g = std::tan(kPi * std::min(cutoff, 0.49 * rate) / rate);
    k_ = 1.0 / q;
    a1_ = 1.0 / (1.0 + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
  }
  void Run(double x) {
    const double v3 = x - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    band_ = v1;
    low_ = v2;
    high_ = x - k_ * v1 - v2;
  }
  double Low() const { return low_; }
  double Band() const { return band_; }
  double High() const { return high_; }

 private:
  double k_ = 1, a1_ = 0, a2_ = 0, a3_ = 0, ic1_ = 0, ic2_ = 0;
  double low_ = 0, band_ = 0, high_ = 0;
};

// Short linear ramps at both ends so a one-shot starts and stops at zero.
void Fade(Wave& w, double in_seconds, double out_seconds, double rate = kRate) {
  const int in = std::max(1, Frames(in_seconds, rate));
  const int out = std::max(1, Frames(out_seconds, rate));
  const int n = static_cast<int>(w.size());
  for (int i = 0; i < std::min(in, n); ++i) w[i] *= static_cast<float>(i) / in;
  for (int i = 0; i < std::min(out, n); ++i) w[n - 1 - i] *= static_cast<float>(i) / out;
}

// Soft clipping after scaling the peak to 1: lowers the crest of noisy hits
// so they sit louder in the mix at the same peak.
void Saturate(Wave& w, double drive) {
  float top = 0;
  for (float v : w) top = std::max(top, std::fabs(v));
  if (top <= 0) return;
  for (float& v : w) v = static_cast<float>(std::tanh(drive * v / top) / std::tanh(drive));
}

// Six detuned square waves: the metallic ring of an analogue hi-hat.
double Metal(double t, double scale) {
  static constexpr double kFreqs[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  double sum = 0;
  for (double f : kFreqs) sum += std::sin(kTwoPi * f * scale * t) >= 0 ? 1.0 : -1.0;
  return sum / 6.0;
}

// Noise and metal through two high-passes, under an exponential decay.
Wave Cymbal(double seconds, double decay, double highpass, double metal_mix, double scale,
            std::uint32_t seed) {
  Noise noise(seed);
  Svf hp1(highpass, 0.7, kRate), hp2(highpass, 0.7, kRate), lp(13000.0, 0.7, kRate);
  Wave w(Frames(seconds));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double x = (1.0 - metal_mix) * noise.Next() + metal_mix * Metal(t, scale);
    hp1.Run(x);
    hp2.Run(hp1.High());
    lp.Run(hp2.High());  // keeps the top clear of the resampler's images
    w[i] = static_cast<float>(lp.Low() * std::exp(-t / decay));
  }
  Saturate(w, 2.5);
  Fade(w, 0.0005, 0.01);
  return w;
}

// Magnitude of a resonant two-pole low-pass at frequency ratio r = f / cutoff.
double LowPassGain(double r, double q) {
  const double a = 1.0 - r * r;
  return 1.0 / std::sqrt(a * a + (r / q) * (r / q));
}

}  // namespace

float Noise::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<float>(state_ / 2147483648.0 - 1.0);
}

// Sine swept from a click down to 46 Hz, softly saturated for punch.
Wave Kick() {
  Wave w(Frames(0.42));
  double phase = 0;
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double f = 46.0 + 150.0 * std::exp(-t / 0.03) + 500.0 * std::exp(-t / 0.002);
    phase += kTwoPi * f / kRate;
    const double amp = std::exp(-std::max(0.0, t - 0.04) / 0.16);
    w[i] = static_cast<float>(std::tanh(2.2 * amp * std::sin(phase)) / std::tanh(2.2));
  }
  Fade(w, 0.0003, 0.03);
  return w;
}

// A tuned body (two sines) under a burst of band-limited noise.
Wave Snare() {
  Noise noise(0x5EED5A4Eu);
  Svf hp(1100.0, 0.7, kRate), lp(9000.0, 0.7, kRate);
  Wave w(Frames(0.32));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double body = 0.55 * std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.05) +
                        0.3 * std::sin(kTwoPi * 330.0 * t) * std::exp(-t / 0.025);
    hp.Run(noise.Next());
    lp.Run(hp.High());
    w[i] = static_cast<float>(body + 0.9 * lp.Low() * std::exp(-t / 0.13));
  }
  Saturate(w, 3.0);
  Fade(w, 0.0005, 0.03);
  return w;
}

Wave ClosedHat() { return Cymbal(0.1, 0.022, 7000.0, 0.4, 1.0, 0x0C105EDu); }
Wave OpenHat() { return Cymbal(0.45, 0.13, 6500.0, 0.4, 1.0, 0x0B0E11u); }
Wave Crash() { return Cymbal(1.3, 0.45, 3500.0, 0.3, 1.7, 0xC2A54u); }

// Noise through a band-pass whose centre climbs from 250 Hz to 0.38 of the
// rate (clear of the resampler's images), growing louder.
Wave Riser(double rate) {
  Noise noise(0x21532u);
  Svf bp(250.0, 2.5, rate);
  Wave w(Frames(3.0, rate));
  const double n = static_cast<double>(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double x = i / n;
    bp.Tune(250.0 * std::pow(0.38 * rate / 250.0, x), 2.5, rate);
    bp.Run(noise.Next());
    w[i] = static_cast<float>(bp.Band() * std::pow(x, 1.5));
  }
  Fade(w, 0.001, 0.02, rate);
  return w;
}

// A saw/square blend through a resonant low-pass that closes quickly: a pluck.
// Built from partials, so nothing aliases while the filter moves.
Wave PluckBass(int period) {
  const double f0 = kRate / period;
  const int partials = std::min(period / 2 - 1, static_cast<int>(8000.0 / f0));
  std::vector<double> table(period);
  for (int i = 0; i < period; ++i) table[i] = std::sin(kTwoPi * i / period);
  Wave w(Frames(0.5));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double cutoff = 170.0 + 2400.0 * std::exp(-t / 0.07);
    double sum = 0;
    for (int h = 1; h <= partials; ++h) {
      const double weight = (h % 2 ? 1.0 : 0.5) / h * (h == 1 ? 1.6 : 1.0);
      sum += weight * LowPassGain(h * f0 / cutoff, 2.8) * table[(static_cast<long>(h) * i) % period];
    }
    w[i] = static_cast<float>(sum * std::exp(-t / 0.35));
  }
  Fade(w, 0.002, 0.04);
  return w;
}

// Two-operator FM with a falling index, plus a faint fourth partial: a glassy bell.
Wave Bell(int period) {
  const double f0 = kRate / period;
  Wave w(Frames(0.7));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double theta = kTwoPi * f0 * t;
    const double index = 1.8 * std::exp(-t / 0.12) + 0.3;
    const double tone = std::sin(theta + index * std::sin(theta)) * std::exp(-t / 0.35) +
                        0.2 * std::sin(4.0 * theta) * std::exp(-t / 0.08);
    w[i] = static_cast<float>(tone);
  }
  Fade(w, 0.001, 0.05);
  return w;
}

Wave DetunedSaws(const SawStack& s) {
  const long length = static_cast<long>(s.period) * s.cycles;
  std::vector<double> table(length);
  for (long i = 0; i < length; ++i) table[i] = std::sin(kTwoPi * i / length);
  std::vector<double> sum(length, 0.0);
  Noise noise(s.seed);
  for (std::size_t v = 0; v < s.detune.size(); ++v) {
    const long cycles = s.cycles + s.detune[v];
    // A random start per voice keeps the saws from lining up into one spike.
    const long offset = static_cast<long>((noise.Next() + 1.0) * 0.5 * length) % length;
    for (long h = 1;; ++h) {
      const double f = cycles * h * kRate / length;
      if (f > std::min(4.0 * s.cutoff, 0.45 * kRate)) break;
      const double r = f / s.cutoff;
      const double amp = s.gain[v] / h / std::sqrt(1.0 + r * r * r * r);
      for (long i = 0; i < length; ++i) sum[i] += amp * table[(cycles * h * i + h * offset) % length];
    }
  }
  return Wave(sum.begin(), sum.end());
}

std::vector<std::int16_t> ToPcm(const Wave& wave, double peak) {
  float top = 0;
  for (float v : wave) top = std::max(top, std::fabs(v));
  const double scale = top > 0 ? peak * 32767.0 / top : 0.0;
  std::vector<std::int16_t> pcm(wave.size());
  for (std::size_t i = 0; i < wave.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(std::lround(wave[i] * scale));
  return pcm;
}

}  // namespace assetgen::synth
