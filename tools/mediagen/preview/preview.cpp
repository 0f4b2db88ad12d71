// mediagen-preview ARCHIVE OUTDIR: turntable pictures of every model in a media archive,
// drawn headless by the product's own loaders and model renderer on the Direct3D 8 layer.
//
// For each mesh it writes OUTDIR/<name>.png: four views 90° apart around the model (rest
// pose), and for the animated models a second row at moments of their clips, lit like the
// scene (two directional lights, the scene's material) over a grey backdrop.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/archive.h"
#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "model/mesh_model.h"
#include "platform/d3d8/d3d8.h"
#include "platform/os/window.h"

namespace {

using eh::model::Matrix4;
using eh::model::Vector3;

constexpr int kCell = 256;

struct Subject {
    const char* mesh;
    std::vector<const char*> clips;
    std::vector<float> clipTimes;  // ms, one picture each in the second row (clip 0 … n)
};

const Subject kSubjects[] = {
    {"Meshes/Horse.emd",
     {"Meshes/horse_loop.ESA", "Meshes/horse_leg.ESA", "Meshes/horse_head.ESA", "Meshes/horse_tailhl_loop.ESA"},
     {1000.0f, 500.0f, 1933.0f, 500.0f}},
    {"Meshes/Crow.emd", {"Meshes/Crow1.esa", "Meshes/Crow2.esa", "Meshes/Crow6.esa", "Meshes/Crow3.esa"},
     {5000.0f, 1500.0f, 6000.0f, 3000.0f}},
    {"Meshes/Sword.emd", {}, {}},
    {"Meshes/Ribbon.emd", {}, {}},
    {"Meshes/SpotLight.emd", {}, {}},
    {"Meshes/oak.emd", {}, {}},
};

bool writePng(const std::string& path, const std::vector<std::uint32_t>& argb, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(static_cast<std::size_t>(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::uint32_t p = argb[static_cast<std::size_t>(y) * w + x];
                row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
                row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
                row[x * 3 + 2] = static_cast<png_byte>(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return ok;
}

void setupLights(IDirect3DDevice8* device) {
    D3DMATERIAL8 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {0.85f, 0.85f, 0.85f, 1};
    material.Specular = {0.8f, 0.8f, 0.8f, 1};
    material.Power = 25.0f;
    device->SetMaterial(&material);
    auto light = [&](DWORD index, float r, float g, float b, float azimuthDeg) {
        D3DLIGHT8 l{};
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Diffuse = {r, g, b, 0};
        l.Ambient = {0.15f, 0.15f, 0.15f, 0};
        const float a = eh::model::Radians(azimuthDeg), e = eh::model::Radians(20.0f);
        l.Direction = {-std::cos(a) * std::cos(e), -std::sin(e), -std::sin(a) * std::cos(e)};
        device->SetLight(index, &l);
        device->LightEnable(index, TRUE);
    };
    light(0, 0.6f, 0.6f, 0.6f, 225.0f);
    light(1, 0.55f, 0.55f, 0.45f, 25.0f);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF606060);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    Matrix4 proj = Matrix4::Identity();
    const float fov = 0.8f, nearZ = 0.1f, farZ = 100.0f;
    proj.at(0, 0) = proj.at(1, 1) = 1.0f / std::tan(fov / 2);
    proj.at(2, 2) = farZ / (farZ - nearZ);
    proj.at(2, 3) = 1.0f;
    proj.at(3, 2) = -nearZ * farZ / (farZ - nearZ);
    proj.at(3, 3) = 0.0f;
    device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX*>(&proj));
}

// Draws `model` seen from `angleDeg` around it into the back buffer and returns the pixels.
std::vector<std::uint32_t> view(IDirect3DDevice8* device, eh::model::MeshModel& model,
                                float angleDeg) {
    // Fit into a box about 2 units high at the origin; the camera circles at a distance
    // that frames the model's widest extent.
    Vector3 lo = model.modelMinimum(), hi = model.modelMaximum();
    float scale = model.FitHeight(2.0f);
    Vector3 size{(hi.x - lo.x) * scale, (hi.y - lo.y) * scale, (hi.z - lo.z) * scale};
    Vector3 centre{(hi.x + lo.x) * 0.5f * scale, (hi.y + lo.y) * 0.5f * scale, (hi.z + lo.z) * 0.5f * scale};
    model.SetRotation(Matrix4::Identity());
    model.SetPosition(-centre.x, -centre.y, -centre.z);
    float extent = std::fmax(size.x, std::fmax(size.y, size.z));
    float distance = extent * 1.45f + 0.5f;
    float a = eh::model::Radians(angleDeg);
    Vector3 eye{std::cos(a) * distance, distance * 0.35f, std::sin(a) * distance};
    Matrix4 viewM;
    eh::model::BuildViewMatrix(&viewM, eye, Vector3{0, 0, 0}, Vector3{0, 1, 0});
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX*>(&viewM));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF8A939C, 1.0f, 0);
    device->BeginScene();
    model.blendAll = false;
    model.RenderModel(device, nullptr);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kCell) * kCell);
    IDirect3DSurface8* surface = nullptr;
    if (SUCCEEDED(device->CreateImageSurface(kCell, kCell, D3DFMT_A8R8G8B8, &surface))) {
        if (SUCCEEDED(device->GetFrontBuffer(surface))) {
            D3DLOCKED_RECT locked;
            if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                for (int y = 0; y < kCell; ++y)
                    std::memcpy(&pixels[static_cast<std::size_t>(y) * kCell],
                                static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                                kCell * 4);
                surface->UnlockRect();
            }
        }
        surface->Release();
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mediagen-preview ARCHIVE OUTDIR\n");
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> archive((std::istreambuf_iterator<char>(in)), {});
    if (archive.empty()) {
        std::fprintf(stderr, "mediagen-preview: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string outDir = argv[2];
    eh::model::EntryReader read = [&](const std::string& name, std::vector<std::uint8_t>* bytes) {
        eh::media::MemoryFile file{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        if (eh::media::ExtractEntry(&data, &size, name.c_str(), &file, nullptr) != 1) return false;
        bytes->assign(data, data + size);
        std::free(data);
        return true;
    };

    HWND window = eh::os::CreateOffscreenWindow(kCell, kCell);
    IDirect3D8* d3d = window ? Direct3DCreate8(D3D_SDK_VERSION) : nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = kCell;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                         &pp, &device))) {
        std::fprintf(stderr, "mediagen-preview: no Direct3D device\n");
        return 1;
    }
    eh::media::VertexBufferPool pool;
    pool.Init(device, window);
    eh::media::RenderKit kit;
    kit.Init(d3d, device, D3DFMT_X8R8G8B8, window);
    setupLights(device);

    int failures = 0;
    for (const Subject& subject : kSubjects) {
        eh::model::MeshModel model(pool, kit);
        std::vector<std::uint8_t> bytes;
        if (!read(subject.mesh, &bytes) ||
            FAILED(model.LoadMesh(subject.mesh, bytes.data(), bytes.size()))) {
            std::fprintf(stderr, "mediagen-preview: %s does not load\n", subject.mesh);
            ++failures;
            continue;
        }
        model.LoadTextures(read);
        for (const char* clip : subject.clips) {
            if (read(clip, &bytes)) model.LoadClip(clip, bytes.data(), bytes.size());
        }
        const int rows = subject.clips.empty() ? 1 : 2;
        const int width = kCell * 4, height = kCell * rows;
        std::vector<std::uint32_t> sheet(static_cast<std::size_t>(width) * height);
        auto paste = [&](const std::vector<std::uint32_t>& cell, int cx, int cy) {
            for (int y = 0; y < kCell; ++y)
                std::memcpy(&sheet[static_cast<std::size_t>(cy * kCell + y) * width + cx * kCell],
                            &cell[static_cast<std::size_t>(y) * kCell], kCell * 4);
        };
        if (model.clipCount() > 0) {
            model.SelectClip(0);
            model.SetClipTime(0.0f);
        }
        for (int i = 0; i < 4; ++i) paste(view(device, model, 30.0f + 90.0f * i), i, 0);
        for (std::size_t c = 0; rows == 2 && c < subject.clips.size() && c < 4; ++c) {
            model.SelectClip(static_cast<int>(c));
            model.SetClipTime(subject.clipTimes[c]);
            paste(view(device, model, 300.0f), static_cast<int>(c), 1);
        }
        std::string name = subject.mesh;
        name = name.substr(name.find('/') + 1);
        name = name.substr(0, name.find('.'));
        std::string path = outDir + "/" + name + ".png";
        if (!writePng(path, sheet, width, height)) {
            std::fprintf(stderr, "mediagen-preview: cannot write %s\n", path.c_str());
            ++failures;
        } else {
            std::printf("%s: %zu objects, %d bones, %d clips -> %s\n", subject.mesh,
                        model.objects().size(), model.boneCount(), model.clipCount(), path.c_str());
        }
    }
    kit.ReleaseAll();
    pool.ReleaseAll();
    device->Release();
    d3d->Release();
    eh::os::DestroyOffscreenWindow(window);
    return failures == 0 ? 0 : 1;
}
