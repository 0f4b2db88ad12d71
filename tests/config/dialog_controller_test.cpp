// The configuration dialog's message rules, without a display.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tests/config/dialog_fixture.h"

namespace eh::config {
namespace {

namespace id = dialog_id;
using testing::DialogFixture;

constexpr char kUmlautU[] = "\xDC";  // Windows-1252 "Ü"

TEST_F(DialogFixture, InitDialogShowsDefaultsCaptionsListsAndLogsEachStep) {
    ConfigDialogController& c = open();
    EXPECT_EQ(c.Title(), "Emberhold 3D Bildschirmschoner Konfiguration");
    EXPECT_EQ(c.EndResult(), 0);
    EXPECT_EQ(extraResets, 1);

    EXPECT_EQ(control(id::kVideoGroup).text, "Videomodus");
    EXPECT_EQ(control(id::kVolumeLabel).text, "Lautst\xE4rke:");
    EXPECT_EQ(control(id::kFsaaLabel).text, "Vollbild mit Antialias");
    EXPECT_EQ(control(id::kAbout).text, std::string(kUmlautU) + "ber...");
    EXPECT_EQ(control(id::kRestoreDefaults).text, "Ursprungseinstellungen");
    EXPECT_EQ(control(id::kCancel).text, "Abbrechen");
    EXPECT_EQ(control(id::kGammaLabel).text, "Gammakontrolle: 100%");

    // Shipped defaults: clock on in 24-hour style, music and SFX on, desktop settings on.
    EXPECT_FALSE(control(id::kShowFps).checked);
    EXPECT_FALSE(control(id::kExitOnMouseMove).checked);
    EXPECT_TRUE(control(id::kShowTime).checked);
    EXPECT_TRUE(control(id::kClock24h).checked);
    EXPECT_FALSE(control(id::kClock12h).checked);
    EXPECT_TRUE(control(id::kClock24h).enabled);
    EXPECT_TRUE(control(id::kMusic).checked);
    EXPECT_TRUE(control(id::kSfx).checked);
    EXPECT_TRUE(control(id::kSfx).visible);
    EXPECT_TRUE(control(id::kUseDesktopSettings).checked);
    EXPECT_FALSE(control(id::kModeList).enabled);
    EXPECT_TRUE(control(id::kVolume).enabled);

    const ControlState& volume = control(id::kVolume);
    EXPECT_EQ(volume.rangeMin, 1);
    EXPECT_EQ(volume.rangeMax, 100);
    EXPECT_EQ(volume.position, 70);
    EXPECT_EQ(volume.pageSize, 10);
    const ControlState& gamma = control(id::kGamma);
    EXPECT_EQ(gamma.rangeMin, 10);
    EXPECT_EQ(gamma.rangeMax, 200);
    EXPECT_EQ(gamma.position, 100);
    EXPECT_EQ(gamma.pageSize, 1);

    const ControlState& modeList = control(id::kModeList);
    ASSERT_EQ(modeList.items.size(), 4u);
    EXPECT_EQ(modeList.items[1].text, "800 x 600 32 bits");
    EXPECT_EQ(modeList.items[2].text, "1024 x 768 16 bits");
    EXPECT_EQ(modeList.items[3].data, 3);
    EXPECT_EQ(modeList.selection, 1);
    const ControlState& fsaa = control(id::kFsaaList);
    ASSERT_EQ(fsaa.items.size(), 4u);
    EXPECT_EQ(fsaa.items[0].text, "Kein");
    EXPECT_EQ(fsaa.items[3].text, "4 Proben");
    EXPECT_EQ(fsaa.items[3].data, 3);
    EXPECT_EQ(fsaa.selection, 0);

    EXPECT_EQ(readLog(),
              "Log started\r\n\r\n"
              "Read settings from reg complete.\r\n"
              "Video mode controls init complete.\r\n"
              "Dialog controls init complete.\r\n"
              "Def Dialog controls init complete.\r\n"
              "Create Config Window complete.\r\n");
}

TEST_F(DialogFixture, InitDialogReadsStoredValuesAndCopiesTheEffectiveModeBack) {
    eh::testing::TempDir::write(settingsPath(),
                                "[Software\\Kestrelle\\Emberhold 3D Screensaver]\n"
                                "ShowFPS=2\nDigClock_24H=1\nGmCntrl=150\nMusic=1\nSFX=1\n"
                                "MusicVolume=35\nUseDesktopSettings=1\n"
                                "Width=1024\nHeight=768\nBitCount=32\nFSAA=3\nUPS=1\n");
    open();
    EXPECT_TRUE(settings.ShowFPS);
    EXPECT_FALSE(extra);
    EXPECT_TRUE(control(id::kShowFps).checked);
    EXPECT_TRUE(control(id::kClock12h).checked);
    EXPECT_FALSE(control(id::kClock24h).checked);
    EXPECT_EQ(control(id::kGammaLabel).text, "Gammakontrolle: 150%");
    EXPECT_EQ(control(id::kGamma).position, 150);
    EXPECT_EQ(control(id::kVolume).position, 35);
    // Music and SFX both off: the slider and its label are greyed.
    EXPECT_FALSE(control(id::kVolume).enabled);
    EXPECT_FALSE(control(id::kVolumeLabel).enabled);
    EXPECT_TRUE(control(id::kModeList).enabled);
    EXPECT_EQ(control(id::kModeList).selection, 3);
    EXPECT_EQ(control(id::kFsaaList).selection, 2);
    EXPECT_EQ(settings.FSAA, 3);
}

TEST_F(DialogFixture, AStoredModeTheAdapterLacksKeepsTheEarlierChoice) {
    eh::testing::TempDir::write(settingsPath(),
                                "[Software\\Kestrelle\\Emberhold 3D Screensaver]\n"
                                "Width=1280\nHeight=1024\nBitCount=32\nFSAA=8\n");
    open();
    // The catalog's earlier choice is its first mode; the settings now show that one.
    EXPECT_EQ(settings.Width, 640);
    EXPECT_EQ(settings.Height, 480);
    EXPECT_EQ(settings.BitCount, 16);
    EXPECT_EQ(settings.FSAA, 0);
    EXPECT_EQ(control(id::kModeList).selection, 0);
}

TEST_F(DialogFixture, TogglesSetTheirOwnMarksAndEnableTheirDependents) {
    ConfigDialogController& c = open();
    c.Command(id::kShowFps);
    EXPECT_TRUE(settings.ShowFPS);
    EXPECT_TRUE(control(id::kShowFps).checked);
    c.Command(id::kShowFps);
    EXPECT_FALSE(settings.ShowFPS);
    EXPECT_FALSE(control(id::kShowFps).checked);

    c.Command(id::kExitOnMouseMove);
    EXPECT_TRUE(settings.ExitOnMouseMove);
    EXPECT_TRUE(control(id::kExitOnMouseMove).checked);

    c.Command(id::kShowTime);
    EXPECT_FALSE(settings.ShowTime);
    EXPECT_FALSE(control(id::kShowTime).checked);
    EXPECT_FALSE(control(id::kClock24h).enabled);
    EXPECT_FALSE(control(id::kClock12h).enabled);
    EXPECT_TRUE(control(id::kClock24h).checked);  // the style is kept while greyed
    c.Command(id::kShowTime);
    EXPECT_TRUE(control(id::kClock24h).enabled);
    EXPECT_TRUE(control(id::kClock12h).enabled);

    c.Command(id::kUseDesktopSettings);
    EXPECT_FALSE(settings.UseDesktopSettings);
    EXPECT_TRUE(control(id::kModeList).enabled);
    c.Command(id::kUseDesktopSettings);
    EXPECT_FALSE(control(id::kModeList).enabled);
    EXPECT_EQ(control(id::kModeList).selection, 1);  // greyed, selection kept
}

TEST_F(DialogFixture, RadioPairHoldsExactlyOneMark) {
    ConfigDialogController& c = open();
    c.Command(id::kClock12h);
    EXPECT_FALSE(settings.DigClock_24H);
    EXPECT_TRUE(control(id::kClock12h).checked);
    EXPECT_FALSE(control(id::kClock24h).checked);
    c.Command(id::kClock12h);  // clicking the marked one again changes nothing
    EXPECT_FALSE(settings.DigClock_24H);
    EXPECT_TRUE(control(id::kClock12h).checked);
    c.Command(id::kClock24h);
    EXPECT_TRUE(settings.DigClock_24H);
    EXPECT_TRUE(control(id::kClock24h).checked);
    EXPECT_FALSE(control(id::kClock12h).checked);
}

TEST_F(DialogFixture, VolumeIsGreyedOnlyWhileMusicAndSfxAreBothOff) {
    ConfigDialogController& c = open();
    c.Command(id::kMusic);
    EXPECT_FALSE(settings.Music);
    EXPECT_FALSE(control(id::kMusic).checked);
    EXPECT_TRUE(control(id::kVolume).enabled);
    c.Command(id::kSfx);
    EXPECT_FALSE(settings.SFX);
    EXPECT_FALSE(control(id::kVolume).enabled);
    EXPECT_FALSE(control(id::kVolumeLabel).enabled);
    c.Command(id::kSfx);
    EXPECT_TRUE(control(id::kVolume).enabled);
    EXPECT_TRUE(control(id::kVolumeLabel).enabled);
    c.Command(id::kSfx);
    c.Command(id::kMusic);
    EXPECT_TRUE(control(id::kVolume).enabled);
}

TEST_F(DialogFixture, WithoutTheSfxOptionSfxIsOffAndItsBoxHidden) {
    showSfxOption = false;
    ConfigDialogController& c = open();
    EXPECT_FALSE(settings.SFX);
    EXPECT_FALSE(control(id::kSfx).visible);
    EXPECT_TRUE(control(id::kVolume).enabled);  // music is still on
    c.Command(id::kMusic);
    EXPECT_FALSE(control(id::kVolume).enabled);
}

TEST_F(DialogFixture, GammaLabelFollowsTheSliderAtOnce) {
    ConfigDialogController& c = open();
    c.Controls()[id::kGamma].position = 150;
    c.HScroll(TB_THUMBTRACK);
    EXPECT_EQ(settings.GmCntrl, 150);
    EXPECT_EQ(control(id::kGammaLabel).text, "Gammakontrolle: 150%");

    // A keyboard step is taken with the TB_ENDTRACK that follows it.
    c.Controls()[id::kGamma].position = 151;
    c.HScroll(TB_LINEDOWN);
    EXPECT_EQ(settings.GmCntrl, 150);
    c.HScroll(TB_ENDTRACK);
    EXPECT_EQ(settings.GmCntrl, 151);
    EXPECT_EQ(control(id::kGammaLabel).text, "Gammakontrolle: 151%");

    for (int code : {TB_PAGEUP, TB_PAGEDOWN, TB_THUMBPOSITION}) {
        c.Controls()[id::kGamma].position = 20 + code;
        c.HScroll(code);
        EXPECT_EQ(settings.GmCntrl, 20 + code) << code;
    }
    // Positions outside the trackbar's range never reach the byte field.
    c.Controls()[id::kGamma].position = 900;
    c.HScroll(TB_THUMBTRACK);
    EXPECT_EQ(settings.GmCntrl, 200);
}

TEST_F(DialogFixture, VolumeFollowsEveryChangeKeyboardIncluded) {
    ConfigDialogController& c = open();
    c.Controls()[id::kVolume].position = 50;
    c.HScroll(TB_THUMBTRACK);
    EXPECT_EQ(settings.MusicVolume, 50);
    // Arrow keys: TB_LINEDOWN then TB_ENDTRACK. The value on screen is what OK stores.
    c.Controls()[id::kVolume].position = 51;
    c.HScroll(TB_LINEDOWN);
    EXPECT_EQ(settings.MusicVolume, 51);
    c.Controls()[id::kVolume].position = 1;
    c.HScroll(TB_TOP);
    c.HScroll(TB_ENDTRACK);
    EXPECT_EQ(settings.MusicVolume, 1);
    EXPECT_EQ(settings.GmCntrl, 100);  // moving the volume leaves the gamma alone

    c.Command(id::kOk);
    EXPECT_NE(readSettingsFile().find("MusicVolume=1\n"), std::string::npos);
}

TEST_F(DialogFixture, ListSelectionsStoreTheModeAndTheMultisampleType) {
    ConfigDialogController& c = open();
    c.Controls()[id::kModeList].selection = 2;
    c.Command(id::kModeList, CBN_SELENDOK);
    EXPECT_EQ(settings.Width, 1024);
    EXPECT_EQ(settings.Height, 768);
    EXPECT_EQ(settings.BitCount, 16);

    // The fourth supported entry is type 4 (types 0, 2, 3, 4), not list position 3.
    c.Controls()[id::kFsaaList].selection = 3;
    c.Command(id::kFsaaList, CBN_SELENDOK);
    EXPECT_EQ(settings.FSAA, 4);
    c.Controls()[id::kFsaaList].selection = 1;
    c.Command(id::kFsaaList, CBN_SELENDOK);
    EXPECT_EQ(settings.FSAA, 2);

    // No selection, or one past the items, is ignored.
    c.Controls()[id::kFsaaList].selection = -1;
    c.Command(id::kFsaaList, CBN_SELENDOK);
    c.Controls()[id::kModeList].selection = 9;
    c.Command(id::kModeList, CBN_SELENDOK);
    EXPECT_EQ(settings.FSAA, 2);
    EXPECT_EQ(settings.Width, 1024);
    // Other notifications from a list do nothing.
    c.Controls()[id::kModeList].selection = 0;
    c.Command(id::kModeList, 1);
    EXPECT_EQ(settings.Width, 1024);
}

TEST_F(DialogFixture, RestoreDefaultsThenCancelWritesNothing) {
    eh::testing::TempDir::write(settingsPath(),
                                "[Software\\Kestrelle\\Emberhold 3D Screensaver]\n"
                                "ShowFPS=2\nMusicVolume=35\nGmCntrl=150\nUPS=1\n");
    const std::string before = readSettingsFile();
    ConfigDialogController& c = open();
    ASSERT_FALSE(extra);
    c.Controls()[id::kFsaaList].selection = 3;
    c.Command(id::kFsaaList, CBN_SELENDOK);

    c.Command(id::kRestoreDefaults);
    EXPECT_EQ(extraResets, 2);
    EXPECT_TRUE(extra);
    EXPECT_FALSE(settings.ShowFPS);
    EXPECT_EQ(settings.MusicVolume, 70);
    EXPECT_EQ(settings.FSAA, 0);
    EXPECT_FALSE(control(id::kShowFps).checked);
    EXPECT_EQ(control(id::kVolume).position, 70);
    EXPECT_EQ(control(id::kGammaLabel).text, "Gammakontrolle: 100%");
    EXPECT_EQ(control(id::kFsaaList).selection, 0);
    EXPECT_EQ(readSettingsFile(), before);

    EXPECT_EQ(c.Close(), DialogAction::EndDialog);
    EXPECT_EQ(c.EndResult(), 2);
    EXPECT_EQ(readSettingsFile(), before);
    EXPECT_NE(readLog().find("Create Config Window complete.\r\n\r\nLog finished\r\n"),
              std::string::npos);
    EXPECT_EQ(readLog().find("Write settings"), std::string::npos);
}

TEST_F(DialogFixture, OkWritesEverySettingAndTheExtraOneThenEnds) {
    ConfigDialogController& c = open();
    c.Command(id::kShowFps);
    c.Command(id::kClock12h);
    c.Command(id::kSfx);
    c.Controls()[id::kGamma].position = 42;
    c.HScroll(TB_THUMBPOSITION);
    extra = false;
    EXPECT_EQ(c.Command(id::kOk), DialogAction::EndDialog);
    EXPECT_EQ(c.EndResult(), 1);

    std::string file = readSettingsFile();
    for (const char* line :
         {"ShowFPS=2\n", "DigClock_24H=1\n", "ShowTime=2\n", "SFX=1\n", "Music=2\n", "GmCntrl=42\n",
          "Width=800\n", "Height=600\n", "BitCount=32\n", "FSAA=0\n", "MusicVolume=70\n", "UPS=1\n",
          "UseDesktopSettings=2\n", "ExitOnMouseMove=1\n"}) {
        EXPECT_NE(file.find(line), std::string::npos) << line << " in\n" << file;
    }
    EXPECT_NE(readLog().find("Create Config Window complete.\r\n"
                             "Write settings to reg complete.\r\n\r\nLog finished\r\n"),
              std::string::npos)
        << readLog();
    EXPECT_FALSE(log.IsOpen());

    // An ended dialog takes no further messages.
    c.Command(id::kShowFps);
    EXPECT_TRUE(settings.ShowFPS);
    EXPECT_EQ(c.Command(id::kCancel), DialogAction::None);
    EXPECT_EQ(c.EndResult(), 1);
}

TEST_F(DialogFixture, AboutButtonAsksForTheAboutBoxAndChangesNothing) {
    ConfigDialogController& c = open();
    SaverSettings before = settings;
    EXPECT_EQ(c.Command(id::kAbout), DialogAction::ShowAbout);
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);
    EXPECT_EQ(c.EndResult(), 0);

    AboutTexts about = BuildAboutTexts(texts);
    EXPECT_EQ(about.title, std::string(kUmlautU) + "ber");
    EXPECT_EQ(about.ok, "OK");
    ASSERT_EQ(about.lines.size(), 7u);
    EXPECT_EQ(about.lines[0], "Emberhold 3D Bildschirmschoner 1.0");
    EXPECT_TRUE(about.lines[4].empty());
    EXPECT_FALSE(about.lines[6].empty());
}

TEST_F(DialogFixture, ExtraHooksSeeEveryCommandAndTheInitialControls) {
    std::vector<int> seen;
    DialogContext ctx = context();
    ctx.initExtraControls = [](DialogControls& controls) {
        controls[id::kExtraCheck].checked = true;
    };
    ctx.onExtraCommand = [&](DialogControls&, int controlId, int) -> std::intptr_t {
        seen.push_back(controlId);
        return 0;
    };
    ConfigDialogController c(ctx);
    c.InitDialog();
    EXPECT_TRUE(c.Controls().Get(id::kExtraCheck).checked);
    c.Command(id::kShowFps);
    c.Command(id::kExtraCheck);
    EXPECT_EQ(seen, (std::vector<int>{id::kShowFps, id::kExtraCheck}));
}

TEST(DialogTemplate, HoldsEveryControlOnceAndNotTheExtraCheckBox) {
    const DialogTemplate& t = ConfigDialogTemplate();
    EXPECT_EQ(t.id, 2003);
    EXPECT_EQ(t.bitmapId, 434);
    std::set<int> ids;
    for (const ControlTemplate& c : t.controls) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_LE(c.x + c.w, t.width) << c.id;
        EXPECT_LE(c.y + c.h, t.height) << c.id;
    }
    EXPECT_EQ(ids.size(), 24u);
    EXPECT_EQ(ids.count(id::kExtraCheck), 0u);
    for (int i : {1,    2,    1011, 1012, 1020, 1021, 1022, 1023, 1043, 1044, 1045, 1046,
                  1047, 1062, 1063, 1106, 1110, 1111, 1117, 1118, 1119, 1122, 1124})
        EXPECT_EQ(ids.count(i), 1u) << i;

    const DialogTemplate& a = AboutDialogTemplate();
    EXPECT_EQ(a.bitmapId, 437);
    EXPECT_EQ(a.width, 233);
    EXPECT_EQ(a.height, 100);
    int labels = 0;
    for (const ControlTemplate& c : a.controls) labels += c.kind == ControlKind::Label;
    EXPECT_EQ(labels, 7);
}

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingToNearest) {
    // "MS Sans Serif" 8 at 96 dpi: base units 6 x 13.
    PixelRect picture = DialogUnitsToPixels(207, 5, 128, 89, 6, 13);
    EXPECT_EQ(picture.x, 311);  // 310.5 rounds up
    EXPECT_EQ(picture.y, 8);    // 8.125
    EXPECT_EQ(picture.w, 192);
    EXPECT_EQ(picture.h, 145);  // 144.6
    PixelRect zero = DialogUnitsToPixels(0, 0, 0, 0, 7, 15);
    EXPECT_EQ(zero.w, 0);
    PixelRect negative = DialogUnitsToPixels(-3, -3, 1, 1, 6, 13);
    EXPECT_EQ(negative.x, -5);  // -4.5 rounds away from zero, as MulDiv does
    EXPECT_EQ(negative.y, -5);  // -4.875
}

TEST(ListedModesRules, SelectKeepsTheCurrentEntryWhenNothingMatches) {
    std::array<bool, ListedModes::kMultisampleEntries> supported{};
    supported[0] = supported[3] = true;  // types 0 and 4
    ListedModes m({{800, 600, 32}, {1024, 768, 32}}, supported);
    m.SelectMode(1024, 768, 32, 4);
    EXPECT_EQ(m.Selection().width, 1024);
    EXPECT_EQ(m.Selection().multisample, 4);
    m.SelectMode(1024, 768, 16, 3);  // no 16-bit mode, type 3 unsupported
    EXPECT_EQ(m.Selection().bitCount, 32);
    EXPECT_EQ(m.Selection().multisample, 4);
    m.SetCurrentMultisampleEntry(2);  // only two supported entries
    m.SetCurrentMode(-1);
    m.SetCurrentMode(2);
    EXPECT_EQ(m.Selection().multisample, 4);
    EXPECT_EQ(m.Selection().width, 1024);

    ListedModes empty({}, supported);
    EXPECT_EQ(empty.Selection().width, 0);
    TextTable texts;
    EXPECT_TRUE(BuildDialogLists(empty, texts).modes.empty());
    EXPECT_EQ(BuildDialogLists(empty, texts).modeSelection, -1);
}

TEST_F(DialogFixture, ASourceWithoutModesLeavesTheStoredModeAlone) {
    modes = ListedModes({}, testing::SupportedUpTo4());
    open();
    EXPECT_EQ(settings.Width, 800);
    EXPECT_EQ(settings.Height, 600);
    EXPECT_TRUE(control(id::kModeList).items.empty());
}

TEST(ModeCaptions, ReadAsTheListShowsThem) {
    EXPECT_EQ(ModeCaption(800, 600, 32), "800 x 600 32 bits");
    EXPECT_EQ(ModeCaption(640, 480, 16), "640 x 480 16 bits");
    TextTable texts;
    const char table[] = "#none#\nKein\n#samples#\nProben\n";
    texts.LoadFromBytes(reinterpret_cast<const std::uint8_t*>(table), sizeof table - 1);
    EXPECT_EQ(MultisampleCaption(0, texts), "Kein");
    EXPECT_EQ(MultisampleCaption(3, texts), "4 Proben");
    EXPECT_EQ(MultisampleCaption(15, texts), "16 Proben");
}

}  // namespace
}  // namespace eh::config
