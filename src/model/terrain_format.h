// The terrain grid file ("Data/Land.eld"): layout, parser and writer.
//
// Layout (little-endian, packed; no magic, no version):
//   int N, N zero-ended texture file names (at most 127 bytes each)
//   float width, float depth   world units along the columns and the rows
//   int columns, int rows
//   rows x columns points, row 0 first: int layer, 3 floats x, y, z   (16 bytes each)
// Layer 0 is the black base; texture name k (1-based) is layer k.
//
// The parser refuses (E_FAIL) a negative N or one above kMaxTextureNames, names that are
// too long or run past the end, grids smaller than 2 x 2, point data shorter than the grid,
// and layer numbers outside 0..N. Bytes after the grid are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/math.h"
#include "platform/os/win32_types.h"

namespace eh::model::terrain {

inline constexpr int kMaxLayers = 50;  // the black base and 49 textures
inline constexpr int kMaxTextureNames = kMaxLayers - 1;
inline constexpr std::size_t kMaxTextureName = 127;
inline constexpr std::size_t kPointSize = 16;

struct PointRecord {
    std::int32_t layer = 0;
    Vector3 position{};
};

struct File {
    std::vector<std::string> textureNames;  // layers 1..N
    float width = 0.0f;
    float depth = 0.0f;
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    std::vector<PointRecord> points;  // rows x columns, row-major
};

HRESULT Parse(const std::uint8_t* data, std::size_t size, File* out);

// E_INVALIDARG when the file breaks the rules the parser enforces.
HRESULT Write(const File& file, std::vector<std::uint8_t>* out);

}  // namespace eh::model::terrain
