#include "model/terrain_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/samples.h"

namespace eh::model {
namespace {

terrain::File Flat(int columns, int rows, std::vector<std::string> names, int layer) {
    return samples::SampleTerrain(columns, rows, 100.0f, 60.0f, std::move(names), layer,
                                  [](int, int) { return 0.0f; });
}

TEST(TerrainFormatTest, WriterAndParserRoundTrip) {
    terrain::File f = Flat(4, 3, {"Ground.jpg", "Rock.tga"}, 1);
    f.points[5].layer = 2;
    f.points[6].layer = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(terrain::Write(f, &bytes), S_OK);
    EXPECT_EQ(bytes.size(), 4 + 11 + 9 + 16 + 12 * terrain::kPointSize);
    terrain::File parsed;
    ASSERT_EQ(terrain::Parse(bytes.data(), bytes.size(), &parsed), S_OK);
    EXPECT_EQ(parsed.textureNames, f.textureNames);
    EXPECT_EQ(parsed.columns, 4);
    EXPECT_EQ(parsed.rows, 3);
    EXPECT_FLOAT_EQ(parsed.width, 100.0f);
    EXPECT_EQ(parsed.points[5].layer, 2);
    EXPECT_FLOAT_EQ(parsed.points[11].position.x, 50.0f);
    EXPECT_FLOAT_EQ(parsed.points[11].position.z, -30.0f);
    std::vector<std::uint8_t> again;
    ASSERT_EQ(terrain::Write(parsed, &again), S_OK);
    EXPECT_EQ(again, bytes);
}

TEST(TerrainFormatTest, RefusesShortFilesSmallGridsAndBadLayers) {
    const terrain::File good = Flat(3, 3, {"Ground.jpg"}, 1);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(terrain::Write(good, &bytes), S_OK);
    terrain::File parsed;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_EQ(terrain::Parse(part.data(), part.size(), &parsed), E_FAIL) << n;
    }

    terrain::File bad = good;
    bad.points[4].layer = 2;  // only layers 0 and 1 exist
    EXPECT_EQ(terrain::Write(bad, &bytes), E_INVALIDARG);
    bad.points[4].layer = -1;
    EXPECT_EQ(terrain::Write(bad, &bytes), E_INVALIDARG);
    EXPECT_EQ(terrain::Write(Flat(1, 5, {}, 0), &bytes), E_INVALIDARG);
    EXPECT_EQ(terrain::Write(Flat(5, 1, {}, 0), &bytes), E_INVALIDARG);

    // The same damage in bytes: layer of point 4 (after N, the name and four header fields).
    ASSERT_EQ(terrain::Write(good, &bytes), S_OK);
    const std::size_t point4 = 4 + 11 + 16 + 4 * terrain::kPointSize;
    const std::int32_t two = 2;
    std::memcpy(bytes.data() + point4, &two, 4);
    EXPECT_EQ(terrain::Parse(bytes.data(), bytes.size(), &parsed), E_FAIL);

    // A 1-column grid, and a grid whose point count overflows 32 bits.
    ASSERT_EQ(terrain::Write(good, &bytes), S_OK);
    const std::int32_t one = 1, big = 0x40000000;
    std::memcpy(bytes.data() + 4 + 11 + 8, &one, 4);
    EXPECT_EQ(terrain::Parse(bytes.data(), bytes.size(), &parsed), E_FAIL);
    std::memcpy(bytes.data() + 4 + 11 + 8, &big, 4);
    std::memcpy(bytes.data() + 4 + 11 + 12, &big, 4);
    EXPECT_EQ(terrain::Parse(bytes.data(), bytes.size(), &parsed), E_FAIL);

    // 50 names would make 51 layers.
    std::vector<std::string> names(50, "x.bmp");
    EXPECT_EQ(terrain::Write(Flat(2, 2, names, 0), &bytes), E_INVALIDARG);
    names.pop_back();
    EXPECT_EQ(terrain::Write(Flat(2, 2, names, 49), &bytes), S_OK);
    std::int32_t fifty = 50;
    std::memcpy(bytes.data(), &fifty, 4);
    EXPECT_EQ(terrain::Parse(bytes.data(), bytes.size(), &parsed), E_FAIL);
}

}  // namespace
}  // namespace eh::model
