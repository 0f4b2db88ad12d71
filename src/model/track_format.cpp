#include "model/track_format.h"

#include "model/byte_io.h"

namespace eh::model::track {
namespace {

bool ReadFlag(detail::ByteReader& r) { return r.U8() == 1; }

Vector3 ReadVector(detail::ByteReader& r) {
    Vector3 v;
    v.x = r.F32();
    v.y = r.F32();
    v.z = r.F32();
    return v;
}

void WriteVector(detail::ByteWriter& w, const Vector3& v) {
    w.F32(v.x);
    w.F32(v.y);
    w.F32(v.z);
}

}  // namespace

File Parse(const std::uint8_t* data, std::size_t size) {
    File file;
    if (data == nullptr) return file;
    detail::ByteReader r(data, size);
    const std::int32_t trackCount = r.I32();
    if (!r.ok() || trackCount <= 0) return file;
    for (std::int32_t t = 0; t < trackCount && t < kMaxTracks; ++t) {
        Track track;
        const int keyCount = r.I32() & 0xFFFF;
        track.marker = ReadFlag(r);
        track.skip = ReadFlag(r);
        track.pivot = ReadFlag(r);
        // A track longer than kMaxKeys is read past (its keys are not kept), so the tracks
        // after it still read.
        const bool tooMany = keyCount > kMaxKeys;
        if (!tooMany) track.keys.reserve(static_cast<std::size_t>(keyCount));
        for (int k = 0; k < keyCount && r.ok(); ++k) {
            Key key;
            key.position = ReadVector(r);
            key.hasTarget = ReadFlag(r);
            if (key.hasTarget) key.target = ReadVector(r);
            key.speed = r.F32();
            key.hold = r.F32();
            if (!tooMany) track.keys.push_back(key);
        }
        if (!r.ok()) break;  // the file ends inside this track: keep the ones before it
        file.tracks.push_back(std::move(track));
    }
    return file;
}

HRESULT Write(const File& file, std::vector<std::uint8_t>* out) {
    for (const Track& t : file.tracks) {
        if (t.keys.size() > kMaxStoredKeys) return E_INVALIDARG;
    }
    detail::ByteWriter w;
    w.I32(static_cast<std::int32_t>(file.tracks.size()));
    for (const Track& t : file.tracks) {
        w.I32(static_cast<std::int32_t>(t.keys.size()));
        w.U8(t.marker ? 1 : 0);
        w.U8(t.skip ? 1 : 0);
        w.U8(t.pivot ? 1 : 0);
        for (const Key& key : t.keys) {
            WriteVector(w, key.position);
            w.U8(key.hasTarget ? 1 : 0);
            if (key.hasTarget) WriteVector(w, key.target);
            w.F32(key.speed);
            w.F32(key.hold);
        }
    }
    *out = w.Take();
    return S_OK;
}

}  // namespace eh::model::track
