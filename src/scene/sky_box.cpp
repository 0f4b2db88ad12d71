#include "scene/sky_box.h"

#include <cstring>
#include <string>

namespace eh::scene {

namespace {

// How one face lies on the box, seen from inside: the point at face parameters (a, b) in
// [-1, 1] is centre + a * right + b * down, with a along the image's columns and b along
// its rows.
struct FaceFrame {
    model::Vector3 centre, right, down, normal;
};

constexpr float kW = SkyBox::kHalfWidth;
constexpr float kH = SkyBox::kHalfHeight;

// In drawing order: front, back, left, right, top, bottom.
constexpr FaceFrame kFrames[6] = {
    {{0, 0, kW}, {kW, 0, 0}, {0, -kH, 0}, {0, 0, -1}},   // front, z = +S
    {{0, 0, -kW}, {-kW, 0, 0}, {0, -kH, 0}, {0, 0, 1}},  // back, z = -S
    {{-kW, 0, 0}, {0, 0, kW}, {0, -kH, 0}, {1, 0, 0}},   // left, x = -S
    {{kW, 0, 0}, {0, 0, -kW}, {0, -kH, 0}, {-1, 0, 0}},  // right, x = +S
    {{0, kH, 0}, {kW, 0, 0}, {0, 0, kW}, {0, -1, 0}},    // top, y = +750
    {{0, -kH, 0}, {kW, 0, 0}, {0, 0, -kW}, {0, -1, 0}},  // bottom, y = -750
};

// The face records drawn from vertices 0, 6, 12, 18, 24 and 30.
constexpr SkyBox::Face kDrawOrder[6] = {SkyBox::kFront, SkyBox::kBack, SkyBox::kLeft,
                                        SkyBox::kRight, SkyBox::kTop,  SkyBox::kBottom};

ClothVertex FaceVertex(const FaceFrame& f, float a, float b) {
    ClothVertex v;
    v.position = {f.centre.x + a * f.right.x + b * f.down.x,
                  f.centre.y + a * f.right.y + b * f.down.y,
                  f.centre.z + a * f.right.z + b * f.down.z};
    v.normal = f.normal;
    v.color = 0xFFFFFFFFu;
    // a = -1 maps to the inset, a = +1 to 1 - inset.
    v.u = a < 0 ? SkyBox::kUvInset : 1.0f - SkyBox::kUvInset;
    v.v = b < 0 ? SkyBox::kUvInset : 1.0f - SkyBox::kUvInset;
    return v;
}

}  // namespace

const char* const SkyBox::kFaceFiles[kFaceCount] = {
    "Texture/mpcarentan_dn.jpg", "Texture/mpcarentan_up.jpg", "Texture/mpcarentan_ft.jpg",
    "Texture/mpcarentan_lf.jpg", "Texture/mpcarentan_rt.jpg", "Texture/mpcarentan_bk.jpg",
};

SkyBox::SkyBox(media::VertexBufferPool& pool, media::RenderKit& kit) : pool_(&pool), kit_(&kit) {
    faces.fill(media::EmptyTextureRef());
}

std::array<ClothVertex, SkyBox::kVertexCount> SkyBox::BuildVertices() {
    std::array<ClothVertex, kVertexCount> out{};
    for (int face = 0; face < 6; ++face) {
        const FaceFrame& f = kFrames[face];
        // Image corners: top-left, top-right, bottom-right, bottom-left. Top-left ->
        // top-right -> bottom-right turns clockwise on screen when the face is seen from
        // inside, so the base CCW culling keeps both triangles.
        const ClothVertex tl = FaceVertex(f, -1, -1), tr = FaceVertex(f, 1, -1),
                          br = FaceVertex(f, 1, 1), bl = FaceVertex(f, -1, 1);
        ClothVertex* v = &out[static_cast<std::size_t>(face) * 6];
        v[0] = tl;
        v[1] = tr;
        v[2] = br;
        v[3] = tl;
        v[4] = br;
        v[5] = bl;
    }
    return out;
}

void SkyBox::Setup() {
    pool_->CreateVertexBuffer(&buffer_, media::VertexBufferPool::kFvfColoured, kVertexCount);
    const std::array<ClothVertex, kVertexCount> vertices = BuildVertices();
    pool_->FillVertexBuffer(buffer_, vertices.data(), sizeof vertices);
    faceSetCount = 1;
    for (int f = 0; f < kFaceCount; ++f) SetFaceFile(static_cast<Face>(f), kFaceFiles[f]);
}

void SkyBox::SetFaceFile(Face face, const char* fileName) {
    if (face < 0 || face >= kFaceCount || fileName == nullptr) return;
    media::TextureRef& ref = faces[static_cast<std::size_t>(face)];
    std::strncpy(ref.firstName, fileName, sizeof ref.firstName - 1);
    ref.firstName[sizeof ref.firstName - 1] = '\0';
}

void SkyBox::Load(const model::EntryReader& read) {
    if (!read) return;
    for (Face face : kDrawOrder) {
        media::TextureRef& ref = faces[static_cast<std::size_t>(face)];
        const std::string name(ref.firstName);
        if (name.empty()) continue;
        std::vector<std::uint8_t> bytes;
        if (!read(name, &bytes)) continue;
        ref = kit_->CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()),
                                            name.c_str(), "", true);
    }
}

void SkyBox::Draw(IDirect3DDevice8* device, int faceSet) {
    if (device == nullptr || faceSet < 0 || faceSet >= faceSetCount || faceSet >= kMaxFaceSets)
        return;
    if (pool_->vertexBuffer(buffer_) == nullptr) return;

    D3DMATRIX view;
    device->GetTransform(D3DTS_VIEW, &view);
    D3DMATRIX centred = view;
    centred._41 = 0.0f;
    centred._42 = 0.0f;
    centred._43 = 0.0f;
    centred._44 = 1.0f;
    device->SetTransform(D3DTS_VIEW, &centred);

    // Clamped addressing while the faces are drawn: with the scene's wrapping, a face's
    // edge pixels blend in texels of its opposite edge (the inset is under half a texel on
    // a 512-texel face, and less still in the smaller mip levels), which draws a line
    // along every seam. The caller's modes are put back afterwards.
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    device->GetTextureStageState(0, D3DTSS_ADDRESSU, &addressU);
    device->GetTextureStageState(0, D3DTSS_ADDRESSV, &addressV);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);

    pool_->SetStream(0, buffer_);
    for (int i = 0; i < 6; ++i) {
        kit_->SetTexture(0, faces[static_cast<std::size_t>(kDrawOrder[i])]);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(i * 6), 2);
    }

    device->SetTextureStageState(0, D3DTSS_ADDRESSU, addressU);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, addressV);
    device->SetTransform(D3DTS_VIEW, &view);
}

}  // namespace eh::scene
