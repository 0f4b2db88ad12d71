#include "shell/saver_app.h"

#include <cstdio>

#include "platform/os/registry.h"

namespace eh::shell {
namespace {
SaverApp* gInstance = nullptr;
}  // namespace

SaverApp::SaverApp() : settingsPath_(os::SettingsFilePath()), lockPath_(os::SingleInstanceLock::DefaultPath()) {
    gInstance = this;
    defaultText_.Load();
    BuildDefaultRecord(defaultText_, &defaults_, &defaultExtra_);
    settings_ = defaults_;
}

SaverApp::~SaverApp() {
    if (gInstance == this) gInstance = nullptr;
}

SaverApp* SaverApp::Instance() { return gInstance; }

void SaverApp::Initialize(HINSTANCE instance, const char* commandLine) {
    texts_.Load();
    InitDefaults();
    instance_ = instance;
    ParsedCommandLine parsed = ParseCommandLine(commandLine);
    mode_ = parsed.mode;
    parentWindow_ = parsed.parentWindow;

    log_.SetEnabled(loggingSwitch_);
    switch (mode_) {
        case RunMode::Preview:
        case RunMode::Saver:
        case RunMode::Test: log_.Open("Saver_Log.txt"); break;
        case RunMode::Config: log_.Open("Config_Log.txt"); break;
        case RunMode::ChangePassword: break;
    }

    // A second copy, in any mode, ends silently.
    if (!instanceLock_.Acquire(lockPath_)) {
        runAllowed_ = false;
        return;
    }
}

int SaverApp::Execute() {
    if (!runAllowed_) return 0;
    switch (mode_) {
        case RunMode::Config: return RunConfigDialog();
        case RunMode::ChangePassword:
            // No screensaver password exists on this platform.
            return 0;
        case RunMode::Preview:
        case RunMode::Saver:
        case RunMode::Test:
            ReadSettings(settings_, settingsPath_);
            ReadExtraSettings();
            return MainLoop();
    }
    return 0;
}

void SaverApp::RestoreDefaults() {
    settings_ = defaults_;
    ResetExtraSettings();
}

int SaverApp::MainLoop() {
    std::fprintf(stderr, "emberhold: the %s mode is not built yet\n", RunModeName(mode_));
    log_.Close();
    return 2;
}

int SaverApp::RunConfigDialog() {
    std::fprintf(stderr, "emberhold: the configuration dialog is not built yet\n");
    log_.Close();
    return 2;
}

}  // namespace eh::shell
