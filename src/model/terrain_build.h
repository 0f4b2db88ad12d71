// The CPU side of the terrain: grid normals, texture coordinates, the cell diagonals and
// the per-layer triangle lists of the splatting scheme. Private to src/model (Terrain
// uploads the lists; tests and the benchmark call it directly); no device needed.
#pragma once

#include <cstdint>
#include <vector>

#include "model/math.h"
#include "model/terrain_format.h"

namespace eh::model {

// The rendered terrain vertex (flexible vertex format 0x152, stride 36).
struct TerrainVertex {
    Vector3 position;
    Vector3 normal;
    std::uint32_t colour;  // alpha in the top byte, the point's brightness in R, G and B
    float u, v;
};
static_assert(sizeof(TerrainVertex) == 36);

inline constexpr std::uint32_t kTerrainVertexFvf = 0x152;

// What the triangle builder needs of one grid point.
struct GridPoint {
    std::int32_t layer;
    Vector3 position;
    std::uint8_t brightness;
};

struct GridView {
    const GridPoint* points;  // rows x columns, row-major
    int columns;
    int rows;
};

// Non-indexed triangle lists of one layer, three vertices per triangle.
struct LayerTriangles {
    std::vector<TerrainVertex> solid;
    std::vector<TerrainVertex> blend;
};

// Grid normal at (c, r): the normalised sum of the cross products of the neighbour pairs
// that exist (four inside the grid, fewer at the border, one at a corner).
Vector3 GridNormal(const GridView& grid, int c, int r);

// Texture coordinate of corner (c + i, r + j) with i, j in {0, 1}, for a texture spanning
// `period` cells: u = 1 - ((r mod T) + j) / T, v = ((c mod T) + i) / T.
void TerrainTexCoord(int c, int r, int i, int j, int period, float* u, float* v);

// True when cell (c, r) is split along D-B ((c, r + 1)-(c + 1, r)), false for A-C.
inline bool SplitsAlongDB(int c, int r, bool uniformDiagonals) {
    return ((c + r) & 1) != 0 || uniformDiagonals;
}

// Builds the triangle lists of all `layerCount` layers (layer 0 the black base). With one
// layer, both triangles of every cell go to layer 0's solid list at alpha 255. Otherwise
// each triangle goes by its owner corner: wholly inside the owner's layer to that layer's
// solid list; across a border to the owner's blend list and layer 0's solid list with
// alpha 255 at matching corners, plus once per non-matching corner to that corner's
// layer's blend list with alpha 255 there only. Layer numbers must be in 0..layerCount-1.
std::vector<LayerTriangles> BuildTerrainTriangles(const GridView& grid, int layerCount,
                                                  bool uniformDiagonals, int period);

}  // namespace eh::model
