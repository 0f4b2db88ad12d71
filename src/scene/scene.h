// The whole scene: set-up of every object, the per-frame update and the render order.
//
// The shell reaches the scene only through SceneApp's hooks, which forward here:
//   InitDeviceState(device)   after device creation and after every reset
//   LoadScene(device)         once, before the first frame
//   FrameMove(device, dt)     every frame, dt in milliseconds (not negative)
//   RenderFrame(device, overlay)  draws the frame; `overlay` draws the shell's FPS and
//                             clock inside the scene, before EndScene and Present
//   InvalidateDeviceObjects / RestoreDeviceObjects  around a device reset (the
//                             default-pool depth surfaces and the crossfade target)
//   ReleaseDeviceObjects      at shutdown, before the device goes
//
// Times: SceneTimer and the clip sequences count milliseconds; everything else moves by
// the scene step s = ms × 0.01 (1 unit = 100 ms). Angles are degrees unless named *Rad.
// Random choices use eh::os::Random (the 15-bit run-time rand()), seeded in LoadScene.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "media/entry_prefetch.h"
#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "model/mesh_model.h"
#include "model/terrain.h"
#include "platform/d3d8/d3d8.h"
#include "scene/beam_particles.h"
#include "scene/billboards.h"
#include "scene/camera_tracks.h"
#include "scene/corona.h"
#include "scene/creatures.h"
#include "scene/grass.h"
#include "scene/light_rays.h"
#include "scene/ribbon_cloth.h"
#include "scene/scene_timer.h"
#include "scene/sky_box.h"

namespace eh::sound {
class SoundSystem;
}

namespace eh::scene {

// The crossfade from the last image of the previous camera track to the new one.
struct CutFade {
    bool enabled = false;
    float level = 0.0f;  // 0..255: weight of the captured old image
    float rate = 20.0f;  // level per scene-step unit
    int direction = 1;   // 0: fading out
    std::uint8_t red = 255, green = 255, blue = 255;
    int quad = -1;  // its own 4-vertex 0x144 screen quad
    IDirect3DTexture8* texture = nullptr;
    IDirect3DSurface8* depth = nullptr;
    UINT size = 0;
};

class Scene {
public:
    static constexpr int kVisionPictures = 10;
    // The archive's entries are not encrypted; the reader is still given the fixed
    // two-character password the scene has always passed.
    static constexpr const char* kArchivePassword = "eh";

    Scene(media::VertexBufferPool& pool, media::RenderKit& kit, sound::SoundSystem* sound);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // A fixed seed for reproducible runs (recordings, tests); without one LoadScene seeds
    // with the calendar time.
    void SetSeed(std::optional<std::uint32_t> seed) { seed_ = seed; }
    // Where LoadScene reads the media (the program's archive 453 unless a test replaces it).
    void SetEntryReader(model::EntryReader reader) {
        read_ = std::move(reader);
        ownReader_ = false;
        prefetch_.reset();
    }
    // Starts reading the program's archive ahead on a second thread, in the order LoadScene
    // asks for the entries (images decoded and their mip chains built as well); LoadScene
    // then takes from it and ends it. Nothing for a scene given its own entry reader.
    void PrefetchMedia();
    // Called with a short name after each stage of LoadScene (the shell's start-up timings).
    void SetLoadMarks(std::function<void(const char*)> mark) { mark_ = std::move(mark); }

    void InitDeviceState(IDirect3DDevice8* device);
    void LoadScene(IDirect3DDevice8* device, D3DFORMAT backBufferFormat, D3DFORMAT depthFormat);
    void FrameMove(IDirect3DDevice8* device, float dt);
    void RenderFrame(IDirect3DDevice8* device, const std::function<void()>& overlay);
    void RenderScene(IDirect3DDevice8* device);

    // The horse's first clip sequence, built when the sound starts (also with effects off).
    void BuildFirstHorseSequence();

    void InvalidateDeviceObjects();
    void RestoreDeviceObjects(IDirect3DDevice8* device);
    void ReleaseDeviceObjects();

    // State for tests and tools.
    SceneTimer& Timer() { return timer_; }
    const CameraTrackSet& Camera() const { return camera_; }
    const CameraPlaylist& Playlist() const { return playlist_; }
    const HorseSequence& Horse() const { return horseSeq_; }
    const CrowSequence& Crows() const { return crowSeq_; }
    const CutFade& Fade() const { return cutFade_; }
    float ShownYaw() const { return shownYaw_; }
    float ShownPitch() const { return shownPitch_; }
    const model::Matrix4& View() const { return view_; }
    const model::Terrain& Ground() const { return terrain_; }
    int PictureIndex() const { return pictureIndex_; }
    float GrassWindTime() const { return grassWind_; }
    float BillboardWindTime() const { return billboardWind_; }

private:
    void loadTexture(const char* entry, const char* name, media::TextureRef* out);
    void loadModel(model::MeshModel& model, const char* mesh, float fitHeight,
                   const model::Matrix4& rotation, const model::Vector3& position);
    void createCutFade(IDirect3DDevice8* device);
    void releaseCutFade();
    void captureCut(IDirect3DDevice8* device);
    void stepCreatures(float dt);
    void moveCamera(IDirect3DDevice8* device, float s);
    void setView(IDirect3DDevice8* device);
    void drawCloth(IDirect3DDevice8* device, RibbonCloth& cloth, int buffer);
    void drawScreenQuad(IDirect3DDevice8* device, int quad, float x, float y, float w, float h,
                        DWORD colour);

    media::VertexBufferPool& pool_;
    media::RenderKit& kit_;
    sound::SoundSystem* sound_;
    model::EntryReader read_;
    bool ownReader_ = true;  // read_ is the program's archive
    std::unique_ptr<media::EntryPrefetch> prefetch_;
    std::function<void(const char*)> mark_;
    std::optional<std::uint32_t> seed_;

    model::MeshModel horse_, crows_, sword_, ribbonMesh_, spotlight_, oak_;
    model::Terrain terrain_;
    SkyBox sky_;
    Corona corona_;
    LightRays rays_;
    BeamParticles particles_;
    GrassField grass_;
    BillboardSet billboards_;
    RibbonCloth cloth_[2];
    int clothBuffers_[2] = {-1, -1};
    media::TextureRef clothTexture_ = media::EmptyTextureRef();
    ClothWind wind_;
    CameraTrackSet camera_;
    CameraPlaylist playlist_;
    SceneTimer timer_;
    HorseSequence horseSeq_;
    CrowSequence crowSeq_;
    HorseSounds horseSounds_;
    CrowSounds crowSounds_;
    CutFade cutFade_;
    std::array<media::TextureRef, kVisionPictures> pictures_{};
    int pictureIndex_ = 0;
    int screenQuad_ = -1;
    IDirect3DCubeTexture8* cube_ = nullptr;
    IDirect3DSurface8* spareDepth_ = nullptr;  // the 512 x 512 D16 surface
    D3DFORMAT backBufferFormat_ = D3DFMT_X8R8G8B8;
    D3DFORMAT depthFormat_ = D3DFMT_D16;
    IDirect3DDevice8* device_ = nullptr;

    // Accumulators (see FrameMove).
    float musicCheck_ = 0.0f;     // ms
    float cutHold_ = 0.0f;        // scene steps
    float cutHoldLimit_ = 2.0f;   // scene steps
    float spawnClock_ = 0.0f;     // scene steps
    // The vegetation shaders see the wind time only through the fraction of multiples of
    // it: the grass waves (0.105, 0.21, 0.245 and 0.35 cycles a unit) all repeat after
    // 200 units, the billboard sway (1.65 radians a unit) after 2 pi / 1.65. Each drawer
    // gets its own copy, wrapped by whole periods, so the value stays small and exact over
    // weeks of running and never jumps visibly.
    static constexpr float kGrassWindPeriod = 200.0f;
    static constexpr float kBillboardWindPeriod = 100.0f * 2.0f * 3.14159265f / 1.65f;
    float grassWind_ = 0.0f;      // shader wind time of the grass
    float billboardWind_ = 0.0f;  // shader wind time of the billboards

    float shownYaw_ = 0.0f, shownPitch_ = 0.0f;
    model::Matrix4 view_ = model::Matrix4::Identity();
    model::Matrix4 projection_ = model::Matrix4::Identity();
    model::Plane4 frustum_[6]{};
};

}  // namespace eh::scene
