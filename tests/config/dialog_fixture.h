// A configuration dialog over the shipped texts and defaults, a settings file and a log in
// a temporary folder, and a mode list without any graphics device.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/default_settings.h"
#include "config/dialog_controller.h"
#include "config/text_table.h"
#include "shell/temp_dir.h"

namespace eh::config::testing {

// Types 0, 2, 3, 4 supported: list positions 0..3 hold types 0, 2, 3, 4.
inline std::array<bool, ListedModes::kMultisampleEntries> SupportedUpTo4() {
    std::array<bool, ListedModes::kMultisampleEntries> s{};
    s[0] = s[1] = s[2] = s[3] = true;
    return s;
}

class DialogFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        texts.Load();
        ASSERT_GT(texts.LineCount(), 0u) << "resource 482 is not embedded";
        DefaultSettings defaultText;
        defaultText.Load();
        BuildDefaultRecord(defaultText, &defaults, &defaultExtra);
        settings = defaults;
        extra = defaultExtra;
        log.Open(logPath().c_str());
    }

    std::string settingsPath() const { return dir.file("settings.conf"); }
    std::string logPath() const { return dir.file("Config_Log.txt"); }
    std::string readSettingsFile() const { return eh::testing::TempDir::read(settingsPath()); }
    std::string readLog() const { return eh::testing::TempDir::read(logPath()); }

    DialogContext context() {
        DialogContext c;
        c.settings = &settings;
        c.defaults = &defaults;
        c.texts = &texts;
        c.log = &log;
        c.settingsPath = settingsPath();
        c.showSfxOption = showSfxOption;
        c.modes = &modes;
        c.readExtraSettings = [this] { ReadExtraSetting(extra, settingsPath()); };
        c.writeExtraSettings = [this] { WriteExtraSetting(extra, settingsPath()); };
        c.resetExtraSettings = [this] {
            extra = defaultExtra;
            ++extraResets;
        };
        return c;
    }

    // A controller after WM_INITDIALOG.
    ConfigDialogController& open() {
        controller = std::make_unique<ConfigDialogController>(context());
        controller->InitDialog();
        return *controller;
    }

    const ControlState& control(int controlId) const {
        return controller->Controls().Get(controlId);
    }

    eh::testing::TempDir dir;
    TextTable texts;
    SaverSettings defaults;
    SaverSettings settings;
    bool defaultExtra = false;
    bool extra = false;
    int extraResets = 0;
    bool showSfxOption = true;
    LogFile log;
    ListedModes modes{{{640, 480, 16}, {800, 600, 32}, {1024, 768, 16}, {1024, 768, 32}},
                      SupportedUpTo4()};
    std::unique_ptr<ConfigDialogController> controller;
};

}  // namespace eh::config::testing
