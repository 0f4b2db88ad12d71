// The concrete screensaver: the framework's operations filled in for this scene.
#pragma once

#include "shell/saver_app.h"

namespace eh::shell {

class SceneApp : public SaverApp {
public:
    SceneApp() { extra_ = defaultExtra_; }

    // The extra setting (registry "UPS"); nothing else consults it.
    bool ExtraSetting() const { return extra_; }
    void SetExtraSetting(bool value) { extra_ = value; }

    void InitDefaults() override;
    void ReadExtraSettings() override;
    void WriteExtraSettings() override;
    void ResetExtraSettings() override;

private:
    bool extra_ = false;
};

}  // namespace eh::shell
