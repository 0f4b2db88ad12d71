// The audio library's mixer, rendered directly (no output device).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/audio_mixer.h"
#include "tests/platform/audio/audio_test_util.h"

using namespace eh::audio;
using namespace eh::testing;

namespace {

// Renders `seconds` and returns the left channel.
std::vector<float> renderLeft(Mixer& m, double seconds) {
    auto n = static_cast<int>(seconds * kTestRate);
    std::vector<float> stereo(2 * static_cast<std::size_t>(n));
    m.render(stereo.data(), n);
    std::vector<float> left(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
}

std::size_t activeFrames(const std::vector<float>& x, float floor) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > floor) last = i + 1;
    return last;
}

struct GlobalVolumes {
    GlobalVolumes() { reset(); }
    ~GlobalVolumes() { reset(); }
    static void reset() {
        Mixer::setGlobalVolume(kConfigGlobalSampleVolume, 100);
        Mixer::setGlobalVolume(kConfigGlobalStreamVolume, 100);
    }
};

struct EndLog {
    std::vector<BassDword> channels;
    Mixer* mixer = nullptr;
    HSTREAM next = 0;
};

void onEnd(HSYNC, BassDword channel, BassDword, void* user) {
    auto* log = static_cast<EndLog*>(user);
    log->channels.push_back(channel);
    if (log->next != 0) {
        log->mixer->setFlags(log->next, kSampleLoop);
        log->mixer->play(log->next, true);
    }
}

}  // namespace

TEST(Mixer, SamplePlaysOnceAtItsVolumesAndHasOnePlaybackAtATime) {
    GlobalVolumes g;
    auto ogg = toneOgg(1000.0f, 0.2, 0.8f);
    Mixer m(kTestRate);
    HSAMPLE s = 0;
    ASSERT_EQ(m.loadSample(ogg.data(), ogg.size(), 1, 0, s), kErrorOk);
    HCHANNEL ch = 0;
    ASSERT_EQ(m.sampleChannel(s, false, ch), kErrorOk);
    ASSERT_EQ(m.play(ch, true), kErrorOk);
    HCHANNEL second = 0;
    EXPECT_EQ(m.sampleChannel(s, false, second), kErrorNoChannel);  // max 1, still playing

    std::vector<float> out = renderLeft(m, 0.5);
    EXPECT_NEAR(toneLevel(out, 2205, 4410, 1000.0f), 0.8f, 0.05f);
    EXPECT_NEAR(static_cast<double>(activeFrames(out, 0.01f)), 0.2 * kTestRate, 200.0);
    BassDword state = 9;
    EXPECT_EQ(m.isActive(ch, state), kErrorOk);
    EXPECT_EQ(state, kActiveStopped);
    EXPECT_EQ(m.sampleChannel(s, false, second), kErrorOk);  // free again once ended

    // Channel volume 50, sample global 50, master 50: 0.8 × 0.125.
    ASSERT_EQ(m.setAttributes(second, -1, 50, -1), kErrorOk);
    ASSERT_EQ(Mixer::setGlobalVolume(kConfigGlobalSampleVolume, 50), kErrorOk);
    ASSERT_EQ(m.setMasterVolume(50), kErrorOk);
    m.play(second, true);
    out = renderLeft(m, 0.2);
    EXPECT_NEAR(toneLevel(out, 2205, 4410, 1000.0f), 0.1f, 0.01f);
}

TEST(Mixer, SampleDefaultsApplyToNewChannelsAndLoopFlagLoops) {
    GlobalVolumes g;
    auto ogg = toneOgg(500.0f, 0.1, 0.5f);
    Mixer m(kTestRate);
    HSAMPLE s = 0;
    ASSERT_EQ(m.loadSample(ogg.data(), ogg.size(), 1, 0, s), kErrorOk);
    BASS_SAMPLE info{};
    ASSERT_EQ(m.sampleInfo(s, info), kErrorOk);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.volume, 100u);
    info.volume = 0;
    ASSERT_EQ(m.setSampleInfo(s, info), kErrorOk);
    info.volume = 101;
    EXPECT_EQ(m.setSampleInfo(s, info), kErrorIllegalParam);

    HCHANNEL ch = 0;
    ASSERT_EQ(m.sampleChannel(s, false, ch), kErrorOk);
    ASSERT_EQ(m.setFlags(s, kSampleLoop), kErrorOk);  // a sample's flags reach its channels
    m.play(ch, true);
    std::vector<float> out = renderLeft(m, 0.5);
    EXPECT_LT(peak(out), 1e-6f);  // default volume 0: silent, but running
    BassDword state = 0;
    m.isActive(ch, state);
    EXPECT_EQ(state, kActivePlaying);

    ASSERT_EQ(m.setAttributes(ch, -1, 100, -1), kErrorOk);
    out = renderLeft(m, 0.5);  // five passes of the 0.1 s tone, no gap at the wrap
    EXPECT_NEAR(toneLevel(out, 0, out.size(), 500.0f), 0.5f, 0.05f);
    EXPECT_EQ(m.setAttributes(ch, 50, -1, -1), kErrorIllegalParam);  // below 100 Hz
    EXPECT_EQ(m.setAttributes(ch, -1, -1, 101), kErrorIllegalParam);
}

TEST(Mixer, PanAttenuatesTheFarSide) {
    GlobalVolumes g;
    auto ogg = toneOgg(1000.0f, 0.2, 0.8f);
    Mixer m(kTestRate);
    HSAMPLE s = 0;
    HCHANNEL ch = 0;
    ASSERT_EQ(m.loadSample(ogg.data(), ogg.size(), 1, 0, s), kErrorOk);
    ASSERT_EQ(m.sampleChannel(s, false, ch), kErrorOk);
    m.setAttributes(ch, -1, -1, 100);  // hard right
    m.play(ch, true);
    std::vector<float> stereo(2 * 4410);
    m.render(stereo.data(), 4410);
    float l = 0, r = 0;
    for (std::size_t i = 0; i < 4410; ++i) {
        l = std::max(l, std::fabs(stereo[2 * i]));
        r = std::max(r, std::fabs(stereo[2 * i + 1]));
    }
    EXPECT_LT(l, 1e-6f);
    EXPECT_GT(r, 0.7f);
}

TEST(Mixer, StreamEndsOnceAndItsCallbackStartsTheNextWithoutAGap) {
    GlobalVolumes g;
    auto first = toneOgg(440.0f, 0.3, 0.6f);
    auto second = toneOgg(660.0f, 0.25, 0.6f);
    Mixer m(kTestRate);
    HSTREAM a = 0, b = 0;
    ASSERT_EQ(m.createStream(first.data(), first.size(), 0, a), kErrorOk);
    ASSERT_EQ(m.createStream(second.data(), second.size(), 0, b), kErrorOk);
    ASSERT_EQ(Mixer::setGlobalVolume(kConfigGlobalStreamVolume, 50), kErrorOk);
    EndLog log{{}, &m, b};
    HSYNC sync = 0;
    ASSERT_EQ(m.setSync(a, kSyncEnd, onEnd, &log, sync), kErrorOk);
    EXPECT_NE(sync, 0u);
    m.play(a, true);

    std::vector<float> out = renderLeft(m, 1.5);
    ASSERT_EQ(log.channels.size(), 1u);  // the opening ends exactly once
    EXPECT_EQ(log.channels[0], a);
    std::vector<int> track = toneTrack(out, {440.0f, 660.0f}, 0.05f);
    // 30 windows of the first tone, then only the second, looping, to the end.
    int firstWindows = 0;
    std::size_t lastFirst = 0;
    for (std::size_t i = 0; i < track.size(); ++i)
        if (track[i] == 0) {
            ++firstWindows;
            lastFirst = i;
        }
    EXPECT_NEAR(firstWindows, 30, 1);
    for (std::size_t i = lastFirst + 2; i < track.size(); ++i) EXPECT_EQ(track[i], 1) << i;
    EXPECT_NEAR(toneLevel(out, 15000, 4410, 660.0f) + toneLevel(out, 4410, 4410, 440.0f), 0.6f,
                0.05f);  // halved by the global stream volume
    // No gap at the hand-over: the mix stays loud across it (2 ms tone edges aside).
    std::size_t handover = static_cast<std::size_t>(0.3 * kTestRate);
    EXPECT_GT(peak(out, handover + 200, handover + 400), 0.2f);
    BassDword state = 0;
    m.isActive(a, state);
    EXPECT_EQ(state, kActiveStopped);
    m.isActive(b, state);
    EXPECT_EQ(state, kActivePlaying);
}

TEST(Mixer, RefusesDamagedDataAndUnknownHandles) {
    auto ogg = toneOgg(440.0f, 0.2, 0.5f);
    Mixer m(kTestRate);
    HSAMPLE s = 1;
    HSTREAM st = 1;
    std::vector<std::uint8_t> garbage(4000, 0x5A);
    EXPECT_EQ(m.loadSample(garbage.data(), garbage.size(), 1, 0, s), kErrorFileForm);
    EXPECT_EQ(s, 0u);
    EXPECT_EQ(m.createStream(garbage.data(), garbage.size(), 0, st), kErrorFileForm);
    EXPECT_EQ(m.loadSample(ogg.data(), 60, 1, 0, s), kErrorFileForm);  // headers cut short
    EXPECT_EQ(m.loadSample(ogg.data(), 0, 1, 0, s), kErrorIllegalParam);
    EXPECT_EQ(m.loadSample(ogg.data(), ogg.size(), 0, 0, s), kErrorIllegalParam);  // max 0

    // A file cut in the middle is refused too: its length cannot be trusted.
    EXPECT_EQ(m.createStream(ogg.data(), ogg.size() / 2, 0, st), kErrorFileForm);
    ASSERT_EQ(m.createStream(ogg.data(), ogg.size(), 0, st), kErrorOk);

    BassDword state = 0;
    EXPECT_EQ(m.isActive(12345, state), kErrorHandle);
    EXPECT_EQ(m.play(12345, true), kErrorHandle);
    EXPECT_EQ(m.freeStream(12345), kErrorHandle);
    EXPECT_EQ(m.setSync(st, 7, onEnd, nullptr, s), kErrorIllegalType);
    EXPECT_EQ(m.setMasterVolume(101), kErrorIllegalParam);
    EXPECT_EQ(Mixer::setGlobalVolume(kConfigGlobalSampleVolume, 101), kErrorIllegalParam);
    EXPECT_EQ(Mixer::setGlobalVolume(9, 50), kErrorIllegalType);
}
