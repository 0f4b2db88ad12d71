// The shipped resources, as embedded in the executable.
#include <gtest/gtest.h>

#include "config/default_settings.h"
#include "config/text_table.h"
#include "platform/os/message_box.h"

namespace eh::config {
namespace {

TEST(ShippedTextTable, HasEveryCaptionTheDialogsAskFor) {
    TextTable t;
    t.Load();
    ASSERT_GT(t.LineCount(), 0u) << "resource 482 is not embedded";
    EXPECT_EQ(t.Lookup("screensaver_configuration"), "Emberhold 3D Bildschirmschoner Konfiguration");
    EXPECT_EQ(t.Lookup("master_volume:"), "Lautst\xE4rke:");
    EXPECT_EQ(t.Lookup("fullscreen_antialiasing"), "Vollbild mit Antialias");
    EXPECT_EQ(t.Lookup("about"), "\xDC" "ber");
    EXPECT_EQ(t.Lookup("cancel"), "Abbrechen");
    for (const char* key :
         {"video_mode_selection", "use_desktop_settings", "sound_control", "enable_music",
          "enable_sfx", "graphics", "gamma_control:", "none", "samples", "misc_options",
          "show_fps", "show_time", "24h_style", "12h_style", "exit_on_mouse_move",
          "restore_defaults", "ok"}) {
        EXPECT_FALSE(t.Lookup(key).empty()) << key;
    }
    auto about = SplitAboutText(t.Lookup("about_window_text"));
    EXPECT_FALSE(about[0].empty());
    EXPECT_TRUE(about[4].empty());
    EXPECT_FALSE(about[6].empty());
    for (const auto& line : about) EXPECT_LE(line.size(), 40u) << line;
}

TEST(ShippedDefaults, HaveEveryKeyWithoutABox) {
    int boxes = 0;
    os::ScopedMessageBoxHandler count([&](const os::MessageBoxCall&) { return ++boxes, IDOK; });
    DefaultSettings d;
    d.Load();
    EXPECT_EQ(d.GetInt("ShowFPS"), 0);
    EXPECT_EQ(d.GetInt("ExitOnMouseMove"), 0);
    EXPECT_EQ(d.GetInt("ShowTime"), 1);
    EXPECT_EQ(d.GetInt("Music"), 1);
    EXPECT_EQ(d.GetInt("SFX"), 1);
    EXPECT_EQ(d.GetInt("MusicVolume"), 70);
    EXPECT_EQ(d.GetInt("MW"), 800);
    EXPECT_EQ(d.GetInt("MH"), 600);
    EXPECT_EQ(d.GetInt("MBitCount"), 32);
    EXPECT_EQ(d.GetInt("FSAA"), 0);
    EXPECT_EQ(d.GetInt("UseDktpSet"), 1);
    EXPECT_EQ(d.GetInt("DigClock_24H"), 1);
    EXPECT_EQ(d.GetInt("GammControl"), 100);
    EXPECT_EQ(d.GetInt("PS_Fire"), 1);
    EXPECT_EQ(boxes, 0);
}

}  // namespace
}  // namespace eh::config
