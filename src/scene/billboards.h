// BillboardSet: the distant trees and bushes of "Data/Billboard.ebl", each a quad that
// faces the camera and sways in the wind in the vertex shader "shaders\BillBoard.vsh".
//
// The file's layout and parser are model/billboard_format.h.
//
// Kinds 0 and 1 are drawn, each from its own texture and 0x352 buffer (56-byte slots, of
// which the shader reads the first 44); other kinds take table slots but draw nothing. The
// quad spans 1.5 x size below the anchor, 0.5 x size above it and size to either side.
//
// Life: Load (table), CreateBuffer per kind and the textures, CreateShader; then Draw each
// frame, which fills the buffers on its first call only. Buffers belong to the
// VertexBufferPool given at construction, textures to its RenderKit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/billboard_format.h"
#include "model/math.h"
#include "platform/d3d8/d3d8.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

// A record of the file and the two numbers drawn for it at load.
struct BillboardRecord : model::billboard::Record {
    // Drawn at load only to keep the shared random sequence in step; never used.
    float spare[2] = {0.0f, 0.0f};
};

// The first 44 bytes of a 56-byte 0x352 slot, as the billboard declaration reads them.
struct BillboardVertex {
    model::Vector3 corner;  // v0: corner offset from the template
    model::Vector3 anchor;  // v3
    std::uint32_t color;    // v5
    float u, v;             // v7
    float size, sway;       // v8
    float unused[3];
};
static_assert(sizeof(BillboardVertex) == 56);

class BillboardSet {
  public:
    static constexpr int kKinds = 2;
    static constexpr int kMaxVertices = 18000;  // per kind: 3000 billboards of 6 vertices
    static constexpr int kMaxPerKind = kMaxVertices / 6;
    // Billboards larger than this sway by kLargeSway; smaller ones by a random factor.
    static constexpr float kSmallSize = 5.0f;
    static constexpr float kLargeSway = 0.15f;
    // Corner texture coordinates keep 14/512 off the texture edge.
    static constexpr float kInset = 0.02734375f;
    // The frame counter stops here; the buffers are filled while it is 0.
    static constexpr int kCountedFrames = 10;
    // Stream 0: v0 float3, v3 float3, v5 colour, v7 float2, v8 float2.
    static const DWORD kDeclaration[7];

    struct Kind {
        int buffer = -1;  // pool handle
        int triangleCount = 0;
    };

    // The quads' buffers go to `pool`, the textures to `kit`; both must outlive the set.
    BillboardSet(media::VertexBufferPool& pool, media::RenderKit& kit);

    // Replaces the table with the records model::billboard::Parse reads from `bytes`, drawing
    // two random numbers per record in file order. A count larger than the records the bytes
    // hold is cut to those; a negative count or fewer than 4 bytes give an empty table.
    void Load(const void* bytes, std::size_t size);

    // Creates the 18000-vertex 0x352 buffer of kind 0 or 1 in the pool.
    void CreateBuffer(int kind);

    // Assembles the shader text and creates the shader with kDeclaration. A missing or
    // unassembled text leaves the shader 0 and Draw draws nothing.
    void CreateShader(IDirect3DDevice8* device, const void* text, UINT size);

    // Between BeginScene and EndScene, with the frame's view and projection set and the
    // render states of the billboard step (depth and alpha test on, blending off): on the
    // first call fills both buffers, then sets the shader constants (c0, c1 = windTime x 1.65,
    // c4-c7, c20-c24, c26-c29) and draws kind 0, then kind 1, each with its texture on stage 0.
    // `windTime` is the shader wind time (it grows by s x 0.1 per frame). Counts frames up to
    // kCountedFrames. Without a shader it does nothing.
    void Draw(IDirect3DDevice8* device, float windTime);

    // Vertex colour of a kind: alpha 0x46 for kinds 0 to 3, 0x64 for 7 and 9, else opaque.
    static std::uint32_t ColorOfKind(std::int32_t kind);
    // The six corners of the template: x in {-1, 1}, y in {-1.5, 0.5}, two triangles.
    const std::array<ClothVertex, 6>& cornerTemplate() const { return corners_; }

    // Texture/tree00.tga and Texture/tree01.tga.
    std::array<media::TextureRef, kKinds> texture{media::EmptyTextureRef(),
                                                  media::EmptyTextureRef()};
    std::array<Kind, kKinds> kinds;

    const std::vector<BillboardRecord>& records() const { return records_; }
    DWORD shader() const { return shader_; }
    int frameCounter() const { return frameCounter_; }

  private:
    void FillBuffers();

    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
    std::vector<BillboardRecord> records_;
    std::array<ClothVertex, 6> corners_{};
    DWORD shader_ = 0;
    int frameCounter_ = 0;
};

}  // namespace eh::scene
