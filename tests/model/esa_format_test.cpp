#include "model/esa_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "model/samples.h"

namespace eh::model {
namespace {

esa::KeyBlend Locate(const esa::BoneTrack& t, std::int32_t spacing, float time) {
    return esa::LocateKeys(time, spacing, static_cast<int>(t.positions.size()),
                           [&t](int k) { return t.positions[static_cast<std::size_t>(k)].time; });
}

TEST(EsaFormatTest, WriterAndParserRoundTrip) {
    const esa::Clip clip = samples::SampleClip(3, 9333, 100);
    const std::vector<std::uint8_t> bytes = esa::Write(clip);
    esa::Clip parsed;
    ASSERT_EQ(esa::Parse(bytes.data(), bytes.size(), 3, &parsed), S_OK);
    EXPECT_EQ(parsed.length, 9333);
    EXPECT_EQ(parsed.keySpacing, 100);
    ASSERT_EQ(parsed.tracks.size(), 3u);
    ASSERT_EQ(parsed.tracks[2].positions.size(), 95u);
    EXPECT_EQ(parsed.tracks[2].positions[94].time, 9333);
    EXPECT_EQ(parsed.tracks[2].positions[93].time, 9300);
    EXPECT_FLOAT_EQ(parsed.tracks[2].positions[5].position.y, 5.0f);
    EXPECT_FLOAT_EQ(parsed.tracks[1].rotations[7].w, 1.0f);
    EXPECT_EQ(esa::Write(parsed), bytes);
}

TEST(EsaFormatTest, TrackCountComesFromTheModel) {
    const std::vector<std::uint8_t> bytes = esa::Write(samples::SampleClip(3, 1000, 100));
    esa::Clip parsed;
    ASSERT_EQ(esa::Parse(bytes.data(), bytes.size(), 0, &parsed), S_OK);  // no bones, no tracks
    EXPECT_TRUE(parsed.tracks.empty());
    ASSERT_EQ(esa::Parse(bytes.data(), bytes.size(), 2, &parsed), S_OK);  // rest ignored
    EXPECT_EQ(parsed.tracks.size(), 2u);
    EXPECT_EQ(esa::Parse(bytes.data(), bytes.size(), 4, &parsed), E_FAIL);  // runs past the end
}

TEST(EsaFormatTest, RefusesDamage) {
    std::vector<std::uint8_t> bytes = esa::Write(samples::SampleClip(2, 1000, 100));
    esa::Clip parsed;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_EQ(esa::Parse(part.data(), part.size(), 2, &parsed), E_FAIL) << n;
    }
    std::vector<std::uint8_t> copy = bytes;
    copy[5] = 0x02;  // version 0x0200
    EXPECT_EQ(esa::Parse(copy.data(), copy.size(), 2, &parsed), E_FAIL);
    copy = bytes;
    copy[0] = 'E';
    EXPECT_EQ(esa::Parse(copy.data(), copy.size(), 2, &parsed), E_FAIL);
    copy = bytes;
    std::memset(copy.data() + 10, 0, 4);  // key spacing 0
    EXPECT_EQ(esa::Parse(copy.data(), copy.size(), 2, &parsed), E_FAIL);
    copy = bytes;
    const std::int32_t huge = 0x7FFFFFFF;
    std::memcpy(copy.data() + 14, &huge, 4);  // first position key count
    EXPECT_EQ(esa::Parse(copy.data(), copy.size(), 2, &parsed), E_FAIL);
}

TEST(EsaKeysTest, KeyIndexComesFromTheSpacingAndTheFactorFromKeyTimes) {
    const esa::Clip clip = samples::SampleClip(1, 9333, 100);
    const esa::BoneTrack& t = clip.tracks[0];
    esa::KeyBlend b = Locate(t, 100, 250.0f);
    EXPECT_EQ(b.i, 2);
    EXPECT_EQ(b.j, 3);
    EXPECT_FLOAT_EQ(b.f, 0.5f);
    b = Locate(t, 100, 9310.0f);
    EXPECT_EQ(b.i, 93);
    EXPECT_EQ(b.j, 94);
    EXPECT_FLOAT_EQ(b.f, 10.0f / 33.0f);
    b = Locate(t, 100, 0.0f);
    EXPECT_EQ(b.i, 0);
    EXPECT_EQ(b.f, 0.0f);
}

TEST(EsaKeysTest, TimesPastTheLastKeyClampToIt) {
    // Length a multiple of the spacing: time == length asks for a key beyond the last.
    const esa::Clip clip = samples::SampleClip(1, 10000, 100);
    const esa::BoneTrack& t = clip.tracks[0];
    ASSERT_EQ(t.positions.size(), 101u);
    esa::KeyBlend b = Locate(t, 100, 10000.0f);
    EXPECT_EQ(b.i, 100);
    EXPECT_EQ(b.j, 100);
    EXPECT_EQ(b.f, 0.0f);
    b = Locate(t, 100, 1e30f);
    EXPECT_EQ(b.i, 100);
    EXPECT_EQ(b.j, 100);
    b = Locate(t, 100, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(b.i, 0);
    b = Locate(t, 100, -50.0f);
    EXPECT_EQ(b.i, 0);
    EXPECT_EQ(b.j, 1);
}

TEST(EsaKeysTest, EqualKeyTimesGiveZeroFactor) {
    esa::BoneTrack t;
    t.positions = {{0, {}}, {100, {}}, {100, {}}};
    const esa::KeyBlend b = Locate(t, 100, 150.0f);
    EXPECT_EQ(b.i, 1);
    EXPECT_EQ(b.j, 2);
    EXPECT_EQ(b.f, 0.0f);
    t.positions.clear();
    EXPECT_EQ(Locate(t, 100, 150.0f).i, 0);
}

}  // namespace
}  // namespace eh::model
