// GrassField: tufts of grass on two circular meadows of the terrain, each tuft two crossed
// quads waving in the wind in the vertex shader "shaders\grass.vsh", fading out as the
// scene darkens.
//
// A density grid with one cell per terrain grid point says how many tufts grow around
// each point (0 outside the meadows) and how opaque they are. The tufts are sorted into
// 4 x 4 patches tiling the terrain, each with its own vertex buffer (format 0x102 in the
// managed pool, 24-byte vertices: position x 4 in world units, then u, v, alpha) and its
// box, so a frame draws only the patches inside the view frustum. The stored positions are
// four times the world positions; the shader's matrix scales them back by 0.25.
//
// Life: Build once after the terrain is loaded (grid, patches, shader); Draw each frame.
// Patch buffers are created on the device directly (the pool knows no 0x102 layout) and
// released by Release or the destructor; the texture belongs to the RenderKit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "model/mesh_model.h"
#include "model/terrain.h"
#include "platform/d3d8/d3d8.h"

namespace eh::scene {

struct GrassCell {
    model::Vector3 position{};  // the terrain grid point
    std::int32_t tufts = 0;
    float alpha = 1.0f;
};

// The 24-byte vertex of a patch buffer.
struct GrassVertex {
    model::Vector3 position;  // world position x 4
    float u, v, alpha;
};
static_assert(sizeof(GrassVertex) == 24);

struct GrassTuft {
    model::Vector3 position;  // world units
    float alpha;
};

struct GrassPatch {
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0;  // the rectangle it covers
    float minY = 0, maxY = 0;                      // heights of its tufts
    std::vector<GrassTuft> tufts;
    IDirect3DVertexBuffer8* buffer = nullptr;
    int triangleCount = 0;

    // Strictly inside the rectangle (tufts on an edge belong to no patch).
    bool Contains(float x, float z) const { return x > minX && x < maxX && z > minZ && z < maxZ; }
    // The eight corners of its box.
    void Corners(model::Vector3 out[8]) const;
};

class GrassField {
  public:
    static constexpr int kPatchesPerSide = 4;
    static constexpr int kVerticesPerTuft = 12;  // two quads of six
    static constexpr DWORD kAlphaReference = 0x1E;
    static constexpr DWORD kFvf = 0x102;         // XYZ | TEX1, 24-byte stride (u, v, alpha)
    static constexpr UINT kStride = sizeof(GrassVertex);
    // Stream 0: v0 float3 (position), v7 float3 (u, v, alpha).
    static const DWORD kDeclaration[4];

    // A meadow: rings 0..lastRing around a grid cell, cells of column below minColumn
    // clamped up to it.
    struct Meadow {
        int column, row, lastRing, minColumn;
    };
    static constexpr Meadow kMeadows[2] = {{27, 16, 9, 0}, {9, 14, 11, 2}};

    // Textures come from `kit`, which must outlive the field. The patch buffers are not
    // pool buffers (the pool knows no 0x102 layout); the pool is taken for symmetry with
    // the other objects.
    GrassField(media::VertexBufferPool& pool, media::RenderKit& kit);
    ~GrassField();
    GrassField(const GrassField&) = delete;
    GrassField& operator=(const GrassField&) = delete;

    // One cell per grid point of `terrain` (row-major, as its grid), all without tufts and
    // alpha 1, then the two meadows stamped: ring i of a meadow sets its cells to 6 - i
    // tufts (at least 1) and alpha (12 - i) / 12, later rings and meadows overwriting
    // earlier ones. An empty terrain gives an empty grid.
    void BuildGrid(const model::Terrain& terrain);

    static constexpr const char* kShaderEntry = "shaders\\grass.vsh";

    // The whole set-up: BuildGrid, BuildPatches, then CreateShader from the text.
    void Build(IDirect3DDevice8* device, const model::Terrain& terrain, const void* shaderText,
               UINT shaderSize);
    // The same with the shader text read from the entry kShaderEntry (none when the entry
    // cannot be read or `read` is empty).
    void Build(IDirect3DDevice8* device, const model::Terrain& terrain,
               const model::EntryReader& read);

    // Releases any existing patches, makes the 16 patches, scatters each cell's tufts
    // around its point (two random numbers per tuft, cells column by column) onto the
    // ground, and fills a buffer per patch with tufts (two random numbers per tuft, patches
    // in order). A buffer the device refuses leaves its patch undrawn.
    void BuildPatches(IDirect3DDevice8* device, const model::Terrain& terrain);

    // Assembles the shader text and creates the shader with kDeclaration; 0 (the grass is
    // not drawn) when there is no text or it does not assemble.
    void CreateShader(IDirect3DDevice8* device, const void* text, UINT size);

    // Between BeginScene and EndScene, with the frame's view and projection set: sets the
    // shader constants (c1 = windTime, c20.x = fade in [0, 1]), alpha reference 0x1E, stage 0
    // colour and alpha texture x diffuse, SRCALPHA / INVSRCALPHA blending on, alpha test on,
    // lighting and culling off, and draws every patch whose box meets the six `planes`.
    // Nothing is drawn, the states still being set, when the alpha function (GREATER,
    // GREATEREQUAL or EQUAL) would throw away every fragment: a fade below the reference.
    // Leaves culling CCW, alpha test off and DESTBLEND ONE. Without a shader it does nothing.
    void Draw(IDirect3DDevice8* device, float fade, float windTime, const model::Plane4 planes[6]);

    // Releases the patch buffers (the patches stay, undrawn). Before the device goes.
    void Release();

    media::TextureRef texture = media::EmptyTextureRef();

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const std::vector<GrassCell>& grid() const { return grid_; }
    const GrassCell& cell(int column, int row) const {
        return grid_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                     static_cast<std::size_t>(column)];
    }
    const std::vector<GrassPatch>& patches() const { return patches_; }
    DWORD shader() const { return shader_; }
    // Patches drawn by the last Draw.
    int drawnPatches() const { return drawnPatches_; }

  private:
    void FillPatch(IDirect3DDevice8* device, GrassPatch& patch);

    media::RenderKit* kit_;
    int columns_ = 0, rows_ = 0;
    std::vector<GrassCell> grid_;
    std::vector<GrassPatch> patches_;
    DWORD shader_ = 0;
    int drawnPatches_ = 0;
};

}  // namespace eh::scene
