#include "model/billboard_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace eh::model {
namespace {

using billboard::Record;

Record record(float x, float y, float z, float size, std::int32_t kind) {
    Record r;
    r.anchor = {x, y, z};
    r.size = size;
    r.kind = kind;
    return r;
}

void expectSame(const Record& a, const Record& b) {
    EXPECT_EQ(a.anchor.x, b.anchor.x);
    EXPECT_EQ(a.anchor.y, b.anchor.y);
    EXPECT_EQ(a.anchor.z, b.anchor.z);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.kind, b.kind);
}

const std::vector<Record> kThree = {record(1, 2, 3, 24.4f, 0), record(-5, 6, 7, 63.3f, 1),
                                    record(8, 9, 10, 5, 4)};

TEST(BillboardFileFormat, RoundTripsEveryRecordInOrder) {
    const std::vector<std::uint8_t> bytes = billboard::Write(kThree);
    EXPECT_EQ(bytes.size(), billboard::kCountSize + 3 * billboard::kRecordSize);
    const std::vector<Record> back = billboard::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        expectSame(back[i], kThree[i]);
    }
    EXPECT_EQ(billboard::Write(back), bytes);
    EXPECT_EQ(billboard::Write({}), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(BillboardFileFormat, WritesEveryFieldLittleEndianByteForByte) {
    const std::vector<std::uint8_t> expected = {
        0x01, 0x00, 0x00, 0x00,  // one record
        0x00, 0x00, 0x80, 0x3F,  // x 1.0
        0x00, 0x00, 0x00, 0xC0,  // y -2.0
        0x00, 0x00, 0x00, 0x3F,  // z 0.5
        0x00, 0x00, 0xC4, 0x41,  // size 24.5
        0x04, 0x03, 0x02, 0x81,  // kind 0x81020304 (negative)
    };
    const Record r = record(1.0f, -2.0f, 0.5f, 24.5f, static_cast<std::int32_t>(0x81020304u));
    EXPECT_EQ(billboard::Write({r}), expected);
    const std::vector<Record> back = billboard::Parse(expected.data(), expected.size());
    ASSERT_EQ(back.size(), 1u);
    expectSame(back[0], r);
    EXPECT_LT(back[0].kind, 0);
}

TEST(BillboardFileFormat, CountIsCutToTheWholeRecordsPresent) {
    const std::vector<std::uint8_t> bytes = billboard::Write(kThree);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        const std::vector<Record> back = billboard::Parse(part.data(), part.size());
        const std::size_t whole = cut < 4 ? 0 : (cut - 4) / billboard::kRecordSize;
        ASSERT_EQ(back.size(), whole);
        for (std::size_t i = 0; i < whole; ++i) expectSame(back[i], kThree[i]);
    }
    // A count far beyond the bytes (it would ask for 40 GiB) reads the one record there.
    std::vector<std::uint8_t> lying = billboard::Write({kThree[1]});
    lying[0] = 0xFF, lying[1] = 0xFF, lying[2] = 0xFF, lying[3] = 0x7F;
    const std::vector<Record> one = billboard::Parse(lying.data(), lying.size());
    ASSERT_EQ(one.size(), 1u);
    expectSame(one[0], kThree[1]);
}

TEST(BillboardFileFormat, RefusedCountsGiveNoRecordsAndTrailingBytesAreIgnored) {
    std::vector<std::uint8_t> bytes = billboard::Write(kThree);
    bytes[0] = 1;  // one counted record of three present
    const std::vector<Record> first = billboard::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(first.size(), 1u);
    expectSame(first[0], kThree[0]);
    bytes[0] = 0;
    EXPECT_TRUE(billboard::Parse(bytes.data(), bytes.size()).empty());
    bytes[0] = 0xFE, bytes[1] = 0xFF, bytes[2] = 0xFF, bytes[3] = 0xFF;  // -2
    EXPECT_TRUE(billboard::Parse(bytes.data(), bytes.size()).empty());
    bytes[0] = 0, bytes[1] = 0, bytes[2] = 0, bytes[3] = 0x80;  // the lowest int32
    EXPECT_TRUE(billboard::Parse(bytes.data(), bytes.size()).empty());
    EXPECT_TRUE(billboard::Parse(nullptr, 100).empty());
}

}  // namespace
}  // namespace eh::model
