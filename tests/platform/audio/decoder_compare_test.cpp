// The two Vorbis decoders of the audio library, libvorbisfile (Linux) and stb_vorbis
// (Windows), on the program's own sounds: the same length, rate and channels, and nearly
// the same samples.
//
// Both implement the same inverse transform in single-precision floats, in different
// orders of operations, so they differ by float rounding only. Measured on the nine
// generated sounds (the test prints it): the largest difference of any sample is 2.4e-7
// of full scale (two float steps near 1.0), the RMS of the difference at most 2.1e-8.
// The limit here, 1e-5, leaves forty times that for other compilers and their float
// contraction, and is a third of one 16-bit output step, so no difference it lets through
// can be heard or even reach the output; a real fault (a dropped or shifted packet, a
// wrong window, a lost channel) differs by 1e-2 or more.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/audio/audio_decode.h"
#include "platform/audio/audio_decode_stb.h"
#include "platform/audio/audio_decode_vorbisfile.h"
#include "platform/os/resources.h"

using namespace eh::audio;

namespace {

constexpr float kMaxSampleDifference = 1e-5f;

struct Decoded {
    std::vector<float> stereo;
    int rate = 0;
    int channels = 0;
};

template <typename Decoder>
Decoded decode(const eh::os::ResourceData& res) {
    Decoded d;
    EXPECT_TRUE(decodeAllWith<Decoder>(res.data, res.size, 44100u * 600u, d.stereo, d.rate,
                                       d.channels));
    return d;
}

}  // namespace

TEST(VorbisDecoders, DecodeEveryProgramSoundToNearlyTheSameSamples) {
    for (int id : {468, 474, 475, 476, 477, 478, 479, 480, 481}) {
        SCOPED_TRACE("SOUND " + std::to_string(id));
        eh::os::ResourceData res = eh::os::FindResourceData("SOUND", id);
        ASSERT_TRUE(res && res.size > 0);
        Decoded a = decode<VorbisFileDecoder>(res);
        Decoded b = decode<StbVorbisDecoder>(res);
        ASSERT_GT(a.stereo.size(), 0u);
        EXPECT_EQ(a.rate, b.rate);
        EXPECT_EQ(a.channels, b.channels);
        ASSERT_EQ(a.stereo.size(), b.stereo.size());
        double worst = 0.0;
        double sum = 0.0;
        double signal = 0.0;
        for (std::size_t i = 0; i < a.stereo.size(); ++i) {
            const double diff = std::fabs(double{a.stereo[i]} - double{b.stereo[i]});
            worst = std::max(worst, diff);
            sum += diff * diff;
            signal += double{a.stereo[i]} * double{a.stereo[i]};
        }
        const double rms = std::sqrt(sum / static_cast<double>(a.stereo.size()));
        std::printf("SOUND %d: %zu frames, signal RMS %.4f, largest difference %.3g, "
                    "difference RMS %.3g\n",
                    id, a.stereo.size() / 2,
                    std::sqrt(signal / static_cast<double>(a.stereo.size())), worst, rms);
        EXPECT_LT(worst, kMaxSampleDifference);
        // Not silence that would agree trivially.
        EXPECT_GT(signal, 0.0);
    }
}

TEST(VorbisDecoders, BothRefuseWhatIsNotAWholeVorbisStream) {
    eh::os::ResourceData res = eh::os::FindResourceData("SOUND", 479);
    ASSERT_TRUE(res && res.size > 64);
    std::vector<std::uint8_t> bytes(res.data, res.data + res.size);
    std::vector<std::uint8_t> headerCut(bytes.begin(), bytes.begin() + 40);  // inside the headers
    std::vector<std::uint8_t> noise(4096);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 131 + 7);
    for (const auto* input : {&headerCut, &noise}) {
        VorbisFileDecoder a;
        StbVorbisDecoder b;
        EXPECT_FALSE(a.open(input->data(), input->size()));
        EXPECT_FALSE(b.open(input->data(), input->size()));
        float out[8];
        EXPECT_EQ(a.read(out, 4), 0);
        EXPECT_EQ(b.read(out, 4), 0);
    }
    StbVorbisDecoder empty;
    EXPECT_FALSE(empty.open(bytes.data(), 0));
    EXPECT_FALSE(empty.open(nullptr, 10));
}

TEST(VorbisDecoders, RewindStartsAgainFromTheFirstFrame) {
    eh::os::ResourceData res = eh::os::FindResourceData("SOUND", 476);
    ASSERT_TRUE(res && res.size > 0);
    StbVorbisDecoder d;
    ASSERT_TRUE(d.open(res.data, res.size));
    std::vector<float> first(2 * 2000), again(2 * 2000), rest(2 * 4096);
    ASSERT_EQ(d.read(first.data(), 2000), 2000);
    while (d.read(rest.data(), 4096) > 0) {
    }
    EXPECT_EQ(d.read(rest.data(), 16), 0);  // at the end
    ASSERT_TRUE(d.rewind());
    ASSERT_EQ(d.read(again.data(), 2000), 2000);
    EXPECT_EQ(first, again);
}
