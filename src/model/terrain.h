// Terrain: the landscape grid of "Data/Land.eld", drawn by texture splatting. Each layer
// has a solid triangle list (all corners in the layer) and a blend list (border triangles
// with per-vertex alpha); the black base layer 0 fills in under every border triangle, so
// that with SRCALPHA/ONE blending the layers cross-fade across border cells.
//
// The grid is also read by the scene (placement on the ground, view flags). World layout:
// columns run along +x from -width / 2, rows along -z from +depth / 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/render_kit.h"
#include "model/mesh_model.h"
#include "model/terrain_build.h"
#include "platform/d3d8/d3d8.h"

namespace eh::model {

struct TerrainPoint {
    std::int32_t layer;
    float x, y, z;
    std::uint8_t viewFlag;    // recomputed by every RenderTerrain
    std::uint8_t brightness;  // 255 on load
};

struct TerrainLayer {
    std::string textureName;  // layer 0: "Black.bmp"
    media::TextureRef texture = media::EmptyTextureRef();
    int solidCount = 0;  // triangles
    IDirect3DVertexBuffer8* solidBuffer = nullptr;
    int blendCount = 0;
    IDirect3DVertexBuffer8* blendBuffer = nullptr;
};

class Terrain {
  public:
    static constexpr const char* kBaseTexture = "Black.bmp";
    static constexpr const char* kTextureFolder = "Texture/Terra/";

    // Layer textures come from `kit`, which must outlive the terrain.
    explicit Terrain(media::RenderKit& kit);
    ~Terrain();  // releases the layer buffers
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    // Loads the grid from `buffer` (`size` bytes), or from `fileName` when `buffer` is
    // null (the caller keeps ownership of `buffer`), then creates and fills the layer
    // buffers on `device` (managed, write-only, format 0x152, each sized by a counting pass
    // to exactly its triangles). A missing or damaged file (see terrain_format.h) leaves
    // the terrain empty (no layers, nothing drawn) and gives E_FAIL.
    HRESULT LoadTerrain(IDirect3DDevice8* device, const char* fileName, const std::uint8_t* buffer,
                        std::size_t size);

    // Creates each layer's texture (layer 0 included) from the entry kTextureFolder + name;
    // a missing entry leaves the layer untextured.
    void LoadTerrainTextures(const EntryReader& read);

    // Draws the solid lists, then the blend lists, between BeginScene and EndScene with the
    // scene's world and view set, and refreshes every point's view flag. Leaves depth
    // writes off, blending off and the factors SRCALPHA / ONE.
    void RenderTerrain(IDirect3DDevice8* device);

    // Ground height under the world point (x, z), lifted by (level + 1) x 0.075 above the
    // cell's plane (or (level + 1) x 0.085 above the cell corner's height where the plane
    // cannot be solved). Points outside the grid use the nearest border cell.
    void HeightAt(float x, float* y, float z, int level) const;

    void ReleaseBuffers();

    bool uniformDiagonals = false;
    int texturePeriod = 3;

    int layerCount() const { return static_cast<int>(layers_.size()); }
    const TerrainLayer& layer(int i) const { return layers_.at(static_cast<std::size_t>(i)); }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const std::vector<TerrainPoint>& grid() const { return grid_; }
    const TerrainPoint& point(int c, int r) const {
        return grid_[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) +
                     static_cast<std::size_t>(c)];
    }
    float width() const { return width_; }
    float depth() const { return depth_; }
    float cellWidth() const { return cellWidth_; }
    float cellDepth() const { return cellDepth_; }

  private:
    IDirect3DVertexBuffer8* Upload(IDirect3DDevice8* device, const std::vector<TerrainVertex>& v);

    media::RenderKit* kit_;
    std::vector<TerrainLayer> layers_;
    int columns_ = 0, rows_ = 0;
    std::vector<TerrainPoint> grid_;
    float width_ = 0.0f, cellWidth_ = 0.0f;
    float depth_ = 0.0f, cellDepth_ = 0.0f;
};

}  // namespace eh::model
