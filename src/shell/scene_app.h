// The concrete screensaver: the framework's operations filled in for this scene, which it
// builds on the app's vertex-buffer pool and texture manager and a sound system of its own.
#pragma once

#include "scene/scene.h"
#include "shell/saver_app.h"
#include "sound/sound_system.h"

namespace eh::shell {

class SceneApp : public SaverApp {
public:
    SceneApp();
    ~SceneApp() override;

    // The extra setting (registry "UPS"); nothing else consults it.
    bool ExtraSetting() const { return extra_; }
    void SetExtraSetting(bool value) { extra_ = value; }

    void InitDefaults() override;
    void ReadExtraSettings() override;
    void WriteExtraSettings() override;
    void ResetExtraSettings() override;
    void StartSound() override;
    void StopSound() override;
    void InitDeviceState(IDirect3DDevice8* device) override;
    void LoadScene(IDirect3DDevice8* device) override;
    void FrameMove(IDirect3DDevice8* device, float elapsedMs) override;
    void RenderFrame(IDirect3DDevice8* device) override;
    void ReleaseDeviceObjects() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects(IDirect3DDevice8* device) override;
    void PrefetchMedia() override;

private:
    bool extra_ = false;
    // On the program's one audio library, whose file must be gone however the process
    // ends; declared before the scene, which holds a pointer to it.
    sound::SoundSystem sound_;
    // Built on first use of the scene hooks, so that modes without a scene (the dialog,
    // --print-settings) never touch the media.
    std::unique_ptr<scene::Scene> scene_;
    scene::Scene& scene();
    bool soundStarted_ = false;
};

}  // namespace eh::shell
