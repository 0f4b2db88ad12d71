#include "model/esa_format.h"

#include <cstring>

#include "model/byte_io.h"

namespace eh::model::esa {

namespace {
constexpr std::size_t kPositionKeySize = 16;
constexpr std::size_t kRotationKeySize = 20;
}  // namespace

HRESULT Parse(const std::uint8_t* data, std::size_t size, int boneCount, Clip* out) {
    if (data == nullptr || size < kHeaderSize || std::memcmp(data, kMagic, 4) != 0) return E_FAIL;
    detail::ByteReader r(data, size);
    r.Seek(4);
    if (r.U16() != kVersion) return E_FAIL;
    if (boneCount < 0) return E_FAIL;

    Clip clip;
    clip.length = r.I32();
    clip.keySpacing = r.I32();
    if (clip.keySpacing <= 0) return E_FAIL;
    // Every track needs at least its two counts.
    if (!r.Fits(boneCount, 8)) return E_FAIL;
    clip.tracks.resize(static_cast<std::size_t>(boneCount));
    for (BoneTrack& track : clip.tracks) {
        std::int32_t n = r.I32();
        if (n < 0) n = 0;
        if (!r.Fits(n, kPositionKeySize)) return E_FAIL;
        track.positions.resize(static_cast<std::size_t>(n));
        for (PositionKey& k : track.positions) {
            k.time = r.I32();
            k.position.x = r.F32();
            k.position.y = r.F32();
            k.position.z = r.F32();
        }
        n = r.I32();
        if (n < 0) n = 0;
        if (!r.Fits(n, kRotationKeySize)) return E_FAIL;
        track.rotations.resize(static_cast<std::size_t>(n));
        for (RotationKey& k : track.rotations) {
            k.time = r.I32();
            k.x = r.F32();
            k.y = r.F32();
            k.z = r.F32();
            k.w = r.F32();
        }
        if (!r.ok()) return E_FAIL;
    }
    *out = std::move(clip);
    return S_OK;
}

std::vector<std::uint8_t> Write(const Clip& clip) {
    detail::ByteWriter w;
    w.Bytes(kMagic, 4);
    w.U16(kVersion);
    w.I32(clip.length);
    w.I32(clip.keySpacing);
    for (const BoneTrack& track : clip.tracks) {
        w.I32(static_cast<std::int32_t>(track.positions.size()));
        for (const PositionKey& k : track.positions) {
            w.I32(k.time);
            w.F32(k.position.x);
            w.F32(k.position.y);
            w.F32(k.position.z);
        }
        w.I32(static_cast<std::int32_t>(track.rotations.size()));
        for (const RotationKey& k : track.rotations) {
            w.I32(k.time);
            w.F32(k.x);
            w.F32(k.y);
            w.F32(k.z);
            w.F32(k.w);
        }
    }
    return w.Take();
}

}  // namespace eh::model::esa
