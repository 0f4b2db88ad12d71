// The C run-time's rand(), as the scene's random choices expect it: 15-bit results
// (0..32767) from the linear congruential generator of the Windows run-time, the same
// sequence for the same seed on every platform. glibc's rand() returns 31 bits, which
// would turn every "rand() / 32767 × range" into a value up to 65536 times too large.
//
// One generator per process, like the run-time's; not thread-safe (the scene runs on one
// thread).
#pragma once

#include <cstdint>

namespace eh::os {

inline constexpr int kRandMax = 32767;

void SeedRandom(std::uint32_t seed);  // srand
int Random();                         // rand: 0..kRandMax

// rand() / 32767 as a float in [0, 1].
inline float RandomUnit() { return static_cast<float>(Random()) / 32767.0f; }

// truncated(rand() / 32767 × range), an index into a list of `range` entries; the one
// result equal to `range` (rand() = 32767) is brought back to the last entry.
inline int RandomIndex(int range) {
    int i = static_cast<int>(RandomUnit() * static_cast<float>(range));
    return i >= range ? range - 1 : i;
}

}  // namespace eh::os
