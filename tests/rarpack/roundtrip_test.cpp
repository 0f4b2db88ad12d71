// Archives written by rarpack come back byte for byte through our reader and through unar,
// over data that exercises every symbol kind, window wrap, solid streams and the
// multimedia mode.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "archive_check.h"
#include "archive_writer.h"
#include "huffman_encode.h"

namespace eh::rarpack {
namespace {

using testing::Bytes;

struct Case {
    std::string label;
    std::vector<ArchiveEntry> entries;
    PackOptions options;
    Bytes archive;
};

// Interleaved 16-bit stereo: two slow sines with a little noise.
Bytes audioLike(std::size_t frames, std::uint64_t seed) {
    const Bytes noise = testing::RandomBytes(frames * 2, seed);
    Bytes out;
    for (std::size_t i = 0; i < frames; ++i) {
        for (int ch = 0; ch < 2; ++ch) {
            const double v = 9000 * std::sin(0.01 * static_cast<double>(i) * (ch + 1)) +
                             (noise[i * 2 + ch] % 64) - 32;
            const auto s = static_cast<std::int16_t>(v);
            out.push_back(static_cast<std::uint8_t>(s));
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
        }
    }
    return out;
}

// Long runs, short repeats at many distances and literals: every symbol kind is worth it.
Bytes mixed(std::size_t n, std::uint64_t seed) {
    const Bytes r = testing::RandomBytes(n, seed);
    const Bytes text = testing::TextBytes(n, seed + 1);
    Bytes out;
    for (std::size_t i = 0; out.size() < n; ++i) {
        switch (r[i] % 5) {
            case 0:
                out.insert(out.end(), 50 + r[i + 1] % 200, r[i + 2]);
                break;  // run
            case 1:
                out.insert(out.end(), r.begin() + i, r.begin() + i + 1 + r[i + 1] % 20);
                break;
            case 2:
                out.insert(out.end(), text.begin() + i, text.begin() + i + 40);
                break;
            case 3:  // repeat something recent
                if (out.size() > 300) {
                    const std::size_t from = out.size() - 1 - r[i + 1];
                    for (int k = 0; k < 2 + r[i + 2] % 9; ++k) out.push_back(out[from + k]);
                }
                break;
            default:
                if (out.size() > 1) out.push_back(out[out.size() - 2]);  // short distance
        }
    }
    out.resize(n);
    return out;
}

std::vector<Case>& cases() {
    static std::vector<Case> all = [] {
        std::vector<Case> v;
        const std::vector<ArchiveEntry> small = {
            {"Data", true, {}},
            {"Data\\empty.bin", false, {}},
            {"Data\\one.bin", false, {'Z'}},
            {"Data\\text.txt", false, testing::TextBytes(60000, 1)},
            {"Data\\random.bin", false, testing::RandomBytes(30000, 2)},
            {"Data\\runs.bin", false, Bytes(100000, 0xAB)},
            {"Data\\mixed.bin", false, mixed(150000, 3)},
        };
        v.push_back({"small", small, {}, {}});
        v.push_back({"small-solid", small, {false, true, {}}, {}});
        v.push_back({"small-stored", small, {true, false, {}}, {}});

        // Just under the window (one piece) and well over it (mid-stream flushes, wrap).
        // Text, then mixed data, then samples: statistics that change along the entry.
        Bytes under = testing::TextBytes(300000, 4);
        const Bytes part2 = mixed(300000, 12), part3 = audioLike(0x100000 / 4, 13);
        under.insert(under.end(), part2.begin(), part2.end());
        under.insert(under.end(), part3.begin(), part3.end());
        under.resize(0x100000 - 300);
        Bytes over = testing::TextBytes(1600000, 5);
        for (std::size_t i = 0; i < over.size(); i += 4096)
            over[i] = static_cast<std::uint8_t>(i >> 12);
        v.push_back(
            {"large", {{"Big\\under.bin", false, under}, {"Big\\over.txt", false, over}}, {}, {}});

        std::vector<ArchiveEntry> many;
        for (int i = 0; i < 120; ++i)
            many.push_back({"Many\\f" + std::to_string(i), false,
                            testing::TextBytes(static_cast<std::size_t>(i * 37 % 900),
                                               static_cast<std::uint64_t>(i))});
        v.push_back({"many-solid", many, {false, true, {}}, {}});

        PackOptions mm;
        mm.encoder.multimedia = true;
        v.push_back({"multimedia", {{"Sound\\a.raw", false, audioLike(60000, 6)}}, mm, {}});
        mm.solid = true;  // the stream switches between LZ and predictor modes
        v.push_back({"multimedia-solid",
                     {{"x.txt", false, testing::TextBytes(20000, 7)},
                      {"y.raw", false, audioLike(30000, 8)},
                      {"z.txt", false, testing::TextBytes(20000, 9)},
                      {"w.raw", false, audioLike(20000, 10)}},
                     mm,
                     {}});
        for (Case& c : v) c.archive = WriteArchive(c.entries, c.options);
        return v;
    }();
    return all;
}

TEST(RoundTrip, OurReaderRestoresEveryEntry) {
    for (const Case& c : cases()) {
        for (const ArchiveEntry& e : c.entries) {
            Bytes out;
            ASSERT_TRUE(testing::ExtractWithReader(c.archive, e.name, out))
                << c.label << " " << e.name;
            EXPECT_EQ(out.size(), e.data.size()) << c.label << " " << e.name;
            EXPECT_TRUE(out == e.data) << c.label << " " << e.name;
        }
    }
}

TEST(RoundTrip, UnarRestoresEveryEntry) {
    if (!testing::UnarAvailable()) GTEST_SKIP() << "unar is not installed: no independent check";
    for (const Case& c : cases()) {
        bool ok = false;
        const auto files = testing::ExtractWithUnar(c.archive, ok);
        EXPECT_TRUE(ok) << c.label;
        for (const ArchiveEntry& e : c.entries) {
            if (e.directory) continue;
            ASSERT_TRUE(files.count(e.name)) << c.label << " " << e.name;
            EXPECT_TRUE(files.at(e.name) == e.data) << c.label << " " << e.name;
        }
    }
}

TEST(RoundTrip, CompressesWhereItCanAndStoresWhereItCannot) {
    const Case& small = cases()[0];
    media::MemoryFile file{small.archive.data(), static_cast<std::uint32_t>(small.archive.size()),
                           0};
    std::vector<media::EntryInfo> infos;
    media::ArchiveReader reader;
    ASSERT_TRUE(reader.List(&file, infos));
    ASSERT_EQ(infos.size(), small.entries.size());
    for (const auto& info : infos) {
        if (info.name == "Data\\random.bin") {
            EXPECT_EQ(info.method, 0x30);
        }
        if (info.name == "Data\\text.txt") {
            EXPECT_EQ(info.method, 0x33);
            EXPECT_LT(info.packSize, info.unpSize / 2);
        }
        if (info.name == "Data\\runs.bin") {
            EXPECT_LT(info.packSize, 200u);
        }
        if (info.name == "Data") {
            EXPECT_EQ(info.flags, 0x80E0);
        }
    }
}

TEST(RoundTrip, LargeEntriesUseSeveralTableSets) {
    const Case& large = cases()[3];
    media::MemoryFile file{large.archive.data(), static_cast<std::uint32_t>(large.archive.size()),
                           0};
    media::ArchiveReader reader;
    std::uint8_t* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(reader.Extract(&data, &size, "Big\\under.bin", &file, nullptr), 1);
    std::free(data);
    EXPECT_GE(reader.lastTableSets(), 3u);  // statistics of the mixed data change
}

TEST(RoundTrip, MultimediaModeIsChosenForAudio) {
    EncoderOptions options;
    options.multimedia = true;
    Encoder encoder(options);
    const Bytes audio = audioLike(40000, 11);
    const Bytes packed = encoder.EncodeEntry(audio, false);
    ASSERT_FALSE(packed.empty());
    EXPECT_NE(packed[0] & 0x80, 0);  // first table set is a multimedia one
    Encoder lz;
    EXPECT_LT(packed.size(), lz.EncodeEntry(audio, false).size());
}

TEST(RoundTrip, ArchivesAreDeterministic) {
    for (const Case& c : cases()) {
        if (c.label != "small-solid" && c.label != "multimedia") continue;
        EXPECT_EQ(WriteArchive(c.entries, c.options), c.archive) << c.label;
    }
}

TEST(HuffmanLengths, LimitedToFifteenBitsAndComplete) {
    // Fibonacci weights make the unlimited code 30 levels deep.
    std::vector<std::uint32_t> freq(30);
    freq[0] = freq[1] = 1;
    for (std::size_t i = 2; i < freq.size(); ++i) freq[i] = freq[i - 1] + freq[i - 2];
    for (std::uint32_t limit : {15u, 7u}) {
        const auto lengths = BuildCodeLengths(freq.data(), freq.size(), limit);
        double kraft = 0;
        for (auto l : lengths) {
            ASSERT_GE(l, 1);
            ASSERT_LE(l, limit);
            kraft += std::ldexp(1.0, -l);
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);
        EXPECT_LE(lengths.back(), lengths.front());  // frequent symbols are not longer
    }
    const std::uint32_t one[3] = {0, 5, 0};
    EXPECT_EQ(BuildCodeLengths(one, 3, 15), std::vector<std::uint8_t>({0, 1, 0}));
}

}  // namespace
}  // namespace eh::rarpack
