// The archive reader: resource access, the read primitive, the block walk, name matching,
// stored and compressed entries, and the refusal of damaged or unsupported archives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "media/archive.h"
#include "media/raw_archive.h"
#include "platform/os/resources.h"
#include "rarpack/archive_check.h"

namespace eh::media {
namespace {

using testing::Bytes;
using testing::CompressedEntry;
using testing::RawArchive;
using testing::RawEntry;
using testing::StoredEntry;

struct Result {
    int ok = -1;
    std::uint8_t* data = reinterpret_cast<std::uint8_t*>(1);
    DWORD size = 12345;
    Bytes bytes;
};

Result extract(const Bytes& archive, const char* name, const char* password = nullptr) {
    MemoryFile file{archive.data(), static_cast<std::uint32_t>(archive.size()), 7};
    Result r;
    r.ok = ExtractEntry(&r.data, &r.size, name, &file, password);
    if (r.data != nullptr) {
        r.bytes.assign(r.data, r.data + r.size);
        std::free(r.data);
    }
    return r;
}

void expectFailure(const Result& r) {
    EXPECT_EQ(r.ok, 0);
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(r.size, 0u);
}

TEST(MemoryFile, ReadIsAllOrNothing) {
    const std::uint8_t bytes[5] = {1, 2, 3, 4, 5};
    MemoryFile f{bytes, 5, 0};
    std::uint8_t out[8] = {};
    EXPECT_EQ(f.Read(out, 0), 0u);
    EXPECT_EQ(f.Read(out, 3), 3u);
    EXPECT_EQ(f.position, 3u);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(f.Read(out, 3), 0u);  // only 2 left
    EXPECT_EQ(f.position, 3u);
    EXPECT_EQ(f.Read(out, 2), 2u);
    EXPECT_EQ(out[1], 5);
    f.position = 0xFFFFFFF0u;  // a sum that would wrap in 32 bits
    EXPECT_EQ(f.Read(out, 0x20), 0u);
    MemoryFile empty;
    EXPECT_EQ(empty.Read(out, 1), 0u);
}

TEST(OpenMediaResource, FindsMediaDataByIdAndClearsOtherwise) {
    static const unsigned char blob[] = "Rar!\x1a\x07";
    const os::ResourceEntry table[] = {{"MediaData", 453, blob, blob + 6},
                                       {"CustomData", 452, blob, blob + 3}};
    os::ScopedResourceTable scoped(table);
    MemoryFile f;
    OpenMediaResource(f, 453);
    EXPECT_EQ(f.data, blob);
    EXPECT_EQ(f.size, 6u);
    EXPECT_EQ(f.position, 0u);
    f.position = 4;
    OpenMediaResource(f, 452);  // another type only
    EXPECT_EQ(f.data, nullptr);
    EXPECT_EQ(f.size, 0u);
    EXPECT_EQ(f.position, 0u);
}

TEST(EntryNames, MatchingRules) {
    EXPECT_TRUE(EntryNamesMatch("Meshes/Horse.emd", "Meshes\\horse.EMD"));
    EXPECT_TRUE(EntryNamesMatch("Texture/corona.tga", "Texture\\corona.tga"));
    EXPECT_TRUE(EntryNamesMatch("Digits\\digit_0.JPG", "Digits\\digit_0.jpg"));
    EXPECT_TRUE(EntryNamesMatch("Meshes_horse.emd", "Meshes\\horse.emd"));  // _ is a separator
    EXPECT_TRUE(EntryNamesMatch("shaders\\BillBoard.vsh", "Shaders\\billboard.VSH"));
    EXPECT_FALSE(EntryNamesMatch("Meshes//horse_loop.ESA", "Meshes\\horse_loop.ESA"));
    EXPECT_FALSE(EntryNamesMatch("Meshes/Horse.em", "Meshes\\horse.emd"));
    EXPECT_FALSE(EntryNamesMatch("Meshes/Horse.emdx", "Meshes\\horse.emd"));
    EXPECT_FALSE(EntryNamesMatch("\xE4", "\xC4"));  // only ASCII letters fold
    EXPECT_FALSE(EntryNamesMatch("a", ""));
    const std::string longA(300, 'a');
    const std::string cutB = std::string(259, 'A') + "b";
    EXPECT_TRUE(EntryNamesMatch(longA.c_str(), cutB.c_str()));  // both cut to 259 bytes
}

class ArchiveReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        corona_ = testing::TextBytes(5000, 1);
        horse_ = testing::RandomBytes(700, 2);
        digit_ = testing::RandomBytes(300, 3);
        RawEntry folder = StoredEntry("Texture", {});
        folder.header.flags = rar20::kFileHasData | rar20::kFileDirectory;
        archive_ = RawArchive({folder, CompressedEntry("Texture\\corona.tga", corona_),
                               CompressedEntry("Meshes\\horse_loop.ESA", horse_),
                               StoredEntry("Digits\\digit_0.jpg", digit_)});
    }
    Bytes corona_, horse_, digit_, archive_;
};

TEST_F(ArchiveReaderTest, FindsEntriesByFoldedNames) {
    Result r = extract(archive_, "Texture/corona.tga");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(r.bytes, corona_);
    r = extract(archive_, "meshes/HORSE_LOOP.esa");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(r.bytes, horse_);
    r = extract(archive_, "Digits\\digit_0.JPG");  // stored: byte-identical
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(r.bytes, digit_);
}

TEST_F(ArchiveReaderTest, FolderEntryYieldsSuccessWithSizeZero) {
    MemoryFile file{archive_.data(), static_cast<std::uint32_t>(archive_.size()), 0};
    std::uint8_t* data = nullptr;
    DWORD size = 99;
    EXPECT_EQ(ExtractEntry(&data, &size, "texture", &file, nullptr), 1);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(size, 0u);
    std::free(data);
}

TEST_F(ArchiveReaderTest, MissingOrMisspelledNamesFail) {
    expectFailure(extract(archive_, "Meshes//horse_loop.ESA"));
    expectFailure(extract(archive_, "Meshes/Crow1.esa"));
    expectFailure(extract(archive_, ""));
}

TEST_F(ArchiveReaderTest, PasswordIsClearedAfterEveryCall) {
    MemoryFile file{archive_.data(), static_cast<std::uint32_t>(archive_.size()), 0};
    std::uint8_t* data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(ExtractEntry(&data, &size, "Texture/corona.tga", &file, "secret"), 1);
    std::free(data);
    EXPECT_TRUE(MediaArchiveReader().PasswordCleared());
    EXPECT_EQ(ExtractEntry(&data, &size, "nothing", &file, "secret"), 0);
    EXPECT_TRUE(MediaArchiveReader().PasswordCleared());
}

TEST_F(ArchiveReaderTest, ReusesTheMemoryFileFromPositionZero) {
    MemoryFile file{archive_.data(), static_cast<std::uint32_t>(archive_.size()), 0};
    for (int i = 0; i < 3; ++i) {
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        ASSERT_EQ(ExtractEntry(&data, &size, "Texture/corona.tga", &file, nullptr), 1);
        std::free(data);
    }
}

TEST_F(ArchiveReaderTest, ListsEntriesInOrder) {
    MemoryFile file{archive_.data(), static_cast<std::uint32_t>(archive_.size()), 0};
    std::vector<EntryInfo> entries;
    ArchiveReader reader;
    ASSERT_TRUE(reader.List(&file, entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].directory());
    EXPECT_EQ(entries[1].name, "Texture\\corona.tga");
    EXPECT_EQ(entries[3].unpSize, digit_.size());
}

TEST(ArchiveReader, EmptyMemoryFileFails) {
    MemoryFile file;
    std::uint8_t* data = reinterpret_cast<std::uint8_t*>(8);
    DWORD size = 3;
    EXPECT_EQ(ExtractEntry(&data, &size, "a", &file, nullptr), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(ArchiveReader, MarkersAndMainHeader) {
    const Bytes payload = testing::TextBytes(100, 4);
    EXPECT_EQ(extract(RawArchive({StoredEntry("a", payload)}), "a").ok, 1);
    EXPECT_EQ(extract(RawArchive({StoredEntry("a", payload)}, 0, 0, rar20::kMarkerAlt), "a").ok, 1);
    // Extra main-header bytes are skipped.
    EXPECT_EQ(extract(RawArchive({StoredEntry("a", payload)}, 0, 9), "a").bytes, payload);
    // The older marker and anything else are refused.
    const std::array<std::uint8_t, 7> old = {0x52, 0x45, 0x7E, 0x5E, 0, 0, 0};
    expectFailure(extract(RawArchive({StoredEntry("a", payload)}, 0, 0, old), "a"));
    // Shorter than a marker or a main header.
    const Bytes full = RawArchive({StoredEntry("a", payload)});
    expectFailure(extract(Bytes(full.begin(), full.begin() + 5), "a"));
    expectFailure(extract(Bytes(full.begin(), full.begin() + 15), "a"));
}

TEST(ArchiveReader, CrcMismatchFailsAndFreesTheBlock) {
    const Bytes payload = testing::TextBytes(3000, 5);
    RawEntry stored = StoredEntry("s", payload);
    stored.header.fileCrc ^= 1;
    RawEntry packed = CompressedEntry("c", payload);
    packed.header.fileCrc ^= 0x80000000u;
    const Bytes archive = RawArchive({stored, packed});
    expectFailure(extract(archive, "s"));  // ASan reports the block if it stays allocated
    expectFailure(extract(archive, "c"));
}

TEST(ArchiveReader, RefusesEncryptedEntries) {
    RawEntry e = StoredEntry("x", testing::TextBytes(64, 6));
    e.header.flags |= rar20::kFileEncrypted;
    expectFailure(extract(RawArchive({e}), "x"));
    expectFailure(extract(RawArchive({e}), "x", "password"));
}

TEST(ArchiveReader, UnpackVersionMustBe13To20) {
    const Bytes payload = testing::TextBytes(64, 7);
    for (std::uint8_t ver : {12, 13, 20, 21, 29}) {
        RawEntry e = StoredEntry("v", payload);
        e.header.unpVer = ver;
        EXPECT_EQ(extract(RawArchive({e}), "v").ok, (ver >= 13 && ver <= 20) ? 1 : 0) << int(ver);
    }
}

TEST(ArchiveReader, BlockWalk) {
    const Bytes payload = testing::TextBytes(200, 8);
    // A block of an unknown type with a data area is stepped over.
    RawEntry comment = StoredEntry("", testing::RandomBytes(40, 9));
    comment.header.type = 0x75;
    comment.header.flags = rar20::kFileHasData;
    EXPECT_EQ(extract(RawArchive({comment, StoredEntry("a", payload)}), "a").bytes, payload);
    // A sub-block before the entry ends the search.
    RawEntry sub = comment;
    sub.header.type = rar20::kBlockSub;
    expectFailure(extract(RawArchive({sub, StoredEntry("a", payload)}), "a"));
    // HEAD_SIZE below 7.
    RawEntry tiny = StoredEntry("a", payload);
    tiny.autoSizes = false;
    tiny.header.headSize = 6;
    tiny.header.nameSize = 1;
    tiny.header.packSize = static_cast<std::uint32_t>(payload.size());
    expectFailure(extract(RawArchive({tiny}), "a"));
    // A header too short to hold its own name.
    RawEntry shortHead = tiny;
    shortHead.header.headSize = 32;
    expectFailure(extract(RawArchive({shortHead}), "a"));
    // A size that wraps the next block start around.
    RawEntry wrap = StoredEntry("w", payload);
    wrap.autoSizes = false;
    wrap.header.nameSize = 1;
    wrap.header.headSize = 33;
    wrap.header.packSize = 0xFFFFFFF0u;
    expectFailure(extract(RawArchive({wrap, StoredEntry("a", payload)}), "a"));
}

TEST(ArchiveReader, PackedDataStartsAtHeadSize) {
    // Real archives may carry fields after the name (HEAD_SIZE > 32 + NAME_SIZE).
    const Bytes payload = testing::TextBytes(4000, 10);
    RawEntry stored = StoredEntry("s", payload);
    stored.extra = {1, 2, 3, 4, 5, 6, 7, 8};
    RawEntry packed = CompressedEntry("c", payload);
    packed.extra = {9, 9, 9, 9};
    const Bytes archive = RawArchive({stored, packed});
    EXPECT_EQ(extract(archive, "s").bytes, payload);
    EXPECT_EQ(extract(archive, "c").bytes, payload);
    if (testing::UnarAvailable()) {  // an independent reader agrees on the layout
        bool ok = false;
        const auto files = testing::ExtractWithUnar(archive, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(files.count("s") ? files.at("s") : Bytes{}, payload);
        EXPECT_EQ(files.count("c") ? files.at("c") : Bytes{}, payload);
    }
}

TEST(ArchiveReader, LongStoredNamesAreCut) {
    const std::string name(400, 'n');
    const Bytes payload = testing::TextBytes(100, 11);
    const Bytes archive = RawArchive({StoredEntry(name, payload), StoredEntry("b", payload)});
    EXPECT_EQ(extract(archive, name.c_str()).bytes, payload);
    EXPECT_EQ(extract(archive, "b").bytes, payload);  // the walk skipped the whole name
}

TEST(ArchiveReader, TruncatedOrLyingSizesFail) {
    const Bytes payload = testing::TextBytes(20000, 12);
    const Bytes good = RawArchive({CompressedEntry("c", payload)});
    for (std::size_t cut : {good.size() - 1, good.size() / 2, std::size_t{60}})
        expectFailure(
            extract(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), "c"));
    const Bytes stored = RawArchive({StoredEntry("s", payload)});
    expectFailure(extract(Bytes(stored.begin(), stored.end() - 1), "s"));

    RawEntry liar = CompressedEntry("c", payload);
    liar.header.unpSize = 0xFFFFFFF0u;  // refused before the block is allocated
    expectFailure(extract(RawArchive({liar}), "c"));
    RawEntry shortStored = StoredEntry("s", payload);
    shortStored.autoSizes = false;
    shortStored.header.nameSize = 1;
    shortStored.header.headSize = 33;
    shortStored.header.packSize = 100;  // UNP_SIZE 20000 cannot come out of 100 bytes
    expectFailure(extract(RawArchive({shortStored}), "s"));
    RawEntry bigger = CompressedEntry("c", payload);
    bigger.header.unpSize += 1;  // the stream ends one byte early: short output
    expectFailure(extract(RawArchive({bigger}), "c"));
}

}  // namespace
}  // namespace eh::media
