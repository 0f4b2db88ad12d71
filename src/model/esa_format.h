// The ESA animation clip: on-disk layout, parser, writer and the key lookup used to
// evaluate a clip.
//
// Layout (little-endian, packed; int = signed 32-bit):
//   "esa\0"  u16 version (0x0300)  int length  int key spacing
//   one track per bone of the model the clip is loaded onto (the count is not stored):
//     int position key count, { int time, 3 floats x, y, z }[]      (16 bytes each)
//     int rotation key count, { int time, 4 floats x, y, z, w }[]   (20 bytes each)
// Times are in clip time units (milliseconds in the scene). Keys are found by index: key
// i covers clip times [i * spacing, (i + 1) * spacing); the stored times only give the
// blend factor between keys i and i + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"
#include "platform/os/win32_types.h"

namespace eh::model::esa {

inline constexpr char kMagic[4] = {'e', 's', 'a', '\0'};
inline constexpr std::uint16_t kVersion = 0x0300;
inline constexpr std::size_t kHeaderSize = 14;

struct PositionKey {
    std::int32_t time = 0;
    Vector3 position{};
};

struct RotationKey {
    std::int32_t time = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;  // quaternion
};

struct BoneTrack {
    std::vector<PositionKey> positions;
    std::vector<RotationKey> rotations;
};

struct Clip {
    std::int32_t length = 0;      // clip time units
    std::int32_t keySpacing = 0;  // clip time units from one key index to the next
    std::vector<BoneTrack> tracks;
};

// Parses a clip for a model with `boneCount` bones. E_FAIL for a wrong magic or version,
// a key spacing of zero or less (the clip could not be evaluated), a negative bone count,
// or key lists that run past the end of the buffer. Bytes after the last track are
// ignored.
HRESULT Parse(const std::uint8_t* data, std::size_t size, int boneCount, Clip* out);

// Serialises a clip (one track per element of clip.tracks).
std::vector<std::uint8_t> Write(const Clip& clip);

// Which keys a clip time falls between, and how far: evaluate as key i + (key j - key i) * f.
struct KeyBlend {
    int i = 0;
    int j = 0;
    float f = 0.0f;
};

// Key lookup for clip time `t` (clip time units, expected >= 0) in a list of `keyCount`
// keys with the given spacing (> 0): i = trunc(t / spacing), j = i + 1, and
// f = (t - time_i) / (time_j - time_i) with the time difference taken as an integer.
// Kept inside the list: an index past the last key clamps to the last key (with j = i and
// f = 0), a negative one to 0, and equal key times give f = 0. `times` yields key k's
// time. With no keys the result is {0, 0, 0} and must not be used to index.
template <typename TimeOf>
KeyBlend LocateKeys(float t, std::int32_t spacing, int keyCount, TimeOf times) {
    KeyBlend b;
    if (keyCount <= 0 || spacing <= 0) return b;
    const float index = t / static_cast<float>(spacing);
    const int last = keyCount - 1;
    // Compared as float first: an enormous (or NaN) time must not overflow the conversion.
    if (!(index >= 0.0f)) {
        b.i = 0;
    } else if (index >= static_cast<float>(last)) {
        b.i = last;
    } else {
        b.i = static_cast<int>(index);
    }
    b.j = b.i < last ? b.i + 1 : last;
    const std::int64_t span = static_cast<std::int64_t>(times(b.j)) - times(b.i);
    if (b.j != b.i && span != 0) {
        b.f = (t - static_cast<float>(times(b.i))) / static_cast<float>(span);
    }
    return b;
}

}  // namespace eh::model::esa
