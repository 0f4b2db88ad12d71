#include "scene/scene.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>

#include "d3dx/d3dx8.h"
#include "media/archive.h"
#include "platform/os/crt_random.h"
#include "sound/sound_system.h"

namespace eh::scene {
namespace {

using model::Matrix4;
using model::Vector3;

// The sword, its ribbon and the crows share one placement.
constexpr float kSwordCos = -0.98643f, kSwordSin = 0.164187f;
constexpr Vector3 kSwordPosition{222.475f, 60.8652f, 62.9201f};

// The shipped clip order; the horse's names carry a doubled slash into the loader's
// messages, the entries are looked up with one.
constexpr const char* kHorseClips[] = {
    "Meshes/horse_loop.ESA",      "Meshes/horse_tail.ESA",         "Meshes/horse_leg.ESA",
    "Meshes/horse_head.ESA",      "Meshes/horse_tailhl_in.ESA",    "Meshes/horse_tailhl_loop.ESA",
    "Meshes/horse_tailhl_out.ESA"};
constexpr const char* kCrowClips[] = {"Meshes/Crow1.esa", "Meshes/Crow2.esa", "Meshes/Crow3.esa",
                                      "Meshes/Crow4.esa", "Meshes/Crow5.esa", "Meshes/Crow6.esa"};

// The archive's entries in the order LoadScene asks for them (the models' material and the
// terrain's textures right after their files), which is the order they are read ahead
// in. An entry missing here is read when asked for; one out of order only waits longer.
constexpr const char* kLoadOrder[] = {
    "Texture/grass5.tga", "Texture/particle.tga", "Texture/tree00.tga", "Texture/tree01.tga",
    "Texture/sl01.jpg", "Texture/sl02.jpg", "Texture/sl03.jpg", "Texture/sl04.jpg",
    "Texture/sl05.jpg", "Texture/sl06.jpg", "Texture/sl07.jpg", "Texture/sl08.jpg",
    "Texture/sl09.jpg", "Texture/sl010.jpg", "Texture/Rays.BMP", "Texture/Ribbon.tga",
    "Meshes/Horse.emd", "Texture\\horse.jpg", "Meshes/horse_loop.ESA", "Meshes/horse_tail.ESA",
    "Meshes/horse_leg.ESA", "Meshes/horse_head.ESA", "Meshes/horse_tailhl_in.ESA",
    "Meshes/horse_tailhl_loop.ESA", "Meshes/horse_tailhl_out.ESA", "Meshes/Crow.emd",
    "Texture\\crow.tga", "Meshes/Crow1.esa", "Meshes/Crow2.esa", "Meshes/Crow3.esa",
    "Meshes/Crow4.esa", "Meshes/Crow5.esa", "Meshes/Crow6.esa", "Meshes/Sword.emd",
    "Texture\\sword.jpg", "Meshes/Ribbon.emd", "Meshes/SpotLight.emd", "Texture\\spotlight.tga",
    "Meshes/oak.emd", "Texture\\oak_bark.jpg", "Texture\\oak_leaves.jpg",
    "Texture\\Env_cubemap.dds", "Data/Land.eld", "Texture/Terra/Black.bmp",
    "Texture/Terra/Ground.jpg", "shaders\\grass.vsh", "Data/Billboard.ebl", "Texture/corona.tga",
    "Texture/mpcarentan_ft.jpg", "Texture/mpcarentan_bk.jpg", "Texture/mpcarentan_lf.jpg",
    "Texture/mpcarentan_rt.jpg", "Texture/mpcarentan_up.jpg", "Texture/mpcarentan_dn.jpg",
    "Data/Cam_Tracks.evd", "shaders\\BillBoard.vsh"};

DWORD floatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, sizeof d);
    return d;
}

D3DCOLORVALUE colour(float r, float g, float b, float a) { return D3DCOLORVALUE{r, g, b, a}; }

D3DLIGHT8 directionalLight(float diffuse[3], float azimuthDeg, float elevationDeg) {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = colour(diffuse[0], diffuse[1], diffuse[2], 0.0f);
    light.Specular = colour(0.7f, 0.7f, 0.7f, 0.0f);
    light.Ambient = colour(0.15f, 0.15f, 0.15f, 0.0f);
    light.Range = 250.0f;
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.01f;
    light.Attenuation2 = 0.0001f;
    const float a = model::Radians(azimuthDeg);
    const float e = model::Radians(elevationDeg);
    light.Direction = D3DVECTOR{-std::cos(a) * std::cos(e), -std::sin(e), -std::sin(a) * std::cos(e)};
    return light;
}

}  // namespace

Scene::Scene(media::VertexBufferPool& pool, media::RenderKit& kit, sound::SoundSystem* sound)
    : pool_(pool),
      kit_(kit),
      sound_(sound),
      read_(model::MediaArchiveEntries(kArchivePassword)),
      horse_(pool, kit),
      crows_(pool, kit),
      sword_(pool, kit),
      ribbonMesh_(pool, kit),
      spotlight_(pool, kit),
      oak_(pool, kit),
      terrain_(kit),
      sky_(pool, kit),
      corona_(pool, kit),
      rays_(pool, kit),
      particles_(pool, kit),
      grass_(pool, kit),
      billboards_(pool, kit) {
    for (auto& p : pictures_) p = media::EmptyTextureRef();
}

Scene::~Scene() = default;

// ---------------------------------------------------------------------------------------
// Set-up

void Scene::InitDeviceState(IDirect3DDevice8* device) {
    if (device == nullptr) return;
    device_ = device;
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetRenderState(D3DRS_FOGSTART, floatBits(0.0f));
    device->SetRenderState(D3DRS_FOGEND, floatBits(2200.0f));
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFFA0A0A0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x30);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    D3DMATERIAL8 material{};
    material.Diffuse = colour(1.0f, 1.0f, 1.0f, 1.0f);
    material.Ambient = colour(0.85f, 0.85f, 0.85f, 1.0f);
    material.Specular = colour(0.8f, 0.8f, 0.8f, 1.0f);
    material.Emissive = colour(0.0f, 0.0f, 0.0f, 0.0f);
    material.Power = 25.0f;
    device->SetMaterial(&material);

    // The sun (light 0) stands where the sky's sun and the corona are: azimuth 225°,
    // elevation 20°; the warmer fill light comes from azimuth 385° (= 25°).
    float sun[3] = {0.35f, 0.35f, 0.35f};
    D3DLIGHT8 light0 = directionalLight(sun, 225.0f, 20.0f);
    device->SetLight(0, &light0);
    device->LightEnable(0, TRUE);
    float fill[3] = {0.45f, 0.45f, 0.35f};
    D3DLIGHT8 light1 = directionalLight(fill, 385.0f, 20.0f);
    device->SetLight(1, &light1);
    device->LightEnable(1, TRUE);

    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    Matrix4 identity = Matrix4::Identity();
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&identity));

    // Fixed angles of 54° × 44° whatever the display's aspect; near 0.05, far 300. m44 is
    // left at 1 as in the identity the matrix starts from.
    constexpr float kNear = 0.05f, kFar = 300.0f;
    constexpr float kVertical = 0.7679449f, kHorizontal = 0.9424778f;
    projection_ = Matrix4::Identity();
    projection_.at(0, 0) = 1.0f / std::tan(kHorizontal / 2.0f);
    projection_.at(1, 1) = 1.0f / std::tan(kVertical / 2.0f);
    projection_.at(2, 2) = kFar / (kFar - kNear);
    projection_.at(2, 3) = 1.0f;
    projection_.at(3, 2) = -kNear * kFar / (kFar - kNear);
    device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX*>(&projection_));

    for (DWORD stage = 0; stage < 4; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

void Scene::loadTexture(const char* entry, const char* name, media::TextureRef* out) {
    std::vector<std::uint8_t> bytes;
    if (!read_ || !read_(entry, &bytes)) return;
    *out = kit_.CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()), name,
                                        "Texture/", false);
}

void Scene::loadModel(model::MeshModel& model, const char* mesh, float fitHeight,
                      const Matrix4& rotation, const Vector3& position) {
    std::vector<std::uint8_t> bytes;
    if (read_ && read_(mesh, &bytes) &&
        SUCCEEDED(model.LoadMesh(mesh, bytes.data(), bytes.size()))) {
        model.LoadTextures(read_);
    }
    // Placement values are stored whether or not the mesh loaded.
    model.FitHeight(fitHeight);
    model.SetRotation(rotation);
    model.SetPosition(position.x, position.y, position.z);
}

void Scene::PrefetchMedia() {
    if (!ownReader_ || prefetch_) return;
    prefetch_ = std::make_unique<media::EntryPrefetch>(
        media::kMediaArchive, kArchivePassword,
        std::vector<std::string>(std::begin(kLoadOrder), std::end(kLoadOrder)));
}

void Scene::LoadScene(IDirect3DDevice8* device, D3DFORMAT backBufferFormat,
                      D3DFORMAT depthFormat) {
    // Entries read ahead are taken from the prefetch; the rest are read as always. The
    // prefetch ends with the loading, and what it still holds is freed.
    struct AheadScope {
        Scene& scene;
        model::EntryReader direct;
        ~AheadScope() {
            if (!scene.prefetch_) return;
            scene.read_ = std::move(direct);
            scene.kit_.SetPrefetch(nullptr);
            scene.prefetch_.reset();
        }
    } ahead{*this, read_};
    if (prefetch_) {
        media::EntryPrefetch* entries = prefetch_.get();
        model::EntryReader direct = read_;
        read_ = [entries, direct](const std::string& name, std::vector<std::uint8_t>* bytes) {
            switch (entries->TakeEntry(name, bytes)) {
                case media::EntryPrefetch::Take::kFound: return true;
                case media::EntryPrefetch::Take::kMissing: return false;
                case media::EntryPrefetch::Take::kNotListed: break;
            }
            return direct && direct(name, bytes);
        };
        kit_.SetPrefetch(entries);
    }
    device_ = device;
    backBufferFormat_ = backBufferFormat;
    depthFormat_ = depthFormat;

    // One seed for every random choice of the run.
    os::SeedRandom(seed_ ? *seed_ : static_cast<std::uint32_t>(std::time(nullptr)));

    // A spare depth surface that the scene keeps for its lifetime.
    if (device) device->CreateDepthStencilSurface(512, 512, D3DFMT_D16, D3DMULTISAMPLE_NONE, &spareDepth_);

    // The archive is read through read_ (each extraction opens resource 453).
    loadTexture("Texture/grass5.tga", "grass5.tga", &grass_.texture);
    particles_.Setup();
    loadTexture("Texture/particle.tga", "particle.tga", &particles_.texture);

    // Billboard textures and buffers, one per kind.
    for (int kind = 0; kind < 2; ++kind) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "Texture/tree0%i.tga", kind);
        loadTexture(entry, entry, &billboards_.texture[kind]);
        billboards_.CreateBuffer(kind);
    }

    // The vision pictures: sl01 … sl09, then sl010 (the number follows a literal "sl0").
    for (int i = 1; i <= kVisionPictures; ++i) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "Texture/sl0%i.jpg", i);
        loadTexture(entry, entry, &pictures_[static_cast<std::size_t>(i - 1)]);
    }
    if (mark_) mark_("scene: textures");

    // Light rays.
    rays_.Setup();
    loadTexture("Texture/Rays.BMP", "Rays.BMP", &rays_.texture);

    // The two cloth strips, pinned along column 0; they differ only in alpha.
    const Vector3 clothOrigin{228.3f, 88.55f, 60.87f};
    const Vector3 clothSpacing{0.0f, -0.125f, -0.8f};
    cloth_[0].Create(32, 16, clothOrigin, clothSpacing, 0.5f, 1.0f, 0.0f, 0.0f, 0xFF9B9B9B);
    loadTexture("Texture/Ribbon.tga", "Ribbon.tga", &clothTexture_);
    cloth_[0].PinFirstColumn();
    cloth_[1].Create(32, 16, clothOrigin, clothSpacing, 0.5f, 1.0f, 0.0f, 0.0f, 0xFA9B9B9B);
    cloth_[1].PinFirstColumn();
    for (int i = 0; i < 2; ++i) {
        pool_.CreateVertexBuffer(&clothBuffers_[i], media::VertexBufferPool::kFvfColoured,
                                 static_cast<UINT>(cloth_[i].Vertices().size()));
        pool_.FillVertexBuffer(clothBuffers_[i], cloth_[i].Vertices().data(),
                               static_cast<UINT>(cloth_[i].Vertices().size() * sizeof(ClothVertex)));
    }
    if (mark_) mark_("scene: rays, cloth");

    // The horse and its seven clips.
    loadModel(horse_, "Meshes/Horse.emd", 92.0f, model::YawRotation(0.0078537f, 0.99997f),
              Vector3{-422.248f, 79.8004f, 7.354f});
    for (const char* clip : kHorseClips) {
        std::vector<std::uint8_t> bytes;
        if (!read_ || !read_(clip, &bytes)) continue;
        std::string loaderName = std::string("Meshes/") + "/" + (clip + 7);
        horse_.LoadClip(loaderName.c_str(), bytes.data(), bytes.size());
    }

    // The crows, the sword and its ribbon share one placement.
    const Matrix4 swordTurn = model::YawRotation(kSwordCos, kSwordSin);
    loadModel(crows_, "Meshes/Crow.emd", 164.8f, swordTurn, kSwordPosition);
    for (const char* clip : kCrowClips) {
        std::vector<std::uint8_t> bytes;
        if (read_ && read_(clip, &bytes)) crows_.LoadClip(clip, bytes.data(), bytes.size());
    }
    crows_.SelectClip(1);
    // The flock's box is its rest pose, but the clips carry the crows far from it (Crow6
    // leaves over the woods): culled by that box they would vanish in mid-flight. Five
    // small birds cost nothing to draw whole.
    crows_.cull = false;
    loadModel(sword_, "Meshes/Sword.emd", 164.8f, swordTurn, kSwordPosition);
    loadModel(ribbonMesh_, "Meshes/Ribbon.emd", 164.8f, swordTurn, kSwordPosition);

    // The beam above the sword, the oak at the west edge.
    loadModel(spotlight_, "Meshes/SpotLight.emd", 521.9f, Matrix4::Identity(),
              Vector3{222.475f, -43.8652f, 62.9201f});
    loadModel(oak_, "Meshes/oak.emd", 521.9f, model::YawRotation(-0.568565f, -0.822646f),
              Vector3{-533.706f, 214.096f, 135.629f});
    if (mark_) mark_("scene: models");

    // The sword's environment: a cube map in the back buffer's format.
    {
        std::vector<std::uint8_t> bytes;
        if (device && read_ && read_("Texture\\Env_cubemap.dds", &bytes)) {
            D3DXCreateCubeTextureFromFileInMemoryEx(
                device, bytes.data(), static_cast<UINT>(bytes.size()), 0, 0, 0, backBufferFormat,
                D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &cube_);
        }
    }
    if (mark_) mark_("scene: cube map");

    // The terrain; its textures are loaded whether or not the grid was found.
    {
        std::vector<std::uint8_t> bytes;
        if (read_ && read_("Data/Land.eld", &bytes))
            terrain_.LoadTerrain(device, "Data/Land.eld", bytes.data(), bytes.size());
        terrain_.LoadTerrainTextures(read_);
    }
    if (mark_) mark_("scene: terrain");

    // Grass over the terrain's meadows.
    grass_.Build(device, terrain_, read_);
    if (mark_) mark_("scene: grass");

    // Billboards.
    {
        std::vector<std::uint8_t> bytes;
        if (read_ && read_("Data/Billboard.ebl", &bytes)) billboards_.Load(bytes.data(), bytes.size());
    }

    // The corona, toward the sun of light 0.
    corona_.Setup();
    loadTexture("Texture/corona.tga", "corona.tga", &corona_.texture);
    corona_.SetSun(225.0f, 20.0f, 100.0f);

    // The sky box.
    sky_.Setup();
    sky_.Load(read_);
    if (mark_) mark_("scene: billboards, sky");

    // Camera tracks: load, prepare, start track 0.
    {
        std::vector<std::uint8_t> bytes;
        CameraTrackFile file;
        if (read_ && read_("Data/Cam_Tracks.evd", &bytes))
            file = CameraTrackFile::Parse(bytes.data(), bytes.size());
        camera_.Load(file);
        camera_.Start(0, 0);
    }

    // The billboard shader (a missing or broken text leaves the billboards undrawn).
    {
        std::vector<std::uint8_t> bytes;
        if (device && read_ && read_("shaders\\BillBoard.vsh", &bytes))
            billboards_.CreateShader(device, bytes.data(), bytes.size());
    }

    // The screen quad for full-screen passes.
    pool_.CreateVertexBuffer(&screenQuad_, media::VertexBufferPool::kFvfQuad2D, 4);
    if (auto* v = static_cast<media::Quad2DVertex*>(pool_.LockVertexBuffer(screenQuad_))) {
        const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
        for (int i = 0; i < 4; ++i) v[i] = {0.0f, 0.0f, 0.99f, 0.5f, 0xFFFFFFFF, uv[i][0], uv[i][1]};
        pool_.UnlockVertexBuffer(screenQuad_);
    }

    // The crossfade of cuts: fading out, 30 levels per scene step, idle.
    createCutFade(device);
    cutFade_.direction = 0;
    cutFade_.rate = 30.0f;
    cutFade_.level = 0.0f;

    // Daylight, crows hidden, look-at targets on, the first playlist running.
    timer_.SetVisionMode(0);
    timer_.SetValue(0.0f);
    crowSeq_.active = false;
    camera_.SetLookAtTargets(true);
    camera_.BuildPlaylist(playlist_);
    camera_.Start(playlist_.Current(), 0);
    shownYaw_ = camera_.Yaw();
    shownPitch_ = camera_.Pitch();
    playlist_.position = 0;
}

void Scene::BuildFirstHorseSequence() {
    if (sound_) {
        const sound::CueSounds& cues = sound_->cues();
        horseSounds_ = {cues.horseTail, cues.horseLeg, cues.horseHead};
        crowSounds_ = {cues.crowTakeOff, cues.crowFlight, cues.crowLeave};
    }
    BuildHorseSequence(horseSeq_, horseSounds_);
}

// ---------------------------------------------------------------------------------------
// Crossfade target: default-pool objects, released around a device reset.

void Scene::createCutFade(IDirect3DDevice8* device) {
    cutFade_.enabled = false;
    if (device == nullptr) return;
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    cutFade_.size = caps.MaxTextureWidth < 1024 ? caps.MaxTextureWidth : 1024;
    if (cutFade_.size == 0) return;
    if (FAILED(D3DXCreateTexture(device, cutFade_.size, cutFade_.size, 1, D3DUSAGE_RENDERTARGET,
                                 backBufferFormat_, D3DPOOL_DEFAULT, &cutFade_.texture)))
        return;
    if (FAILED(device->CreateDepthStencilSurface(cutFade_.size, cutFade_.size, depthFormat_,
                                                 D3DMULTISAMPLE_NONE, &cutFade_.depth))) {
        cutFade_.texture->Release();
        cutFade_.texture = nullptr;
        return;
    }
    cutFade_.enabled = true;
    if (cutFade_.quad < 0) {
        pool_.CreateVertexBuffer(&cutFade_.quad, media::VertexBufferPool::kFvfQuad2D, 4);
        if (auto* v = static_cast<media::Quad2DVertex*>(pool_.LockVertexBuffer(cutFade_.quad))) {
            const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
            for (int i = 0; i < 4; ++i)
                v[i] = {0.0f, 0.0f, 0.99f, 0.5f, 0xFFFFFFFF, uv[i][0], uv[i][1]};
            pool_.UnlockVertexBuffer(cutFade_.quad);
        }
    }
}

void Scene::releaseCutFade() {
    if (cutFade_.texture) cutFade_.texture->Release();
    if (cutFade_.depth) cutFade_.depth->Release();
    cutFade_.texture = nullptr;
    cutFade_.depth = nullptr;
    cutFade_.enabled = false;
}

void Scene::InvalidateDeviceObjects() {
    releaseCutFade();
    if (spareDepth_) spareDepth_->Release();
    spareDepth_ = nullptr;
}

void Scene::RestoreDeviceObjects(IDirect3DDevice8* device) {
    if (device == nullptr) return;
    device_ = device;
    device->CreateDepthStencilSurface(512, 512, D3DFMT_D16, D3DMULTISAMPLE_NONE, &spareDepth_);
    float level = cutFade_.level;
    createCutFade(device);
    cutFade_.level = level;
}

void Scene::ReleaseDeviceObjects() {
    InvalidateDeviceObjects();
    if (cube_) cube_->Release();
    cube_ = nullptr;
    terrain_.ReleaseBuffers();
    grass_.Release();
}

}  // namespace eh::scene
