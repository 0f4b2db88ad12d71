#include "scene/creatures.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>
#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {

// A model whose clips all have fixed lengths.
class FakeModel : public ClipTarget {
  public:
    explicit FakeModel(std::map<int, float> lengths) : lengths_(std::move(lengths)) {}
    void SelectClip(int clip) override {
        clip_ = clip;
        time_ = 0.0f;
        selections.push_back(clip);
    }
    float ClipLength() const override { return lengths_.count(clip_) ? lengths_.at(clip_) : 0.0f; }
    void SetClipTime(float ms) override { time_ = ms; }
    int clip() const { return clip_; }
    float time() const { return time_; }
    std::vector<int> selections;

  private:
    std::map<int, float> lengths_;
    int clip_ = 0;
    float time_ = 0.0f;
};

const HorseSounds kHorse{11, 12, 13};
const CrowSounds kCrows{21, 22, 23};

TEST(HorseSequence, TenShuffledIdleMovesThenTheTailRaise) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        eh::os::SeedRandom(seed);
        HorseSequence seq;
        BuildHorseSequence(seq, kHorse);
        ASSERT_EQ(seq.count, 17);
        EXPECT_EQ(seq.index, 0);
        EXPECT_EQ(seq.time, 0.0f);
        for (int i = 0; i < 10; ++i) {
            const SequenceEntry& e = seq.entries[i];
            ASSERT_LE(e.clip, 3);
            const int expectedSound[] = {-1, 11, 12, 13};
            const float expectedCue[] = {-1.0f, 0.0f, 500.0f, 1933.33f};
            EXPECT_EQ(e.sound, expectedSound[e.clip]);
            EXPECT_NEAR(e.cueTime, expectedCue[e.clip], 0.01f);
        }
        EXPECT_EQ(seq.entries[10].clip, 4);
        for (int i = 11; i < 16; ++i) EXPECT_EQ(seq.entries[i].clip, 5);
        EXPECT_EQ(seq.entries[16].clip, 6);
    }
}

TEST(CrowFlight, OpensWithTakeOffAndClosesWithLeaving) {
    eh::os::SeedRandom(3);
    CrowSequence seq;
    StartCrowFlight(seq, kCrows);
    ASSERT_EQ(seq.count, 12);
    EXPECT_TRUE(seq.active);
    EXPECT_EQ(seq.entries[0].clip, 0);
    EXPECT_EQ(seq.entries[0].sound, 21);
    EXPECT_NEAR(seq.entries[0].cueTime, 4666.67f, 0.01f);
    EXPECT_EQ(seq.entries[11].clip, 5);
    EXPECT_NEAR(seq.entries[11].cueTime, 5266.67f, 0.01f);
    for (int i = 1; i < 11; ++i) {
        EXPECT_GE(seq.entries[i].clip, 1);
        EXPECT_LE(seq.entries[i].clip, 4);
        if (seq.entries[i].clip == 1) {
            EXPECT_EQ(seq.entries[i].sound, 22);
        }
    }
}

TEST(HorseStepping, CueFiresOnceJustAfterItsTimeAndNotAtZero) {
    eh::os::SeedRandom(1);
    FakeModel horse({{0, 1000}, {1, 1000}, {2, 1000}, {3, 3000}, {4, 1000}, {5, 1000}, {6, 1000}});
    HorseSequence seq;
    BuildHorseSequence(seq, kHorse);
    // Put a tail swish (cue at 0 ms) first.
    seq.entries[0] = {1, 11, 0.0f};
    horse.SelectClip(1);
    std::vector<std::pair<int, bool>> played;
    CuePlayer play = [&](int s, bool v) { played.push_back({s, v}); };
    StepHorse(seq, horse, 0.0f, kHorse, play);
    EXPECT_TRUE(played.empty()) << "not at clip time exactly 0";
    StepHorse(seq, horse, 20.0f, kHorse, play);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].first, 11);
    EXPECT_TRUE(played[0].second) << "the horse's cue sets the channel volume";
    StepHorse(seq, horse, 20.0f, kHorse, play);
    EXPECT_EQ(played.size(), 1u) << "fires once";
    EXPECT_EQ(horse.clip(), 1);
    EXPECT_FLOAT_EQ(horse.time(), 40.0f);
}

TEST(HorseStepping, LongFrameSkipsEntriesAndTheirCues) {
    eh::os::SeedRandom(2);
    FakeModel horse({{0, 1000}, {1, 1000}, {2, 1000}, {3, 1000}, {4, 1000}, {5, 1000}, {6, 1000}});
    HorseSequence seq;
    BuildHorseSequence(seq, kHorse);
    for (int i = 0; i < 10; ++i) seq.entries[i] = {2, 12, 500.0f};
    horse.SelectClip(2);
    int fired = 0;
    StepHorse(seq, horse, 3400.0f, kHorse, [&](int, bool) { ++fired; });
    EXPECT_EQ(seq.index, 3);
    EXPECT_FLOAT_EQ(seq.time, 400.0f);
    EXPECT_EQ(fired, 0) << "the current entry's cue (500) is still ahead; skipped ones never fire";
    StepHorse(seq, horse, 120.0f, kHorse, [&](int, bool) { ++fired; });
    EXPECT_EQ(fired, 1);
}

TEST(HorseStepping, RunningOutBuildsANewSequence) {
    eh::os::SeedRandom(4);
    FakeModel horse({{0, 100}, {1, 100}, {2, 100}, {3, 100}, {4, 100}, {5, 100}, {6, 100}});
    HorseSequence seq;
    BuildHorseSequence(seq, kHorse);
    horse.SelectClip(seq.Current().clip);
    StepHorse(seq, horse, 1750.0f, kHorse, {});  // 17.5 clips: past the end
    EXPECT_EQ(seq.count, 17);
    EXPECT_EQ(seq.index, 0);
    EXPECT_FLOAT_EQ(seq.time, 0.0f) << "time left over from the previous clip is dropped";
}

TEST(HorseStepping, ZeroLengthClipsCannotHangTheFrame) {
    eh::os::SeedRandom(5);
    FakeModel horse({});  // every clip has length 0
    HorseSequence seq;
    BuildHorseSequence(seq, kHorse);
    StepHorse(seq, horse, 16.0f, kHorse, {});
    EXPECT_LT(seq.index, seq.count);
}

// Clips of no length: stepping ends as soon as a rebuilt sequence has put the time back to
// 0, so a frame rebuilds the horse's sequence once, and draws the random numbers of that one
// shuffle only, whatever the frame's length.
TEST(HorseStepping, ZeroLengthClipsRebuildTheSequenceOnceAFrame) {
    for (float dt : {0.001f, 16.0f, 100000.0f}) {
        eh::os::SeedRandom(5);
        BuildHorseSequence(*std::make_unique<HorseSequence>(), kHorse);
        BuildHorseSequence(*std::make_unique<HorseSequence>(), kHorse);
        const int afterTwoShuffles = eh::os::Random();

        eh::os::SeedRandom(5);
        FakeModel horse({});  // every clip has length 0
        HorseSequence seq;
        BuildHorseSequence(seq, kHorse);
        horse.SelectClip(seq.Current().clip);
        const std::size_t before = horse.selections.size();
        StepHorse(seq, horse, dt, kHorse, {});
        EXPECT_EQ(eh::os::Random(), afterTwoShuffles) << dt;
        EXPECT_EQ(seq.index, 0) << dt;
        EXPECT_EQ(seq.time, 0.0f) << dt;
        EXPECT_EQ(horse.clip(), seq.entries[0].clip) << dt;
        // 16 entries passed, the rebuilt sequence's first, and the selection after the loop.
        EXPECT_EQ(horse.selections.size() - before, 18u) << dt;
    }
}

// A clip of no length inside a sequence is passed while time is left, and stays current
// while no time has passed in it.
TEST(HorseStepping, ZeroLengthClipIsPassedOnlyWhileTimeIsLeft) {
    eh::os::SeedRandom(7);
    // Clip 4, the tail raise's first entry (index 10), has no length.
    FakeModel horse({{0, 100}, {1, 100}, {2, 100}, {3, 100}, {5, 100}, {6, 100}});
    HorseSequence seq;
    BuildHorseSequence(seq, kHorse);
    horse.SelectClip(seq.Current().clip);
    StepHorse(seq, horse, 1000.0f, kHorse, {});
    EXPECT_EQ(seq.index, 9);
    EXPECT_FLOAT_EQ(seq.time, 100.0f);
    StepHorse(seq, horse, 0.0f, kHorse, {});
    EXPECT_EQ(seq.index, 9) << "a clip exactly used up is not yet passed";
    StepHorse(seq, horse, 0.5f, kHorse, {});
    EXPECT_EQ(seq.index, 11) << "the zero-length entry is passed with time left";
    EXPECT_FLOAT_EQ(seq.time, 0.5f);
    EXPECT_EQ(horse.clip(), 5);

    seq.index = 10;
    seq.time = 0.0f;
    horse.SelectClip(4);
    StepHorse(seq, horse, 0.0f, kHorse, {});
    EXPECT_EQ(seq.index, 10) << "no time has passed in the zero-length clip";
    EXPECT_EQ(horse.clip(), 4);
    StepHorse(seq, horse, 0.25f, kHorse, {});
    EXPECT_EQ(seq.index, 11);
    EXPECT_FLOAT_EQ(seq.time, 0.25f);
}

TEST(CrowStepping, FlightEndsMidFrameAndCrowsVanish) {
    eh::os::SeedRandom(6);
    FakeModel crows({{0, 1000}, {1, 1000}, {2, 1000}, {3, 1000}, {4, 1000}, {5, 1000}});
    CrowSequence seq;
    StartCrowFlight(seq, kCrows);
    crows.SelectClip(0);
    int fired = 0;
    CuePlayer play = [&](int, bool v) {
        ++fired;
        EXPECT_FALSE(v) << "crow cues keep the channel volume";
    };
    StepCrows(seq, crows, 11500.0f, play);
    EXPECT_TRUE(seq.active);
    EXPECT_EQ(seq.index, 11);
    StepCrows(seq, crows, 600.0f, play);
    EXPECT_FALSE(seq.active);
    EXPECT_FLOAT_EQ(seq.time, 0.0f);
    std::size_t selections = crows.selections.size();
    StepCrows(seq, crows, 100.0f, play);
    EXPECT_EQ(crows.selections.size(), selections) << "not flying: nothing is stepped";
}

}  // namespace
}  // namespace eh::scene
