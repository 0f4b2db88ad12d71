#include "scene/billboards.h"


#include "d3dx/d3dx8.h"
#include "platform/os/crt_random.h"

namespace eh::scene {

namespace {

constexpr float kPi = 3.14159265f;

}  // namespace

const DWORD BillboardSet::kDeclaration[7] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),   // corner offset
    D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3),     // anchor
    D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR),  // colour
    D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT2),  // corner uv
    D3DVSD_REG(D3DVSDE_TEXCOORD1, D3DVSDT_FLOAT2),  // size, sway
    D3DVSD_END(),
};

BillboardSet::BillboardSet(media::VertexBufferPool& pool, media::RenderKit& kit)
    : pool_(&pool), kit_(&kit) {
    // (x, y, u, v) of the six corners: two triangles over the quad.
    constexpr float m = kInset;
    const float corners[6][4] = {
        {-1.0f, -1.5f, m, 1.0f - m},       {-1.0f, 0.5f, m, m},
        {1.0f, -1.5f, 1.0f - m, 1.0f - m}, {1.0f, 0.5f, 1.0f - m, m},
        {1.0f, -1.5f, 1.0f - m, 1.0f - m}, {-1.0f, 0.5f, m, m},
    };
    for (std::size_t i = 0; i < corners_.size(); ++i) {
        corners_[i] = ClothVertex{{corners[i][0], corners[i][1], 0.0f},
                                  {0.0f, 0.0f, 1.0f},
                                  0xFFFFFFFFu,
                                  corners[i][2],
                                  corners[i][3]};
    }
}

void BillboardSet::Load(const void* bytes, std::size_t size) {
    records_.clear();
    const std::vector<model::billboard::Record> stored =
        model::billboard::Parse(static_cast<const std::uint8_t*>(bytes), size);
    records_.reserve(stored.size());
    for (const model::billboard::Record& r : stored) {
        BillboardRecord rec{r};
        rec.spare[0] = os::RandomUnit() * 100.0f + 15.0f;
        rec.spare[1] = os::RandomUnit() * 15.0f + 10.0f;
        records_.push_back(rec);
    }
}

void BillboardSet::CreateBuffer(int kind) {
    if (kind < 0 || kind >= kKinds) return;
    pool_->CreateVertexBuffer(&kinds[static_cast<std::size_t>(kind)].buffer,
                              media::VertexBufferPool::kFvfModel, kMaxVertices);
}

void BillboardSet::CreateShader(IDirect3DDevice8* device, const void* text, UINT size) {
    shader_ = CreateShaderFromText(device, text, size, kDeclaration);
}

std::uint32_t BillboardSet::ColorOfKind(std::int32_t kind) {
    if (kind == 7 || kind == 9) return 0x64FFFFFFu;
    if (kind >= 0 && kind <= 3) return 0x46FFFFFFu;
    return 0xFFFFFFFFu;
}

void BillboardSet::FillBuffers() {
    for (int k = 0; k < kKinds; ++k) {
        Kind& kind = kinds[static_cast<std::size_t>(k)];
        kind.triangleCount = 0;
        auto* out = static_cast<BillboardVertex*>(pool_->LockVertexBuffer(kind.buffer));
        if (out == nullptr) continue;
        int placed = 0;
        for (const BillboardRecord& rec : records_) {
            if (rec.kind != k) continue;
            if (placed == kMaxPerKind) break;  // the buffer's room
            const float sway =
                rec.size > kSmallSize ? kLargeSway : os::RandomUnit() * 0.25f + 0.75f;
            for (const ClothVertex& c : corners_) {
                BillboardVertex v{};
                v.corner = c.position;
                v.anchor = rec.anchor;
                v.color = ColorOfKind(rec.kind);
                v.u = c.u;
                v.v = c.v;
                v.size = rec.size;
                v.sway = sway;
                *out++ = v;
            }
            ++placed;
        }
        pool_->UnlockVertexBuffer(kind.buffer);
        kind.triangleCount = 2 * placed;
    }
}

void BillboardSet::Draw(IDirect3DDevice8* device, float windTime) {
    if (device == nullptr || shader_ == 0) return;
    if (frameCounter_ == 0) FillBuffers();

    D3DXMATRIX view, projection, viewProjection, transposed;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixTranspose(&transposed, &viewProjection);
    D3DXMATRIX rotation = view;
    rotation._41 = rotation._42 = rotation._43 = 0.0f;

    SetConstant(device, 0, 0.0f, 0.5f, 1.0f, 2.0f);
    SetConstant(device, 1, windTime * 1.65f, 0.0f, 0.0f, 0.0f);
    device->SetVertexShaderConstant(4, &transposed, 4);
    SetConstant(device, 20, 1.0f, -0.5f, 0.041f, -0.001388f);  // cosine series
    SetConstant(device, 21, kPi, 1.0f / (2.0f * kPi), 2.0f * kPi, 10.5f);
    SetConstant(device, 22, 5.0f, 1.0f, 2.0f, 0.75f);
    SetConstant(device, 23, 0.15f, 0.25f, 7.0f, 0.75f);
    SetConstant(device, 24, 1.0f, -1.0f / 6.0f, 1.0f / 120.0f, -1.0f / 5040.0f);  // sine series
    device->SetVertexShaderConstant(26, &rotation, 4);

    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const Kind& kind = kinds[k];
        if (kind.triangleCount <= 0) continue;
        pool_->SetStream(0, kind.buffer);
        device->SetVertexShader(shader_);
        kit_->SetTexture(0, texture[k]);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(kind.triangleCount));
    }
    if (frameCounter_ < kCountedFrames) ++frameCounter_;
}

}  // namespace eh::scene
