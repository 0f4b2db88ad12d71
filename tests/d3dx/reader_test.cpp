// d3dx::ByteReader, the one bounds-checked reader of the image decoders and the model's
// file formats: little-endian values, no read past the end, and a failure that sticks.
#include "d3dx/d3dx_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace eh::d3dx {
namespace {

TEST(ByteReader, ReadsLittleEndianValuesInOrder) {
    const std::vector<std::uint8_t> bytes = {0x7F, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12,
                                             0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0,
                                             0x3F, 'a',  'b',  0,    0x99};
    ByteReader r(bytes.data(), bytes.size());
    EXPECT_EQ(r.U8(), 0x7F);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x12345678u);
    EXPECT_EQ(r.I32(), -2);
    EXPECT_EQ(r.F32(), 1.5f);
    EXPECT_EQ(r.String(2), "ab");
    EXPECT_EQ(r.offset(), bytes.size() - 1);
    EXPECT_EQ(r.remaining(), 1u);
    EXPECT_TRUE(r.ok());
}

TEST(ByteReader, AShortReadFailsReturnsZeroAndTheFailureSticks) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    ByteReader r(bytes.data(), bytes.size());
    EXPECT_EQ(r.U32(), 0x04030201u);
    EXPECT_EQ(r.U32(), 0u);  // two bytes left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.offset(), 4u);  // a failed read does not move
    EXPECT_EQ(r.remaining(), 0u);
    // The two bytes that are there are not read any more: a parser tests ok() once at the end.
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.Take(0), nullptr);
    EXPECT_EQ(r.String(10), "");
    EXPECT_FALSE(r.Skip(0));
    EXPECT_FALSE(r.Seek(0));  // moving back does not undo the failure
    EXPECT_FALSE(r.ok());
}

TEST(ByteReader, SeekSkipAndTakeStayInsideTheBuffer) {
    const std::vector<std::uint8_t> bytes = {10, 11, 12, 13};
    ByteReader r(bytes.data(), bytes.size());
    EXPECT_TRUE(r.Seek(4));  // the end itself is a position
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_TRUE(r.Seek(1));
    const std::uint8_t* p = r.Take(2);
    ASSERT_EQ(p, bytes.data() + 1);
    EXPECT_EQ(r.Take(2), nullptr);
    EXPECT_FALSE(r.ok());

    ByteReader s(bytes.data(), bytes.size());
    EXPECT_TRUE(s.Skip(3));
    EXPECT_FALSE(s.Skip(2));
    ByteReader t(bytes.data(), bytes.size());
    EXPECT_FALSE(t.Seek(5));
    EXPECT_EQ(t.U8(), 0);
}

TEST(ByteReader, StringsNeedTheirZeroWithinTheLimitAndTheBuffer) {
    const std::vector<std::uint8_t> bytes = {'a', 'b', 'c', 0, 'd', 'e'};
    ByteReader r(bytes.data(), bytes.size());
    EXPECT_EQ(r.String(2), "");  // "abc" is longer than 2
    EXPECT_FALSE(r.ok());
    ByteReader s(bytes.data(), bytes.size());
    EXPECT_EQ(s.String(3), "abc");
    EXPECT_EQ(s.String(10), "");  // "de" runs past the end
    EXPECT_FALSE(s.ok());
}

TEST(ByteReader, FitsRefusesCountsTheRestCannotHold) {
    const std::vector<std::uint8_t> bytes(100);
    ByteReader r(bytes.data(), bytes.size());
    r.Skip(4);
    EXPECT_TRUE(r.Fits(24, 4));
    EXPECT_FALSE(r.Fits(25, 4));
    EXPECT_FALSE(r.Fits(-1, 4));
    EXPECT_FALSE(r.Fits(std::int64_t{1} << 62, 1));
    EXPECT_TRUE(r.Fits(1000, 0));
    r.Fail();
    EXPECT_FALSE(r.Fits(1, 1));
    EXPECT_TRUE(r.Fits(0, 1));
}

}  // namespace
}  // namespace eh::d3dx
