// Deterministic randomness for the generators: a seeded PRNG and gradient noise.
// Nothing here reads the clock or the system's random sources, so a seed always gives the
// same numbers on every machine that runs the same binary.
#pragma once

#include <cstdint>

namespace eh::mediagen {

// SplitMix64: small, fast, and good enough for placing brush strokes.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next();
    float uniform();                    // [0, 1)
    float uniform(float lo, float hi);  // [lo, hi)
    int below(int n);                   // [0, n), n > 0

  private:
    uint64_t state_;
};

// Gradient noise in about [-1, 1]. With a period above 0 the noise repeats every period
// lattice cells along that axis (for tileable textures); 0 means no repetition.
float Noise2(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
float Noise3(float x, float y, float z, uint32_t seed);

// Fractal sums of the noise above: octave i has frequency 2^i and weight gain^i, the sum is
// normalised back to about [-1, 1]. Periods double with each octave, so a tileable base
// stays tileable.
float Fbm2(float x, float y, int octaves, uint32_t seed, int periodX = 0, int periodY = 0,
           float gain = 0.5f);
float Fbm3(float x, float y, float z, int octaves, uint32_t seed, float gain = 0.5f);

}  // namespace eh::mediagen
