#include "model/terrain_build.h"

namespace eh::model {
namespace {

const GridPoint& At(const GridView& g, int c, int r) {
    return g.points[static_cast<std::size_t>(r) * static_cast<std::size_t>(g.columns) +
                    static_cast<std::size_t>(c)];
}

struct Corner {
    int c, r;  // grid point
    int i, j;  // offset inside the cell, for the texture coordinates
};

struct Triangle {
    Corner corner[3];
    int owner;  // index into corner[]
};

// The two triangles of cell (c, r) with A = (c, r), B = (c+1, r), C = (c+1, r+1),
// D = (c, r+1): D-B split gives (D, A, B; owner A) and (D, B, C; owner C), the A-C split
// (A, B, C; owner A) and (D, A, C; owner A).
void CellTriangles(int c, int r, bool alongDB, Triangle out[2]) {
    const Corner a{c, r, 0, 0}, b{c + 1, r, 1, 0}, cc{c + 1, r + 1, 1, 1}, d{c, r + 1, 0, 1};
    if (alongDB) {
        out[0] = Triangle{{d, a, b}, 1};
        out[1] = Triangle{{d, b, cc}, 2};
    } else {
        out[0] = Triangle{{a, b, cc}, 0};
        out[1] = Triangle{{d, a, cc}, 1};
    }
}

class TriangleWriter {
  public:
    TriangleWriter(const GridView& grid, const std::vector<Vector3>& normals, int period)
        : grid_(grid), normals_(normals), period_(period) {}

    void Append(std::vector<TerrainVertex>* list, const Triangle& t, const std::uint8_t alpha[3]) {
        for (int k = 0; k < 3; ++k) {
            const Corner& x = t.corner[k];
            const GridPoint& p = At(grid_, x.c, x.r);
            TerrainVertex v;
            v.position = p.position;
            v.normal = normals_[static_cast<std::size_t>(x.r) * grid_.columns + x.c];
            v.colour = (static_cast<std::uint32_t>(alpha[k]) << 24) |
                       (static_cast<std::uint32_t>(p.brightness) << 16) |
                       (static_cast<std::uint32_t>(p.brightness) << 8) | p.brightness;
            TerrainTexCoord(x.c - x.i, x.r - x.j, x.i, x.j, period_, &v.u, &v.v);
            list->push_back(v);
        }
    }

  private:
    const GridView& grid_;
    const std::vector<Vector3>& normals_;
    int period_;
};

}  // namespace

Vector3 GridNormal(const GridView& g, int c, int r) {
    const Vector3 p = At(g, c, r).position;
    auto q = [&](int cc, int rr) { return Subtract(At(g, cc, rr).position, p); };
    Vector3 sum{0.0f, 0.0f, 0.0f};
    if (c > 0 && r > 0) sum = Add(sum, Cross(q(c - 1, r), q(c, r - 1)));
    if (r > 0 && c + 1 < g.columns) sum = Add(sum, Cross(q(c, r - 1), q(c + 1, r)));
    if (c + 1 < g.columns && r + 1 < g.rows) sum = Add(sum, Cross(q(c + 1, r), q(c, r + 1)));
    if (c > 0 && r + 1 < g.rows) sum = Add(sum, Cross(q(c, r + 1), q(c - 1, r)));
    const float len = Length(sum);
    if (len == 0.0f) return sum;  // degenerate neighbourhood: no direction to keep
    return Vector3{sum.x / len, sum.y / len, sum.z / len};
}

void TerrainTexCoord(int c, int r, int i, int j, int period, float* u, float* v) {
    const auto t = static_cast<float>(period);
    *u = 1.0f - static_cast<float>((r % period) + j) / t;
    *v = static_cast<float>((c % period) + i) / t;
}

std::vector<LayerTriangles> BuildTerrainTriangles(const GridView& grid, int layerCount,
                                                  bool uniformDiagonals, int period) {
    std::vector<LayerTriangles> layers(static_cast<std::size_t>(layerCount > 0 ? layerCount : 0));
    if (layerCount <= 0) return layers;

    std::vector<Vector3> normals(static_cast<std::size_t>(grid.columns) * grid.rows);
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
            normals[static_cast<std::size_t>(r) * grid.columns + c] = GridNormal(grid, c, r);
        }
    }
    TriangleWriter writer(grid, normals, period);
    const std::uint8_t opaque[3] = {255, 255, 255};

    // First pass: count, so that every list is allocated once at its final size.
    std::vector<std::size_t> solidCount(layers.size()), blendCount(layers.size());
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (std::size_t l = 0; l < layers.size(); ++l) {
                layers[l].solid.reserve(3 * solidCount[l]);
                layers[l].blend.reserve(3 * blendCount[l]);
            }
        }
        for (int r = 0; r + 1 < grid.rows; ++r) {
            for (int c = 0; c + 1 < grid.columns; ++c) {
                Triangle tris[2];
                CellTriangles(c, r, SplitsAlongDB(c, r, uniformDiagonals), tris);
                for (const Triangle& t : tris) {
                    if (layerCount == 1) {
                        if (pass == 0)
                            ++solidCount[0];
                        else
                            writer.Append(&layers[0].solid, t, opaque);
                        continue;
                    }
                    int layer[3];
                    for (int k = 0; k < 3; ++k) {
                        layer[k] = At(grid, t.corner[k].c, t.corner[k].r).layer;
                    }
                    const int owner = layer[t.owner];
                    std::uint8_t match[3];
                    bool all = true;
                    for (int k = 0; k < 3; ++k) {
                        match[k] = layer[k] == owner ? 255 : 0;
                        all = all && match[k] == 255;
                    }
                    const auto o = static_cast<std::size_t>(owner);
                    if (all) {
                        if (pass == 0)
                            ++solidCount[o];
                        else
                            writer.Append(&layers[o].solid, t, opaque);
                        continue;
                    }
                    if (pass == 0) {
                        ++blendCount[o];
                        ++solidCount[0];
                    } else {
                        writer.Append(&layers[o].blend, t, match);
                        writer.Append(&layers[0].solid, t, match);
                    }
                    for (int k = 0; k < 3; ++k) {
                        if (match[k] == 255) continue;
                        const auto other = static_cast<std::size_t>(layer[k]);
                        if (pass == 0) {
                            ++blendCount[other];
                        } else {
                            std::uint8_t alpha[3] = {0, 0, 0};
                            alpha[k] = 255;
                            writer.Append(&layers[other].blend, t, alpha);
                        }
                    }
                }
            }
        }
    }
    return layers;
}

}  // namespace eh::model
