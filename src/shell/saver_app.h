// The screensaver framework: start-up order, run modes and the operations a concrete saver
// overrides.
//
// There is one application object per process (a SceneApp); its constructor parses the
// default settings and makes itself reachable through SaverApp::Instance() for callbacks
// that carry no context (window procedures, dialog procedures). Tests may create further
// objects; the newest one is the instance.
#pragma once

#include <cstdint>
#include <string>

#include "config/default_settings.h"
#include "config/text_table.h"
#include "platform/os/single_instance.h"
#include "platform/os/win32_types.h"
#include "shell/command_line.h"
#include "shell/log_file.h"
#include "shell/settings_store.h"

namespace eh::shell {

class SaverApp {
public:
    SaverApp();
    virtual ~SaverApp();
    SaverApp(const SaverApp&) = delete;
    SaverApp& operator=(const SaverApp&) = delete;

    static SaverApp* Instance();

    // Start-up up to the point where the mode's own work begins: text table, defaults
    // hook, command line, log, single-instance check. `commandLine` is the whole command
    // line of the process, program name included.
    void Initialize(HINSTANCE instance, const char* commandLine);
    // Runs the mode. Returns the process exit code.
    int Execute();

    // Virtual operations, in slot order; the framework calls them at fixed points.
    virtual void InitDefaults() {}
    virtual void ReadExtraSettings() {}
    virtual void WriteExtraSettings() {}
    virtual void ResetExtraSettings() {}

    // Restore defaults: the default record over the settings, and the extra setting.
    void RestoreDefaults();

    RunMode Mode() const { return mode_; }
    std::uintptr_t ParentWindow() const { return parentWindow_; }
    bool RunAllowed() const { return runAllowed_; }
    SaverSettings& Settings() { return settings_; }
    const SaverSettings& DefaultRecord() const { return defaults_; }
    const config::TextTable& Texts() const { return texts_; }
    LogFile& Log() { return log_; }
    bool LoggingSwitch() const { return loggingSwitch_; }
    bool ShowSfxOption() const { return showSfxOption_; }

    // Where settings are read from and written to (the user's settings file unless a test
    // points it elsewhere).
    const std::string& SettingsPath() const { return settingsPath_; }
    void SetSettingsPath(std::string path) { settingsPath_ = std::move(path); }
    // Lock file of the single-instance check (tests point it elsewhere).
    void SetInstanceLockPath(std::string path) { lockPath_ = std::move(path); }

protected:
    // Called by Execute for the saver, preview and test modes after the settings are read.
    // Returns the exit code. The framework's own version reports that no saver loop exists.
    virtual int MainLoop();
    // Called by Execute for the configuration mode. Returns the exit code.
    virtual int RunConfigDialog();

    bool loggingSwitch_ = false;
    bool showSfxOption_ = true;
    bool defaultExtra_ = false;  // the extra setting's default, from the default text

private:
    config::TextTable texts_;
    config::DefaultSettings defaultText_;
    SaverSettings defaults_;
    SaverSettings settings_;
    LogFile log_;
    RunMode mode_ = RunMode::Config;
    std::uintptr_t parentWindow_ = 0;
    HINSTANCE instance_ = nullptr;
    bool runAllowed_ = true;
    std::string settingsPath_;
    std::string lockPath_;
    os::SingleInstanceLock instanceLock_;
};

}  // namespace eh::shell
