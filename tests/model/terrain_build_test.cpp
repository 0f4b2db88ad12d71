#include "model/terrain_build.h"

#include <gtest/gtest.h>

#include <cmath>

namespace eh::model {
namespace {

struct Grid {
    std::vector<GridPoint> points;
    int columns, rows;
    GridView view() const { return GridView{points.data(), columns, rows}; }
    GridPoint& at(int c, int r) { return points[static_cast<std::size_t>(r * columns + c)]; }
};

// Unit cells, rows along -z, all in `layer`, flat unless `height` says otherwise.
Grid MakeGrid(int columns, int rows, int layer, float (*height)(int, int) = nullptr) {
    Grid g{{}, columns, rows};
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float y = height ? height(c, r) : 0.0f;
            g.points.push_back(
                GridPoint{layer, {static_cast<float>(c), y, -static_cast<float>(r)}, 255});
        }
    }
    return g;
}

std::uint8_t Alpha(const TerrainVertex& v) {
    return static_cast<std::uint8_t>(v.colour >> 24);
}

void ExpectTriangle(const std::vector<TerrainVertex>& list, std::size_t tri,
                    const Vector3 corners[3], std::uint8_t a0, std::uint8_t a1, std::uint8_t a2) {
    ASSERT_GE(list.size(), 3 * tri + 3);
    const std::uint8_t alphas[3] = {a0, a1, a2};
    for (int k = 0; k < 3; ++k) {
        const TerrainVertex& v = list[3 * tri + static_cast<std::size_t>(k)];
        EXPECT_EQ(v.position.x, corners[k].x) << "corner " << k;
        EXPECT_EQ(v.position.z, corners[k].z) << "corner " << k;
        EXPECT_EQ(Alpha(v), alphas[k]) << "corner " << k;
        EXPECT_EQ(v.colour & 0xFFFFFFu, 0xFFFFFFu);
    }
}

TEST(TerrainBuildTest, OneLayerEverywhereFillsOnlyItsSolidList) {
    const Grid g = MakeGrid(5, 4, 1);
    const auto layers = BuildTerrainTriangles(g.view(), 2, false, 3);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[1].solid.size(), 3u * 2 * 4 * 3);
    EXPECT_TRUE(layers[1].blend.empty());
    EXPECT_TRUE(layers[0].solid.empty());
    EXPECT_TRUE(layers[0].blend.empty());
}

TEST(TerrainBuildTest, LayerBorderCellCrossFadesWithExactAlphas) {
    // A in layer 1, B, C, D in layer 2, split D-B.
    Grid g = MakeGrid(2, 2, 2);
    g.at(0, 0).layer = 1;
    const auto layers = BuildTerrainTriangles(g.view(), 3, true, 3);
    const Vector3 a{0, 0, 0}, b{1, 0, 0}, c{1, 0, -1}, d{0, 0, -1};
    const Vector3 dab[3] = {d, a, b}, dbc[3] = {d, b, c};
    ASSERT_EQ(layers[1].blend.size(), 3u);
    ExpectTriangle(layers[1].blend, 0, dab, 0, 255, 0);
    ASSERT_EQ(layers[0].solid.size(), 3u);
    ExpectTriangle(layers[0].solid, 0, dab, 0, 255, 0);
    ASSERT_EQ(layers[2].blend.size(), 6u);
    ExpectTriangle(layers[2].blend, 0, dab, 255, 0, 0);
    ExpectTriangle(layers[2].blend, 1, dab, 0, 0, 255);
    ASSERT_EQ(layers[2].solid.size(), 3u);
    ExpectTriangle(layers[2].solid, 0, dbc, 255, 255, 255);
    EXPECT_TRUE(layers[1].solid.empty());
    EXPECT_TRUE(layers[0].blend.empty());
}

TEST(TerrainBuildTest, EachBorderVertexGetsExactlyOneFullLayer) {
    // A patchwork of three layers: at every vertex of every border triangle, the blend
    // lists together give alpha 255 exactly once, so the layers cross-fade with SRCALPHA/ONE.
    Grid g = MakeGrid(6, 5, 1);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 6; ++c) g.at(c, r).layer = 1 + (c * 7 + r * 3) % 3;
    }
    const auto layers = BuildTerrainTriangles(g.view(), 4, false, 3);
    // Every border triangle is in layer 0's solid list once; its owner's blend copy comes
    // first in the owner's list, but the sum per vertex over all copies is what matters:
    // count, per (triangle position, corner), the 255s across all blend lists.
    std::size_t border = layers[0].solid.size() / 3;
    std::size_t blendTriangles = 0;
    std::size_t fullCorners = 0;
    for (const LayerTriangles& l : layers) {
        blendTriangles += l.blend.size() / 3;
        for (const TerrainVertex& v : l.blend) fullCorners += Alpha(v) == 255 ? 1 : 0;
    }
    EXPECT_GT(border, 0u);
    EXPECT_EQ(fullCorners, 3 * border);
    EXPECT_GT(blendTriangles, border);
}

TEST(TerrainBuildTest, DiagonalsAlternateUnlessUniform) {
    EXPECT_FALSE(SplitsAlongDB(0, 0, false));
    EXPECT_TRUE(SplitsAlongDB(1, 0, false));
    EXPECT_TRUE(SplitsAlongDB(0, 1, false));
    EXPECT_FALSE(SplitsAlongDB(3, 5, false));
    EXPECT_TRUE(SplitsAlongDB(0, 0, true));
    const Grid g = MakeGrid(3, 2, 1);
    const auto layers = BuildTerrainTriangles(g.view(), 2, false, 3);
    const auto& s = layers[1].solid;
    ASSERT_EQ(s.size(), 12u);
    // Cell (0, 0), A-C: first triangle A, B, C.
    EXPECT_EQ(s[0].position.x, 0.0f);
    EXPECT_EQ(s[1].position.x, 1.0f);
    EXPECT_EQ(s[2].position.z, -1.0f);
    // Cell (1, 0), D-B: first triangle D, A, B = (1,1), (1,0), (2,0).
    EXPECT_EQ(s[6].position.x, 1.0f);
    EXPECT_EQ(s[6].position.z, -1.0f);
    EXPECT_EQ(s[8].position.x, 2.0f);
    EXPECT_EQ(s[8].position.z, 0.0f);
}

TEST(TerrainBuildTest, SingleLayerCoversTheWholeGrid) {
    const Grid g = MakeGrid(7, 5, 0);
    const auto layers = BuildTerrainTriangles(g.view(), 1, false, 3);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0].solid.size(), 3u * 2 * 6 * 4);
    for (const TerrainVertex& v : layers[0].solid) EXPECT_EQ(Alpha(v), 255);
    EXPECT_TRUE(layers[0].blend.empty());
}

TEST(TerrainBuildTest, TextureCoordinatesRepeatEveryThreeCells) {
    float u, v;
    TerrainTexCoord(4, 5, 0, 0, 3, &u, &v);
    EXPECT_FLOAT_EQ(u, 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(v, 1.0f / 3.0f);
    TerrainTexCoord(4, 5, 1, 1, 3, &u, &v);
    EXPECT_FLOAT_EQ(u, 0.0f);
    EXPECT_FLOAT_EQ(v, 2.0f / 3.0f);
    TerrainTexCoord(2, 2, 1, 1, 3, &u, &v);  // the far edge of a repeat
    EXPECT_FLOAT_EQ(u, 0.0f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    TerrainTexCoord(3, 3, 0, 0, 3, &u, &v);  // and it starts again
    EXPECT_FLOAT_EQ(u, 1.0f);
    EXPECT_FLOAT_EQ(v, 0.0f);
}

TEST(TerrainBuildTest, NormalsUseTheNeighboursThatExist) {
    // Flat grid: every normal is straight up, corners (one cross product) included.
    const Grid flat = MakeGrid(4, 3, 1);
    for (const auto& [c, r] : {std::pair{0, 0}, {3, 0}, {0, 2}, {3, 2}, {1, 1}, {2, 0}}) {
        const Vector3 n = GridNormal(flat.view(), c, r);
        EXPECT_FLOAT_EQ(n.y, 1.0f) << c << "," << r;
    }
    // A slope rising along +x by 1 per cell: normal (-1, 1, 0) / sqrt 2 everywhere.
    const Grid slope = MakeGrid(4, 3, 1, [](int c, int) { return static_cast<float>(c); });
    for (const auto& [c, r] : {std::pair{0, 0}, {3, 2}, {1, 1}}) {
        const Vector3 n = GridNormal(slope.view(), c, r);
        EXPECT_NEAR(n.x, -std::sqrt(0.5f), 1e-6f);
        EXPECT_NEAR(n.y, std::sqrt(0.5f), 1e-6f);
        EXPECT_NEAR(n.z, 0.0f, 1e-6f);
    }
    // A bump in the middle tilts the border point next to it only through the pairs that
    // exist: (1, 0) sees the bump at (1, 1) through two cross products.
    Grid bump = MakeGrid(3, 3, 1);
    bump.at(1, 1).position.y = 1.0f;
    const Vector3 n = GridNormal(bump.view(), 1, 0);
    EXPECT_NEAR(n.x, 0.0f, 1e-6f);
    EXPECT_NEAR(n.z, 1.0f / std::sqrt(2.0f), 1e-6f);
}

}  // namespace
}  // namespace eh::model
