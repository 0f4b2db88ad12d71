#include "shell/scene_app.h"

#include <cstdlib>
#include <cstring>

namespace eh::shell {

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

void SceneApp::ReadExtraSettings() {
    ReadExtraSetting(extra_, SettingsPath());
}

void SceneApp::WriteExtraSettings() {
    WriteExtraSetting(extra_, SettingsPath());
}

void SceneApp::ResetExtraSettings() {
    extra_ = defaultExtra_;
}

}  // namespace eh::shell
