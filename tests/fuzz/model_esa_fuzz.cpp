// ESA clips: the first byte picks the model's bone count, the rest is the file; every
// accepted clip is evaluated at a spread of times, past its end included.
#include <cstddef>
#include <cstdint>

#include "model/animation.h"
#include "model/esa_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace eh::model;
    if (size < 1) return 0;
    const int bones = data[0] % 8;
    esa::Clip clip;
    if (FAILED(esa::Parse(data + 1, size - 1, bones, &clip))) return 0;
    const float length = static_cast<float>(clip.length);
    const float times[] = {0.0f, 1.0f, length * 0.5f, length, length + 1.0f, -3.0f, 1e9f};
    for (const esa::BoneTrack& track : clip.tracks) {
        for (float t : times) EvaluateBone(track, clip.keySpacing, t);
    }
    return 0;
}
