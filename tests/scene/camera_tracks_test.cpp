#include "scene/camera_tracks.h"

#include <gtest/gtest.h>

#include <cmath>
#include "platform/os/crt_random.h"
#include <set>

namespace eh::scene {
namespace {

// A straight track along +x: one segment of length 30 from (0,10,0) to (30,10,0), inner
// points at thirds so the parameter maps linearly to distance.
CameraTrack straightTrack(float speed0 = 1.0f, float speed1 = 1.0f, float hold = 0.0f) {
    CameraTrack t;
    t.keyCount = 4;
    for (int i = 0; i < 4; ++i) t.keys[i].position = {10.0f * i, 10.0f, 0.0f};
    t.keys[0].speed = speed0;
    t.keys[0].hold = hold;
    t.keys[3].speed = speed1;
    t.keys[1].speed = 999.0f;  // inner keys' speed and hold are never read
    t.keys[1].hold = 999.0f;
    return t;
}

CameraTrackSet setWith(std::initializer_list<CameraTrack> tracks) {
    CameraTrackFile f;
    f.tracks.assign(tracks);
    CameraTrackSet set;
    set.Load(f);
    return set;
}

// The file format itself is tested in tests/model/track_format_test.cpp; here, that the
// scene takes over what the parser keeps.
TEST(CameraTrackFileParse, TakesTheParsersTracksKeysAndFlags) {
    model::track::File stored;
    model::track::Track a;
    a.marker = true;
    a.pivot = true;
    for (int i = 0; i < 7; ++i) {
        model::track::Key k;
        k.position = {static_cast<float>(i), 2.0f, -3.0f};
        k.hasTarget = i == 3;
        k.target = {4.0f, 5.0f, 6.0f};
        k.speed = 0.5f * static_cast<float>(i);
        k.hold = 10.0f - static_cast<float>(i);
        a.keys.push_back(k);
    }
    model::track::Track huge;
    huge.skip = true;
    huge.keys.resize(CameraTrack::kMaxKeys + 1);
    model::track::Track full;
    full.keys.resize(CameraTrack::kMaxKeys);
    full.keys.back().position = {7.0f, 8.0f, 9.0f};
    stored.tracks = {a, huge, full};
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(model::track::Write(stored, &bytes), S_OK);

    const CameraTrackFile f = CameraTrackFile::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(f.tracks.size(), 3u);
    const CameraTrack& t = f.tracks[0];
    EXPECT_TRUE(t.marker);
    EXPECT_FALSE(t.skip);
    EXPECT_TRUE(t.pivot);
    ASSERT_EQ(t.keyCount, 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(t.keys[i].position.x, static_cast<float>(i));
        EXPECT_EQ(t.keys[i].hasTarget, i == 3);
        EXPECT_EQ(t.keys[i].speed, 0.5f * static_cast<float>(i));
        EXPECT_EQ(t.keys[i].hold, 10.0f - static_cast<float>(i));
    }
    EXPECT_EQ(t.keys[3].target.y, 5.0f);
    EXPECT_EQ(t.pathBuffer, -1);
    EXPECT_TRUE(f.tracks[1].skip);
    EXPECT_EQ(f.tracks[1].keyCount, 0);  // longer than the scene holds: ends at once
    EXPECT_EQ(f.tracks[2].keyCount, CameraTrack::kMaxKeys);
    EXPECT_EQ(f.tracks[2].keys[CameraTrack::kMaxKeys - 1].position.z, 9.0f);
    EXPECT_TRUE(CameraTrackFile::Parse(nullptr, 0).tracks.empty());
}

TEST(CameraTrackSetPrepare, SegmentLengthsFromChords) {
    CameraTrackSet set = setWith({straightTrack()});
    EXPECT_EQ(set.Track(0).segmentCount, 1);
    EXPECT_NEAR(set.Track(0).segmentLengths[0], 30.0f, 1e-3f);
    CameraTrack three = straightTrack();
    three.keyCount = 3;  // (3 - 1) / 3 = 0 segments
    EXPECT_EQ(setWith({three}).Track(0).segmentCount, 0);
}

TEST(CameraTrackSetStart, PlacesEyeAtSegmentStartFacingAlongOrAtTarget) {
    CameraTrackSet set = setWith({straightTrack()});
    set.Start(0, 0);
    EXPECT_NEAR(set.Eye().x, 0.0f, 1e-5f);
    EXPECT_NEAR(set.Yaw(), 0.0f, 1e-3f);
    EXPECT_NEAR(set.Pitch(), 0.0f, 1e-3f);

    CameraTrack t = straightTrack();
    t.keys[0].hasTarget = true;
    t.keys[0].target = {0.0f, 10.0f, -5.0f};  // straight toward -z
    CameraTrackSet withTarget = setWith({t});
    withTarget.Start(0, 0);
    EXPECT_NEAR(withTarget.Yaw(), 270.0f, 1e-3f);
    withTarget.SetLookAtTargets(false);
    withTarget.Start(0, 0);
    EXPECT_NEAR(withTarget.Yaw(), 0.0f, 1e-3f);
}

TEST(CameraTrackSetUpdate, MovesByArcLengthAtInterpolatedSpeed) {
    CameraTrackSet set = setWith({straightTrack(1.0f, 3.0f)});
    set.Start(0, 0);
    set.Update(1.0f);  // speed at distance 0 is 1
    EXPECT_NEAR(set.Distance(), 1.0f, 1e-5f);
    EXPECT_NEAR(set.Eye().x, 1.0f, 1e-3f);
    set.Update(1.0f);  // speed at distance 1 of 30 is 1 + 2/30
    EXPECT_NEAR(set.Speed(), 1.0f + 2.0f / 30.0f, 1e-5f);
    EXPECT_NEAR(set.Eye().x, 1.0f + set.Speed(), 1e-3f);
}

TEST(CameraTrackSetUpdate, EyeIsContinuousFromTheSegmentStart) {
    CameraTrackSet set = setWith({straightTrack()});
    set.Start(0, 0);
    float previous = set.Eye().x;
    for (int i = 0; i < 40; ++i) {
        set.Update(0.05f);
        EXPECT_NEAR(set.Eye().x - previous, 0.05f, 2e-3f) << "frame " << i;
        previous = set.Eye().x;
    }
}

TEST(CameraTrackSetUpdate, HoldPausesAndOvershootMovesOnlyTheRest) {
    CameraTrackSet set = setWith({straightTrack(1.0f, 1.0f, 2.0f)});
    set.Start(0, 0);
    EXPECT_FLOAT_EQ(set.Hold(), 2.0f);
    set.Update(1.5f);  // 150 ms of the 200 ms hold
    EXPECT_FLOAT_EQ(set.Distance(), 0.0f);
    EXPECT_FLOAT_EQ(set.Eye().x, 0.0f);
    set.Update(1.0f);  // 50 ms of hold left: moves by the 0.5 overshoot
    EXPECT_NEAR(set.Distance(), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(set.Hold(), 0.0f);
}

TEST(CameraTrackSetUpdate, EndOfTrackRaisesTheCutAndWraps) {
    CameraTrackSet set = setWith({straightTrack(10.0f, 10.0f)});
    set.Start(0, 0);
    set.Update(2.0f);
    EXPECT_FALSE(set.CutFlag());
    set.Update(2.0f);  // 40 > 30
    EXPECT_TRUE(set.CutFlag());
    EXPECT_EQ(set.Segment(), 0);
    EXPECT_NEAR(set.Distance(), 10.0f, 1e-3f);
    set.Update(0.1f);
    EXPECT_FALSE(set.CutFlag()) << "the flag is cleared by the next update";
}

TEST(CameraTrackSetUpdate, TracksThatCannotBeTravelledEndAtOnce) {
    CameraTrack none;  // no keys
    CameraTrack zero = straightTrack();
    for (int i = 0; i < 4; ++i) zero.keys[i].position = {5, 5, 5};  // zero-length segment
    CameraTrackSet set = setWith({none, zero});
    set.Start(0, 0);
    set.Update(1.0f);
    EXPECT_TRUE(set.CutFlag());
    set.Start(1, 0);
    set.Update(1.0f);
    EXPECT_TRUE(set.CutFlag());
    CameraTrackSet empty;
    empty.Start(3, 0);
    empty.Update(1.0f);
    EXPECT_TRUE(empty.CutFlag());
}

TEST(CameraTrackSetUpdate, TurnsTwoPercentPerSixteenMillisecondFrame) {
    CameraTrack t = straightTrack();
    t.keys[0].hasTarget = true;
    t.keys[0].target = {0.0f, 20.0f, 0.0f};  // straight up would be 90° pitch
    t.keys[0].target = {10.0f, 20.0f, 0.0f};
    CameraTrackSet set = setWith({t});
    set.Start(0, 0);
    set.SetOrientation(0.0f, 0.0f);
    set.Update(0.16f);
    float target = CameraTrackSet::PitchOf(
        [&] {
            model::Vector3 d = model::Subtract(t.keys[0].target, set.Eye());
            float l = model::Length(d);
            return model::Vector3{d.x / l, d.y / l, d.z / l};
        }());
    EXPECT_NEAR(set.Pitch(), 0.02f * target, 0.05f);
}

TEST(CameraTrackSetUpdate, YawCrossesZeroTheShortWay) {
    CameraTrack t = straightTrack();
    t.keys[0].hasTarget = true;
    t.keys[0].target = {10.0f, 10.0f, -0.5f};  // yaw just below 360
    CameraTrackSet set = setWith({t});
    set.Start(0, 0);
    set.SetOrientation(10.0f, 0.0f);
    set.Update(1.0f);  // k = 0.125
    // target ≈ 357.1: short way is -12.9°, so yaw goes to ≈ 8.4, not up toward 180.
    EXPECT_LT(set.Yaw(), 10.0f);
    EXPECT_GT(set.Yaw(), 8.0f);
    t.keys[0].target = {10.0f, 10.0f, 1000.0f};  // far along +z
    CameraTrackSet other = setWith({t});
    other.Start(0, 0);
    other.SetOrientation(359.0f, 0.0f);
    other.Update(100.37f);  // k > 1: snaps, wrapped into [0, 360)
    // Aiming far along +z: 90°, reached in one step from 359° and wrapped.
    EXPECT_NEAR(other.Yaw(), 90.0f, 1.0f);
}

TEST(CameraTrackSetPivot, EyeAtTargetAimingAtThePathPoint) {
    CameraTrack t = straightTrack();
    t.pivot = true;
    t.keys[0].hasTarget = true;
    t.keys[0].target = {15.0f, 10.0f, -10.0f};
    CameraTrackSet set = setWith({t});
    set.SetLookAtTargets(false);  // the path point moves along the path
    set.Start(0, 0);
    set.Update(15.0f);
    set.ApplyPivot();
    EXPECT_FLOAT_EQ(set.Eye().z, -10.0f);
    EXPECT_NEAR(set.Yaw(), 90.0f, 0.5f);  // looking along +z at (15, 10, 0)
}

TEST(CameraPlaylistBuild, TenEntriesWithSpecialsAtSixAndTen) {
    CameraTrackFile f;
    f.tracks.assign(16, straightTrack());
    CameraTrackSet set;
    set.Load(f);
    for (unsigned seed = 1; seed < 40; ++seed) {
        eh::os::SeedRandom(seed);
        CameraPlaylist p;
        set.BuildPlaylist(p);
        ASSERT_EQ(p.count, 10);
        EXPECT_EQ(p.position, 0);
        std::set<int> first, second;
        for (int i = 0; i < 5; ++i) {
            EXPECT_GE(p.entries[i], 0);
            EXPECT_LE(p.entries[i], 6);
            first.insert(p.entries[i]);
        }
        for (int i = 6; i < 9; ++i) {
            EXPECT_GE(p.entries[i], 10);
            EXPECT_LE(p.entries[i], 15);
            second.insert(p.entries[i]);
        }
        EXPECT_EQ(first.size(), 5u);
        EXPECT_EQ(second.size(), 3u);
        EXPECT_GE(p.entries[5], 7);
        EXPECT_LE(p.entries[5], 9);
        EXPECT_GE(p.entries[9], 7);
        EXPECT_LE(p.entries[9], 9);
    }
}

TEST(CameraPlaylistBuild, SkippedTracksAreLeftOutAndSeedsReproduce) {
    CameraTrackFile f;
    f.tracks.assign(16, straightTrack());
    f.tracks[2].skip = true;
    f.tracks[12].skip = true;
    CameraTrackSet set;
    set.Load(f);
    eh::os::SeedRandom(7);
    CameraPlaylist a;
    set.BuildPlaylist(a);
    eh::os::SeedRandom(7);
    CameraPlaylist b;
    set.BuildPlaylist(b);
    EXPECT_EQ(a.count, b.count);
    for (int i = 0; i < a.count; ++i) {
        EXPECT_EQ(a.entries[i], b.entries[i]);
        EXPECT_NE(a.entries[i], 2);
        EXPECT_NE(a.entries[i], 12);
    }
    EXPECT_EQ(a.count, 8);  // 6 − 1 of the first group, 5 − 2 of the second
}

}  // namespace
}  // namespace eh::scene
