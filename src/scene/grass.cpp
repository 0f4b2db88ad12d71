#include "scene/grass.h"

#include <algorithm>
#include <cstring>

#include "d3dx/d3dx8.h"
#include "platform/os/crt_random.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

namespace {

constexpr float kPi = 3.14159265f;
// Patch positions are stored in units of a quarter world unit; the draw matrix scales by
// this to bring them back.
constexpr float kStoredScale = 0.25f;

// One quad of a tuft (x, y, z, u, v); v = 1 at the foot, 0.01 at the tip.
struct TemplateCorner {
    float x, y, z, u, v;
};
constexpr TemplateCorner kTuftQuad[6] = {
    {-35, 0, 0, 1, 1}, {35, 0, 0, 0.01f, 1},      {35, 35, 0, 0.01f, 0.01f},
    {-35, 0, 0, 1, 1}, {35, 35, 0, 0.01f, 0.01f}, {-35, 35, 0, 1, 0.01f},
};

}  // namespace

const DWORD GrassField::kDeclaration[4] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
    D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT3),  // u, v, alpha
    D3DVSD_END(),
};

void GrassPatch::Corners(model::Vector3 out[8]) const {
    for (int i = 0; i < 8; ++i) {
        out[i] =
            model::Vector3{(i & 1) ? maxX : minX, (i & 2) ? maxY : minY, (i & 4) ? maxZ : minZ};
    }
}

GrassField::GrassField(media::VertexBufferPool& /*pool*/, media::RenderKit& kit) : kit_(&kit) {}

GrassField::~GrassField() {
    Release();
}

void GrassField::Release() {
    for (GrassPatch& patch : patches_) {
        if (patch.buffer != nullptr) patch.buffer->Release();
        patch.buffer = nullptr;
        patch.triangleCount = 0;
    }
}

void GrassField::BuildGrid(const model::Terrain& terrain) {
    columns_ = terrain.columns();
    rows_ = terrain.rows();
    grid_.assign(terrain.grid().size(), GrassCell{});
    if (columns_ <= 0 || rows_ <= 0 ||
        grid_.size() != static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {
        columns_ = rows_ = 0;
        grid_.clear();
        return;
    }
    for (std::size_t i = 0; i < grid_.size(); ++i) {
        const model::TerrainPoint& p = terrain.grid()[i];
        grid_[i].position = model::Vector3{p.x, p.y, p.z};
    }
    for (const Meadow& m : kMeadows) {
        const int lowColumn = std::min(m.minColumn, columns_ - 1);
        for (int i = 0; i <= m.lastRing; ++i) {
            const float ring = static_cast<float>(i);
            for (int j = 0; j < 360; ++j) {
                const float a = model::Radians(static_cast<float>(j));
                // Truncation toward zero, as the grid has always been stamped.
                int c = m.column + static_cast<int>(ring * model::sin(a) + 0.5f);
                int r = m.row + static_cast<int>(ring * model::cos(a) + 0.5f);
                c = std::clamp(c, lowColumn, columns_ - 1);
                r = std::clamp(r, 0, rows_ - 1);
                GrassCell& cell = grid_[static_cast<std::size_t>(r) * columns_ + c];
                cell.tufts = std::max(6 - i, 1);
                cell.alpha = static_cast<float>(12 - i) / 12.0f;
            }
        }
    }
}

void GrassField::Build(IDirect3DDevice8* device, const model::Terrain& terrain,
                       const void* shaderText, UINT shaderSize) {
    BuildGrid(terrain);
    BuildPatches(device, terrain);
    CreateShader(device, shaderText, shaderSize);
}

void GrassField::Build(IDirect3DDevice8* device, const model::Terrain& terrain,
                       const model::EntryReader& read) {
    std::vector<std::uint8_t> text;
    if (!read || !read(kShaderEntry, &text)) text.clear();
    Build(device, terrain, text.data(), static_cast<UINT>(text.size()));
}

void GrassField::BuildPatches(IDirect3DDevice8* device, const model::Terrain& terrain) {
    Release();
    patches_.clear();
    const float width = terrain.width(), depth = terrain.depth();
    for (int j = 0; j < kPatchesPerSide; ++j) {
        for (int k = 0; k < kPatchesPerSide; ++k) {
            GrassPatch patch;
            patch.minX = -width / 2 + width / 4 * static_cast<float>(j);
            patch.maxX = -width / 2 + width / 4 * static_cast<float>(j + 1);
            patch.minZ = -depth / 2 + depth / 4 * static_cast<float>(k);
            patch.maxZ = -depth / 2 + depth / 4 * static_cast<float>(k + 1);
            patches_.push_back(std::move(patch));
        }
    }

    // Scatter: cells column by column, each tuft within 0.55 cell depths of its point.
    const float reach = terrain.cellDepth() * 0.55f;
    for (int c = 0; c < columns_; ++c) {
        for (int r = 0; r < rows_; ++r) {
            const GrassCell& cell = this->cell(c, r);
            for (int t = 0; t < cell.tufts; ++t) {
                const float radius = os::RandomUnit() * reach;
                const float phi = model::Radians(os::RandomUnit() * 360.0f);
                const float x = cell.position.x + model::cos(phi) * radius;
                const float z = cell.position.z + model::sin(phi) * radius;
                float y = cell.position.y;
                terrain.HeightAt(x, &y, z, 0);
                for (GrassPatch& patch : patches_) {
                    if (!patch.Contains(x, z)) continue;
                    if (patch.tufts.empty()) {
                        patch.minY = patch.maxY = y;
                    } else {
                        patch.minY = std::min(patch.minY, y);
                        patch.maxY = std::max(patch.maxY, y);
                    }
                    patch.tufts.push_back(GrassTuft{model::Vector3{x, y, z}, cell.alpha});
                    break;
                }
            }
        }
    }

    for (GrassPatch& patch : patches_) {
        if (!patch.tufts.empty()) FillPatch(device, patch);
    }
}

void GrassField::FillPatch(IDirect3DDevice8* device, GrassPatch& patch) {
    // The vertices are made first, so the random sequence advances the same way whether or
    // not the device gives a buffer.
    std::vector<GrassVertex> vertices;
    vertices.reserve(patch.tufts.size() * kVerticesPerTuft);
    for (const GrassTuft& tuft : patch.tufts) {
        const float s = (os::RandomUnit() - 0.5f) / 2.0f + 2.0f;  // 1.75 to 2.25
        const float h = os::RandomUnit() * 0.2f + 0.8f;
        for (float turn : {0.0f, kPi / 2.0f}) {
            D3DXMATRIX rotation, scaling, m;
            D3DXMatrixRotationY(&rotation, turn);
            D3DXMatrixScaling(&scaling, s, 2.25f * s, s);
            D3DXMatrixMultiply(&m, &rotation, &scaling);
            m._41 = tuft.position.x / kStoredScale;
            m._42 = tuft.position.y / kStoredScale;
            m._43 = tuft.position.z / kStoredScale;
            for (const TemplateCorner& c : kTuftQuad) {
                const D3DXVECTOR3 in(c.x, h * c.y, c.z);
                D3DXVECTOR3 out;
                D3DXVec3TransformCoord(&out, &in, &m);
                vertices.push_back(GrassVertex{{out.x, out.y, out.z}, c.u, c.v, tuft.alpha});
            }
        }
    }
    if (device == nullptr) return;
    const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(GrassVertex));
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED,
                                          &buffer)) ||
        buffer == nullptr) {
        return;
    }
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        buffer->Release();
        return;
    }
    std::memcpy(data, vertices.data(), bytes);
    buffer->Unlock();
    patch.buffer = buffer;
    patch.triangleCount = static_cast<int>(patch.tufts.size()) * 4;
}

void GrassField::CreateShader(IDirect3DDevice8* device, const void* text, UINT size) {
    shader_ = CreateShaderFromText(device, text, size, kDeclaration);
}

void GrassField::Draw(IDirect3DDevice8* device, float fade, float windTime,
                      const model::Plane4 planes[6]) {
    drawnPatches_ = 0;
    if (device == nullptr || shader_ == 0) return;
    // A fragment's alpha is the texture's times the tuft's times the fade, so never above
    // the fade. As the scene darkens the fade sinks below the alpha reference, and from
    // then on an alpha test that needs at least the reference throws away every fragment:
    // the states are still set, but the tufts are not sent.
    DWORD alphaFunc = D3DCMP_ALWAYS;
    device->GetRenderState(D3DRS_ALPHAFUNC, &alphaFunc);
    const bool allDiscarded =
        (alphaFunc == D3DCMP_GREATEREQUAL || alphaFunc == D3DCMP_GREATER ||
         alphaFunc == D3DCMP_EQUAL) &&
        fade * 255.0f < static_cast<float>(kAlphaReference) - 1.0f;

    D3DXMATRIX world, view, projection, worldView, all, transposed;
    D3DXMatrixScaling(&world, kStoredScale, kStoredScale, kStoredScale);
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&all, &worldView, &projection);
    D3DXMatrixTranspose(&transposed, &all);

    SetConstant(device, 0, 0.0f, 0.5f, 1.0f, 2.0f);
    SetConstant(device, 1, windTime, 0.0f, 0.0f, 0.0f);
    device->SetVertexShaderConstant(4, &transposed, 4);
    SetConstant(device, 8, -0.16161616f, 0.0083333f, -0.00019841f, 0.0000027557f);  // sine
    SetConstant(device, 10, 1.07f, 0.0f, 0.0f, 0.0f);
    SetConstant(device, 11, 4.0f, 4.0f, 0.0f, 2.5f);
    SetConstant(device, 12, -2.0f, -1.33f, -2.33f, -1.0f);
    SetConstant(device, 13, 1.0f, 2.0f, 3.0f, 3.0f);
    SetConstant(device, 14, -0.006f, -0.012f, 0.024f, 0.048f);
    SetConstant(device, 15, -0.003f, -0.006f, -0.012f, -0.048f);
    SetConstant(device, 16, 0.105f, 0.21f, 0.245f, 0.35f);
    SetConstant(device, 17, 4.0f, kPi / 2.0f, kPi, 2.0f * kPi);
    SetConstant(device, 18, 0.35f, 0.1f, 0.1f, 0.03f);
    SetConstant(device, 19, 0.6f, 0.7f, 0.2f, 0.0f);
    SetConstant(device, 20, fade, 0.0f, 0.2f, 0.0f);

    device->SetRenderState(D3DRS_ALPHAREF, kAlphaReference);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    kit_->SetTexture(0, texture);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetVertexShader(shader_);

    for (const GrassPatch& patch : patches_) {
        if (allDiscarded) break;
        if (patch.buffer == nullptr || patch.triangleCount <= 0) continue;
        if (planes != nullptr) {
            model::Vector3 corners[8];
            patch.Corners(corners);
            if (!model::BoxInFrustum(corners, planes)) continue;
        }
        device->SetStreamSource(0, patch.buffer, kStride);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(patch.triangleCount));
        ++drawnPatches_;
    }

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

}  // namespace eh::scene
