// The EMD mesh file: on-disk layout, its parser and its writer (one source of truth for
// the loaders and the media generator).
//
// Layout (little-endian, packed; int = signed 32-bit, string = bytes ended by one zero):
//   "emd\0"  u16 version (0x0300)  u16 material count  u16 (not read)
//   material records   { 3 floats ambient, 3 diffuse, 3 specular, int (not read),
//                        int wrapU, int wrapV, string texture1, string texture2 }
//   int bone count     { string name, int parent }
//   int object count   { string name, int vertex count, SkinVertex[], int group count,
//                        FaceGroup[] }            (objects past kMaxObjects are ignored)
//   SkinVertex = 3 floats position, int K, K influences, int normal count,
//                { 3 floats normal, K influences }[], int channel count, { int P, P (u,v) }[]
//   influence  = int bone, float weight, 3 floats offset (20 bytes)
//   FaceGroup  = int material (-1 none), int F, F position triples, F normal triples,
//                int C, C blocks of F texture triples
// Counts of zero or less mean that no records follow.
//
// The parser checks every count against the bytes left, every name against its field,
// and every index against the list it selects from; anything else is a damaged file and
// is refused (E_FAIL) without reading outside the buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/math.h"
#include "platform/os/win32_types.h"

namespace eh::model::emd {

inline constexpr char kMagic[4] = {'e', 'm', 'd', '\0'};
inline constexpr std::uint16_t kVersion = 0x0300;
// Offset of the first material record: magic 4 + version 2 + count 2 + 2 unread bytes.
inline constexpr std::size_t kHeaderSize = 10;
inline constexpr int kMaxObjects = 9950;
inline constexpr std::size_t kMaxTextureName = 127;  // bytes before the zero (128-byte field)
inline constexpr std::size_t kMaxName = 63;          // bone and object names (64-byte field)
// Texture coordinate sets per vertex or face group. Direct3D 8 has eight; only the first
// two are rendered. Larger counts are refused as damage.
inline constexpr int kMaxTextureChannels = 8;

struct BoneInfluence {
    std::int32_t bone = 0;  // index into the bone table
    float weight = 0.0f;
    Vector3 offset{};  // the position (or normal) in that bone's space
};

struct SkinNormal {
    Vector3 rest{};
    std::vector<BoneInfluence> influences;  // as many as the vertex has
};

struct TexturePair {
    float u = 0.0f, v = 0.0f;
};

struct SkinVertex {
    Vector3 position{};  // rest position
    std::vector<BoneInfluence> influences;
    std::vector<SkinNormal> normals;
    std::vector<std::vector<TexturePair>> channels;
};

using Triple = std::array<std::int32_t, 3>;

struct FaceGroup {
    std::int32_t material = -1;     // -1: no material and no texture
    std::vector<Triple> positions;  // per face: SkinVertex index of each corner
    std::vector<Triple> normals;    // per face: normal index within the corner's vertex
    // textures[k][face]: pair index within channel k of the corner's vertex.
    std::vector<std::vector<Triple>> textures;

    std::size_t faceCount() const { return positions.size(); }
};

struct MeshObject {
    std::string name;
    std::vector<SkinVertex> vertices;
    std::vector<FaceGroup> groups;
};

struct Material {
    float ambient[3] = {};
    float diffuse[3] = {};
    float specular[3] = {};
    std::int32_t unread = 0;  // bytes 36..39 of the record; kept only to round-trip
    std::int32_t wrapU = 1;   // 0: mirrored addressing, otherwise wrapping
    std::int32_t wrapV = 1;
    std::string texture1;  // file name without folder
    std::string texture2;  // may be empty
};

struct Bone {
    std::string name;
    std::int32_t parent = -1;  // stored, unused by rendering and skinning
};

struct File {
    std::uint16_t headerSpare = 0;  // bytes 8..9, not read by the loader
    std::vector<Material> materials;
    std::vector<Bone> bones;
    std::vector<MeshObject> objects;
};

// Parses a whole EMD file. E_FAIL for a wrong magic or version or any damage; S_OK with
// `out` filled otherwise (`out` is unspecified after a failure).
HRESULT Parse(const std::uint8_t* data, std::size_t size, File* out);

// Serialises `file`. E_INVALIDARG (and `out` untouched) when the file breaks a limit of the
// format: a name too long, more than 65535 materials or kMaxObjects objects, group lists
// of different lengths, or an index the parser would refuse.
HRESULT Write(const File& file, std::vector<std::uint8_t>* out);

}  // namespace eh::model::emd
