#include "model/emd_format.h"

#include <cstring>

#include "model/byte_io.h"

namespace eh::model::emd {
namespace {

using detail::ByteReader;
using detail::ByteWriter;

// Smallest possible records, used to refuse counts the remaining bytes cannot hold
// before anything is allocated for them.
constexpr std::size_t kMinMaterial = 48 + 1 + 1;  // fixed part and two empty strings
constexpr std::size_t kMinBone = 1 + 4;
constexpr std::size_t kMinObject = 1 + 4 + 4;
constexpr std::size_t kInfluenceSize = 20;
constexpr std::size_t kMinVertex = 12 + 4 + 4 + 4;
constexpr std::size_t kMinGroup = 4 + 4 + 4;
constexpr std::size_t kTripleSize = 12;

std::int32_t CountOrZero(std::int32_t n) {
    return n > 0 ? n : 0;
}

Vector3 ReadVector(ByteReader& r) {
    Vector3 v;
    v.x = r.F32();
    v.y = r.F32();
    v.z = r.F32();
    return v;
}

bool ReadInfluences(ByteReader& r, std::int32_t count, std::vector<BoneInfluence>* out) {
    if (!r.Fits(count, kInfluenceSize)) return false;
    out->resize(static_cast<std::size_t>(count));
    for (BoneInfluence& inf : *out) {
        inf.bone = r.I32();
        inf.weight = r.F32();
        inf.offset = ReadVector(r);
    }
    return r.ok();
}

bool ReadVertex(ByteReader& r, SkinVertex* v) {
    v->position = ReadVector(r);
    const std::int32_t k = CountOrZero(r.I32());
    if (!ReadInfluences(r, k, &v->influences)) return false;

    const std::int32_t normalCount = CountOrZero(r.I32());
    const std::size_t normalSize = 12 + static_cast<std::size_t>(k) * kInfluenceSize;
    if (!r.Fits(normalCount, normalSize)) return false;
    v->normals.resize(static_cast<std::size_t>(normalCount));
    for (SkinNormal& n : v->normals) {
        n.rest = ReadVector(r);
        if (!ReadInfluences(r, k, &n.influences)) return false;
    }

    const std::int32_t channelCount = CountOrZero(r.I32());
    if (channelCount > kMaxTextureChannels || !r.Fits(channelCount, 4)) return false;
    v->channels.resize(static_cast<std::size_t>(channelCount));
    for (auto& channel : v->channels) {
        const std::int32_t pairs = CountOrZero(r.I32());
        if (!r.Fits(pairs, 8)) return false;
        channel.resize(static_cast<std::size_t>(pairs));
        for (TexturePair& p : channel) {
            p.u = r.F32();
            p.v = r.F32();
        }
    }
    return r.ok();
}

bool ReadTriples(ByteReader& r, std::size_t count, std::vector<Triple>* out) {
    out->resize(count);
    for (Triple& t : *out) {
        t[0] = r.I32();
        t[1] = r.I32();
        t[2] = r.I32();
    }
    return r.ok();
}

bool ReadGroup(ByteReader& r, FaceGroup* g) {
    g->material = r.I32();
    const std::int32_t faces = CountOrZero(r.I32());
    if (!r.Fits(faces, 2 * kTripleSize)) return false;
    const auto f = static_cast<std::size_t>(faces);
    if (!ReadTriples(r, f, &g->positions) || !ReadTriples(r, f, &g->normals)) return false;
    const std::int32_t blocks = CountOrZero(r.I32());
    if (blocks > kMaxTextureChannels || !r.Fits(blocks, f * kTripleSize)) return false;
    g->textures.resize(static_cast<std::size_t>(blocks));
    for (auto& block : g->textures) {
        if (!ReadTriples(r, f, &block)) return false;
    }
    return r.ok();
}

bool ReadObject(ByteReader& r, MeshObject* o) {
    o->name = r.String(kMaxName);
    const std::int32_t vertexCount = CountOrZero(r.I32());
    if (!r.Fits(vertexCount, kMinVertex)) return false;
    o->vertices.resize(static_cast<std::size_t>(vertexCount));
    for (SkinVertex& v : o->vertices) {
        if (!ReadVertex(r, &v)) return false;
    }
    const std::int32_t groupCount = CountOrZero(r.I32());
    if (!r.Fits(groupCount, kMinGroup)) return false;
    o->groups.resize(static_cast<std::size_t>(groupCount));
    for (FaceGroup& g : o->groups) {
        if (!ReadGroup(r, &g)) return false;
    }
    return r.ok();
}

bool InRange(std::int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

// Index checks shared by the parser and the writer.
bool IndicesValid(const File& file) {
    const std::size_t boneCount = file.bones.size();
    for (const MeshObject& o : file.objects) {
        for (const SkinVertex& v : o.vertices) {
            if (v.channels.size() > static_cast<std::size_t>(kMaxTextureChannels)) return false;
            for (const BoneInfluence& inf : v.influences) {
                if (!InRange(inf.bone, boneCount)) return false;
            }
            for (const SkinNormal& n : v.normals) {
                if (n.influences.size() != v.influences.size()) return false;
                for (const BoneInfluence& inf : n.influences) {
                    if (!InRange(inf.bone, boneCount)) return false;
                }
            }
        }
        for (const FaceGroup& g : o.groups) {
            if (g.material != -1 && !InRange(g.material, file.materials.size())) return false;
            const std::size_t f = g.faceCount();
            if (g.normals.size() != f) return false;
            if (g.textures.size() > static_cast<std::size_t>(kMaxTextureChannels)) return false;
            for (const auto& block : g.textures) {
                if (block.size() != f) return false;
            }
            for (std::size_t face = 0; face < f; ++face) {
                for (int k = 0; k < 3; ++k) {
                    const std::int32_t vi = g.positions[face][k];
                    if (!InRange(vi, o.vertices.size())) return false;
                    const SkinVertex& v = o.vertices[static_cast<std::size_t>(vi)];
                    if (!InRange(g.normals[face][k], v.normals.size())) return false;
                    // Only the first two sets are ever looked up, and only for a vertex
                    // that has the channel; a group without the block reads as no pair.
                    for (std::size_t t = 0; t < 2 && t < g.textures.size(); ++t) {
                        if (t < v.channels.size() &&
                            !InRange(g.textures[t][face][k], v.channels[t].size())) {
                            return false;
                        }
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace

HRESULT Parse(const std::uint8_t* data, std::size_t size, File* out) {
    if (data == nullptr || size < kHeaderSize || std::memcmp(data, kMagic, 4) != 0) return E_FAIL;
    ByteReader r(data, size);
    r.Seek(4);
    if (r.U16() != kVersion) return E_FAIL;

    File file;
    const std::uint16_t materialCount = r.U16();
    file.headerSpare = r.U16();
    if (!r.Fits(materialCount, kMinMaterial)) return E_FAIL;
    file.materials.resize(materialCount);
    for (Material& m : file.materials) {
        for (float& c : m.ambient) c = r.F32();
        for (float& c : m.diffuse) c = r.F32();
        for (float& c : m.specular) c = r.F32();
        m.unread = r.I32();
        m.wrapU = r.I32();
        m.wrapV = r.I32();
        m.texture1 = r.String(kMaxTextureName);
        m.texture2 = r.String(kMaxTextureName);
        if (!r.ok()) return E_FAIL;
    }

    const std::int32_t boneCount = CountOrZero(r.I32());
    if (!r.Fits(boneCount, kMinBone)) return E_FAIL;
    file.bones.resize(static_cast<std::size_t>(boneCount));
    for (Bone& b : file.bones) {
        b.name = r.String(kMaxName);
        b.parent = r.I32();
        if (!r.ok()) return E_FAIL;
    }

    std::int32_t objectCount = CountOrZero(r.I32());
    if (objectCount > kMaxObjects) objectCount = kMaxObjects;
    if (!r.Fits(objectCount, kMinObject)) return E_FAIL;
    file.objects.resize(static_cast<std::size_t>(objectCount));
    for (MeshObject& o : file.objects) {
        if (!ReadObject(r, &o)) return E_FAIL;
    }
    if (!r.ok() || !IndicesValid(file)) return E_FAIL;
    *out = std::move(file);
    return S_OK;
}

HRESULT Write(const File& file, std::vector<std::uint8_t>* out) {
    if (file.materials.size() > 0xFFFF || file.objects.size() > kMaxObjects) return E_INVALIDARG;
    for (const Material& m : file.materials) {
        if (m.texture1.size() > kMaxTextureName || m.texture2.size() > kMaxTextureName) {
            return E_INVALIDARG;
        }
    }
    for (const Bone& b : file.bones) {
        if (b.name.size() > kMaxName) return E_INVALIDARG;
    }
    for (const MeshObject& o : file.objects) {
        if (o.name.size() > kMaxName) return E_INVALIDARG;
    }
    if (!IndicesValid(file)) return E_INVALIDARG;

    ByteWriter w;
    w.Bytes(kMagic, 4);
    w.U16(kVersion);
    w.U16(static_cast<std::uint16_t>(file.materials.size()));
    w.U16(file.headerSpare);
    for (const Material& m : file.materials) {
        for (float c : m.ambient) w.F32(c);
        for (float c : m.diffuse) w.F32(c);
        for (float c : m.specular) w.F32(c);
        w.I32(m.unread);
        w.I32(m.wrapU);
        w.I32(m.wrapV);
        w.String(m.texture1);
        w.String(m.texture2);
    }
    w.I32(static_cast<std::int32_t>(file.bones.size()));
    for (const Bone& b : file.bones) {
        w.String(b.name);
        w.I32(b.parent);
    }
    auto writeInfluences = [&w](const std::vector<BoneInfluence>& list) {
        for (const BoneInfluence& inf : list) {
            w.I32(inf.bone);
            w.F32(inf.weight);
            w.F32(inf.offset.x);
            w.F32(inf.offset.y);
            w.F32(inf.offset.z);
        }
    };
    auto writeTriples = [&w](const std::vector<Triple>& list) {
        for (const Triple& t : list) {
            for (std::int32_t i : t) w.I32(i);
        }
    };
    w.I32(static_cast<std::int32_t>(file.objects.size()));
    for (const MeshObject& o : file.objects) {
        w.String(o.name);
        w.I32(static_cast<std::int32_t>(o.vertices.size()));
        for (const SkinVertex& v : o.vertices) {
            w.F32(v.position.x);
            w.F32(v.position.y);
            w.F32(v.position.z);
            w.I32(static_cast<std::int32_t>(v.influences.size()));
            writeInfluences(v.influences);
            w.I32(static_cast<std::int32_t>(v.normals.size()));
            for (const SkinNormal& n : v.normals) {
                w.F32(n.rest.x);
                w.F32(n.rest.y);
                w.F32(n.rest.z);
                writeInfluences(n.influences);
            }
            w.I32(static_cast<std::int32_t>(v.channels.size()));
            for (const auto& channel : v.channels) {
                w.I32(static_cast<std::int32_t>(channel.size()));
                for (const TexturePair& p : channel) {
                    w.F32(p.u);
                    w.F32(p.v);
                }
            }
        }
        w.I32(static_cast<std::int32_t>(o.groups.size()));
        for (const FaceGroup& g : o.groups) {
            w.I32(g.material);
            w.I32(static_cast<std::int32_t>(g.faceCount()));
            writeTriples(g.positions);
            writeTriples(g.normals);
            w.I32(static_cast<std::int32_t>(g.textures.size()));
            for (const auto& block : g.textures) writeTriples(block);
        }
    }
    *out = w.Take();
    return S_OK;
}

}  // namespace eh::model::emd
