// mediagen-preview ARCHIVE OUTDIR: turntable pictures of every model in a media archive,
// drawn headless by the product's own loaders and model renderer on the Direct3D 8 layer.
//
// For each mesh it writes OUTDIR/<name>.png: four views 90° apart around the model (rest
// pose), and for the animated models a second row at moments of their clips, lit like the
// scene (two directional lights, the scene's material) over a grey backdrop.
//
// mediagen-preview --review ARCHIVE OUTDIR: close-ups of the horse and the crows at the
// distances the scene's camera really passes them (see review() and README.md).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
#include "scene/scene.h"

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
     {"Meshes/horse_loop.ESA", "Meshes/horse_leg.ESA", "Meshes/horse_head.ESA",
      "Meshes/horse_tailhl_loop.ESA"},
     {1000.0f, 500.0f, 1933.0f, 500.0f}},
    {"Meshes/Crow.emd",
     {"Meshes/Crow1.esa", "Meshes/Crow2.esa", "Meshes/Crow6.esa", "Meshes/Crow3.esa"},
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

// Reads the front buffer's top-left w x h pixels (0xAARRGGBB, row 0 at the top).
std::vector<std::uint32_t> readFront(IDirect3DDevice8* device, int w, int h) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    IDirect3DSurface8* surface = nullptr;
    if (SUCCEEDED(device->CreateImageSurface(w, h, D3DFMT_A8R8G8B8, &surface))) {
        if (SUCCEEDED(device->GetFrontBuffer(surface))) {
            D3DLOCKED_RECT locked;
            if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                for (int y = 0; y < h; ++y)
                    std::memcpy(&pixels[static_cast<std::size_t>(y) * w],
                                static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                                static_cast<std::size_t>(w) * 4);
                surface->UnlockRect();
            }
        }
        surface->Release();
    }
    return pixels;
}

// Draws `model` as seen from `eye` looking at `at` and returns the top-left width x height
// pixels of the frame.
std::vector<std::uint32_t> shoot(IDirect3DDevice8* device, eh::model::MeshModel& model,
                                 const Vector3& eye, const Vector3& at, int width, int height) {
    Matrix4 viewM;
    eh::model::BuildViewMatrix(&viewM, eye, at, Vector3{0, 1, 0});
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX*>(&viewM));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF8A939C, 1.0f, 0);
    device->BeginScene();
    model.blendAll = false;
    model.RenderModel(device, nullptr);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return readFront(device, width, height);
}

// Draws `model` seen from `angleDeg` around it into the back buffer and returns the pixels.
std::vector<std::uint32_t> view(IDirect3DDevice8* device, eh::model::MeshModel& model,
                                float angleDeg) {
    // Fit into a box about 2 units high at the origin; the camera circles at a distance
    // that frames the model's widest extent.
    Vector3 lo = model.modelMinimum(), hi = model.modelMaximum();
    float scale = model.FitHeight(2.0f);
    Vector3 size{(hi.x - lo.x) * scale, (hi.y - lo.y) * scale, (hi.z - lo.z) * scale};
    Vector3 centre{(hi.x + lo.x) * 0.5f * scale, (hi.y + lo.y) * 0.5f * scale,
                   (hi.z + lo.z) * 0.5f * scale};
    model.SetRotation(Matrix4::Identity());
    model.SetPosition(-centre.x, -centre.y, -centre.z);
    float extent = std::fmax(size.x, std::fmax(size.y, size.z));
    float distance = extent * 1.45f + 0.5f;
    float a = eh::model::Radians(angleDeg);
    Vector3 eye{std::cos(a) * distance, distance * 0.35f, std::sin(a) * distance};
    return shoot(device, model, eye, Vector3{0, 0, 0}, kCell, kCell);
}

// ---------------------------------------------------------------------------------------
// --review: close-ups at the distances the scene's camera really comes to the creatures.

constexpr int kReviewW = 320, kReviewH = 240;  // the scene's 4:3 at a sheet-friendly size
constexpr std::uint32_t kReviewSeed = 5;       // the recordings' seed (README, screenshots)
constexpr float kReviewFps = 30.0f;
constexpr float kReviewSeconds = 300.0f;  // a whole playlist at the seed above
// Half the scene's vertical field of view less a margin: "in view" means the creature is
// near the middle of the picture, not merely somewhere off its edge.
constexpr float kInViewDeg = 20.0f;

// The scene's placements and clip orders (scene/scene.cpp).
constexpr Vector3 kHorsePosition{-422.248f, 79.8004f, 7.354f};
constexpr Vector3 kSwordPosition{222.475f, 60.8652f, 62.9201f};
const char* const kHorseClips[] = {"Meshes/horse_loop.ESA",      "Meshes/horse_tail.ESA",
                                   "Meshes/horse_leg.ESA",       "Meshes/horse_head.ESA",
                                   "Meshes/horse_tailhl_in.ESA", "Meshes/horse_tailhl_loop.ESA",
                                   "Meshes/horse_tailhl_out.ESA"};
const char* const kCrowClips[] = {"Meshes/Crow1.esa", "Meshes/Crow2.esa", "Meshes/Crow3.esa",
                                  "Meshes/Crow4.esa", "Meshes/Crow5.esa", "Meshes/Crow6.esa"};

std::string clipLabel(const char* entry) {
    std::string name = entry;
    name = name.substr(name.find('/') + 1);
    return name.substr(0, name.find('.'));
}

// The scene's projection (54° x 44°) with a far plane that keeps distant views whole.
void setSceneProjection(IDirect3DDevice8* device) {
    Matrix4 proj = Matrix4::Identity();
    const float nearZ = 0.5f, farZ = 5000.0f;
    proj.at(0, 0) = 1.0f / std::tan(0.9424778f / 2.0f);
    proj.at(1, 1) = 1.0f / std::tan(0.7679449f / 2.0f);
    proj.at(2, 2) = farZ / (farZ - nearZ);
    proj.at(2, 3) = 1.0f;
    proj.at(3, 2) = -nearZ * farZ / (farZ - nearZ);
    proj.at(3, 3) = 0.0f;
    device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX*>(&proj));
}

// Bone origins of the current pose in world space: where the animated parts really are.
std::vector<Vector3> boneOrigins(eh::model::MeshModel& model) {
    model.UpdateSkin();
    std::vector<Vector3> out;
    for (const auto& bone : model.bones()) {
        Vector3 local{bone.matrix.m[12], bone.matrix.m[13], bone.matrix.m[14]};
        out.push_back(eh::model::TransformCoord(local, model.world()));
    }
    return out;
}

Vector3 boxCentre(const eh::model::MeshModel& model) {
    Vector3 lo = model.modelMinimum(), hi = model.modelMaximum();
    Vector3 c{(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
    return eh::model::TransformCoord(c, model.world());
}

// The point of `points` nearest their mean: a bird, where the mean may be empty sky.
Vector3 nearestToMean(const std::vector<Vector3>& points) {
    Vector3 mean{0, 0, 0};
    for (const Vector3& p : points) mean = eh::model::Add(mean, p);
    if (points.empty()) return mean;
    mean = eh::model::Scale(1.0f / static_cast<float>(points.size()), mean);
    Vector3 best = points[0];
    for (const Vector3& p : points)
        if (eh::model::Length(eh::model::Subtract(p, mean)) <
            eh::model::Length(eh::model::Subtract(best, mean)))
            best = p;
    return best;
}

struct Closest {
    float ms = -1.0f;
    float distance = 1e9f;
    Vector3 eye{};
    Vector3 focus{};
    std::vector<float> inView;  // every distance at which it was in view
};

float angleBetweenDeg(const Vector3& a, const Vector3& b) {
    float la = eh::model::Length(a), lb = eh::model::Length(b);
    if (la <= 0.0f || lb <= 0.0f) return 180.0f;
    float c = eh::model::Dot(a, b) / (la * lb);
    c = std::fmax(-1.0f, std::fmin(1.0f, c));
    return std::acos(c) / eh::model::kRadiansPerDegree;
}

void consider(Closest& best, float ms, const Vector3& eye, const Vector3& look, const Vector3& p) {
    Vector3 to = eh::model::Subtract(p, eye);
    if (angleBetweenDeg(look, to) > kInViewDeg) return;
    float d = eh::model::Length(to);
    best.inView.push_back(d);
    if (d < best.distance) best = Closest{ms, d, eye, p, std::move(best.inView)};
}

float median(std::vector<float> v) {
    if (v.empty()) return 0.0f;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Draws `model` from `eye` looking at `at` into a kReviewW x kReviewH cell.

// The eye at `distance` from `at`, at azimuth `azDeg` (0 = +x, 90 = +z) and `elevDeg`.
Vector3 orbit(const Vector3& at, float distance, float azDeg, float elevDeg) {
    float a = eh::model::Radians(azDeg), e = eh::model::Radians(elevDeg);
    return Vector3{at.x + std::cos(a) * std::cos(e) * distance, at.y + std::sin(e) * distance,
                   at.z + std::sin(a) * std::cos(e) * distance};
}

void directionOf(const Vector3& eye, const Vector3& at, float* azDeg, float* elevDeg) {
    Vector3 d = eh::model::Subtract(eye, at);
    *azDeg = std::atan2(d.z, d.x) / eh::model::kRadiansPerDegree;
    *elevDeg =
        std::asin(d.y / std::fmax(eh::model::Length(d), 1e-3f)) / eh::model::kRadiansPerDegree;
}

bool loadPlaced(eh::model::MeshModel& model, const eh::model::EntryReader& read, const char* mesh,
                float fit, const Matrix4& rotation, const Vector3& position,
                const char* const* clips, std::size_t clipCount) {
    std::vector<std::uint8_t> bytes;
    if (!read(mesh, &bytes) || FAILED(model.LoadMesh(mesh, bytes.data(), bytes.size()))) {
        std::fprintf(stderr, "mediagen-preview: %s does not load\n", mesh);
        return false;
    }
    model.LoadTextures(read);
    model.FitHeight(fit);
    model.SetRotation(rotation);
    model.SetPosition(position.x, position.y, position.z);
    for (std::size_t i = 0; i < clipCount; ++i) {
        if (!read(clips[i], &bytes) ||
            FAILED(model.LoadClip(clips[i], bytes.data(), bytes.size()))) {
            std::fprintf(stderr, "mediagen-preview: %s does not load\n", clips[i]);
            return false;
        }
    }
    model.cull = false;
    return true;
}

int review(IDirect3DDevice8* device, eh::media::VertexBufferPool& pool, eh::media::RenderKit& kit,
           const eh::model::EntryReader& read, const std::string& outDir) {
    const std::string cells = outDir + "/cells";
    std::filesystem::create_directories(cells);
    eh::model::MeshModel horse(pool, kit), crows(pool, kit);
    if (!loadPlaced(horse, read, "Meshes/Horse.emd", 92.0f,
                    eh::model::YawRotation(0.0078537f, 0.99997f), kHorsePosition, kHorseClips,
                    std::size(kHorseClips)) ||
        !loadPlaced(crows, read, "Meshes/Crow.emd", 164.8f,
                    eh::model::YawRotation(-0.98643f, 0.164187f), kSwordPosition, kCrowClips,
                    std::size(kCrowClips)))
        return 1;
    horse.SelectClip(0);
    horse.SetClipTime(0.0f);
    const Vector3 horseCentre = boxCentre(horse);

    // The scene as a recording runs it (same seed, same set-up order, same steps), without
    // drawing: where its camera is, where it looks, and where the flying crows are.
    Closest nearHorse, nearFlock;
    {
        eh::scene::Scene scene(pool, kit, nullptr);
        scene.SetSeed(kReviewSeed);
        scene.SetEntryReader(read);
        scene.InitDeviceState(device);
        scene.LoadScene(device, D3DFMT_X8R8G8B8, D3DFMT_D24X8);
        scene.BuildFirstHorseSequence();
        const float step = 1000.0f / kReviewFps;
        const int steps = static_cast<int>(kReviewSeconds * kReviewFps);
        for (int i = 0; i < steps; ++i) {
            scene.FrameMove(nullptr, step);
            // Frame i of a recording is drawn after step i + 1 of the clock.
            const float ms = static_cast<float>(i) * step;
            const Vector3 eye = scene.Camera().Eye();
            const float yaw = eh::model::Radians(scene.ShownYaw());
            const float pitch = eh::model::Radians(scene.ShownPitch());
            const Vector3 look{std::cos(yaw) * std::cos(pitch), std::sin(pitch),
                               std::sin(yaw) * std::cos(pitch)};
            consider(nearHorse, ms, eye, look, horseCentre);
            const auto& flight = scene.Crows();
            if (flight.active && flight.count > 0) {
                crows.SelectClip(flight.Current().clip);
                crows.SetClipTime(flight.time);
                for (const Vector3& bird : boneOrigins(crows))
                    consider(nearFlock, ms, eye, look, bird);
            }
        }
        scene.ReleaseDeviceObjects();
    }
    setupLights(device);
    setSceneProjection(device);
    if (nearHorse.ms < 0.0f)
        nearHorse = Closest{0.0f, 120.0f, orbit(horseCentre, 120.0f, 0, 10), horseCentre, {}};
    if (nearFlock.ms < 0.0f)
        nearFlock = Closest{0.0f, 60.0f, orbit(kSwordPosition, 60.0f, 0, 10), kSwordPosition, {}};

    int failures = 0;
    auto save = [&](const std::string& name, const std::vector<std::uint32_t>& pixels) {
        if (!writePng(cells + "/" + name + ".png", pixels, kReviewW, kReviewH)) {
            std::fprintf(stderr, "mediagen-preview: cannot write %s/%s.png\n", cells.c_str(),
                         name.c_str());
            ++failures;
        }
    };
    char name[160];

    // The horse: eight angles at the closest and the usual in-view distance, then every clip
    // from where the camera was at its closest.
    float horseAz = 0.0f, horseElev = 0.0f;
    directionOf(nearHorse.eye, horseCentre, &horseAz, &horseElev);
    // The median in-view distance is mostly far across the meadow, where the horse is a few
    // pixels; the second row doubles the closest instead, as a track passing by sees it.
    const float usualHorse = median(nearHorse.inView);
    const float horseDistances[] = {nearHorse.distance, 2.0f * nearHorse.distance};
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 8; ++i) {
            // 0° is head-on: the horse faces +x.
            const float az = 45.0f * static_cast<float>(i);
            std::snprintf(name, sizeof name, "horse_%d_angle%d__%03d deg at %.0f", row, i,
                          static_cast<int>(az), horseDistances[row]);
            save(name, shoot(device, horse, orbit(horseCentre, horseDistances[row], az, horseElev),
                             horseCentre, kReviewW, kReviewH));
        }
    }
    for (std::size_t c = 0; c < std::size(kHorseClips); ++c) {
        horse.SelectClip(static_cast<int>(c));
        const float length = horse.ClipLength();
        for (int k = 0; k < 4; ++k) {
            const float t = length * (0.125f + 0.25f * static_cast<float>(k));
            horse.SetClipTime(t);
            std::snprintf(name, sizeof name, "horse_clip%zu_%d__%s %.0f ms", c, k,
                          clipLabel(kHorseClips[c]).c_str(), t);
            save(name,
                 shoot(device, horse, orbit(horseCentre, nearHorse.distance, horseAz, horseElev),
                       horseCentre, kReviewW, kReviewH));
        }
    }

    // The crows: edge-on (level with the wings) around the bird nearest the flock's middle,
    // at rest and in flight, then every clip from where the camera was at its closest.
    float flockAz = 0.0f, flockElev = 0.0f;
    directionOf(nearFlock.eye, nearFlock.focus, &flockAz, &flockElev);
    const float flockDistance = nearFlock.distance;
    const struct {
        int clip;
        float fraction;
        const char* label;
    } edgeOn[] = {{1, 0.0f, "rest"}, {2, 0.3f, "flight"}};
    for (int row = 0; row < 2; ++row) {
        crows.SelectClip(edgeOn[row].clip);
        crows.SetClipTime(crows.ClipLength() * edgeOn[row].fraction);
        const Vector3 bird = nearestToMean(boneOrigins(crows));
        // Orbiting one bird at the closest distance puts the eye inside its neighbours
        // from most sides: the edge-on rows stand back twice as far.
        const float distance = 2.0f * flockDistance;
        for (int i = 0; i < 8; ++i) {
            const float az = flockAz + 45.0f * static_cast<float>(i);
            std::snprintf(name, sizeof name, "crows_%d_edge%d__edge-on %s %+d deg at %.0f", row, i,
                          edgeOn[row].label, 45 * i, distance);
            save(name,
                 shoot(device, crows, orbit(bird, distance, az, 0.0f), bird, kReviewW, kReviewH));
        }
    }
    for (std::size_t c = 0; c < std::size(kCrowClips); ++c) {
        crows.SelectClip(static_cast<int>(c));
        const float length = crows.ClipLength();
        for (int k = 0; k < 4; ++k) {
            const float t = length * (0.125f + 0.25f * static_cast<float>(k));
            crows.SetClipTime(t);
            const Vector3 bird = nearestToMean(boneOrigins(crows));
            std::snprintf(name, sizeof name, "crows_clip%zu_%d__%s %.0f ms", c, k,
                          clipLabel(kCrowClips[c]).c_str(), t);
            save(name, shoot(device, crows, orbit(bird, flockDistance, flockAz, flockElev), bird,
                             kReviewW, kReviewH));
        }
    }

    // When a recording at the same seed passes closest, for the scene frames.
    const std::string momentsPath = outDir + "/moments.txt";
    if (FILE* f = std::fopen(momentsPath.c_str(), "w")) {
        std::fprintf(f, "seed %u\n", kReviewSeed);
        std::fprintf(f, "horse %.0f %.1f %.1f\n", nearHorse.ms, nearHorse.distance, usualHorse);
        std::fprintf(f, "flock %.0f %.1f %.1f\n", nearFlock.ms, nearFlock.distance,
                     median(nearFlock.inView));
        std::fclose(f);
    } else {
        ++failures;
    }
    std::printf(
        "horse: closest %.1f at %.0f ms (usual %.1f); flock: closest %.1f at %.0f ms -> %s\n",
        nearHorse.distance, nearHorse.ms, usualHorse, nearFlock.distance, nearFlock.ms,
        outDir.c_str());
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool reviewMode = argc == 4 && std::strcmp(argv[1], "--review") == 0;
    if (argc != 3 && !reviewMode) {
        std::fprintf(stderr,
                     "usage: mediagen-preview ARCHIVE OUTDIR\n"
                     "       mediagen-preview --review ARCHIVE OUTDIR\n");
        return 1;
    }
    if (reviewMode) ++argv;
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

    const int deviceW = reviewMode ? kReviewW : kCell, deviceH = reviewMode ? kReviewH : kCell;
    HWND window = eh::os::CreateOffscreenWindow(deviceW, deviceH);
    IDirect3D8* d3d = window ? Direct3DCreate8(D3D_SDK_VERSION) : nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = static_cast<UINT>(deviceW);
    pp.BackBufferHeight = static_cast<UINT>(deviceH);
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device))) {
        std::fprintf(stderr, "mediagen-preview: no Direct3D device\n");
        return 1;
    }
    eh::media::VertexBufferPool pool;
    pool.Init(device, window);
    eh::media::RenderKit kit;
    kit.Init(d3d, device, D3DFMT_X8R8G8B8, window);
    setupLights(device);

    int failures = 0;
    if (reviewMode) failures = review(device, pool, kit, read, outDir);
    for (const Subject& subject : kSubjects) {
        if (reviewMode) break;
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
