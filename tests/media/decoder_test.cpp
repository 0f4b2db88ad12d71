// The RAR 2.0 decoder on streams built symbol by symbol, against a plain model of what
// each symbol means; table decoding against its reference; damaged streams.
#include <gtest/gtest.h>

#include <memory>

#include "media/rar20_decoder.h"
#include "media/rar20_huffman.h"
#include "media/raw_archive.h"
#include "rar20_encoder.h"
#include "rarpack/archive_check.h"

namespace eh::media::rar20 {
namespace {

using rarpack::Encoder;
using rarpack::Op;
using testing::Bytes;

// What the ops mean, written independently of the decoder: a growing byte string, bytes
// before its start read as zero, four remembered distances.
Bytes applyOps(const std::vector<Op>& ops) {
    Bytes out;
    std::uint32_t history[4] = {}, index = 0, lastLength = 0, lastDistance = 0;
    for (const Op& op : ops) {
        if (op.kind == Op::kLiteral) {
            out.push_back(op.value);
            continue;
        }
        std::uint32_t length = op.length, distance = op.distance;
        if (op.kind == Op::kRepeat) {
            distance = history[(index - op.value) & 3];
            EXPECT_EQ(distance, op.distance) << "test op names the wrong distance";
        }
        if (op.kind == Op::kRepeatLast) {
            length = lastLength;
            distance = lastDistance;
        }
        for (std::uint32_t i = 0; i < length; ++i)
            out.push_back(out.size() >= distance ? out[out.size() - distance] : 0);
        history[index++ & 3] = distance;
        lastLength = length;
        lastDistance = distance;
    }
    return out;
}

struct Decoded {
    Bytes out;
    bool overran = false;
    std::uint32_t tableSets = 0;
};

Decoded decodeStream(const Bytes& packed, std::uint32_t unpSize) {
    Decoded d;
    std::vector<std::uint8_t> window(kWindowSize);
    auto decoder = std::make_unique<Decoder>(window.data());
    MemoryFile file{packed.data(), static_cast<std::uint32_t>(packed.size()), 0};
    d.out.resize(unpSize);
    std::uint32_t written = 0;
    DecodeJob job;
    job.file = &file;
    job.packSize = static_cast<std::uint32_t>(packed.size());
    job.unpSize = unpSize;
    job.output = d.out.data();
    job.written = &written;
    decoder->DecodeEntry(job);
    d.out.resize(written);
    d.overran = decoder->overran();
    d.tableSets = decoder->tableSetsRead();
    return d;
}

void expectOps(const std::vector<Op>& ops, std::vector<std::size_t> blocks = {}) {
    for (const Op& op : ops) ASSERT_TRUE(rarpack::OpIsCodable(op));
    const Bytes expected = applyOps(ops);
    const Bytes packed = Encoder::EncodeOps(ops, blocks);
    const Decoded d = decodeStream(packed, static_cast<std::uint32_t>(expected.size()));
    EXPECT_EQ(d.out, expected);
    EXPECT_FALSE(d.overran);
    if (testing::UnarAvailable()) {
        bool ok = false;
        const auto files = testing::ExtractWithUnar(
            testing::RawArchive({testing::PackedEntry("ops", expected, packed)}), ok);
        EXPECT_TRUE(ok) << "unar refused the stream";
        EXPECT_EQ(files.count("ops") ? files.at("ops") : Bytes{}, expected);
    }
}

std::vector<Op> literals(const char* s) {
    std::vector<Op> ops;
    for (; *s; ++s) ops.push_back(Op::Literal(static_cast<std::uint8_t>(*s)));
    return ops;
}

TEST(Decoder, DistanceOneLengthTenRepeatsTheLastByte) {
    std::vector<Op> ops = literals("xy");
    ops.push_back(Op::Match(10, 1));
    expectOps(ops);
    EXPECT_EQ(applyOps(ops), Bytes({'x', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y'}));
}

TEST(Decoder, RepeatLastCopiesTheSameMatchAndPushesHistory) {
    std::vector<Op> ops = literals("abcdefgh");
    ops.push_back(Op::Match(3, 8));       // "abc"
    ops.push_back(Op::Match(4, 5));       // history: 8, 5
    ops.push_back(Op::RepeatLast(4, 5));  // 256: length 4 at 5 again; history 8, 5, 5
    ops.push_back(Op::Repeat(3, 3, 8));   // third-last is 8
    ops.push_back(Op::Repeat(2, 5, 5));   // second-last: the repeated 5
    expectOps(ops);
}

TEST(Decoder, RepeatSymbolsPickTheFourLastDistances) {
    const std::uint32_t d[4] = {30, 20, 11, 7};  // pushed in this order: 7 is the last
    for (std::uint32_t slot = 1; slot <= 4; ++slot) {
        std::vector<Op> ops = literals("0123456789abcdefghijklmnopqrstuvwxyz");
        for (std::uint32_t x : d) ops.push_back(Op::Match(3, x));
        ops.push_back(Op::Repeat(slot, 6, d[4 - slot]));  // 256 + slot: slot-th last
        expectOps(ops);
    }
}

TEST(Decoder, ShortDistancesAndLengthBonuses) {
    std::vector<Op> ops = literals("short distance symbols");
    for (std::uint32_t d : {1u, 4u, 5u, 8u, 9u, 16u, 17u}) ops.push_back(Op::Short(d));
    ops.push_back(Op::Repeat(1, 2, 17));
    expectOps(ops);

    // Far distances need one or two extra length units; the bytes before the start of a
    // non-solid entry read as zeros from the cleared window.
    std::vector<Op> distant = literals("far");
    for (int i = 0; i < 300; ++i) distant.push_back(Op::Literal(static_cast<std::uint8_t>(i * 7)));
    distant.push_back(Op::Match(258, 1));
    distant.push_back(Op::Match(4, 0x2000));   // length 4 = minimum at 0x2000
    distant.push_back(Op::Match(5, 0x40000));  // length 5 = minimum at 0x40000
    distant.push_back(Op::Match(260, 0xFFFFF));
    distant.push_back(Op::Repeat(3, 4, 0x2000));  // two repeat bonuses at 0x2000: minimum 4
    distant.push_back(Op::Repeat(1, 5, 0x2000));
    distant.push_back(Op::Match(3, 0x100));
    distant.push_back(Op::Repeat(1, 2, 0x100));  // below 0x101: no bonus
    expectOps(distant);
}

TEST(Decoder, DistanceBeyondTheOutputCopiesZeros) {
    std::vector<Op> ops = literals("a");
    ops.push_back(Op::Match(5, 100));
    EXPECT_EQ(applyOps(ops), Bytes({'a', 0, 0, 0, 0, 0}));
    const Bytes packed = Encoder::EncodeOps(ops);
    EXPECT_EQ(decodeStream(packed, 6).out, Bytes({'a', 0, 0, 0, 0, 0}));
}

TEST(Decoder, TableSwitchesMidStream) {
    std::vector<Op> ops;
    for (int i = 0; i < 3000; ++i)
        ops.push_back(Op::Literal(static_cast<std::uint8_t>('a' + i % 5)));
    for (int i = 0; i < 2000; ++i) ops.push_back(Op::Match(3 + i % 200, 1 + i % 3000));
    for (int i = 0; i < 3000; ++i) ops.push_back(Op::Literal(static_cast<std::uint8_t>(i * 13)));
    const Bytes packed = Encoder::EncodeOps(ops, std::vector<std::size_t>{0, 3000, 5000});
    const Decoded d = decodeStream(packed, static_cast<std::uint32_t>(applyOps(ops).size()));
    EXPECT_EQ(d.out, applyOps(ops));
    EXPECT_EQ(d.tableSets, 3u);
}

TEST(Decoder, OutputPastUnpSizeIsRefused) {
    std::vector<Op> ops = literals("abcdefghij");
    ops.push_back(Op::Match(10, 10));
    const Bytes packed = Encoder::EncodeOps(ops);
    // The match overshoots the declared 15 bytes: the final flush refuses to copy.
    EXPECT_LT(decodeStream(packed, 15).out.size(), 15u);
    Bytes data = applyOps(ops);
    data.resize(15);
    const Bytes archive = testing::RawArchive({testing::PackedEntry("o", data, packed)});
    Bytes out;
    EXPECT_FALSE(testing::ExtractWithReader(archive, "o", out));
}

TEST(Decoder, GarbageAndDamageTerminateInsideTheirBuffers) {
    // Random streams and bit-flipped valid ones: decoding must stop, never overrun
    // (ASan in the asan preset), and never write past UNP_SIZE.
    std::vector<Op> ops = literals("the quick brown fox jumps over the lazy dog");
    for (int i = 0; i < 500; ++i) ops.push_back(Op::Match(3 + i % 50, 1 + i % 40));
    const Bytes valid = Encoder::EncodeOps(ops);
    for (std::uint64_t seed = 0; seed < 60; ++seed) {
        Bytes garbage = testing::RandomBytes(50 + seed * 37, seed);
        const std::uint32_t size = static_cast<std::uint32_t>(seed * 997 % 70000);
        EXPECT_LE(decodeStream(garbage, size).out.size(), size);
        Bytes flipped = valid;
        flipped[seed % flipped.size()] ^= static_cast<std::uint8_t>(1u << (seed % 8));
        EXPECT_LE(decodeStream(flipped, 30000).out.size(), 30000u);
    }
    // A stream cut short stops at the end of its data instead of looping over stale bytes.
    const Decoded cut = decodeStream(Bytes(valid.begin(), valid.begin() + 20), 20000000);
    EXPECT_TRUE(cut.overran);
}

TEST(DecodeTable, QuickLookupAgreesWithTheReference) {
    // Complete, incomplete and over-full code sets, all 65536 peeks.
    for (std::uint64_t seed = 0; seed < 40; ++seed) {
        const Bytes r = testing::RandomBytes(kLiteralCodes, seed + 100);
        std::uint8_t lengths[kLiteralCodes];
        const std::uint32_t count = seed % 2 ? kLiteralCodes : 19;
        for (std::uint32_t i = 0; i < count; ++i) lengths[i] = r[i] % (seed % 3 == 0 ? 16 : 9);
        if (seed == 0) std::fill(lengths, lengths + count, 0);
        DecodeTable t;
        BuildDecodeTable(lengths, count, t);
        for (std::uint32_t peek = 0; peek < 65536; ++peek) {
            std::uint32_t fastBits = 0, refBits = 0;
            const std::uint32_t fast = DecodeFast(t, peek, fastBits);
            const std::uint32_t ref = DecodeReference(t, peek, refBits);
            ASSERT_EQ(fast, ref) << seed << " " << peek;
            ASSERT_EQ(fastBits, refBits);
            ASSERT_LT(ref, count == 0 ? 1 : count);
        }
    }
}

TEST(DecodeTable, CanonicalCodesDecodeToTheirSymbols) {
    const std::uint8_t lengths[6] = {2, 0, 3, 3, 1, 0};  // codes: 4:"0" 0:"10" 2:"110" 3:"111"
    DecodeTable t;
    BuildDecodeTable(lengths, 6, t);
    std::uint32_t bits = 0;
    EXPECT_EQ(DecodeReference(t, 0x0000, bits), 4u);
    EXPECT_EQ(bits, 1u);
    EXPECT_EQ(DecodeReference(t, 0x8000, bits), 0u);
    EXPECT_EQ(bits, 2u);
    EXPECT_EQ(DecodeReference(t, 0xC000, bits), 2u);
    EXPECT_EQ(DecodeReference(t, 0xE000, bits), 3u);
    EXPECT_EQ(bits, 3u);
}

TEST(AudioPredictor, WeightsStayInRangeAndOutputFollowsDeltas) {
    AudioChannelState v;
    std::int32_t channelDelta = 0;
    const Bytes deltas = testing::RandomBytes(200000, 77);
    for (std::size_t i = 0; i < deltas.size(); ++i) {
        const std::uint32_t prediction = AudioPrediction(v, channelDelta);
        const std::uint8_t out =
            PredictAudioByte(v, channelDelta, deltas[i] & (i < 100000 ? 0x07 : 0xFF));
        ASSERT_EQ(out,
                  static_cast<std::uint8_t>(prediction - (deltas[i] & (i < 100000 ? 0x07 : 0xFF))));
        for (std::int32_t k : {v.k1, v.k2, v.k3, v.k4, v.k5}) {
            ASSERT_GE(k, -17);
            ASSERT_LE(k, 16);
        }
    }
}

}  // namespace
}  // namespace eh::media::rar20
