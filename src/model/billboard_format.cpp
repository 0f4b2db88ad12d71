#include "model/billboard_format.h"

#include "model/byte_io.h"

namespace eh::model::billboard {

std::vector<Record> Parse(const std::uint8_t* data, std::size_t size) {
    std::vector<Record> records;
    if (data == nullptr || size < kCountSize) return records;
    detail::ByteReader r(data, size);
    const std::int32_t stored = r.I32();
    if (stored <= 0) return records;
    // The count is cut to the whole records present before anything is allocated for it.
    const std::size_t fit = r.remaining() / kRecordSize;
    const std::size_t count =
        static_cast<std::size_t>(stored) < fit ? static_cast<std::size_t>(stored) : fit;
    records.resize(count);
    for (Record& rec : records) {
        rec.anchor.x = r.F32();
        rec.anchor.y = r.F32();
        rec.anchor.z = r.F32();
        rec.size = r.F32();
        rec.kind = r.I32();
    }
    return records;
}

std::vector<std::uint8_t> Write(const std::vector<Record>& records) {
    detail::ByteWriter w;
    w.I32(static_cast<std::int32_t>(records.size()));
    for (const Record& rec : records) {
        w.F32(rec.anchor.x);
        w.F32(rec.anchor.y);
        w.F32(rec.anchor.z);
        w.F32(rec.size);
        w.I32(rec.kind);
    }
    return w.Take();
}

}  // namespace eh::model::billboard
