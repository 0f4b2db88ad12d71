// Billboard files: parse, and check that the records kept are those the bytes hold and
// that they write back to exactly the bytes they came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/billboard_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace eh::model;
    const std::vector<billboard::Record> records = billboard::Parse(data, size);
    if (records.empty()) return 0;
    const std::size_t bytes = billboard::kCountSize + records.size() * billboard::kRecordSize;
    if (bytes > size) std::abort();
    const std::vector<std::uint8_t> written = billboard::Write(records);
    // The count may have said more than the records present; everything after it matches.
    if (written.size() != bytes ||
        std::memcmp(written.data() + billboard::kCountSize, data + billboard::kCountSize,
                    bytes - billboard::kCountSize) != 0)
        std::abort();
    return 0;
}
