// Terrain grids: parse, build the splatting lists and ask for heights in and around the
// grid.
#include <cstddef>
#include <cstdint>

#include "model/terrain.h"
#include "model/terrain_build.h"
#include "model/terrain_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace eh::model;
    terrain::File file;
    if (FAILED(terrain::Parse(data, size, &file))) return 0;
    // Keep each run short: the lists grow with the cell count.
    if (file.points.size() > 4096) return 0;
    std::vector<GridPoint> points;
    for (const terrain::PointRecord& p : file.points)
        points.push_back(GridPoint{p.layer, p.position, 255});
    BuildTerrainTriangles(GridView{points.data(), file.columns, file.rows},
                          static_cast<int>(file.textureNames.size()) + 1, false, 3);

    eh::media::RenderKit kit;
    Terrain land(kit);
    if (FAILED(land.LoadTerrain(nullptr, nullptr, data, size))) return 0;
    float y = 0.0f;
    const float w = file.width, d = file.depth;
    const float probes[][2] = {{0, 0}, {w, d}, {-w, -d}, {w / 2, -d / 2}, {1e30f, -1e30f}};
    for (const auto& p : probes) land.HeightAt(p[0], &y, p[1], 1);
    return 0;
}
