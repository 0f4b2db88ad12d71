// The sound system over the real audio library, with SDL's disk driver capturing the mix.
// Test tones stand in for the music and effects: 440 Hz opening piece, 660 Hz main piece,
// 880 Hz vision sound, 1320 Hz cue.
#include <gtest/gtest.h>

#include <string>

#include "sound/sound_system.h"
#include "sound/sound_test_util.h"

using namespace eh::sound;
using namespace eh::testing;

namespace {

class SoundSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        capture_ = tempPath("eh_sound_capture");
        useDiskAudio(capture_);
        res_.add("BASS", 471, audioLibraryImage());
        res_.add("SOUND", 474, toneOgg(440.0f, 0.3, 0.8f));
        res_.add("SOUND", 468, toneOgg(660.0f, 0.25, 0.8f));
        res_.add("SOUND", 475, toneOgg(880.0f, 0.5, 0.8f));
        res_.add("SOUND", 476, toneOgg(1320.0f, 0.2, 0.8f));
        table_ = res_.table();
        scope_ = std::make_unique<eh::os::ScopedResourceTable>(table_);
        lib_.setTempFolder(tmp_.path());
    }
    void TearDown() override {
        scope_.reset();
        std::remove(capture_.c_str());
    }

    std::string capture_;
    TempFolder tmp_;
    FakeResources res_;
    std::vector<eh::os::ResourceEntry> table_;
    std::unique_ptr<eh::os::ScopedResourceTable> scope_;
    AudioLibrary lib_;
};

int countWindows(const std::vector<int>& track, int tone) {
    int n = 0;
    for (int t : track) n += t == tone;
    return n;
}

}  // namespace

TEST_F(SoundSystemTest, MusicOnlyPlaysTheOpeningOnceThenLoopsTheMainPiece) {
    std::vector<std::string> log;
    {
        SoundSystem sound(lib_);
        sound.StartSound({true, false, 100}, nullptr, [&](const char* l) { log.push_back(l); });
        EXPECT_TRUE(sound.enabled());
        EXPECT_EQ(sound.streamVolume(), 50);
        EXPECT_EQ(sound.sampleVolume(), 100);
        EXPECT_EQ(sound.streams().size(), 2u);
        EXPECT_TRUE(sound.samples().empty());  // no effects loaded
        EXPECT_EQ(sound.visionSound(), kNoSound);
        EXPECT_EQ(std::string(sound.streams()[0].name), "Stream");
        EXPECT_EQ(tmp_.files().size(), 1u);  // the library's file, while running
        ASSERT_TRUE(waitForCapture(capture_, 2.0));
        sound.StopSound();
        EXPECT_FALSE(sound.enabled());
        EXPECT_TRUE(tmp_.files().empty());
        sound.StopSound();  // twice is harmless
    }
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "SoundSys Init Comlete.");

    std::vector<float> out = readCapture(capture_);
    std::vector<int> track = toneTrack(out, {440.0f, 660.0f}, 0.05f);
    EXPECT_NEAR(countWindows(track, 0), 30, 1);  // the opening once
    EXPECT_GT(countWindows(track, 1), 100);      // then the main piece, over and over
    std::size_t lastOpening = 0;
    for (std::size_t i = 0; i < track.size(); ++i)
        if (track[i] == 0) lastOpening = i;
    for (std::size_t i = lastOpening + 2; i + 2 < track.size(); ++i) EXPECT_EQ(track[i], 1) << i;
    // Global stream volume 50 halves the 0.8 tones.
    EXPECT_NEAR(peak(out), 0.4f, 0.03f);
}

TEST_F(SoundSystemTest, EffectsOnlyRunTheVisionSoundSilentlyAndPlayCuesOnce) {
    SoundSystem sound(lib_);
    sound.StartSound({false, true, 50});
    EXPECT_TRUE(sound.streams().empty());
    EXPECT_EQ(sound.openingMusic(), kNoSound);
    EXPECT_EQ(sound.mainMusic(), kNoSound);
    sound.PlayStream(sound.mainMusic(), true);  // -1: nothing
    ASSERT_NE(sound.visionSound(), kNoSound);
    ASSERT_NE(sound.cues().crowTakeOff, kNoSound);
    EXPECT_EQ(sound.cues().horseTail, kNoSound);  // no resource, no sound
    EXPECT_EQ(sound.masterVolume(), 50);
    ASSERT_TRUE(waitForCapture(capture_, 1.2));  // the vision sound has looped by now
    std::size_t silentEnd = fileSize(capture_) / 4;

    sound.PlayCue(sound.cues().crowTakeOff, -1);
    std::uint32_t channel =
        sound.samples()[static_cast<std::size_t>(sound.cues().crowTakeOff)].channel;
    sound.PlayCue(sound.cues().crowTakeOff, -1);  // still playing: dropped
    EXPECT_EQ(sound.samples()[static_cast<std::size_t>(sound.cues().crowTakeOff)].channel, channel);
    ASSERT_TRUE(waitForCapture(capture_, static_cast<double>(silentEnd) / kTestRate + 0.6));
    std::size_t cueEnd = fileSize(capture_) / 4;

    sound.SetVisionVolume(85);
    ASSERT_TRUE(waitForCapture(capture_, static_cast<double>(cueEnd) / kTestRate + 0.6));
    sound.StopSound();

    std::vector<float> out = readCapture(capture_);
    EXPECT_LT(peak(out, 0, silentEnd), 1e-4f);  // vision sound at volume 0
    std::vector<float> cuePart(out.begin() + static_cast<std::ptrdiff_t>(silentEnd),
                               out.begin() + static_cast<std::ptrdiff_t>(cueEnd));
    std::vector<int> track = toneTrack(cuePart, {1320.0f, 880.0f}, 0.05f);
    EXPECT_NEAR(countWindows(track, 0), 20, 1);  // one 0.2 s cue, not two
    EXPECT_EQ(countWindows(track, 1), 0);
    // Then the vision sound at 85 of the 0.8 tone, under master volume 50.
    float level = toneLevel(out, out.size() - 8820, 4410, 880.0f);
    EXPECT_NEAR(level, 0.8f * 0.85f * 0.5f, 0.03f);
}

TEST_F(SoundSystemTest, BothOffNeverLoadTheLibrary) {
    std::vector<std::string> log;
    SoundSystem sound(lib_);
    sound.StartSound({false, false, 70}, nullptr, [&](const char* l) { log.push_back(l); });
    EXPECT_FALSE(lib_.loaded());
    EXPECT_TRUE(tmp_.files().empty());
    EXPECT_EQ(sound.visionSound(), kNoSound);
    sound.SetVisionVolume(85);
    sound.StopSound();
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(SoundSystemTest, HandlesOutsideTheListsAreIgnored) {
    SoundSystem sound(lib_);
    sound.StartSound({false, true, 100});
    std::size_t count = sound.samples().size();
    for (int h : {-1, -7, static_cast<int>(count), 1 << 30}) {
        sound.PlaySample(h, true);
        sound.SetChannelAttributes(h, -1, 50, -1);
        sound.SetSampleDefaults(h, 22050, 50, 0);
        sound.PlayStream(h, false);
        sound.PlayCue(h, 22);
    }
    EXPECT_EQ(sound.samples().size(), count);
    sound.SetVolume(250);  // clamped
    EXPECT_EQ(sound.masterVolume(), 100);
    sound.StopSound();
}
