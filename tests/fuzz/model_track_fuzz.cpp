// Camera track files: parse, and check that what the parser kept writes and reads back the
// same (the parser never fails, so every input must give a file the writer accepts).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/track_format.h"

namespace {

bool sameKey(const eh::model::track::Key& a, const eh::model::track::Key& b) {
    // Bitwise, so a NaN read from the file compares equal to itself.
    const float fa[] = {a.position.x, a.position.y, a.position.z, a.speed, a.hold};
    const float fb[] = {b.position.x, b.position.y, b.position.z, b.speed, b.hold};
    if (a.hasTarget != b.hasTarget || std::memcmp(fa, fb, sizeof fa) != 0) return false;
    if (!a.hasTarget) return true;
    const float ta[] = {a.target.x, a.target.y, a.target.z};
    const float tb[] = {b.target.x, b.target.y, b.target.z};
    return std::memcmp(ta, tb, sizeof ta) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace eh::model;
    const track::File file = track::Parse(data, size);
    if (file.tracks.size() > static_cast<std::size_t>(track::kMaxTracks)) std::abort();
    std::vector<std::uint8_t> bytes;
    if (FAILED(track::Write(file, &bytes))) std::abort();
    const track::File again = track::Parse(bytes.data(), bytes.size());
    if (again.tracks.size() != file.tracks.size()) std::abort();
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        const track::Track& a = file.tracks[t];
        const track::Track& b = again.tracks[t];
        if (a.keys.size() > static_cast<std::size_t>(track::kMaxKeys)) std::abort();
        if (a.marker != b.marker || a.skip != b.skip || a.pivot != b.pivot) std::abort();
        if (a.keys.size() != b.keys.size()) std::abort();
        for (std::size_t k = 0; k < a.keys.size(); ++k)
            if (!sameKey(a.keys[k], b.keys[k])) std::abort();
    }
    return 0;
}
