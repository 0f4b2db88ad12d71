// The configuration dialog over the adapter catalog (a scripted Direct3D object).
#include <gtest/gtest.h>

#include "config/dialog_controller.h"
#include "config/text_table.h"
#include "platform/os/message_box.h"
#include "shell/config_dialog_run.h"
#include "shell/temp_dir.h"
#include "support/fake_direct3d.h"

namespace eh::shell {
namespace {

namespace id = config::dialog_id;
using testing::FakeAdapter;
using testing::FakeDirect3D;

D3DDISPLAYMODE mode(UINT w, UINT h, D3DFORMAT f) {
    return D3DDISPLAYMODE{w, h, 60, f};
}

class CatalogDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeAdapter a;
        a.modes = {mode(640, 480, D3DFMT_R5G6B5), mode(800, 600, D3DFMT_X8R8G8B8),
                   mode(1024, 768, D3DFMT_X8R8G8B8)};
        // Multisample types 2, 3 and 4 on top of "none": list entries 0..3.
        for (int type : {2, 3, 4}) a.multisample.insert({D3DFMT_X8R8G8B8, type});
        d3d.adapters = {a};
        d3d.AddRef();
        ASSERT_EQ(catalog.Adopt(&d3d), S_OK);

        const char table[] =
            "#screensaver_configuration#\nTitle\n#none#\nKein\n#samples#\nProben\n";
        texts.LoadFromBytes(reinterpret_cast<const std::uint8_t*>(table), sizeof table - 1);
        defaults.Width = 800;
        defaults.Height = 600;
        defaults.BitCount = 32;
        defaults.MusicVolume = 70;
        defaults.GmCntrl = 100;
        settings = defaults;
        log.SetEnabled(false);
    }
    ~CatalogDialogTest() override { catalog.ReleaseDirect3D(); }

    config::DialogContext context() {
        config::DialogContext c;
        c.settings = &settings;
        c.defaults = &defaults;
        c.texts = &texts;
        c.log = &log;
        c.settingsPath = dir.file("settings.conf");
        c.modes = &source;
        return c;
    }

    os::ScopedMessageBoxHandler quiet{[](const os::MessageBoxCall&) { return IDOK; }};
    eh::testing::TempDir dir;
    FakeDirect3D d3d;
    graphics::AdapterCatalog catalog;
    graphics::CatalogModeSource source{catalog};
    config::TextTable texts;
    config::SaverSettings defaults;
    config::SaverSettings settings;
    config::LogFile log;
};

TEST_F(CatalogDialogTest, ListsComeFromTheCatalogAndSelectionsReachIt) {
    config::ConfigDialogController dialog(context());
    dialog.InitDialog();
    const config::ControlState& modes = dialog.Controls().Get(id::kModeList);
    ASSERT_EQ(modes.items.size(), 3u);
    EXPECT_EQ(modes.items[1].text, "800 x 600 32 bits");
    EXPECT_EQ(modes.selection, 1);
    const config::ControlState& fsaa = dialog.Controls().Get(id::kFsaaList);
    ASSERT_EQ(fsaa.items.size(), 4u);
    EXPECT_EQ(fsaa.items[0].text, "Kein");
    EXPECT_EQ(fsaa.items[3].text, "4 Proben");

    dialog.Controls()[id::kFsaaList].selection = 3;
    dialog.Command(id::kFsaaList, CBN_SELENDOK);
    EXPECT_EQ(settings.FSAA, 4);
    EXPECT_EQ(catalog.Mirror().multisampleType, 4);

    dialog.Controls()[id::kModeList].selection = 0;
    dialog.Command(id::kModeList, CBN_SELENDOK);
    EXPECT_EQ(settings.Width, 640);
    EXPECT_EQ(settings.BitCount, 16);
    EXPECT_EQ(catalog.Mirror().width, 640u);
}

TEST_F(CatalogDialogTest, StoredModeAndTypeAreSelectedAndOutOfRangeDataIgnored) {
    settings.Width = 1024;
    settings.Height = 768;
    settings.FSAA = 3;
    config::ConfigDialogController dialog(context());
    // ReadSettings finds no file and keeps these.
    dialog.InitDialog();
    EXPECT_EQ(dialog.Controls().Get(id::kModeList).selection, 2);
    EXPECT_EQ(dialog.Controls().Get(id::kFsaaList).selection, 2);

    source.SetCurrentMode(3);
    source.SetCurrentMode(-1);
    source.SetCurrentMultisampleEntry(4);
    EXPECT_EQ(source.Selection().width, 1024);
    EXPECT_EQ(source.Selection().multisample, 3);
}

TEST(CatalogModeSourceEmpty, AnEmptyCatalogGivesEmptyLists) {
    graphics::AdapterCatalog catalog;
    graphics::CatalogModeSource source(catalog);
    config::TextTable texts;
    source.SelectMode(800, 600, 32, 0);
    source.SetCurrentMode(0);
    source.SetCurrentMultisampleEntry(0);
    EXPECT_EQ(source.Selection().width, 0);
    config::DialogLists lists = config::BuildDialogLists(source, texts);
    EXPECT_TRUE(lists.modes.empty());
    EXPECT_TRUE(lists.multisample.empty());
}

}  // namespace
}  // namespace eh::shell
