#include "model/mesh_build.h"

#include <utility>

namespace eh::model {
namespace {

bool IsZero(const Vector3& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

// The corner's pair index in texture block `t`, or -1 when the vertex lacks that channel
// or the group carries no such block.
std::int32_t TextureIndex(const emd::FaceGroup& group, const emd::SkinVertex& vertex, std::size_t t,
                          std::size_t face, int corner) {
    if (vertex.channels.size() <= t || group.textures.size() <= t) return -1;
    return group.textures[t][face][static_cast<std::size_t>(corner)];
}

}  // namespace

bool IsAlphaTextureName(const std::string& name) {
    if (name.empty()) return false;
    const char last = name.back();
    return last == 'A' || last == 'a' || last == 's' || last == 'S';
}

bool BuildObject(emd::MeshObject source, const std::vector<emd::Material>& materials,
                 BuiltObject* out) {
    BuiltObject object;
    object.source = std::move(source);
    const auto& vertices = object.source.vertices;
    if (vertices.size() > kMaxObjectVertices) return false;
    object.keys.resize(vertices.size());
    object.skinned.resize(vertices.size());
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        for (const emd::SkinNormal& n : vertices[v].normals) {
            object.skinned[v].push_back(
                SkinnedNormal{n.rest, Cross(Vector3{0.0f, 1.0f, 1.0f}, n.rest)});
        }
    }

    object.groups.resize(object.source.groups.size());
    for (std::size_t g = 0; g < object.source.groups.size(); ++g) {
        const emd::FaceGroup& group = object.source.groups[g];
        BuiltGroup& built = object.groups[g];
        built.alpha =
            group.material != -1 &&
            IsAlphaTextureName(materials[static_cast<std::size_t>(group.material)].texture1);
        built.rendered.resize(group.faceCount());
        for (std::size_t face = 0; face < group.faceCount(); ++face) {
            for (int k = 0; k < 3; ++k) {
                const auto v = static_cast<std::size_t>(group.positions[face][k]);
                const CornerKey key{group.normals[face][k],
                                    TextureIndex(group, vertices[v], 0, face, k),
                                    TextureIndex(group, vertices[v], 1, face, k)};
                std::vector<CornerKey>& list = object.keys[v];
                std::size_t j = 0;
                while (j < list.size() && !(list[j].normal == key.normal && list[j].t0 == key.t0 &&
                                            list[j].t1 == key.t1)) {
                    ++j;
                }
                if (j == list.size()) list.push_back(key);
                built.rendered[face][static_cast<std::size_t>(k)] = static_cast<std::int32_t>(j);
            }
        }
    }

    std::size_t running = 0;
    object.firstRendered.resize(vertices.size());
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        object.firstRendered[v] = static_cast<std::uint32_t>(running);
        running += object.keys[v].size();
    }
    if (running > kMaxRenderedVertices) return false;
    object.renderedCount = static_cast<std::uint32_t>(running);
    *out = std::move(object);
    return true;
}

void WriteRestVertices(const BuiltObject& object, ModelVertex* out) {
    const auto& vertices = object.source.vertices;
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        const emd::SkinVertex& vertex = vertices[v];
        ModelVertex* dst = out + object.firstRendered[v];
        for (const CornerKey& key : object.keys[v]) {
            ModelVertex mv{};
            mv.position = vertex.position;
            mv.normal = vertex.normals[static_cast<std::size_t>(key.normal)].rest;
            mv.diffuse = 0xFFFFFFFFu;
            if (key.t0 >= 0) {
                const emd::TexturePair& p = vertex.channels[0][static_cast<std::size_t>(key.t0)];
                mv.u0 = p.u;
                mv.v0 = p.v;
            }
            if (key.t1 >= 0) {
                const emd::TexturePair& p = vertex.channels[1][static_cast<std::size_t>(key.t1)];
                mv.u1 = p.u;
                mv.v1 = p.v;
            }
            mv.third = Cross(Vector3{0.0f, 1.0f, 1.0f}, mv.normal);
            *dst++ = mv;
        }
    }
}

void WriteGroupIndices(const BuiltObject& object, std::size_t group, std::uint16_t* out) {
    const emd::FaceGroup& source = object.source.groups[group];
    const BuiltGroup& built = object.groups[group];
    for (std::size_t face = 0; face < source.faceCount(); ++face) {
        for (std::size_t k = 0; k < 3; ++k) {
            const auto v = static_cast<std::size_t>(source.positions[face][k]);
            *out++ = static_cast<std::uint16_t>(
                object.firstRendered[v] + static_cast<std::uint32_t>(built.rendered[face][k]));
        }
    }
}

void ComputeObjectBounds(BuiltObject* object) {
    const auto& vertices = object->source.vertices;
    if (vertices.empty()) return;
    Vector3 maximum = vertices[0].position;
    Vector3 minimum = maximum;
    for (const emd::SkinVertex& v : vertices) {
        const Vector3& p = v.position;
        if (p.x > maximum.x) maximum.x = p.x;
        if (p.y > maximum.y) maximum.y = p.y;
        if (p.z > maximum.z) maximum.z = p.z;
        if (p.x < minimum.x) minimum.x = p.x;
        if (p.y < minimum.y) minimum.y = p.y;
        if (p.z < minimum.z) minimum.z = p.z;
    }
    object->maximum = maximum;
    object->minimum = minimum;
    object->centre = Add(Scale(0.5f, Subtract(maximum, minimum)), minimum);
    object->radius = Length(Subtract(maximum, object->centre));
}

// Entry: `bones` holds one matrix per bone index any influence names (emd::Parse checked
// the indices against the bone table), `out` the object's renderedCount vertices.
// On return: positions, normals and third sets rewritten where the skinned value is not
// exactly zero; the per-normal skinned values updated.
void SkinObject(BuiltObject* object, const Matrix4* bones, ModelVertex* out) {
    const auto& vertices = object->source.vertices;
    std::uint32_t r = 0;
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        const emd::SkinVertex& vertex = vertices[v];
        Vector3 p{0.0f, 0.0f, 0.0f};
        for (const emd::BoneInfluence& inf : vertex.influences) {
            const Vector3 t = TransformCoord(inf.offset, bones[inf.bone]);
            p = Add(p, Scale(inf.weight, t));
        }
        std::vector<SkinnedNormal>& skinned = object->skinned[v];
        for (std::size_t n = 0; n < vertex.normals.size(); ++n) {
            Vector3 current{0.0f, 0.0f, 0.0f};
            const auto& influences = vertex.normals[n].influences;
            if (!influences.empty()) {
                const emd::BoneInfluence& first = influences.front();
                current = Add(current, TransformNormal(first.offset, bones[first.bone]));
            }
            skinned[n].current = current;
            skinned[n].third = Cross(Vector3{-1.0f, 0.0f, 0.0f}, current);
        }
        const bool movePosition = !IsZero(p);
        for (const CornerKey& key : object->keys[v]) {
            ModelVertex& dst = out[r];
            if (movePosition) dst.position = p;
            const SkinnedNormal& n = skinned[static_cast<std::size_t>(key.normal)];
            if (!IsZero(n.current)) {
                dst.normal = n.current;
                dst.third = n.third;
            }
            ++r;
        }
    }
}

}  // namespace eh::model
