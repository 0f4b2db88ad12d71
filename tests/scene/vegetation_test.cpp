// Billboard file reading and the grass field's density grid, scatter and patch buffers,
// on the fake device (no shaders there, so the draws are covered by the render test).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>

#include "model/terrain.h"
#include "model/terrain_format.h"
#include "platform/os/crt_random.h"
#include "scene/billboards.h"
#include "scene/grass.h"
#include "support/fake_device.h"

namespace eh::scene {
namespace {

using model::Vector3;

struct Record {
    float x, y, z, size;
    std::int32_t kind;
};

std::vector<std::uint8_t> BillboardFile(std::int32_t count, const std::vector<Record>& records) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &count, 4);
    for (const Record& r : records) {
        const std::size_t at = bytes.size();
        bytes.resize(at + 20);
        std::memcpy(&bytes[at], &r, 20);
    }
    return bytes;
}

TEST(BillboardLoad, ReadsRecordsInOrderAndDrawsTwoNumbersEach) {
    const auto file =
        BillboardFile(3, {{1, 2, 3, 24.4f, 0}, {-5, 6, 7, 63.3f, 1}, {8, 9, 10, 5, 4}});
    media::VertexBufferPool pool;
    media::RenderKit kit;
    BillboardSet set(pool, kit);
    os::SeedRandom(5);
    std::vector<float> r(7);
    for (float& v : r) v = os::RandomUnit();
    os::SeedRandom(5);
    set.Load(file.data(), file.size());
    EXPECT_FLOAT_EQ(os::RandomUnit(), r[6]);

    ASSERT_EQ(set.records().size(), 3u);
    const BillboardRecord& b = set.records()[1];
    EXPECT_EQ(b.kind, 1);
    EXPECT_EQ(b.anchor.x, -5.0f);
    EXPECT_EQ(b.anchor.y, 6.0f);
    EXPECT_EQ(b.anchor.z, 7.0f);
    EXPECT_EQ(b.size, 63.3f);
    EXPECT_FLOAT_EQ(b.spare[0], r[2] * 100.0f + 15.0f);
    EXPECT_FLOAT_EQ(b.spare[1], r[3] * 15.0f + 10.0f);
    EXPECT_EQ(set.records()[2].kind, 4);  // loaded, though never drawn
}

TEST(BillboardLoad, DamagedCountsAreCutOrRefused) {
    media::VertexBufferPool pool;
    media::RenderKit kit;
    BillboardSet set(pool, kit);
    auto file = BillboardFile(1000, {{1, 2, 3, 10, 0}, {4, 5, 6, 10, 1}});
    file.resize(file.size() - 3);  // the second record is cut short
    set.Load(file.data(), file.size());
    EXPECT_EQ(set.records().size(), 1u);

    const auto negative = BillboardFile(-2, {{1, 2, 3, 10, 0}});
    set.Load(negative.data(), negative.size());
    EXPECT_TRUE(set.records().empty());

    const auto good = BillboardFile(1, {{1, 2, 3, 10, 0}});
    set.Load(good.data(), good.size());
    EXPECT_EQ(set.records().size(), 1u);
    set.Load(good.data(), 3);  // no whole count
    EXPECT_TRUE(set.records().empty());
    set.Load(nullptr, 100);
    EXPECT_TRUE(set.records().empty());
}

TEST(BillboardColour, AlphaByKind) {
    EXPECT_EQ(BillboardSet::ColorOfKind(0), 0x46FFFFFFu);
    EXPECT_EQ(BillboardSet::ColorOfKind(3), 0x46FFFFFFu);
    EXPECT_EQ(BillboardSet::ColorOfKind(4), 0xFFFFFFFFu);
    EXPECT_EQ(BillboardSet::ColorOfKind(7), 0x64FFFFFFu);
    EXPECT_EQ(BillboardSet::ColorOfKind(8), 0xFFFFFFFFu);
    EXPECT_EQ(BillboardSet::ColorOfKind(9), 0x64FFFFFFu);
}

// A flat terrain at height `y` of columns x rows points over size x size units.
std::vector<std::uint8_t> FlatTerrain(int columns, int rows, float size, float y) {
    model::terrain::File f;
    f.textureNames = {"Ground.jpg"};
    f.width = f.depth = size;
    f.columns = columns;
    f.rows = rows;
    const float cw = size / static_cast<float>(columns - 1),
                cd = size / static_cast<float>(rows - 1);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            f.points.push_back(
                model::terrain::PointRecord{1, Vector3{-size / 2 + cw * static_cast<float>(c), y,
                                                       size / 2 - cd * static_cast<float>(r)}});
        }
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(model::terrain::Write(f, &bytes), S_OK);
    return bytes;
}

class GrassTest : public ::testing::Test {
  protected:
    void Load(int columns, int rows, float size = 1200.0f, float y = 10.0f) {
        const auto bytes = FlatTerrain(columns, rows, size, y);
        ASSERT_EQ(terrain.LoadTerrain(&device, nullptr, bytes.data(), bytes.size()), S_OK);
    }
    testing::FakeDevice device;
    media::VertexBufferPool pool;
    media::RenderKit kit;
    model::Terrain terrain{kit};
    GrassField grass{pool, kit};
};

TEST_F(GrassTest, MeadowsAreStampedRingByRing) {
    Load(40, 40);
    grass.BuildGrid(terrain);
    ASSERT_EQ(grass.grid().size(), 1600u);
    EXPECT_EQ(grass.cell(5, 7).position.x, terrain.point(5, 7).x);
    EXPECT_EQ(grass.cell(5, 7).position.z, terrain.point(5, 7).z);

    // The outermost ring of the first meadow, due +column (90 degrees): 1 tuft, alpha 3/12.
    EXPECT_EQ(grass.cell(36, 16).tufts, 1);
    EXPECT_FLOAT_EQ(grass.cell(36, 16).alpha, 3.0f / 12.0f);
    // Offsets are truncated toward zero, so the -row side reaches only 8 cells out ...
    EXPECT_EQ(grass.cell(27, 25).tufts, 1);
    EXPECT_EQ(grass.cell(27, 26).tufts, 0);
    EXPECT_EQ(grass.cell(27, 8).tufts, 1);
    EXPECT_FLOAT_EQ(grass.cell(27, 8).alpha, 3.0f / 12.0f);
    EXPECT_EQ(grass.cell(27, 7).tufts, 0);
    // ... and ring 2 at 225 degrees (offsets -1.41 + 0.5, truncated to 0) lands on the
    // centre after ring 0 did: 4 tufts, alpha 10/12.
    EXPECT_EQ(grass.cell(27, 16).tufts, 4);
    EXPECT_FLOAT_EQ(grass.cell(27, 16).alpha, 10.0f / 12.0f);
    EXPECT_EQ(grass.cell(9, 14).tufts, 4);
    // Ring 1 due +row stamps (27, 17), then ring 2 near 315 degrees lands there again.
    EXPECT_EQ(grass.cell(27, 17).tufts, 4);
    EXPECT_FLOAT_EQ(grass.cell(27, 17).alpha, 10.0f / 12.0f);
    // Due -column ring i lands i - 1 cells out: ring 4 is the last to reach (24, 16).
    EXPECT_EQ(grass.cell(24, 16).tufts, 2);
    EXPECT_FLOAT_EQ(grass.cell(24, 16).alpha, 8.0f / 12.0f);

    // Cells outside both meadows plant nothing.
    EXPECT_EQ(grass.cell(37, 16).tufts, 0);
    EXPECT_EQ(grass.cell(0, 0).tufts, 0);
    EXPECT_EQ(grass.cell(39, 39).tufts, 0);
    EXPECT_FLOAT_EQ(grass.cell(0, 0).alpha, 1.0f);
    // The second meadow's rings 10 and 11 would reach columns 0 and -1: held at column 2.
    EXPECT_EQ(grass.cell(0, 14).tufts, 0);
    EXPECT_EQ(grass.cell(1, 14).tufts, 0);
    EXPECT_EQ(grass.cell(2, 14).tufts, 1);
    EXPECT_FLOAT_EQ(grass.cell(2, 14).alpha, 1.0f / 12.0f);
}

TEST_F(GrassTest, SmallGridsClampAndTheSecondMeadowOverwrites) {
    Load(3, 3, 100.0f);
    grass.BuildGrid(terrain);
    // Both meadows are clamped into the corner cell (2, 2); the second one's last ring wins.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (c == 2 && r == 2) continue;
            EXPECT_EQ(grass.cell(c, r).tufts, 0) << c << "," << r;
        }
    }
    EXPECT_EQ(grass.cell(2, 2).tufts, 1);
    EXPECT_FLOAT_EQ(grass.cell(2, 2).alpha, 1.0f / 12.0f);

    model::Terrain empty(kit);
    grass.BuildGrid(empty);
    EXPECT_TRUE(grass.grid().empty());
    grass.BuildPatches(&device, empty);  // nothing to scatter
    for (const GrassPatch& p : grass.patches()) EXPECT_TRUE(p.tufts.empty());
}

TEST_F(GrassTest, TuftsFallIntoTheirPatchesOnTheGround) {
    Load(40, 40);
    grass.BuildGrid(terrain);
    int planted = 0;
    for (const GrassCell& c : grass.grid()) planted += c.tufts;
    ASSERT_GT(planted, 0);

    os::SeedRandom(11);
    std::vector<int> sequence(4 * static_cast<std::size_t>(planted) + 1);
    for (int& v : sequence) v = os::Random();
    os::SeedRandom(11);
    grass.BuildPatches(&device, terrain);
    // Two numbers per tuft to place it, two more to shape it.
    EXPECT_EQ(os::Random(), sequence.back());

    ASSERT_EQ(grass.patches().size(), 16u);
    const GrassPatch& first = grass.patches()[0];
    EXPECT_FLOAT_EQ(first.minX, -600.0f);
    EXPECT_FLOAT_EQ(first.maxX, -300.0f);
    EXPECT_FLOAT_EQ(first.minZ, -600.0f);
    EXPECT_FLOAT_EQ(first.maxZ, -300.0f);
    EXPECT_FLOAT_EQ(grass.patches()[15].maxX, 600.0f);
    EXPECT_FLOAT_EQ(grass.patches()[15].maxZ, 600.0f);

    int kept = 0, withTufts = 0;
    for (const GrassPatch& p : grass.patches()) {
        kept += static_cast<int>(p.tufts.size());
        if (p.tufts.empty()) {
            EXPECT_EQ(p.buffer, nullptr);
            continue;
        }
        ++withTufts;
        for (const GrassTuft& t : p.tufts) {
            EXPECT_TRUE(p.Contains(t.position.x, t.position.z));
            EXPECT_NEAR(t.position.y, 10.075f, 0.01f);  // HeightAt level 0 on flat ground
        }
        EXPECT_NEAR(p.minY, 10.075f, 0.01f);
        EXPECT_NEAR(p.maxY, 10.075f, 0.01f);
        EXPECT_EQ(p.triangleCount, 4 * static_cast<int>(p.tufts.size()));
        ASSERT_NE(p.buffer, nullptr);
        const auto* fake = device.AsFake(p.buffer);
        EXPECT_EQ(fake->bytes.size(), p.tufts.size() * 12 * 24);
        EXPECT_EQ(fake->fvf, 0x102u);
        EXPECT_EQ(fake->pool, D3DPOOL_MANAGED);
        EXPECT_EQ(fake->usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
    }
    EXPECT_EQ(kept, planted);  // none lies on a patch edge here
    EXPECT_GE(withTufts, 2);   // both meadows
}

TEST_F(GrassTest, EachTuftIsTwoCrossedQuadsStandingOnItsFoot) {
    Load(40, 40);
    grass.BuildGrid(terrain);
    grass.BuildPatches(&device, terrain);
    for (const GrassPatch& p : grass.patches()) {
        if (p.tufts.empty()) continue;
        const auto* v = static_cast<const GrassVertex*>(
            static_cast<const void*>(device.AsFake(p.buffer)->bytes.data()));
        for (std::size_t t = 0; t < p.tufts.size(); ++t, v += 12) {
            const GrassTuft& tuft = p.tufts[t];
            // Stored at four times the world position.
            EXPECT_NEAR(v[0].position.y, 4.0f * tuft.position.y, 1e-3f);
            const float tip = v[2].position.y - v[0].position.y;
            EXPECT_GE(tip, 35.0f * 0.8f * 2.25f * 1.75f - 0.01f);
            EXPECT_LE(tip, 35.0f * 2.25f * 2.25f + 0.01f);
            // First quad spreads along x, the second along z, both centred on the tuft.
            EXPECT_NEAR(v[0].position.z, v[1].position.z, 1e-3f);
            EXPECT_NEAR(v[6].position.x, v[7].position.x, 1e-2f);
            EXPECT_NEAR((v[0].position.x + v[1].position.x) / 2, 4.0f * tuft.position.x, 1e-2f);
            const float half = std::fabs(v[1].position.x - v[0].position.x) / 2;
            EXPECT_GE(half, 35.0f * 1.75f - 0.01f);
            EXPECT_LE(half, 35.0f * 2.25f + 0.01f);
            EXPECT_NEAR(std::fabs(v[7].position.z - v[6].position.z) / 2, half, 1e-2f);
            for (int i = 0; i < 12; ++i) EXPECT_EQ(v[i].alpha, tuft.alpha);
            EXPECT_EQ(v[0].v, 1.0f);
            EXPECT_EQ(v[2].v, 0.01f);
        }
    }
}

TEST_F(GrassTest, RebuildingReleasesTheOldBuffers) {
    Load(40, 40);
    grass.BuildGrid(terrain);
    grass.BuildPatches(&device, terrain);
    std::vector<testing::FakeVertexBuffer*> old;
    for (const GrassPatch& p : grass.patches()) {
        if (p.buffer != nullptr) old.push_back(device.AsFake(p.buffer));
    }
    ASSERT_FALSE(old.empty());
    grass.BuildPatches(&device, terrain);
    for (auto* b : old) EXPECT_EQ(b->refs, 0u);
    grass.Release();
    for (const GrassPatch& p : grass.patches()) EXPECT_EQ(p.buffer, nullptr);
}

TEST_F(GrassTest, RefusedBuffersLeaveThePatchUndrawnButTheRandomSequenceInStep) {
    Load(40, 40);
    grass.BuildGrid(terrain);
    os::SeedRandom(3);
    grass.BuildPatches(&device, terrain);
    const int after = os::Random();
    device.failVertexBuffers = true;
    os::SeedRandom(3);
    grass.BuildPatches(&device, terrain);
    EXPECT_EQ(os::Random(), after);
    for (const GrassPatch& p : grass.patches()) {
        EXPECT_EQ(p.buffer, nullptr);
        EXPECT_EQ(p.triangleCount, 0);
    }
}

}  // namespace
}  // namespace eh::scene
