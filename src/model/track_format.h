// The camera track file ("Data/Cam_Tracks.evd"): layout, parser and writer.
//
// Layout (little-endian, packed; no magic, no version):
//   int32 trackCount
//   per track: int32 keyCount (low 16 bits used), uint8 marker, uint8 skip, uint8 pivot,
//              then keyCount keys of:
//                float32 x, y, z; uint8 hasTarget; [float32 tx, ty, tz if hasTarget == 1];
//                float32 speed; float32 hold
// A flag byte counts as set only when it is 1; the writer stores 1 or 0.
//
// Keys 3k and 3k+3 are the ends of Bézier segment k, 3k+1 and 3k+2 its inner control
// points; only end keys' target, speed and hold are used (see scene/camera_tracks.h for how
// the camera flies them). Speeds are path units per scene-step unit, holds scene-step units
// (1 unit = 100 ms).
//
// The parser never fails; it keeps what a damaged file still holds: at most kMaxTracks
// tracks (the rest are ignored), a track of more than kMaxKeys keys is read past and kept
// with no keys, and a file that ends inside a track keeps the tracks before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"
#include "platform/os/win32_types.h"

namespace eh::model::track {

inline constexpr int kMaxTracks = 50;
inline constexpr int kMaxKeys = 150;
// The most keys a stored count can say: the parser keeps the low 16 bits.
inline constexpr std::size_t kMaxStoredKeys = 0xFFFF;
// Bytes of a key without and with its target.
inline constexpr std::size_t kKeySize = 21;
inline constexpr std::size_t kTargetSize = 12;

struct Key {
    Vector3 position{};
    float hold = 0.0f;  // pause at this key, scene-step units
    bool hasTarget = false;
    Vector3 target{};
    float speed = 0.0f;  // path units per scene-step unit
};

struct Track {
    bool marker = false;
    bool skip = false;   // left out of the playlist
    bool pivot = false;  // the eye sits at the key targets and turns toward the path
    std::vector<Key> keys;
};

struct File {
    std::vector<Track> tracks;
};

// Reads the tracks of `size` bytes at `data` (null reads as an empty file) by the rules above.
File Parse(const std::uint8_t* data, std::size_t size);

// Serialises every track and key as given (a track of more than kMaxKeys keys is written
// whole and reads back empty). E_INVALIDARG, and `out` untouched, when a track holds more
// than kMaxStoredKeys keys, which no reader could find the end of.
HRESULT Write(const File& file, std::vector<std::uint8_t>* out);

}  // namespace eh::model::track
