// Small synthesis toolkit for the generated sounds: a seeded random source, oscillators
// from a sine table, biquad filters, a plucked string, a reverb and buffer helpers.
// Everything is deterministic: the same seed gives the same samples on every run.
// Times are in seconds, frequencies in Hz, the sample rate is kRate throughout.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace eh::mediagen {

inline constexpr int kRate = 44100;
inline constexpr float kPi = 3.14159265358979f;

inline std::size_t frames(double seconds) {
    return static_cast<std::size_t>(seconds * kRate);
}
inline float midiToHz(float note) {
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

// xorshift32: small, fast and identical everywhere. Never seeded with 0.
class Rng {
  public:
    explicit Rng(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }  // 0..1
    float bipolar() { return uniform() * 2.0f - 1.0f; }                                 // -1..1
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

  private:
    std::uint32_t state_;
};

// sin(2π·phase) for a phase in cycles, from a 4096-entry table with linear interpolation.
float sineCycles(double phase);

// RBJ biquad (direct form I). Coefficients may be changed between samples for sweeps.
class Biquad {
  public:
    void lowpass(float freq, float q) { design(0, freq, q); }
    void highpass(float freq, float q) { design(1, freq, q); }
    void bandpass(float freq, float q) { design(2, freq, q); }  // 0 dB peak gain
    float process(float x) {
        float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    void design(int kind, float freq, float q);
    float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Attack-decay shape: linear rise over `attack`, then exponential fall with time
// constant `decay`. Zero before 0.
inline float attackDecay(float t, float attack, float decay) {
    if (t < 0.0f) return 0.0f;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

// Smooth rise 0→1 over [a, b] (raised cosine).
inline float smoothStep(float t, float a, float b) {
    if (t <= a) return 0.0f;
    if (t >= b) return 1.0f;
    return 0.5f - 0.5f * std::cos(kPi * (t - a) / (b - a));
}

// A waveform of one cycle built from harmonic amplitudes, read with linear interpolation.
class Wavetable {
  public:
    explicit Wavetable(const std::vector<float>& harmonics);
    float at(double phase) const;

  private:
    std::vector<float> table_;
};

// Karplus-Strong plucked string with a one-pole damping filter, seeded excitation.
void addPluck(std::vector<float>& mono, double start, float freq, float amp, float decaySeconds,
              float brightness, Rng& rng);

// Stereo reverb (parallel combs into allpasses, Schroeder style) mixed into `stereo`.
// `wet` is the reverb level; the dry signal is kept.
void addReverb(std::vector<float>& stereo, float roomSeconds, float wet);

// Removes a constant offset (a 20 Hz high-pass run forwards): plucked strings leave one.
void removeDc(std::vector<float>& buf, int channels);

// Scales so the largest absolute sample is `peak`.
void normalize(std::vector<float>& buf, float peak);

// Makes a seamless loop of `loopFrames` frames from a rendering of `channels` that runs
// past the loop point. Without `crossfade` the overhang (tails of notes begun before the
// loop point) is added onto the start, which is exact for a piece rendered note by note.
// With it, the overhang is crossfaded into the start: for sound that simply continues
// (a drone rendered on past the loop point).
void foldLoop(std::vector<float>& buf, int channels, std::size_t loopFrames, bool crossfade);

}  // namespace eh::mediagen
