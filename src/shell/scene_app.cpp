#include "shell/scene_app.h"

#include <cstdlib>
#include <cstring>

#include "shell/start_timings.h"
#include "sound/sound_system.h"

namespace eh::shell {

SceneApp::SceneApp() : sound_(sound::ProgramAudioLibrary()) { extra_ = defaultExtra_; }

SceneApp::~SceneApp() {
    // Every way out of the program unloads the audio library and deletes its file, the
    // close command's path (which skips Shutdown) included.
    if (soundStarted_) sound_.StopSound();
}

scene::Scene& SceneApp::scene() {
    if (!scene_) {
        scene_ = std::make_unique<scene::Scene>(Pool(), Kit(), &sound_);
    }
    return *scene_;
}

void SceneApp::InitDefaults() {
    graphics::OverlayLayout& layout = Overlay().layout;
    layout.glyphHeight = 0.06375f;
    layout.glyphWidth = 0.047f;
    layout.advance = 0.79f;
    layout.clockX = 0.69f;
    layout.clockY = 0.92f;
    layout.fpsX = 0.01f;
    layout.fpsY = 0.01f;
    layout.red = layout.green = layout.blue = 255;
    showSfxOption_ = true;
    // The shipped saver writes no log; EMBERHOLD_LOG=1 switches it on for troubleshooting.
    const char* log = std::getenv("EMBERHOLD_LOG");
    loggingSwitch_ = log != nullptr && std::strcmp(log, "1") == 0;
    extra_ = defaultExtra_;
}

void SceneApp::ReadExtraSettings() { config::ReadExtraSetting(extra_, SettingsPath()); }

void SceneApp::WriteExtraSettings() { config::WriteExtraSetting(extra_, SettingsPath()); }

void SceneApp::ResetExtraSettings() { extra_ = defaultExtra_; }

void SceneApp::StartSound() {
    const config::SaverSettings& s = Settings();
    sound::SoundSettings settings{s.Music != FALSE, s.SFX != FALSE, s.MusicVolume};
    if (settings.music || settings.effects) {
        soundStarted_ = true;
        sound_.StartSound(settings, MainWindow(), LogLine());
    }
    // The horse's first sequence is built at the end of the sound start, with sound or not.
    scene().BuildFirstHorseSequence();
}

void SceneApp::StopSound() {
    if (!soundStarted_) return;
    sound_.StopSound();
    soundStarted_ = false;
}

void SceneApp::InitDeviceState(IDirect3DDevice8* device) { scene().InitDeviceState(device); }

void SceneApp::LoadScene(IDirect3DDevice8* device) {
    scene().SetSeed(RandomSeed());
    if (StartTimingsOn()) scene().SetLoadMarks(&StartTimingsMark);
    const D3DPRESENT_PARAMETERS& pp = PresentParameters();
    scene().LoadScene(device, pp.BackBufferFormat, pp.AutoDepthStencilFormat);
}

void SceneApp::PrefetchMedia() { scene().PrefetchMedia(); }

void SceneApp::FrameMove(IDirect3DDevice8* device, float elapsedMs) {
    scene().FrameMove(device, elapsedMs);
}

void SceneApp::RenderFrame(IDirect3DDevice8* device) {
    scene().RenderFrame(device, [this, device] { DrawOverlay(device); });
}

void SceneApp::ReleaseDeviceObjects() {
    if (scene_) scene_->ReleaseDeviceObjects();
}

void SceneApp::InvalidateDeviceObjects() {
    if (scene_) scene_->InvalidateDeviceObjects();
}

void SceneApp::RestoreDeviceObjects(IDirect3DDevice8* device) {
    if (scene_) scene_->RestoreDeviceObjects(device);
}

}  // namespace eh::shell
