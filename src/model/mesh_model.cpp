#include "model/mesh_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "media/archive.h"
#include "model/animation.h"

namespace eh::model {
namespace {

D3DCOLORVALUE Colour(const float rgb[3]) {
    return D3DCOLORVALUE{rgb[0], rgb[1], rgb[2], 1.0f};
}

media::TextureRef NamedRef(const std::string& name, const char* folder) {
    media::TextureRef ref = media::EmptyTextureRef();
    std::strncpy(ref.firstName, name.c_str(), sizeof ref.firstName - 1);
    std::strncpy(ref.secondName, folder, sizeof ref.secondName - 1);
    return ref;
}

void Corners(const Vector3& lo, const Vector3& hi, Vector3 out[8]) {
    for (int k = 0; k < 8; ++k) {
        out[k] = Vector3{(k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z};
    }
}

// The buffer to parse: the caller's, or the named file read into `storage`.
bool ObtainBytes(const char* fileName, const std::uint8_t*& data, std::size_t& size,
                 std::vector<std::uint8_t>& storage) {
    if (data != nullptr) return true;
    if (fileName == nullptr || !ReadWholeFile(fileName, &storage)) {
        std::printf("Couldn't open the model file.\n");
        return false;
    }
    data = storage.data();
    size = storage.size();
    return true;
}

}  // namespace

bool ReadWholeFile(const char* fileName, std::vector<std::uint8_t>* bytes) {
    std::FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr) return false;
    std::vector<std::uint8_t> data;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(f) : -1;
    ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(static_cast<std::size_t>(length));
        ok = std::fread(data.data(), 1, data.size(), f) == data.size();
    }
    std::fclose(f);
    if (ok) *bytes = std::move(data);
    return ok;
}

EntryReader MediaArchiveEntries(const char* password) {
    const std::string secret = password ? password : "";
    return [secret](const std::string& name, std::vector<std::uint8_t>* bytes) {
        media::MemoryFile file;
        media::OpenMediaResource(file, media::kMediaArchive);
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        std::string pw = secret;  // the reader wipes the copy it is given
        if (!media::ExtractEntry(&data, &size, name.c_str(), &file, pw.c_str())) return false;
        bytes->assign(data, data + size);
        std::free(data);
        return true;
    };
}

MeshModel::MeshModel(media::VertexBufferPool& pool, media::RenderKit& kit)
    : pool_(&pool), kit_(&kit) {}

void MeshModel::ResetForLoad() {
    rotation_ = scaleMatrix_ = world_ = Matrix4::Identity();
    objects_.clear();
    materials_.clear();
    bones_.clear();
    clips_.clear();
    currentClip_ = 0;
    clipTime_ = 0.0f;
    skinDirty_ = false;
    modelMaximum_ = modelMinimum_ = Vector3{0.0f, 0.0f, 0.0f};
}

HRESULT MeshModel::LoadMesh(const char* fileName, const std::uint8_t* buffer, std::size_t size) {
    ResetForLoad();
    std::vector<std::uint8_t> storage;
    if (!ObtainBytes(fileName, buffer, size, storage)) return E_FAIL;
    emd::File file;
    if (FAILED(emd::Parse(buffer, size, &file))) return E_FAIL;

    // Build every object on the CPU first, so that a refused file creates no buffers.
    std::vector<BuiltObject> built(file.objects.size());
    for (std::size_t i = 0; i < file.objects.size(); ++i) {
        if (!BuildObject(std::move(file.objects[i]), file.materials, &built[i])) return E_FAIL;
    }

    for (const emd::Material& m : file.materials) {
        ModelMaterial mm;
        mm.texture1 = m.texture1;
        mm.texture2 = m.texture2;
        mm.first = NamedRef(m.texture1, kTextureFolder);
        mm.second = NamedRef(m.texture2, kTextureFolder);
        mm.wrapU = m.wrapU;
        mm.wrapV = m.wrapV;
        mm.material.Diffuse = Colour(m.diffuse);
        mm.material.Ambient = Colour(m.ambient);
        mm.material.Specular = Colour(m.specular);
        mm.material.Emissive = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f};
        mm.material.Power = 50.0f;
        materials_.push_back(mm);
    }
    for (const emd::Bone& b : file.bones)
        bones_.push_back(MeshBone{b.name, b.parent, Matrix4::Identity()});

    objects_ = std::move(built);
    std::vector<ModelVertex> vertices;
    std::vector<std::uint16_t> indices;
    for (BuiltObject& o : objects_) {
        if (o.renderedCount == 0) continue;
        pool_->CreateVertexBuffer(&o.vertexBuffer, kModelVertexFvf, o.renderedCount);
        vertices.assign(o.renderedCount, ModelVertex{});
        WriteRestVertices(o, vertices.data());
        pool_->FillVertexBuffer(o.vertexBuffer, vertices.data(),
                                static_cast<UINT>(vertices.size() * sizeof(ModelVertex)));
        for (std::size_t g = 0; g < o.groups.size(); ++g) {
            const std::size_t faces = o.source.groups[g].faceCount();
            if (faces == 0) continue;  // never drawn: no buffer
            o.groups[g].indexBuffer = pool_->CreateIndexBuffer(static_cast<UINT>(3 * faces));
            auto* dst =
                static_cast<std::uint16_t*>(pool_->LockIndexBuffer(o.groups[g].indexBuffer));
            if (dst == nullptr) continue;
            WriteGroupIndices(o, g, dst);
            pool_->UnlockIndexBuffer(o.groups[g].indexBuffer);
        }
    }
    ComputeBounds();
    RebuildScaleMatrix();
    ComposeWorld();
    return S_OK;
}

void MeshModel::LoadTextures(const EntryReader& read) {
    std::vector<std::uint8_t> bytes;
    auto load = [&](const std::string& name, media::TextureRef* ref) {
        if (name.empty() || !read(kTextureFolder + name, &bytes)) return;
        *ref = kit_->CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()),
                                             name.c_str(), kTextureFolder, true);
    };
    for (ModelMaterial& m : materials_) {
        load(m.texture1, &m.first);
        load(m.texture2, &m.second);
    }
}

HRESULT MeshModel::LoadClip(const char* fileName, const std::uint8_t* buffer, std::size_t size) {
    std::vector<std::uint8_t> storage;
    if (!ObtainBytes(fileName, buffer, size, storage)) return E_FAIL;
    esa::Clip clip;
    if (FAILED(esa::Parse(buffer, size, boneCount(), &clip))) return E_FAIL;
    clips_.push_back(std::move(clip));
    clipTime_ = 0.0f;
    return S_OK;
}

void MeshModel::ComputeBounds() {
    bool first = true;
    for (BuiltObject& o : objects_) {
        if (o.source.vertices.empty()) continue;
        ComputeObjectBounds(&o);
        if (first) {
            modelMaximum_ = modelMinimum_ = o.source.vertices[0].position;
            first = false;
        }
        modelMaximum_.x = std::max(modelMaximum_.x, o.maximum.x);
        modelMaximum_.y = std::max(modelMaximum_.y, o.maximum.y);
        modelMaximum_.z = std::max(modelMaximum_.z, o.maximum.z);
        modelMinimum_.x = std::min(modelMinimum_.x, o.minimum.x);
        modelMinimum_.y = std::min(modelMinimum_.y, o.minimum.y);
        modelMinimum_.z = std::min(modelMinimum_.z, o.minimum.z);
    }
}

void MeshModel::RebuildScaleMatrix() {
    const Vector3& lo = modelMinimum_;
    const Vector3& hi = modelMaximum_;
    scaleMatrix_ = Matrix4::Identity();
    scaleMatrix_.m[0] = scale_[0];
    scaleMatrix_.m[5] = scale_[1];
    scaleMatrix_.m[10] = scale_[2];
    scaleMatrix_.m[12] = -(lo.x + (hi.x - lo.x) / 2) * scale_[0];
    scaleMatrix_.m[13] = -(lo.y + (hi.y - lo.y) / 2) * scale_[1];
    scaleMatrix_.m[14] = -(lo.z + (hi.z - lo.z) / 2) * scale_[2];
}

void MeshModel::ComposeWorld() {
    MatrixMultiply(&world_, scaleMatrix_, rotation_);
    world_.m[12] += position_.x;
    world_.m[13] += position_.y;
    world_.m[14] += position_.z;
}

void MeshModel::SetScale(float sx, float sy, float sz) {
    scale_[0] = sx;
    scale_[1] = sy;
    scale_[2] = sz;
    RebuildScaleMatrix();
    ComposeWorld();
}

float MeshModel::FitHeight(float size) {
    const float s = size / (modelMaximum_.y - modelMinimum_.y);
    SetScale(s, s, s);
    return s;
}

void MeshModel::SetRotation(const Matrix4& rotation) {
    rotation_ = rotation;
    rotation_.m[12] = rotation_.m[13] = rotation_.m[14] = 0.0f;
    ComposeWorld();
}

void MeshModel::SetPosition(float x, float y, float z) {
    position_ = Vector3{x, y, z};
    ComposeWorld();
}

void MeshModel::SelectClip(int index) {
    if (index < 0 || index >= clipCount()) return;
    currentClip_ = index;
    clipTime_ = 0.0f;
}

void MeshModel::SetClipTime(float t) {
    clipTime_ = t;
    AdvanceClip(0.0f);
}

void MeshModel::AdvanceClip(float dt) {
    if (bones_.empty() || clips_.empty()) return;
    clipTime_ += dt;
    const float length = ClipLength();
    if (!(length > 0.0f)) {
        clipTime_ = 0.0f;  // nothing to loop over
    } else if (clipTime_ > length) {
        // Whole lengths at once: the same result as repeated subtraction for the times
        // the scene uses, without a loop that a huge dt would make endless.
        clipTime_ = std::fmod(clipTime_, length);
        if (clipTime_ == 0.0f) clipTime_ = length;
    }
    skinDirty_ = true;
}

float MeshModel::ClipLength() const {
    if (clips_.empty()) return 0.0f;
    return static_cast<float>(clips_[static_cast<std::size_t>(currentClip_)].length);
}

float MeshModel::KeySpacing() const {
    if (clips_.empty()) return 0.0f;
    return static_cast<float>(clips_[static_cast<std::size_t>(currentClip_)].keySpacing);
}

void MeshModel::UpdateSkin() {
    boneMatrices_.assign(bones_.size(), Matrix4::Identity());
    if (!clips_.empty()) {
        const esa::Clip& clip = clips_[static_cast<std::size_t>(currentClip_)];
        for (std::size_t b = 0; b < bones_.size(); ++b) {
            if (b < clip.tracks.size()) {
                boneMatrices_[b] = EvaluateBone(clip.tracks[b], clip.keySpacing, clipTime_);
            }
            bones_[b].matrix = boneMatrices_[b];
        }
    }
    for (BuiltObject& o : objects_) {
        if (o.source.vertices.empty() || o.renderedCount == 0) continue;
        auto* out = static_cast<ModelVertex*>(pool_->LockVertexBuffer(o.vertexBuffer));
        if (out == nullptr) continue;
        SkinObject(&o, boneMatrices_.data(), out);
        pool_->UnlockVertexBuffer(o.vertexBuffer);
    }
    skinDirty_ = false;
}

bool MeshModel::ObjectVisible(const BuiltObject& object, const Plane4* planes) const {
    Vector3 corners[8];
    Corners(object.minimum, object.maximum, corners);
    Vector3 lo = TransformCoord(corners[0], world_);
    Vector3 hi = lo;
    for (int k = 1; k < 8; ++k) {
        const Vector3 p = TransformCoord(corners[k], world_);
        lo = Vector3{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = Vector3{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    Corners(lo, hi, corners);
    return BoxInFrustum(corners, planes);
}

void MeshModel::DrawObjectGroups(IDirect3DDevice8* device, const BuiltObject& object, int pass,
                                 int* lastMaterial) {
    for (std::size_t g = 0; g < object.groups.size(); ++g) {
        const BuiltGroup& group = object.groups[g];
        const emd::FaceGroup& source = object.source.groups[g];
        const std::size_t faces = source.faceCount();
        if (faces == 0 || group.alpha != (pass == 1)) continue;
        triangleCount_ = static_cast<std::uint16_t>(triangleCount_ + faces);
        if (texturesOn && source.material != *lastMaterial) {
            if (source.material == -1) {
                device->SetTexture(0, nullptr);
            } else {
                const ModelMaterial& m = materials_[static_cast<std::size_t>(source.material)];
                kit_->SetTexture(0, m.first);
                device->SetTextureStageState(0, D3DTSS_ADDRESSU,
                                             m.wrapU != 0 ? D3DTADDRESS_WRAP : D3DTADDRESS_MIRROR);
                device->SetTextureStageState(0, D3DTSS_ADDRESSV,
                                             m.wrapV != 0 ? D3DTADDRESS_WRAP : D3DTADDRESS_MIRROR);
            }
            *lastMaterial = source.material;
        }
        if (unseen || pool_->indexBuffer(group.indexBuffer) == nullptr) continue;
        pool_->SetIndices(group.indexBuffer);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, object.renderedCount, 0,
                                     static_cast<UINT>(faces));
    }
}

void MeshModel::RenderModel(IDirect3DDevice8* device, const Plane4* frustum) {
    if (device == nullptr) return;
    D3DMATRIX saved;
    device->GetTransform(D3DTS_WORLD, &saved);
    D3DMATRIX world;
    std::memcpy(&world, world_.m, sizeof world);
    device->SetTransform(D3DTS_WORLD, &world);
    int lastMaterial = -2;
    triangleCount_ = 0;

    Plane4 planes[6];
    if (cull && frustum == nullptr) {
        D3DMATRIX view, proj;
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_PROJECTION, &proj);
        Matrix4 v, p;
        std::memcpy(v.m, &view, sizeof v.m);
        std::memcpy(p.m, &proj, sizeof p.m);
        ExtractFrustumPlanes(v, p, planes);
        frustum = planes;
    }

    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0 && blendAll) device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        if (pass == 1) {
            const auto ref = static_cast<DWORD>(alphaReference);
            if (!blendAll) {
                device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
                device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
                device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
                device->SetRenderState(D3DRS_ALPHAREF, ref);
                device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            } else {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
                device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
                device->SetRenderState(D3DRS_ALPHAREF, ref);
            }
        }
        for (const BuiltObject& object : objects_) {
            if (object.source.vertices.empty() || object.renderedCount == 0) continue;
            if (cull && !ObjectVisible(object, frustum)) continue;
            if (skinDirty_) UpdateSkin();
            // An object whose buffer could not be created is not drawn.
            if (pool_->vertexBuffer(object.vertexBuffer) == nullptr) continue;
            pool_->SetStream(0, object.vertexBuffer);
            if (vertexShader != 0) device->SetVertexShader(vertexShader);
            DrawObjectGroups(device, object, pass, &lastMaterial);
        }
        if (pass == 0 && blendAll) device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        if (pass == 1) {
            device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        }
    }
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    device->SetTransform(D3DTS_WORLD, &saved);
}

}  // namespace eh::model
