// Reading ahead on a second thread hands out exactly what ExtractEntry reads, in whatever
// order the entries are asked for and with any memory budget, prepares images for the
// texture manager, and lets go of what nobody took.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "media/archive.h"
#include "media/entry_prefetch.h"
#include "platform/os/resources.h"
#include "media/raw_archive.h"
#include "rarpack/archive_check.h"

namespace eh::media {
namespace {

using testing::CompressedEntry;
using testing::RawArchive;
using testing::StoredEntry;
using testing::Bytes;

// An uncompressed 32-bit TGA, top row first.
Bytes Tga(std::uint8_t width, std::uint8_t height) {
    Bytes b(18, 0);
    b[2] = 2;
    b[12] = width;
    b[14] = height;
    b[16] = 32;
    b[17] = 0x28;  // 8 alpha bits, top-left origin
    for (int i = 0; i < width * height; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 37);
        b.insert(b.end(), {v, static_cast<std::uint8_t>(255 - v), 0x40, 0xFF});
    }
    return b;
}

class EntryPrefetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tree_ = Tga(8, 4);
        mesh_ = testing::RandomBytes(5000, 11);
        text_ = testing::TextBytes(3000, 12);
        archive_ = RawArchive({CompressedEntry("Texture\\tree00.tga", tree_),
                               CompressedEntry("Meshes\\Horse.EMD", mesh_),
                               StoredEntry("shaders\\grass.vsh", text_)});
        table_[0] = {"MediaData", kMediaArchive, archive_.data(), archive_.data() + archive_.size()};
        scoped_ = std::make_unique<os::ScopedResourceTable>(table_);
    }
    void TearDown() override { scoped_.reset(); }

    std::vector<std::string> names() const {
        return {"Texture/tree00.tga", "Meshes/Horse.emd", "Texture/missing.jpg", "shaders/grass.vsh"};
    }

    Bytes tree_, mesh_, text_, archive_;
    os::ResourceEntry table_[1];
    std::unique_ptr<os::ScopedResourceTable> scoped_;
};

TEST_F(EntryPrefetchTest, HandsOutWhatExtractionReadsInAnyOrderAndAnyBudget) {
    for (std::size_t budget : {std::size_t{0}, std::size_t{1}, EntryPrefetch::kDefaultBudget}) {
        for (bool reversed : {false, true}) {
            EntryPrefetch ahead(kMediaArchive, "eh", names(), budget);
            std::vector<std::pair<std::string, const Bytes*>> order = {
                {"Texture/tree00.tga", &tree_}, {"Meshes\\horse.emd", &mesh_},
                {"shaders\\GRASS.vsh", &text_}};
            if (reversed) std::reverse(order.begin(), order.end());
            for (const auto& [name, expected] : order) {
                Bytes got;
                EXPECT_EQ(ahead.TakeEntry(name, &got), EntryPrefetch::Take::kFound) << name;
                EXPECT_EQ(got, *expected) << name << " budget " << budget;
            }
            Bytes none{1, 2};
            EXPECT_EQ(ahead.TakeEntry("Texture/missing.jpg", &none), EntryPrefetch::Take::kMissing);
            EXPECT_TRUE(none.empty());
            // Taken once: a second request, and a name never listed, are the caller's.
            EXPECT_EQ(ahead.TakeEntry("Texture/tree00.tga", &none), EntryPrefetch::Take::kNotListed);
            EXPECT_EQ(ahead.TakeEntry("Data/Land.eld", &none), EntryPrefetch::Take::kNotListed);
        }
    }
}

TEST_F(EntryPrefetchTest, ImagesComePreparedForTheBufferHandedOutOnly) {
    EntryPrefetch ahead(kMediaArchive, "eh", names());
    Bytes tree;
    ASSERT_EQ(ahead.TakeEntry("Texture/tree00.tga", &tree), EntryPrefetch::Take::kFound);
    const d3dx::PreparedTexture* prepared = ahead.PreparedFor(tree.data(), tree.size());
    ASSERT_NE(prepared, nullptr);
    EXPECT_EQ(prepared->width, 8u);
    EXPECT_EQ(prepared->height, 4u);
    EXPECT_EQ(prepared->format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(prepared->levels.size(), 4u);  // 8x4, 4x2, 2x1, 1x1
    EXPECT_EQ(prepared->levels[0].size(), 8u * 4 * 4);
    EXPECT_EQ(prepared->levels[0][0], tree_[18]);  // blue of the first pixel
    // The same bytes in another buffer, or a shorter length, are not the hand-out.
    const Bytes copy = tree;
    EXPECT_EQ(ahead.PreparedFor(copy.data(), copy.size()), nullptr);
    EXPECT_EQ(ahead.PreparedFor(tree.data(), tree.size() - 1), nullptr);
    // Not an image by name: bytes only. And the next take ends the last one's preparation.
    Bytes mesh;
    ASSERT_EQ(ahead.TakeEntry("Meshes/Horse.emd", &mesh), EntryPrefetch::Take::kFound);
    EXPECT_EQ(ahead.PreparedFor(mesh.data(), mesh.size()), nullptr);
    EXPECT_EQ(ahead.PreparedFor(tree.data(), tree.size()), nullptr);
}

TEST_F(EntryPrefetchTest, EndsCleanlyWithEntriesNobodyTookAndLeavesTheProgramReaderAlone) {
    {
        EntryPrefetch ahead(kMediaArchive, "eh", names(), 1);
        Bytes mesh;
        EXPECT_EQ(ahead.TakeEntry("Meshes/Horse.emd", &mesh), EntryPrefetch::Take::kFound);
    }  // the worker may be waiting on the budget or reading: both end here
    {
        EntryPrefetch ahead(kMediaArchive, "eh", names());
    }
    // Meanwhile the program's own reader still extracts on this thread.
    MemoryFile file;
    OpenMediaResource(file, kMediaArchive);
    std::uint8_t* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(ExtractEntry(&data, &size, "shaders/grass.vsh", &file, nullptr), 1);
    EXPECT_EQ(Bytes(data, data + size), text_);
    std::free(data);
}

}  // namespace
}  // namespace eh::media
