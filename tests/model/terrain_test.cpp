#include "model/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/samples.h"
#include "support/fake_device.h"

namespace eh::model {
namespace {

using testing::FakeDevice;

// 5 x 4 points over 40 x 30 units: cells of 10 x 10.
terrain::File Grid(std::vector<std::string> names, int layer, float (*h)(int, int)) {
    return samples::SampleTerrain(5, 4, 40.0f, 30.0f, std::move(names), layer, h);
}

float Flat0(int, int) {
    return 0.0f;
}
float Flat5(int, int) {
    return 5.0f;
}
// Rises 0.5 per unit along +x and 0.25 per unit along -z (x = -20 + 10c, z = 15 - 10r).
float Slope(int c, int r) {
    return 0.5f * (-20.0f + 10.0f * c) + 0.25f * (10.0f * r - 15.0f) + 3.0f;
}

class TerrainTest : public ::testing::Test {
  protected:
    void SetUp() override { kit.Init(nullptr, &device, D3DFMT_X8R8G8B8, nullptr); }
    HRESULT Load(const terrain::File& f) {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(terrain::Write(f, &bytes), S_OK);
        return land.LoadTerrain(&device, "unused", bytes.data(), bytes.size());
    }
    FakeDevice device;
    media::RenderKit kit;
    Terrain land{kit};
};

TEST_F(TerrainTest, LoadBuildsLayersAndSizesEachBufferToItsTriangles) {
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Flat0)), S_OK);
    ASSERT_EQ(land.layerCount(), 2);
    EXPECT_EQ(land.layer(0).textureName, "Black.bmp");
    EXPECT_EQ(land.layer(1).textureName, "Ground.jpg");
    EXPECT_EQ(land.layer(1).solidCount, 2 * 4 * 3);
    EXPECT_EQ(land.layer(0).solidCount, 0);
    EXPECT_EQ(land.layer(1).blendCount, 0);
    EXPECT_EQ(device.Calls("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(2592,8,338,1)"}));
    EXPECT_FLOAT_EQ(land.cellWidth(), 10.0f);
    EXPECT_FLOAT_EQ(land.cellDepth(), 10.0f);
    EXPECT_EQ(land.point(4, 3).brightness, 255);
    EXPECT_EQ(land.texturePeriod, 3);
}

TEST_F(TerrainTest, DamagedFilesLeaveTheTerrainEmpty) {
    terrain::File f = Grid({"Ground.jpg"}, 1, Flat0);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(terrain::Write(f, &bytes), S_OK);
    bytes.resize(bytes.size() - 1);
    EXPECT_EQ(land.LoadTerrain(&device, "x", bytes.data(), bytes.size()), E_FAIL);
    EXPECT_EQ(land.LoadTerrain(&device, "/nonexistent/Land.eld", nullptr, 0), E_FAIL);
    EXPECT_EQ(land.layerCount(), 0);
    float y = -1;
    land.HeightAt(0, &y, 0, 0);
    EXPECT_EQ(y, -1.0f);
    land.RenderTerrain(&device);
    EXPECT_TRUE(device.Calls("Draw").empty());
    EXPECT_TRUE(device.Calls("CreateVertexBuffer").empty());
}

TEST_F(TerrainTest, RenderDrawsSolidThenBlendListsAndLeavesItsStates) {
    terrain::File f = Grid({"Ground.jpg", "Rock.tga"}, 1, Flat0);
    f.points[6].layer = 2;  // one point of layer 2 makes border cells around it
    ASSERT_EQ(Load(f), S_OK);
    device.log.clear();
    land.RenderTerrain(&device);
    std::vector<std::string> draws;
    for (const std::string& line : device.log) {
        if (line.rfind("SetRenderState", 0) == 0 || line.rfind("Draw", 0) == 0 ||
            line.rfind("SetVertexShader", 0) == 0)
            draws.push_back(line);
    }
    const auto n = [](int count) { return "DrawPrimitive(4,0," + std::to_string(count) + ")"; };
    const std::vector<std::string> expected = {
        "SetRenderState(27,1)", "SetRenderState(7,1)", "SetRenderState(14,1)",
        "SetVertexShader(338)", "SetRenderState(27,0)",
        // layer 2 has no triangle of its own (a single point), so no solid draw
        n(land.layer(0).solidCount), n(land.layer(1).solidCount), "SetRenderState(27,1)",
        n(land.layer(1).blendCount), n(land.layer(2).blendCount), "SetRenderState(14,0)",
        "SetRenderState(19,5)", "SetRenderState(20,2)", "SetRenderState(27,1)",
        "SetRenderState(19,5)", "SetRenderState(20,6)", "SetRenderState(14,0)",
        "SetRenderState(14,0)", "SetRenderState(19,5)", "SetRenderState(20,2)",
        "SetRenderState(27,0)"};
    EXPECT_EQ(draws, expected);
    EXPECT_GT(land.layer(0).solidCount, 0);
    EXPECT_EQ(land.layer(2).solidCount, 0);
    EXPECT_GT(land.layer(2).blendCount, 0);
    EXPECT_EQ(device.stream0Stride, 36u);
}

TEST_F(TerrainTest, ViewFlagsMarkPointsInFrontAndWithinReach) {
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Flat0)), S_OK);
    // Camera at (0, 2, 16) looking along -z: rows 0..3 lie at z = 15, 5, -5, -15.
    Matrix4 view;
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 2, 16}, Vector3{0, 2, 0}, Vector3{0, 1, 0}), S_OK);
    D3DMATRIX v;
    std::memcpy(&v, view.m, sizeof v);
    device.SetTransform(D3DTS_VIEW, &v);
    land.RenderTerrain(&device);
    EXPECT_EQ(land.point(2, 0).viewFlag, 1);  // 1 unit ahead, near the axis
    EXPECT_EQ(land.point(0, 0).viewFlag, 0);  // 20 units aside at depth 1
    EXPECT_EQ(land.point(2, 3).viewFlag, 1);
    EXPECT_EQ(land.point(0, 3).viewFlag, 1);  // 20 aside at depth 31: inside 27 degrees

    // Looking the other way every point is behind the camera.
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 2, 16}, Vector3{0, 2, 30}, Vector3{0, 1, 0}), S_OK);
    std::memcpy(&v, view.m, sizeof v);
    device.SetTransform(D3DTS_VIEW, &v);
    land.RenderTerrain(&device);
    for (const TerrainPoint& p : land.grid()) EXPECT_EQ(p.viewFlag, 0);

    // 180 units or more ahead is out of reach: from z = 195, row 0 is 180 units away.
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 2, 195}, Vector3{0, 2, 0}, Vector3{0, 1, 0}), S_OK);
    std::memcpy(&v, view.m, sizeof v);
    device.SetTransform(D3DTS_VIEW, &v);
    land.RenderTerrain(&device);
    EXPECT_EQ(land.point(2, 0).viewFlag, 0);
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 2, 194}, Vector3{0, 2, 0}, Vector3{0, 1, 0}), S_OK);
    std::memcpy(&v, view.m, sizeof v);
    device.SetTransform(D3DTS_VIEW, &v);
    land.RenderTerrain(&device);
    EXPECT_EQ(land.point(2, 0).viewFlag, 1);
    EXPECT_EQ(land.point(2, 2).viewFlag, 0);  // 199 units
}

TEST_F(TerrainTest, HeightOnFlatAndSlopedGridsWithBothLiftFactors) {
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Flat5)), S_OK);
    float y = 0;
    land.HeightAt(3.0f, &y, 4.0f, 0);
    EXPECT_FLOAT_EQ(y, 5.075f);
    land.HeightAt(3.0f, &y, 4.0f, 2);
    EXPECT_FLOAT_EQ(y, 5.0f + 3 * 0.075f);

    // A plane through the origin cannot be written as ax + by + cz = 1: the corner's
    // height is used with the other lift factor.
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Flat0)), S_OK);
    land.HeightAt(3.0f, &y, 4.0f, 0);
    EXPECT_FLOAT_EQ(y, 0.085f);

    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Slope)), S_OK);
    for (const auto& [x, z] :
         {std::pair{-17.0f, 12.0f}, {3.0f, -4.0f}, {11.0f, 9.5f}, {-0.5f, 0.5f}}) {
        land.HeightAt(x, &y, z, 0);
        EXPECT_NEAR(y, 0.5f * x - 0.25f * z + 3.0f + 0.075f, 1e-4f) << x << "," << z;
    }
}

TEST_F(TerrainTest, HeightOutsideTheGridUsesTheBorderCell) {
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Slope)), S_OK);
    float y = 0;
    // Far beyond the right and bottom borders: the last cell's plane, extended.
    land.HeightAt(500.0f, &y, -500.0f, 0);
    EXPECT_NEAR(y, 0.5f * 500.0f + 0.25f * 500.0f + 3.0f + 0.075f, 1e-2f);
    land.HeightAt(-1e30f, &y, 1e30f, 0);  // no overflow in the cell index
    land.HeightAt(std::nanf(""), &y, 0.0f, 0);
    // Exactly on the last column and row.
    land.HeightAt(20.0f, &y, -15.0f, 0);
    EXPECT_NEAR(y, 0.5f * 20.0f + 0.25f * 15.0f + 3.0f + 0.075f, 1e-4f);
}

TEST_F(TerrainTest, LayerTexturesComeFromTheTerrainFolder) {
    ASSERT_EQ(Load(Grid({"Ground.jpg"}, 1, Flat0)), S_OK);
    kit.setTextureLoader(
        [](IDirect3DDevice8* d, const void*, UINT, UINT, UINT, D3DFORMAT, IDirect3DTexture8** t) {
            return d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t);
        });
    std::vector<std::string> asked;
    land.LoadTerrainTextures([&asked](const std::string& name, std::vector<std::uint8_t>* bytes) {
        asked.push_back(name);
        if (name == "Texture/Terra/Black.bmp") return false;
        bytes->assign(8, 0);
        return true;
    });
    EXPECT_EQ(asked,
              (std::vector<std::string>{"Texture/Terra/Black.bmp", "Texture/Terra/Ground.jpg"}));
    EXPECT_EQ(land.layer(0).texture.index, -1);
    EXPECT_EQ(land.layer(1).texture.index, 0);
    EXPECT_EQ(kit.slot(0).name, "Ground.jpg");
    EXPECT_EQ(kit.slot(0).folder, "Texture/Terra/");
}

TEST_F(TerrainTest, ReleaseBuffersReleasesEachOnce) {
    {
        Terrain local(kit);
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(terrain::Write(Grid({"Ground.jpg"}, 1, Flat0), &bytes), S_OK);
        ASSERT_EQ(local.LoadTerrain(&device, "x", bytes.data(), bytes.size()), S_OK);
        local.ReleaseBuffers();
    }
    ASSERT_EQ(device.vertexBuffers.size(), 1u);
    EXPECT_EQ(device.vertexBuffers[0]->refs, 0u);
    EXPECT_EQ(device.vertexBuffers[0]->overReleased, 0);
}

}  // namespace
}  // namespace eh::model
