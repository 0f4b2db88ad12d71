#include "model/terrain.h"

#include <cmath>
#include <cstring>

#include "model/terrain_format.h"

namespace eh::model {
namespace {

// Truncates v to an int in [0, hi]; NaN gives 0.
int ClampIndex(float v, int hi) {
    if (!(v >= 0.0f)) return 0;
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<int>(v);
}

Matrix4 FromD3D(const D3DMATRIX& d) {
    Matrix4 m;
    std::memcpy(m.m, &d, sizeof m.m);
    return m;
}

}  // namespace

Terrain::Terrain(media::RenderKit& kit) : kit_(&kit) {}
Terrain::~Terrain() {
    ReleaseBuffers();
}

void Terrain::ReleaseBuffers() {
    for (TerrainLayer& l : layers_) {
        if (l.solidBuffer != nullptr) l.solidBuffer->Release();
        if (l.blendBuffer != nullptr) l.blendBuffer->Release();
        l.solidBuffer = l.blendBuffer = nullptr;
        l.solidCount = l.blendCount = 0;
    }
}

IDirect3DVertexBuffer8* Terrain::Upload(IDirect3DDevice8* device,
                                        const std::vector<TerrainVertex>& v) {
    if (v.empty()) return nullptr;
    const std::size_t bytes = v.size() * sizeof(TerrainVertex);
    if (bytes > 0xFFFFFFFFu) return nullptr;
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(bytes), D3DUSAGE_WRITEONLY,
                                          kTerrainVertexFvf, D3DPOOL_MANAGED, &buffer))) {
        return nullptr;
    }
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0))) {
        buffer->Release();
        return nullptr;
    }
    std::memcpy(data, v.data(), bytes);
    buffer->Unlock();
    return buffer;
}

HRESULT Terrain::LoadTerrain(IDirect3DDevice8* device, const char* fileName,
                             const std::uint8_t* buffer, std::size_t size) {
    std::vector<std::uint8_t> storage;
    if (buffer == nullptr) {
        if (fileName == nullptr || !ReadWholeFile(fileName, &storage)) return E_FAIL;
        buffer = storage.data();
        size = storage.size();
    }
    terrain::File file;
    if (FAILED(terrain::Parse(buffer, size, &file))) return E_FAIL;

    ReleaseBuffers();
    texturePeriod = 3;
    layers_.assign(file.textureNames.size() + 1, TerrainLayer{});
    layers_[0].textureName = kBaseTexture;
    for (std::size_t i = 0; i < file.textureNames.size(); ++i) {
        layers_[i + 1].textureName = file.textureNames[i];
    }
    width_ = file.width;
    depth_ = file.depth;
    columns_ = file.columns;
    rows_ = file.rows;
    cellWidth_ = width_ / static_cast<float>(columns_ - 1);
    cellDepth_ = depth_ / static_cast<float>(rows_ - 1);
    grid_.resize(file.points.size());
    std::vector<GridPoint> points(file.points.size());
    for (std::size_t i = 0; i < file.points.size(); ++i) {
        const terrain::PointRecord& p = file.points[i];
        grid_[i] = TerrainPoint{p.layer, p.position.x, p.position.y, p.position.z, 0, 255};
        points[i] = GridPoint{p.layer, p.position, 255};
    }

    if (device == nullptr) return S_OK;
    const GridView view{points.data(), columns_, rows_};
    const std::vector<LayerTriangles> lists =
        BuildTerrainTriangles(view, layerCount(), uniformDiagonals, texturePeriod);
    for (std::size_t l = 0; l < layers_.size(); ++l) {
        TerrainLayer& layer = layers_[l];
        layer.solidBuffer = Upload(device, lists[l].solid);
        layer.solidCount = layer.solidBuffer ? static_cast<int>(lists[l].solid.size() / 3) : 0;
        layer.blendBuffer = Upload(device, lists[l].blend);
        layer.blendCount = layer.blendBuffer ? static_cast<int>(lists[l].blend.size() / 3) : 0;
    }
    return S_OK;
}

void Terrain::LoadTerrainTextures(const EntryReader& read) {
    std::vector<std::uint8_t> bytes;
    for (TerrainLayer& layer : layers_) {
        if (!read(kTextureFolder + layer.textureName, &bytes)) continue;
        layer.texture =
            kit_->CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()),
                                          layer.textureName.c_str(), kTextureFolder, false);
    }
}

void Terrain::RenderTerrain(IDirect3DDevice8* device) {
    if (device == nullptr) return;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetVertexShader(kTerrainVertexFvf);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    for (const TerrainLayer& layer : layers_) {
        if (layer.solidCount == 0) continue;
        device->SetStreamSource(0, layer.solidBuffer, sizeof(TerrainVertex));
        if (layerCount() == 1)
            device->SetTexture(0, nullptr);
        else
            kit_->SetTexture(0, layer.texture);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(layer.solidCount));
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (const TerrainLayer& layer : layers_) {
        if (layer.blendCount == 0) continue;
        device->SetStreamSource(0, layer.blendBuffer, sizeof(TerrainVertex));
        kit_->SetTexture(0, layer.texture);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(layer.blendCount));
    }

    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    D3DMATRIX world, view;
    device->GetTransform(D3DTS_WORLD, &world);
    device->GetTransform(D3DTS_VIEW, &view);
    Matrix4 m;
    MatrixMultiply(&m, FromD3D(world), FromD3D(view));
    // 0.47123889 rad = 27 degrees, half the horizontal field of view.
    const float k = 1.0f / std::tan(0.47123889f);
    for (TerrainPoint& p : grid_) {
        const Vector3 v = TransformCoord(Vector3{p.x, p.y, p.z}, m);
        const float reach = std::fabs(v.z * k) + 1.0f;
        p.viewFlag =
            std::fabs(v.x) < reach && std::fabs(v.y) < reach && v.z > 0.0f && v.z < 180.0f ? 1 : 0;
    }
}

void Terrain::HeightAt(float x, float* y, float z, int level) const {
    if (grid_.empty()) return;
    // The cell's far corners are read at c + 1 and r + 1, so the last usable cell is
    // columns - 2, rows - 2.
    const int c = ClampIndex((width_ / 2 + x) / cellWidth_, columns_ - 2);
    const int r = ClampIndex((depth_ / 2 - z) / cellDepth_, rows_ - 2);
    const float x0 = static_cast<float>(c) * cellWidth_ - width_ / 2;
    const float z0 = depth_ / 2 - static_cast<float>(r) * cellDepth_;
    const TerrainPoint& p1 = point(c, r);
    const TerrainPoint& p3 = point(c + 1, r + 1);
    const TerrainPoint& p2 = (x0 - x) + z0 <= z ? point(c + 1, r) : point(c, r + 1);

    const float r1[4] = {p1.x, p1.y, p1.z, 0}, r2[4] = {p2.x, p2.y, p2.z, 0},
                r3[4] = {p3.x, p3.y, p3.z, 0};
    const float d = Determinant3(r1, r2, r3);
    auto replaced = [&](int column) {
        float a[4] = {r1[0], r1[1], r1[2], 0}, b[4] = {r2[0], r2[1], r2[2], 0},
              cc[4] = {r3[0], r3[1], r3[2], 0};
        a[column] = b[column] = cc[column] = 1.0f;
        return Determinant3(a, b, cc);
    };
    const float lift = static_cast<float>(level + 1);
    if (std::fabs(d) > 0.0001f) {
        const float dx = replaced(0), dy = replaced(1), dz = replaced(2);
        *y = lift * 0.075f + (1.0f - (dx / d) * x - (dz / d) * z) / (dy / d);
    } else {
        *y = lift * 0.085f + p1.y;
    }
}

}  // namespace eh::model
