#include "mediagen/images/noise.h"

#include <cmath>

namespace eh::mediagen {

uint64_t Rng::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::uniform() {
    return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
}

float Rng::uniform(float lo, float hi) {
    return lo + (hi - lo) * uniform();
}

int Rng::below(int n) {
    return static_cast<int>(next() % static_cast<uint64_t>(n));
}

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t z, uint32_t seed) {
    uint32_t h = seed * 0x27D4EB2Du ^ x * 0x85EBCA6Bu ^ y * 0xC2B2AE35u ^ z * 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

int Wrap(int i, int period) {
    if (period <= 0) return i;
    int r = i % period;
    return r < 0 ? r + period : r;
}

// Gradient from one of 16 evenly spaced directions.
float Grad2(uint32_t h, float dx, float dy) {
    static const float kDirs[16][2] = {
        {1, 0},  {0.92388f, 0.38268f},   {0.70711f, 0.70711f},   {0.38268f, 0.92388f},
        {0, 1},  {-0.38268f, 0.92388f},  {-0.70711f, 0.70711f},  {-0.92388f, 0.38268f},
        {-1, 0}, {-0.92388f, -0.38268f}, {-0.70711f, -0.70711f}, {-0.38268f, -0.92388f},
        {0, -1}, {0.38268f, -0.92388f},  {0.70711f, -0.70711f},  {0.92388f, -0.38268f}};
    const float* d = kDirs[h & 15];
    return d[0] * dx + d[1] * dy;
}

// Gradient from the 12 edge directions of a cube.
float Grad3(uint32_t h, float x, float y, float z) {
    switch (h % 12) {
        case 0:
            return x + y;
        case 1:
            return -x + y;
        case 2:
            return x - y;
        case 3:
            return -x - y;
        case 4:
            return x + z;
        case 5:
            return -x + z;
        case 6:
            return x - z;
        case 7:
            return -x - z;
        case 8:
            return y + z;
        case 9:
            return -y + z;
        case 10:
            return y - z;
        default:
            return -y - z;
    }
}

}  // namespace

float Noise2(float x, float y, uint32_t seed, int periodX, int periodY) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    auto g = [&](int ox, int oy) {
        uint32_t h = Hash(static_cast<uint32_t>(Wrap(ix + ox, periodX)),
                          static_cast<uint32_t>(Wrap(iy + oy, periodY)), 0, seed);
        return Grad2(h, dx - ox, dy - oy);
    };
    float u = Fade(dx), v = Fade(dy);
    float a = g(0, 0) + (g(1, 0) - g(0, 0)) * u;
    float b = g(0, 1) + (g(1, 1) - g(0, 1)) * u;
    return (a + (b - a) * v) * 1.4f;
}

float Noise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float dx = x - fx, dy = y - fy, dz = z - fz;
    auto g = [&](int ox, int oy, int oz) {
        uint32_t h = Hash(static_cast<uint32_t>(ix + ox), static_cast<uint32_t>(iy + oy),
                          static_cast<uint32_t>(iz + oz), seed);
        return Grad3(h, dx - ox, dy - oy, dz - oz);
    };
    float u = Fade(dx), v = Fade(dy), w = Fade(dz);
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    float x00 = lerp(g(0, 0, 0), g(1, 0, 0), u), x10 = lerp(g(0, 1, 0), g(1, 1, 0), u);
    float x01 = lerp(g(0, 0, 1), g(1, 0, 1), u), x11 = lerp(g(0, 1, 1), g(1, 1, 1), u);
    return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w) * 0.95f;
}

float Fbm2(float x, float y, int octaves, uint32_t seed, int periodX, int periodY, float gain) {
    float sum = 0, weight = 1, total = 0, f = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * Noise2(x * f, y * f, seed + static_cast<uint32_t>(i) * 1013u,
                               periodX * static_cast<int>(f), periodY * static_cast<int>(f));
        total += weight;
        weight *= gain;
        f *= 2;
    }
    return sum / total;
}

float Fbm3(float x, float y, float z, int octaves, uint32_t seed, float gain) {
    float sum = 0, weight = 1, total = 0, f = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * Noise3(x * f, y * f, z * f, seed + static_cast<uint32_t>(i) * 1013u);
        total += weight;
        weight *= gain;
        f *= 2;
    }
    return sum / total;
}

}  // namespace eh::mediagen
