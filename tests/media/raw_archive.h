// Builds archives header by header, so tests can set every field, damaged ones included.
#pragma once

#include <zlib.h>

#include <string>
#include <vector>

#include "media/rar20_format.h"
#include "rar20_encoder.h"

namespace eh::testing {

struct RawEntry {
    media::rar20::FileHeader header;  // sizes, CRC and name size filled in when left 0
    std::string name;
    std::vector<std::uint8_t> extra;  // bytes between the name and the packed data
    std::vector<std::uint8_t> packed;
    bool autoSizes = true;
};

inline RawEntry StoredEntry(const std::string& name, const std::vector<std::uint8_t>& data) {
    RawEntry e;
    e.name = name;
    e.header.flags = media::rar20::kFileHasData;
    e.header.unpVer = 20;
    e.header.method = media::rar20::kMethodStored;
    e.header.unpSize = static_cast<std::uint32_t>(data.size());
    e.header.fileCrc =
        static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
    e.packed = data;
    return e;
}

inline RawEntry PackedEntry(const std::string& name, const std::vector<std::uint8_t>& data,
                            const std::vector<std::uint8_t>& stream) {
    RawEntry e = StoredEntry(name, data);
    e.header.method = media::rar20::kMethodNormal;
    e.packed = stream;
    return e;
}

inline RawEntry CompressedEntry(const std::string& name, const std::vector<std::uint8_t>& data) {
    rarpack::Encoder encoder;
    return PackedEntry(name, data, encoder.EncodeEntry(data, false));
}

inline std::vector<std::uint8_t> RawArchive(
    std::vector<RawEntry> entries, std::uint16_t mainFlags = 0, std::size_t mainExtra = 0,
    const std::array<std::uint8_t, 7>& marker = media::rar20::kMarkerRar) {
    using namespace media::rar20;
    std::vector<std::uint8_t> out(marker.begin(), marker.end());
    MainHeader m;
    m.flags = mainFlags;
    m.headSize = static_cast<std::uint16_t>(kMainHeaderSize + mainExtra);
    std::uint8_t mb[kMainHeaderSize];
    SerializeMainHeader(m, mb);
    out.insert(out.end(), mb, mb + kMainHeaderSize);
    out.insert(out.end(), mainExtra, 0xEE);
    for (RawEntry& e : entries) {
        if (e.autoSizes) {
            e.header.nameSize = static_cast<std::uint16_t>(e.name.size());
            e.header.headSize =
                static_cast<std::uint16_t>(kFileHeaderSize + e.name.size() + e.extra.size());
            e.header.packSize = static_cast<std::uint32_t>(e.packed.size());
        }
        std::uint8_t hb[kFileHeaderSize];
        SerializeFileHeader(e.header, hb);
        out.insert(out.end(), hb, hb + kFileHeaderSize);
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), e.extra.begin(), e.extra.end());
        out.insert(out.end(), e.packed.begin(), e.packed.end());
    }
    return out;
}

}  // namespace eh::testing
