// The shared library's entry points, with SDL's disk audio driver as the output, and with
// the library's own WAV-file output (EMBERHOLD_AUDIO_WAV).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/audio/audio_api.h"
#include "tests/platform/audio/audio_test_util.h"

using namespace eh::audio;
using namespace eh::testing;

extern "C" {
BassBool BASS_Init(int, BassDword, BassDword, void*, const void*);
int BASS_ErrorGetCode();
BassBool BASS_Free();
BassBool BASS_Start();
BassBool BASS_Stop();
int BASS_GetVolume();
BassBool BASS_SetVolume(BassDword);
HSAMPLE BASS_SampleLoad(BassBool, const void*, BassDword, BassDword, BassDword, BassDword);
HCHANNEL BASS_SampleGetChannel(HSAMPLE, BassBool);
BassDword BASS_ChannelIsActive(BassDword);
BassBool BASS_ChannelPlay(BassDword, BassBool);
}

TEST(AudioLibrary, PlaysASampleThroughTheOutputAtTheMasterVolume) {
    std::string capture = tempPath("eh_audio_capture");
    useDiskAudio(capture);
    ASSERT_TRUE(BASS_Init(1, 44100, kDevice3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), kErrorAlready);
    EXPECT_EQ(BASS_GetVolume(), 100);
    ASSERT_TRUE(BASS_SetVolume(60));
    EXPECT_EQ(BASS_GetVolume(), 60);
    EXPECT_FALSE(BASS_SetVolume(101));
    EXPECT_EQ(BASS_GetVolume(), 60);

    auto ogg = toneOgg(1000.0f, 0.3, 0.8f);
    HSAMPLE s = BASS_SampleLoad(1, ogg.data(), 0, static_cast<BassDword>(ogg.size()), 1, 0);
    ASSERT_NE(s, 0u) << BASS_ErrorGetCode();
    HCHANNEL ch = BASS_SampleGetChannel(s, 0);
    ASSERT_NE(ch, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(ch, 1));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelIsActive(ch) == kActiveStopped; }));
    std::size_t end = fileSize(capture) / 4;
    ASSERT_TRUE(waitForCapture(capture, static_cast<double>(end) / kTestRate + 0.1));
    ASSERT_TRUE(BASS_Free());
    EXPECT_EQ(BASS_ChannelIsActive(ch), kActiveStopped);
    EXPECT_EQ(BASS_ErrorGetCode(), kErrorInit);

    std::vector<float> out = readCapture(capture);
    std::remove(capture.c_str());
    std::vector<int> track = toneTrack(out, {1000.0f}, 0.1f);
    int windows = 0;
    for (int t : track) windows += t == 0;
    EXPECT_NEAR(windows, 30, 2);  // 0.3 s, once
    float level = 0.0f;
    for (std::size_t w = 0; w < track.size(); ++w)
        if (track[w] == 0) level = std::max(level, toneLevel(out, w * 441, 441, 1000.0f));
    EXPECT_NEAR(level, 0.8f * 0.6f, 0.04f);
}

namespace {

std::uint32_t le(const std::vector<char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

// The WAV output mixes in real time: the file grows with the clock (not while paused), a
// sound started at time t is heard at t in the file, and the header describes the data.
TEST(AudioLibrary, TheWavOutputWritesTheMixInRealTime) {
    std::string wav = tempPath("eh_audio_wav");
    setenv("EMBERHOLD_AUDIO_WAV", wav.c_str(), 1);
    // The file's clock starts inside Init: between these two moments.
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_Init(1, 44100, kDevice3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    const double initTook = secondsSince(t0);
    unsetenv("EMBERHOLD_AUDIO_WAV");
    auto ogg = toneOgg(1000.0f, 0.2, 0.8f);
    HSAMPLE s = BASS_SampleLoad(1, ogg.data(), 0, static_cast<BassDword>(ogg.size()), 1, 0);
    ASSERT_NE(s, 0u) << BASS_ErrorGetCode();
    HCHANNEL ch = BASS_SampleGetChannel(s, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double playedAt = secondsSince(t0);
    ASSERT_TRUE(BASS_ChannelPlay(ch, 1));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelIsActive(ch) == kActiveStopped; }));
    // Paused, the output's time stands still.
    ASSERT_TRUE(BASS_Stop());
    const double pausedAt = secondsSince(t0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const double resumedAt = secondsSince(t0);
    ASSERT_TRUE(BASS_Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double endedAt = secondsSince(t0);
    ASSERT_TRUE(BASS_Free());

    std::ifstream f(wav, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::remove(wav.c_str());
    ASSERT_GE(raw.size(), 44u);
    EXPECT_EQ(std::string(raw.data(), 4), "RIFF");
    EXPECT_EQ(std::string(raw.data() + 8, 8), "WAVEfmt ");
    EXPECT_EQ(le(raw, 4, 4), raw.size() - 8);
    EXPECT_EQ(le(raw, 20, 2), 1u);      // PCM
    EXPECT_EQ(le(raw, 22, 2), 2u);      // stereo
    EXPECT_EQ(le(raw, 24, 4), 44100u);  // the rate given to BASS_Init
    EXPECT_EQ(le(raw, 34, 2), 16u);
    EXPECT_EQ(std::string(raw.data() + 36, 4), "data");
    ASSERT_EQ(le(raw, 40, 4), raw.size() - 44);

    std::vector<float> left((raw.size() - 44) / 4);
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::int16_t v;
        std::memcpy(&v, raw.data() + 44 + 4 * i, 2);
        left[i] = static_cast<float>(v) / 32767.0f;
    }
    // Played time: from Init to Free less the pause. The output mixes in 10 ms steps, one
    // step ahead of the clock.
    const double written = static_cast<double>(left.size()) / kTestRate;
    const double played = endedAt - (resumedAt - pausedAt);
    EXPECT_NEAR(written, played, 0.05 + initTook);
    // The tone starts where the clock stood when it was played: not before, and at most
    // the step mixed ahead plus the next step later (with room for a busy machine).
    std::size_t onset = 0;
    while (onset < left.size() && std::fabs(left[onset]) < 0.05f) ++onset;
    ASSERT_LT(onset, left.size());
    const double heardAt = static_cast<double>(onset) / kTestRate;
    EXPECT_GE(heardAt, playedAt - initTook - 0.001);
    EXPECT_LE(heardAt, playedAt + 0.04);
    std::vector<int> track = toneTrack(left, {1000.0f}, 0.1f);
    int windows = 0;
    for (int t : track) windows += t == 0;
    EXPECT_NEAR(windows, 20, 2);  // 0.2 s, once
}

TEST(AudioLibrary, AWavOutputThatCannotBeWrittenFailsInit) {
    setenv("EMBERHOLD_AUDIO_WAV", "/nonexistent-folder/eh_audio.wav", 1);
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    unsetenv("EMBERHOLD_AUDIO_WAV");
    EXPECT_EQ(BASS_ErrorGetCode(), kErrorDevice);
    EXPECT_EQ(BASS_GetVolume(), -1);  // nothing initialised
}
