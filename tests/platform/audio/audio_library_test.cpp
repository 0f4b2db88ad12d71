// The shared library's entry points, with SDL's disk audio driver as the output.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/audio/audio_api.h"
#include "tests/platform/audio/audio_test_util.h"

using namespace eh::audio;
using namespace eh::testing;

extern "C" {
BassBool BASS_Init(int, BassDword, BassDword, void*, const void*);
int BASS_ErrorGetCode();
BassBool BASS_Free();
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
