// The per-frame half of the scene: FrameMove, the cut capture, RenderScene, RenderFrame.
#include <cmath>

#include "d3dx/d3dx8.h"
#include "platform/os/crt_random.h"
#include "scene/scene.h"
#include "sound/sound_system.h"

namespace eh::scene {
namespace {

using model::Matrix4;
using model::Vector3;

// Vision sound volume is refreshed this often (ms), up to this channel volume.
constexpr float kVisionVolumePeriod = 50.0f;
constexpr float kVisionVolumeMax = 85.0f;

const D3DMATRIX* d3d(const Matrix4& m) { return reinterpret_cast<const D3DMATRIX*>(&m); }

// `value` less whole `period`s, into [0, period).
float wrapPeriod(float value, float period) {
    if (value >= period) value -= period * std::floor(value / period);
    return value;
}

DWORD alphaColour(float alpha, DWORD rgb) {
    auto a = static_cast<DWORD>(alpha);
    if (a > 255) a = 255;
    return (a << 24) | (rgb & 0x00FFFFFF);
}

class ModelClips : public ClipTarget {
public:
    explicit ModelClips(model::MeshModel& m) : model_(m) {}
    void SelectClip(int clip) override { model_.SelectClip(clip); }
    float ClipLength() const override { return model_.ClipLength(); }
    void SetClipTime(float ms) override { model_.SetClipTime(ms); }

private:
    model::MeshModel& model_;
};

}  // namespace

void Scene::stepCreatures(float dt) {
    ModelClips horse(horse_);
    StepHorse(horseSeq_, horse, dt, horseSounds_, [this](int cue, bool setVolume) {
        if (sound_) sound_->PlayCue(cue, setVolume ? 22 : -1);
    });
    if (crowSeq_.active) {
        ModelClips crows(crows_);
        StepCrows(crowSeq_, crows, dt, [this](int cue, bool) {
            if (sound_) sound_->PlayCue(cue, -1);
        });
    }
}

void Scene::FrameMove(IDirect3DDevice8* device, float dt) {
    if (dt < 0.0f) dt = 0.0f;
    // The vision sound follows the scene timer, refreshed every 50 ms.
    musicCheck_ += dt;
    if (musicCheck_ > kVisionVolumePeriod) {
        musicCheck_ = 0.0f;
        if (sound_) sound_->SetVisionVolume(static_cast<int>(timer_.VisionSoundFactor() * kVisionVolumeMax));
    }
    // The creatures' clip sequences and their cues.
    stepCreatures(dt);
    timer_.Advance(dt);
    const float s = dt * 0.01f;
    // Light rays and cloth.
    rays_.Update(s, camera_.Eye());
    wind_.Update(s, cloth_[0], cloth_[1]);
    // Cut hold, then the crossfade runs down.
    cutHold_ += s;
    if (cutHold_ > cutHoldLimit_) {
        cutHold_ = 0.0f;
        cutHoldLimit_ = os::RandomUnit() * 10.0f + 30.0f;
    }
    if (cutHold_ > 2.0f && cutFade_.direction == 0 && cutFade_.level > 0.0f) {
        cutFade_.level -= s * cutFade_.rate;
        if (cutFade_.level < 0.0f) cutFade_.level = 0.0f;
    }
    // Wind time of the vegetation shaders.
    grassWind_ = wrapPeriod(grassWind_ + s * 0.1f, kGrassWindPeriod);
    billboardWind_ = wrapPeriod(billboardWind_ + s * 0.1f, kBillboardWindPeriod);
    // Beam particles.
    spawnClock_ += s;
    if (spawnClock_ > BeamParticles::kSpawnInterval) {
        particles_.SpawnFromBeam();
        spawnClock_ = 0.0f;
    }
    particles_.Update(s);
    // Camera, cuts and the view.
    moveCamera(device, s);
    setView(device);
}

void Scene::moveCamera(IDirect3DDevice8* device, float s) {
    camera_.SetOrientation(shownYaw_, shownPitch_);
    camera_.Update(s);
    if (camera_.CurrentIsPivot()) camera_.ApplyPivot();
    shownYaw_ = camera_.Yaw();
    shownPitch_ = camera_.Pitch();
    if (!camera_.CutFlag()) return;

    captureCut(device);
    cutFade_.level = cutFade_.direction == 0 ? 255.0f : 0.0f;
    playlist_.position += 1;
    if (playlist_.position == 1) StartCrowFlight(crowSeq_, crowSounds_);
    timer_.SetVisionMode(SceneTimer::VisionModeAtPosition(playlist_.position, timer_.VisionMode()));
    if (playlist_.position >= playlist_.count) camera_.BuildPlaylist(playlist_);
    camera_.Start(playlist_.Current(), 0);
    shownYaw_ = camera_.Yaw();
    shownPitch_ = camera_.Pitch();
}

void Scene::setView(IDirect3DDevice8* device) {
    const Vector3& eye = camera_.Eye();
    const float yaw = model::Radians(shownYaw_);
    const float pitch = model::Radians(shownPitch_);
    Vector3 at{eye.x + std::cos(yaw) * std::cos(pitch), eye.y + std::sin(pitch),
               eye.z + std::sin(yaw) * std::cos(pitch)};
    model::BuildViewMatrix(&view_, eye, at, Vector3{0.0f, 1.0f, 0.0f});
    if (device) device->SetTransform(D3DTS_VIEW, d3d(view_));
    model::ExtractFrustumPlanes(view_, projection_, frustum_);
}

// ---------------------------------------------------------------------------------------

void Scene::drawScreenQuad(IDirect3DDevice8* device, int quad, float x, float y, float w,
                           float h, DWORD colour) {
    pool_.SetQuad2D(quad, x, y, w, h, colour, 0.0f, 0.0f, 1.0f, 1.0f);
    pool_.SetStream(0, quad);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void Scene::captureCut(IDirect3DDevice8* device) {
    if (!cutFade_.enabled || device == nullptr) return;
    IDirect3DSurface8* target = nullptr;
    if (FAILED(cutFade_.texture->GetSurfaceLevel(0, &target))) return;
    device->BeginScene();
    IDirect3DSurface8* oldTarget = nullptr;
    IDirect3DSurface8* oldDepth = nullptr;
    device->GetRenderTarget(&oldTarget);
    device->GetDepthStencilSurface(&oldDepth);
    device->SetRenderTarget(target, cutFade_.depth);
    DWORD fill = D3DFILL_SOLID;
    device->GetRenderState(D3DRS_FILLMODE, &fill);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                  fill == D3DFILL_WIREFRAME ? 0xFF0000FF : 0xFF000000, 1.0f, 0);
    // Screen-space quads are placed in the capture target's own viewport so the captured
    // image matches what was on screen.
    D3DVIEWPORT8 captureViewport{0, 0, cutFade_.size, cutFade_.size, 0.0f, 1.0f};
    D3DVIEWPORT8 screenViewport = pool_.SetQuadViewport(captureViewport);
    RenderScene(device);
    pool_.SetQuadViewport(screenViewport);
    device->SetRenderTarget(oldTarget, oldDepth);
    device->EndScene();
    if (oldTarget) oldTarget->Release();
    if (oldDepth) oldDepth->Release();
    target->Release();
}

void Scene::drawCloth(IDirect3DDevice8* device, RibbonCloth& cloth, int buffer) {
    pool_.FillVertexBuffer(buffer, cloth.Vertices().data(),
                           static_cast<UINT>(cloth.Vertices().size() * sizeof(ClothVertex)));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    kit_.SetTexture(0, clothTexture_);
    pool_.SetStream(0, buffer);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(cloth.TriangleCount()));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void Scene::RenderScene(IDirect3DDevice8* device) {
    if (device == nullptr) return;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // Sky.
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    sky_.Draw(device, 0);
    // The corona's glow, which the scene then covers.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    corona_.Draw(device, timer_.CoronaIntensity());
    // Billboard trees.
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x30);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    billboards_.Draw(device, billboardWind_);
    // Terrain.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF7D7D7D);
    terrain_.RenderTerrain(device);
    // Oak, horse, crows. The terrain leaves depth writes off; the solid models need
    // them so that they hide one another and everything drawn later.
    device->SetRenderState(D3DRS_AMBIENT, 0xFF050505);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    oak_.RenderModel(device, frustum_);
    horse_.RenderModel(device, frustum_);
    if (crowSeq_.active) crows_.RenderModel(device, frustum_);
    // Darkening.
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF191919);
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTexture(0, nullptr);
    // At alpha 0 the quad blends to exactly what is already there (source times 0 plus
    // destination times 1): a whole screen of fragments that change nothing, skipped.
    const DWORD darkening = alphaColour(timer_.Darkening() * 195.0f, 0x000000);
    if (darkening >> 24) drawScreenQuad(device, screenQuad_, 0.0f, 0.0f, 2.0f, 2.0f, darkening);
    // The light beam, faded by the texture factor.
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    const DWORD beam = alphaColour(timer_.LightBeamAlpha() * 255.0f, 0xFFFFFF);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, beam);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    spotlight_.blendAll = true;
    // Its alpha is the factor's times the texture's, blended in with it and without depth
    // writes: at factor 0 (all day long) the cone changes no pixel, so it is not sent.
    spotlight_.unseen = (beam >> 24) == 0;
    spotlight_.RenderModel(device, frustum_);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    // The sword with the environment reflection on stage 1.
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSMOOTH);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    device->SetTexture(1, cube_);
    {
        const float y = model::Radians(shownYaw_);
        const float p = model::Radians(shownPitch_);
        Matrix4 a = Matrix4::Identity(), b = Matrix4::Identity(), ab;
        a.at(0, 0) = std::cos(y);
        a.at(0, 2) = std::sin(y);
        a.at(2, 0) = -std::sin(y);
        a.at(2, 2) = std::cos(y);
        b.at(0, 0) = std::cos(p);
        b.at(0, 2) = -std::sin(p);
        b.at(2, 0) = std::sin(p);
        b.at(2, 2) = std::cos(p);
        model::MatrixMultiply(&ab, a, b);
        device->SetTransform(D3DTS_TEXTURE1, d3d(ab));
    }
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    sword_.RenderModel(device, frustum_);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    // The ribbon knot, then the cloth strips unlit.
    ribbonMesh_.RenderModel(device, frustum_);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    for (int i = 0; i < 2; ++i) drawCloth(device, cloth_[i], clothBuffers_[i]);
    // The corona again, hidden by nearer geometry.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    corona_.Draw(device, timer_.CoronaIntensity());
    // Grass.
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    grass_.Draw(device, timer_.GrassFade(), grassWind_, frustum_);
    // Rays and beam particles, additive.
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x30);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    rays_.Draw(device, timer_.LightRayIntensity());
    particles_.Draw(device, shownYaw_, shownPitch_, timer_.BeamParticleAlpha());
    // What the device is left with.
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
}

void Scene::RenderFrame(IDirect3DDevice8* device, const std::function<void()>& overlay) {
    if (device == nullptr) return;
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    RenderScene(device);
    // The crossfade: the new image darkened by level / 255, the old one added with it.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    if (cutFade_.enabled && cutFade_.level > 0.0f) {
        device->SetTexture(0, nullptr);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        drawScreenQuad(device, cutFade_.quad, 0.0f, 0.0f, 1.0f, 1.0f,
                       alphaColour(cutFade_.level, 0xFFFFFF));
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetTexture(0, cutFade_.texture);
        DWORD rgb = (DWORD{cutFade_.red} << 16) | (DWORD{cutFade_.green} << 8) | cutFade_.blue;
        drawScreenQuad(device, cutFade_.quad, 0.0f, 0.0f, 1.0f, 1.0f, alphaColour(cutFade_.level, rgb));
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
    }
    // The vision picture, added over the darkened scene. Until T reaches 9000 a new
    // picture is drawn every frame; the one chosen last stays for the cycle.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    if (timer_.Value() < 9000.0f) pictureIndex_ = os::RandomIndex(kVisionPictures);
    kit_.SetTexture(0, pictures_[static_cast<std::size_t>(pictureIndex_)]);
    // Added with the source alpha, which is the texture's times the quad's: at alpha 0
    // the picture adds nothing, and its whole screen of fragments is skipped.
    const DWORD picture = alphaColour(timer_.PictureAlphaFactor() * 255.0f, 0xFFFFFF);
    if (picture >> 24) drawScreenQuad(device, screenQuad_, 0.0f, 0.0f, 1.0f, 1.0f, picture);
    if (overlay) overlay();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace eh::scene
