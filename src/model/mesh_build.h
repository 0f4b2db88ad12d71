// The CPU side of a loaded mesh: corner keys, the rendered vertex and index data, the
// bounds and the skinning of one mesh object. Private to src/model (MeshModel drives it;
// the tests and the benchmark use it directly), and free of any device, so it runs the
// same with or without a GPU.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/emd_format.h"
#include "model/math.h"

namespace eh::model {

// The rendered vertex of a model mesh (flexible vertex format 0x352, stride 56: the third
// coordinate set carries three floats where the format code would read two).
struct ModelVertex {
    Vector3 position;
    Vector3 normal;
    std::uint32_t diffuse;  // always 0xFFFFFFFF
    float u0, v0;           // channel 0, (0, 0) when the vertex has none
    float u1, v1;           // channel 1, (0, 0) when the vertex has none
    Vector3 third;          // derived from the normal
};
static_assert(sizeof(ModelVertex) == 56);

inline constexpr std::uint32_t kModelVertexFvf = 0x352;
// An object's SkinVertex list is walked with 16-bit counters, and its rendered vertices
// are addressed by 16-bit indices: larger objects are refused at load.
inline constexpr std::size_t kMaxObjectVertices = 65535;
inline constexpr std::size_t kMaxRenderedVertices = 65536;

// One distinct (normal, texture pair 0, texture pair 1) combination of a SkinVertex;
// a texture index of -1 means no pair.
struct CornerKey {
    std::int32_t normal;
    std::int32_t t0;
    std::int32_t t1;
};

// The value a normal had after the last skinning, kept between updates.
struct SkinnedNormal {
    Vector3 current;
    Vector3 third;
};

struct BuiltGroup {
    std::vector<emd::Triple> rendered;  // per face: the key number of each corner
    bool alpha = false;                 // drawn in the blended pass
    int indexBuffer = -1;               // VertexBufferPool handle
};

struct BuiltObject {
    emd::MeshObject source;
    std::vector<std::vector<CornerKey>> keys;  // per SkinVertex
    std::vector<std::uint32_t> firstRendered;  // per SkinVertex
    std::uint32_t renderedCount = 0;
    std::vector<BuiltGroup> groups;                   // parallel to source.groups
    std::vector<std::vector<SkinnedNormal>> skinned;  // per SkinVertex, per normal
    int vertexBuffer = -1;  // VertexBufferPool handle, -1 when the object has no buffers
    // Bounds in the model's own space before scaling (valid when the object has vertices).
    float radius = 0.0f;
    Vector3 maximum{}, minimum{}, centre{};
};

// True when a texture file name marks its groups as alpha-blended: the last character is
// 'A', 'a', 's' or 'S' (tga, dds).
bool IsAlphaTextureName(const std::string& name);

// Moves `source` into `out` and builds the corner keys, the rendered numbers, the alpha
// flags and the rest values of the skinned normals. `source` must have passed
// emd::Parse's checks. False when the object exceeds the 16-bit limits above.
bool BuildObject(emd::MeshObject source, const std::vector<emd::Material>& materials,
                 BuiltObject* out);

// Writes the object's renderedCount rest-pose vertices.
void WriteRestVertices(const BuiltObject& object, ModelVertex* out);

// Writes 3 x face count indices of group `group`.
void WriteGroupIndices(const BuiltObject& object, std::size_t group, std::uint16_t* out);

// Object box, centre and radius from the rest positions; nothing when it has no vertices.
void ComputeObjectBounds(BuiltObject* object);

// Skins the object with `bones` (one matrix per bone of the model) into `out`, which holds
// the object's rendered vertices and keeps each value the skinning leaves alone:
// positions are the weighted sum of all influences, a normal follows its first influence
// only, at full weight; a result of exactly zero keeps the vertex's previous position or
// normal. Texture coordinates and colour are not touched.
void SkinObject(BuiltObject* object, const Matrix4* bones, ModelVertex* out);

}  // namespace eh::model
