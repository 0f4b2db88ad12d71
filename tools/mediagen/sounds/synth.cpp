#include "tools/mediagen/sounds/synth.h"

#include <algorithm>
#include <array>

namespace eh::mediagen {
namespace {

constexpr int kSineTableSize = 4096;

const std::array<float, kSineTableSize + 1>& sineTable() {
    static const auto table = [] {
        std::array<float, kSineTableSize + 1> t{};
        for (int i = 0; i <= kSineTableSize; ++i)
            t[static_cast<std::size_t>(i)] =
                static_cast<float>(std::sin(2.0 * M_PI * i / kSineTableSize));
        return t;
    }();
    return table;
}

}  // namespace

float sineCycles(double phase) {
    double p = phase - std::floor(phase);
    double x = p * kSineTableSize;
    auto i = static_cast<std::size_t>(x);
    auto f = static_cast<float>(x - static_cast<double>(i));
    const auto& t = sineTable();
    return t[i] + (t[i + 1] - t[i]) * f;
}

void Biquad::design(int kind, float freq, float q) {
    freq = std::clamp(freq, 10.0f, 0.45f * kRate);
    float w = 2.0f * kPi * freq / kRate;
    float cw = std::cos(w), sw = std::sin(w);
    float alpha = sw / (2.0f * q);
    float a0 = 1.0f + alpha;
    float b0, b1, b2;
    if (kind == 0) {
        b0 = (1.0f - cw) * 0.5f;
        b1 = 1.0f - cw;
        b2 = b0;
    } else if (kind == 1) {
        b0 = (1.0f + cw) * 0.5f;
        b1 = -(1.0f + cw);
        b2 = b0;
    } else {
        b0 = alpha;
        b1 = 0.0f;
        b2 = -alpha;
    }
    b0_ = b0 / a0;
    b1_ = b1 / a0;
    b2_ = b2 / a0;
    a1_ = -2.0f * cw / a0;
    a2_ = (1.0f - alpha) / a0;
}

Wavetable::Wavetable(const std::vector<float>& harmonics) : table_(2048 + 1) {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        double p = static_cast<double>(i) / 2048.0;
        float v = 0.0f;
        for (std::size_t h = 0; h < harmonics.size(); ++h)
            v += harmonics[h] * sineCycles(p * static_cast<double>(h + 1));
        table_[i] = v;
    }
}

float Wavetable::at(double phase) const {
    double p = phase - std::floor(phase);
    double x = p * 2048.0;
    auto i = static_cast<std::size_t>(x);
    auto f = static_cast<float>(x - static_cast<double>(i));
    return table_[i] + (table_[i + 1] - table_[i]) * f;
}

void addPluck(std::vector<float>& mono, double start, float freq, float amp, float decaySeconds,
              float brightness, Rng& rng) {
    auto period = static_cast<std::size_t>(std::max(2.0f, kRate / freq));
    std::vector<float> line(period);
    // Excitation: noise smoothed once, so the attack is a soft pluck, not a click.
    float prev = 0.0f;
    for (float& v : line) {
        float n = rng.bipolar();
        v = prev * (1.0f - brightness) + n * brightness;
        prev = v;
    }
    // Per-period loss that makes the tone fall by 60 dB in decaySeconds.
    float loss = std::pow(0.001f, 1.0f / (decaySeconds * freq));
    std::size_t begin = frames(start);
    std::size_t length = frames(decaySeconds);
    float last = 0.0f;
    for (std::size_t i = 0; i < length && begin + i < mono.size(); ++i) {
        std::size_t k = i % period;
        float cur = line[k];
        float out = 0.5f * (cur + last) * loss;
        last = cur;
        line[k] = out;
        float fadeIn = std::min(1.0f, static_cast<float>(i) / 40.0f);
        mono[begin + i] += amp * cur * fadeIn;
    }
}

void addReverb(std::vector<float>& stereo, float roomSeconds, float wet) {
    // Comb delays in samples (mutually prime, 25-40 ms) and allpass delays; the right
    // channel's are offset for width.
    static const int kCombs[4] = {1116, 1188, 1277, 1356};
    static const int kAllpasses[2] = {556, 441};
    const std::size_t n = stereo.size() / 2;
    for (int ch = 0; ch < 2; ++ch) {
        int spread = ch == 0 ? 0 : 23;
        std::vector<float> sum(n, 0.0f);
        for (int d : kCombs) {
            std::size_t delay = static_cast<std::size_t>(d + spread);
            float g = std::pow(0.001f, static_cast<float>(delay) / (roomSeconds * kRate));
            std::vector<float> buf(delay, 0.0f);
            float damp = 0.0f;
            for (std::size_t i = 0; i < n; ++i) {
                std::size_t k = i % delay;
                float y = buf[k];
                damp = y * 0.6f + damp * 0.4f;  // high frequencies die sooner
                buf[k] = stereo[2 * i + static_cast<std::size_t>(ch)] + damp * g;
                sum[i] += y;
            }
        }
        for (int d : kAllpasses) {
            std::size_t delay = static_cast<std::size_t>(d + spread);
            std::vector<float> buf(delay, 0.0f);
            for (std::size_t i = 0; i < n; ++i) {
                std::size_t k = i % delay;
                float b = buf[k];
                float y = -sum[i] + b;
                buf[k] = sum[i] + b * 0.5f;
                sum[i] = y;
            }
        }
        for (std::size_t i = 0; i < n; ++i)
            stereo[2 * i + static_cast<std::size_t>(ch)] += wet * 0.25f * sum[i];
    }
}

void removeDc(std::vector<float>& buf, int channels) {
    auto c = static_cast<std::size_t>(channels);
    for (std::size_t ch = 0; ch < c; ++ch) {
        Biquad hp;
        hp.highpass(20.0f, 0.7071f);
        for (std::size_t i = ch; i < buf.size(); i += c) buf[i] = hp.process(buf[i]);
    }
}

void normalize(std::vector<float>& buf, float peak) {
    float m = 0.0f;
    for (float v : buf) m = std::max(m, std::fabs(v));
    if (m <= 0.0f) return;
    float g = peak / m;
    for (float& v : buf) v *= g;
}

void foldLoop(std::vector<float>& buf, int channels, std::size_t loopFrames, bool crossfade) {
    auto c = static_cast<std::size_t>(channels);
    std::size_t total = buf.size() / c;
    std::size_t over = total > loopFrames ? total - loopFrames : 0;
    for (std::size_t i = 0; i < over; ++i) {
        // Crossfade: equal power, as the two ends are unrelated sound (noise, drones).
        float w = static_cast<float>(i) / static_cast<float>(over);
        float gHead = crossfade ? std::sin(0.5f * kPi * w) : 1.0f;
        float gTail = crossfade ? std::cos(0.5f * kPi * w) : 1.0f;
        for (std::size_t ch = 0; ch < c; ++ch) {
            float& dst = buf[i * c + ch];
            dst = dst * gHead + buf[(loopFrames + i) * c + ch] * gTail;
        }
    }
    buf.resize(std::min(loopFrames, total) * c);
}

}  // namespace eh::mediagen
