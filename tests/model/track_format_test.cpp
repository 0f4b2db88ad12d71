#include "model/track_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace eh::model {
namespace {

using track::File;
using track::Key;
using track::Track;

// A straight track along +x: one segment from (0,10,0) to (30,10,0), inner points at thirds.
Track straightTrack() {
    Track t;
    t.keys.resize(4);
    for (std::size_t i = 0; i < 4; ++i)
        t.keys[i].position = {10.0f * static_cast<float>(i), 10.0f, 0.0f};
    t.keys[0].speed = 1.0f;
    t.keys[3].speed = 1.0f;
    t.keys[1].speed = 999.0f;
    t.keys[1].hold = 999.0f;
    return t;
}

std::vector<std::uint8_t> write(const File& f) {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(track::Write(f, &bytes), S_OK);
    return bytes;
}

void expectSameKeys(const Track& a, const Track& b) {
    ASSERT_EQ(a.keys.size(), b.keys.size());
    for (std::size_t k = 0; k < a.keys.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(a.keys[k].position.x, b.keys[k].position.x);
        EXPECT_EQ(a.keys[k].position.y, b.keys[k].position.y);
        EXPECT_EQ(a.keys[k].position.z, b.keys[k].position.z);
        EXPECT_EQ(a.keys[k].hasTarget, b.keys[k].hasTarget);
        if (a.keys[k].hasTarget && b.keys[k].hasTarget) {  // only a flagged target is stored
            EXPECT_EQ(a.keys[k].target.x, b.keys[k].target.x);
            EXPECT_EQ(a.keys[k].target.y, b.keys[k].target.y);
            EXPECT_EQ(a.keys[k].target.z, b.keys[k].target.z);
        }
        EXPECT_EQ(a.keys[k].speed, b.keys[k].speed);
        EXPECT_EQ(a.keys[k].hold, b.keys[k].hold);
    }
}

TEST(CameraTrackFileFormat, RoundTripsAndReadsTargetsOnlyWhenFlagged) {
    File f;
    Track a = straightTrack();
    a.pivot = true;
    a.keys[0].hasTarget = true;
    a.keys[0].target = {1, 2, 3};
    Track b = straightTrack();
    b.skip = true;
    b.marker = true;
    f.tracks = {a, b};
    std::vector<std::uint8_t> bytes = write(f);
    // 4 + 2 × (4 + 3 + 4 keys × 21) + 12 bytes of the one target.
    EXPECT_EQ(bytes.size(), 4u + 2 * (7 + 4 * 21) + 12);
    File g = track::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(g.tracks.size(), 2u);
    EXPECT_TRUE(g.tracks[0].pivot);
    EXPECT_TRUE(g.tracks[0].keys[0].hasTarget);
    EXPECT_EQ(g.tracks[0].keys[0].target.z, 3.0f);
    EXPECT_FALSE(g.tracks[0].keys[1].hasTarget);
    EXPECT_TRUE(g.tracks[1].skip);
    EXPECT_TRUE(g.tracks[1].marker);
    EXPECT_EQ(g.tracks[1].keys[3].position.x, 30.0f);
}

TEST(CameraTrackFileFormat, FlagBytesCountOnlyWhenOne) {
    File f;
    f.tracks = {straightTrack()};
    std::vector<std::uint8_t> bytes = write(f);
    bytes[8] = 2;  // skip flag
    bytes[9] = 255;  // pivot flag
    File g = track::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(g.tracks.size(), 1u);
    EXPECT_FALSE(g.tracks[0].skip);
    EXPECT_FALSE(g.tracks[0].pivot);
}

TEST(CameraTrackFileFormat, DamagedFilesAreClampedNeverOverread) {
    File f;
    f.tracks = {straightTrack(), straightTrack()};
    std::vector<std::uint8_t> bytes = write(f);
    // Cut inside the second track: the first survives.
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        File g = track::Parse(bytes.data(), cut);
        EXPECT_LE(g.tracks.size(), 2u);
    }
    File g = track::Parse(bytes.data(), bytes.size() - 1);
    EXPECT_EQ(g.tracks.size(), 1u);
    // A lying track count past the capacity keeps at most 50 tracks.
    File many;
    many.tracks.assign(60, straightTrack());
    std::vector<std::uint8_t> big = write(many);
    EXPECT_EQ(track::Parse(big.data(), big.size()).tracks.size(), 50u);
    // A track with more than 150 keys is kept empty; the track after it still reads.
    Track huge;
    huge.keys.resize(151);
    File withHuge;
    withHuge.tracks = {huge, straightTrack()};
    std::vector<std::uint8_t> h = write(withHuge);
    File r = track::Parse(h.data(), h.size());
    ASSERT_EQ(r.tracks.size(), 2u);
    EXPECT_EQ(r.tracks[0].keys.size(), 0u);
    EXPECT_EQ(r.tracks[1].keys.size(), 4u);
    EXPECT_TRUE(track::Parse(nullptr, 0).tracks.empty());
}

TEST(CameraTrackFileFormat, WritesEveryFieldLittleEndianByteForByte) {
    File f;
    Track t;
    t.marker = true;
    t.pivot = true;
    Key plain;
    plain.position = {1.0f, -2.0f, 0.5f};
    plain.speed = 3.0f;
    plain.hold = 0.25f;
    Key aimed;
    aimed.position = {0.0f, 0.0f, 0.0f};
    aimed.hasTarget = true;
    aimed.target = {-1.0f, 2.0f, 4.0f};
    aimed.speed = 0.0f;
    aimed.hold = -0.0f;
    t.keys = {plain, aimed};
    f.tracks = {t};
    const std::vector<std::uint8_t> expected = {
        0x01, 0x00, 0x00, 0x00,                          // one track
        0x02, 0x00, 0x00, 0x00,                          // two keys
        0x01, 0x00, 0x01,                                // marker, skip, pivot
        0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0,  // 1.0, -2.0
        0x00, 0x00, 0x00, 0x3F, 0x00,                    // 0.5, no target
        0x00, 0x00, 0x40, 0x40, 0x00, 0x00, 0x80, 0x3E,  // speed 3.0, hold 0.25
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0.0, 0.0
        0x00, 0x00, 0x00, 0x00, 0x01,                    // 0.0, target follows
        0x00, 0x00, 0x80, 0xBF, 0x00, 0x00, 0x00, 0x40,  // -1.0, 2.0
        0x00, 0x00, 0x80, 0x40,                          // 4.0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,  // speed 0.0, hold -0.0
    };
    EXPECT_EQ(write(f), expected);
    EXPECT_EQ(expected.size(), 4 + 7 + 2 * track::kKeySize + track::kTargetSize);

    const File g = track::Parse(expected.data(), expected.size());
    ASSERT_EQ(g.tracks.size(), 1u);
    EXPECT_TRUE(g.tracks[0].marker);
    EXPECT_FALSE(g.tracks[0].skip);
    EXPECT_TRUE(g.tracks[0].pivot);
    expectSameKeys(g.tracks[0], t);
}

TEST(CameraTrackFileFormat, CutFilesKeepExactlyTheWholeTracksBeforeTheCut) {
    File f;
    for (int i = 0; i < 3; ++i) {
        Track t = straightTrack();
        t.keys[0].hasTarget = i == 1;
        t.keys[0].target = {5.0f, 6.0f, static_cast<float>(i)};
        t.keys[2].position.y = static_cast<float>(i);
        f.tracks.push_back(t);
    }
    const std::vector<std::uint8_t> bytes = write(f);
    // Where each track ends: 7 bytes of count and flags, 21 per key, 12 per target.
    std::vector<std::size_t> ends;
    std::size_t at = 4;
    for (const Track& t : f.tracks) {
        at += 7 + 4 * track::kKeySize + (t.keys[0].hasTarget ? track::kTargetSize : 0);
        ends.push_back(at);
    }
    ASSERT_EQ(ends.back(), bytes.size());
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        const File g = track::Parse(part.data(), part.size());
        std::size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= cut) ++whole;
        ASSERT_EQ(g.tracks.size(), whole);
        for (std::size_t i = 0; i < whole; ++i) expectSameKeys(g.tracks[i], f.tracks[i]);
    }
}

TEST(CameraTrackFileFormat, CountsAreReadAsStoredAndRefusedWhenTheyCannotBe) {
    File f;
    f.tracks = {straightTrack()};
    std::vector<std::uint8_t> bytes = write(f);
    // Only the low 16 bits of a key count are used.
    bytes[6] = 0x01;
    File g = track::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(g.tracks.size(), 1u);
    EXPECT_EQ(g.tracks[0].keys.size(), 4u);
    // A track count beyond the tracks present keeps those; zero or negative keeps none.
    bytes[0] = 200;
    EXPECT_EQ(track::Parse(bytes.data(), bytes.size()).tracks.size(), 1u);
    bytes[0] = 0;
    EXPECT_TRUE(track::Parse(bytes.data(), bytes.size()).tracks.empty());
    bytes[0] = 0xFF, bytes[1] = 0xFF, bytes[2] = 0xFF, bytes[3] = 0xFF;
    EXPECT_TRUE(track::Parse(bytes.data(), bytes.size()).tracks.empty());

    // A key count the 16-bit field cannot hold is refused and the output left alone.
    File tooLong;
    tooLong.tracks = {straightTrack(), Track{}};
    tooLong.tracks[1].keys.resize(track::kMaxStoredKeys + 1);
    std::vector<std::uint8_t> out = {7};
    EXPECT_EQ(track::Write(tooLong, &out), E_INVALIDARG);
    EXPECT_EQ(out, std::vector<std::uint8_t>{7});
    tooLong.tracks[1].keys.pop_back();
    ASSERT_EQ(track::Write(tooLong, &out), S_OK);
    const File back = track::Parse(out.data(), out.size());
    ASSERT_EQ(back.tracks.size(), 2u);
    EXPECT_EQ(back.tracks[0].keys.size(), 4u);
    EXPECT_TRUE(back.tracks[1].keys.empty());  // read past, kept empty
}

}  // namespace
}  // namespace eh::model
