#include "graphics/adapter_catalog.h"

#include <gtest/gtest.h>

#include "config/text_table.h"
#include "platform/os/message_box.h"
#include "support/fake_direct3d.h"

namespace eh::graphics {
namespace {

using testing::FakeAdapter;
using testing::FakeDirect3D;
using testing::Mode;

class AdapterCatalogTest : public ::testing::Test {
  protected:
    std::vector<os::MessageBoxCall> boxes;
    os::ScopedMessageBoxHandler handler{[this](const os::MessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    }};
    FakeDirect3D d3d;
    AdapterCatalog catalog;
    ~AdapterCatalogTest() override { catalog.ReleaseDirect3D(); }
};

TEST_F(AdapterCatalogTest, SmallModesDroppedRefreshRatesMergedAndSorted) {
    FakeAdapter a;
    a.modes = {Mode(1024, 768, D3DFMT_X8R8G8B8, 60), Mode(640, 399, D3DFMT_X8R8G8B8),
               Mode(639, 480, D3DFMT_X8R8G8B8),      Mode(800, 600, D3DFMT_X8R8G8B8, 60),
               Mode(1024, 768, D3DFMT_X8R8G8B8, 85), Mode(800, 600, D3DFMT_R5G6B5, 75),
               Mode(640, 400, D3DFMT_X8R8G8B8),      Mode(800, 600, D3DFMT_X8R8G8B8, 75)};
    d3d.adapters = {a};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    const AdapterRecord& r = catalog.Adapter(0);
    ASSERT_EQ(r.modeCount, 4u);
    EXPECT_EQ(r.modes[0].Width, 640u);
    EXPECT_EQ(r.modes[0].Height, 400u);
    EXPECT_EQ(r.modes[1].Width, 800u);
    EXPECT_EQ(r.modes[2].Width, 800u);
    EXPECT_NE(r.modes[1].Format, r.modes[2].Format);
    EXPECT_EQ(r.modes[3].Width, 1024u);
    EXPECT_STREQ(r.deviceName, "HAL");
    // The mirror follows the first mode.
    EXPECT_EQ(catalog.Mirror().width, 640u);
    EXPECT_TRUE(catalog.SelectionChanged());
}

TEST_F(AdapterCatalogTest, AdapterWithOnlySmallModesContributesNoRecord) {
    FakeAdapter small;
    small.modes = {Mode(320, 200, D3DFMT_R5G6B5), Mode(640, 399, D3DFMT_X8R8G8B8)};
    FakeAdapter good;
    good.modes = {Mode(800, 600, D3DFMT_X8R8G8B8)};
    d3d.adapters = {small, good};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    EXPECT_EQ(catalog.AdapterCount(), 1);
    EXPECT_EQ(catalog.Adapter(0).modes[0].Width, 800u);

    d3d.adapters = {small};
    EXPECT_EQ(catalog.Enumerate(), kErrorNoCompatibleDevice);
}

TEST_F(AdapterCatalogTest, ModesOfUnusableFormatsAreLeftOut) {
    FakeAdapter a;
    a.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_X1R5G5B5)};
    a.deviceFormats = {D3DFMT_X8R8G8B8};
    d3d.adapters = {a};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    EXPECT_EQ(catalog.Adapter(0).modeCount, 1u);
}

TEST_F(AdapterCatalogTest, DepthFormatPrefersD32ThenD24X8ThenD16) {
    FakeAdapter a;
    a.modes = {Mode(800, 600, D3DFMT_X8R8G8B8)};
    a.depthFormats = {D3DFMT_D16, D3DFMT_D24X8};
    d3d.adapters = {a};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    EXPECT_EQ(catalog.Adapter(0).depthFormat, D3DFMT_D24X8);
    EXPECT_FALSE(catalog.Adapter(0).depthD32);
    EXPECT_EQ(catalog.Mirror().depthFormat, D3DFMT_D24X8);

    d3d.adapters[0].depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};
    ASSERT_EQ(catalog.Enumerate(), S_OK);
    EXPECT_EQ(catalog.Adapter(0).depthFormat, D3DFMT_D32);
    d3d.adapters[0].depthFormats = {};
    ASSERT_EQ(catalog.Enumerate(), S_OK);
    EXPECT_EQ(catalog.Adapter(0).depthFormat, D3DFMT_D16);
}

TEST_F(AdapterCatalogTest, MultisampleOfOneFormatIsOfferedForAll) {
    FakeAdapter a;
    a.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_R5G6B5)};
    a.multisample = {{D3DFMT_R5G6B5, 4}, {D3DFMT_X8R8G8B8, 2}};
    d3d.adapters = {a};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    const AdapterRecord& r = catalog.Adapter(0);
    EXPECT_TRUE(r.multisampleSupported[0]);
    EXPECT_TRUE(r.multisampleSupported[1]);  // 2 samples
    EXPECT_FALSE(r.multisampleSupported[2]);
    EXPECT_TRUE(r.multisampleSupported[3]);  // 4 samples

    // Selecting: 32 bits at 800 x 600 with 4 samples; an unknown mode keeps the current one.
    catalog.SelectMode(800, 600, 32, 4);
    EXPECT_EQ(catalog.CurrentMode().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(catalog.Mirror().multisampleType, 4);
    catalog.SelectMode(800, 600, 16, 3);  // 3 samples unsupported: stays 4
    EXPECT_EQ(catalog.CurrentMode().Format, D3DFMT_R5G6B5);
    EXPECT_EQ(catalog.Mirror().multisampleType, 4);
    catalog.ClearSelectionChanged();
    catalog.SelectMode(1600, 1200, 32, 0);
    EXPECT_EQ(catalog.CurrentMode().Format, D3DFMT_R5G6B5);
    EXPECT_EQ(catalog.Mirror().multisampleType, 0);
    EXPECT_TRUE(catalog.SelectionChanged());
}

TEST_F(AdapterCatalogTest, CapacitiesHold) {
    FakeAdapter a;
    for (UINT w = 640; w < 640 + 130; ++w) {
        a.modes.push_back(Mode(w, 480, D3DFMT_X8R8G8B8));
        a.modes.push_back(Mode(w, 480, D3DFMT_R5G6B5));
    }
    d3d.adapters = std::vector<FakeAdapter>(12, a);
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    EXPECT_EQ(catalog.AdapterCount(), kMaxAdapters);
    // 100 distinct modes are collected, all usable, within the 150 entries.
    EXPECT_EQ(catalog.Adapter(0).modeCount, 100u);
}

TEST_F(AdapterCatalogTest, DialogListsTextsAndItemData) {
    FakeAdapter a;
    a.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_R5G6B5)};
    a.multisample = {{D3DFMT_X8R8G8B8, 2}, {D3DFMT_X8R8G8B8, 4}};
    d3d.adapters = {a};
    d3d.AddRef();
    ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    catalog.SelectMode(800, 600, 32, 4);

    config::TextTable texts;
    const char table[] = "#none#\nkeine\n#samples#\nProben\n";
    texts.LoadFromBytes(reinterpret_cast<const std::uint8_t*>(table), sizeof table - 1);
    CatalogModeSource source(catalog);
    config::DialogLists lists = config::BuildDialogLists(source, texts);
    ASSERT_EQ(lists.multisample.size(), 3u);
    EXPECT_EQ(lists.multisample[0].text, "keine");
    EXPECT_EQ(lists.multisample[1].text, "2 Proben");
    EXPECT_EQ(lists.multisample[2].text, "4 Proben");
    EXPECT_EQ(lists.multisample[2].data, 2);
    EXPECT_EQ(lists.multisampleSelection, 2);
    ASSERT_EQ(lists.modes.size(), 2u);
    EXPECT_EQ(lists.modes[0].text, "640 x 480 16 bits");
    EXPECT_EQ(lists.modes[1].text, "800 x 600 32 bits");
    EXPECT_EQ(lists.modes[1].data, 1);
    EXPECT_EQ(lists.modeSelection, 1);
}

TEST_F(AdapterCatalogTest, CreateReportsEachFailureWithItsBox) {
    EXPECT_EQ(catalog.Create([](UINT) -> IDirect3D8* { return nullptr; }), kErrorNoDirect3D);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error!");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_NE(boxes[0].text.find("Could not initialize Direct3D. You may\nwant"),
              std::string::npos);

    static FakeDirect3D empty;
    empty.refs = 1;
    EXPECT_EQ(catalog.Create([](UINT v) -> IDirect3D8* { return v == 220 ? &empty : nullptr; }),
              kErrorNoCompatibleDevice);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Could not find any compatible Direct3D\ndevices.");
    EXPECT_EQ(empty.refs, 0);  // released on failure
    EXPECT_EQ(catalog.Direct3D(), nullptr);
    EXPECT_STREQ(AdapterCatalog::ErrorMessage(E_FAIL), "Generic application error.");
}

}  // namespace
}  // namespace eh::graphics
