// Watches the sizes the program asks operator new for, so a test can show that a decoder
// refused a lying header before allocating what it declares. Linking alloc_probe.cpp
// replaces the global operator new of the whole test binary (allocations are otherwise
// unchanged: they go to malloc). Allocations made with malloc inside C libraries (libjpeg,
// libpng) are not seen.
#pragma once

#include <cstddef>

namespace eh::test {

// Starts a new watch: the largest size seen is reset to 0.
void resetLargestAllocation();

// The largest single request through operator new since the last reset, in bytes.
std::size_t largestAllocation();

}  // namespace eh::test
