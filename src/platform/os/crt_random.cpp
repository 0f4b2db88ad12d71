#include "platform/os/crt_random.h"

namespace eh::os {
namespace {
std::uint32_t state = 1;  // the run-time's seed before any srand
}  // namespace

void SeedRandom(std::uint32_t seed) { state = seed; }

int Random() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace eh::os
