// Helpers for the audio tests: test tones as Ogg Vorbis bytes, SDL's disk audio driver
// as the output, and a tone detector over the captured mix.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tools/mediagen/sounds/ogg_writer.h"

namespace eh::testing {

constexpr int kTestRate = 44100;

// A sine tone of `seconds` at `freq` Hz and peak `amp`, mono, with 2 ms edges so it has
// no click, encoded as Ogg Vorbis.
inline std::vector<std::uint8_t> toneOgg(float freq, double seconds, float amp) {
    auto n = static_cast<std::size_t>(seconds * kTestRate);
    std::vector<float> pcm(n);
    for (std::size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kTestRate;
        double edge = std::min({1.0, t / 0.002, (seconds - t) / 0.002});
        pcm[i] = static_cast<float>(amp * edge * std::sin(2.0 * M_PI * freq * t));
    }
    std::vector<std::uint8_t> ogg;
    eh::mediagen::EncodeOggVorbis(pcm, 1, kTestRate, 0.6f, ogg);
    return ogg;
}

// Points SDL's audio at the disk driver, writing to `file`. The driver then mixes
// faster than real time (a short pause per 1024-frame buffer).
inline void useDiskAudio(const std::string& file) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "4", 1);
}

inline std::string tempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr && dir[0] == '/' ? dir : "/tmp") + "/" + name + "." +
           std::to_string(getpid());
}

inline std::size_t fileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

// Waits (up to 60 s of wall time, a safety stop only) until `done` holds.
inline bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 6000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Waits until the capture holds at least `seconds` of 16-bit stereo.
inline bool waitForCapture(const std::string& file, double seconds) {
    auto bytes = static_cast<std::size_t>(seconds * kTestRate) * 4;
    return waitFor([&] { return fileSize(file) >= bytes; });
}

// Left channel of a 16-bit stereo capture, as floats.
inline std::vector<float> readCapture(const std::string& file) {
    std::ifstream f(file, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<float> left(raw.size() / 4);
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::int16_t v;
        std::memcpy(&v, raw.data() + 4 * i, 2);
        left[i] = static_cast<float>(v) / 32767.0f;
    }
    return left;
}

// Amplitude of the `freq` component in [begin, begin + n) (Goertzel), 0..~peak.
inline float toneLevel(const std::vector<float>& x, std::size_t begin, std::size_t n, float freq) {
    if (begin + n > x.size()) return 0.0f;
    double w = 2.0 * M_PI * freq / kTestRate, c = 2.0 * std::cos(w), s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double s = x[begin + i] + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return static_cast<float>(2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(n));
}

// Per 10 ms window: which of the tones dominates (index into `freqs`), or -1 for none
// above `floor`.
inline std::vector<int> toneTrack(const std::vector<float>& x, const std::vector<float>& freqs,
                                  float floor) {
    constexpr std::size_t kWindow = 441;
    std::vector<int> track;
    for (std::size_t b = 0; b + kWindow <= x.size(); b += kWindow) {
        int best = -1;
        float bestLevel = floor;
        for (std::size_t k = 0; k < freqs.size(); ++k) {
            float l = toneLevel(x, b, kWindow, freqs[k]);
            if (l > bestLevel) {
                bestLevel = l;
                best = static_cast<int>(k);
            }
        }
        track.push_back(best);
    }
    return track;
}

inline float peak(const std::vector<float>& x, std::size_t begin = 0, std::size_t end = SIZE_MAX) {
    float m = 0.0f;
    for (std::size_t i = begin; i < std::min(end, x.size()); ++i) m = std::max(m, std::fabs(x[i]));
    return m;
}

}  // namespace eh::testing
