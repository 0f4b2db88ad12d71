#include "shell/scene_app.h"

#include <cstdlib>
#include <cstring>

namespace eh::shell {

void SceneApp::InitDefaults() {
    showSfxOption_ = true;
    // The shipped saver writes no log; EMBERHOLD_LOG=1 switches it on for troubleshooting.
    const char* log = std::getenv("EMBERHOLD_LOG");
    loggingSwitch_ = log != nullptr && std::strcmp(log, "1") == 0;
    extra_ = defaultExtra_;
}

void SceneApp::ReadExtraSettings() { ReadExtraSetting(extra_, SettingsPath()); }

void SceneApp::WriteExtraSettings() { WriteExtraSetting(extra_, SettingsPath()); }

void SceneApp::ResetExtraSettings() { extra_ = defaultExtra_; }

}  // namespace eh::shell
