// The dialog's two lists, built once in config from whatever source hands over the modes.
#include "config/dialog_lists.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "config/text_table.h"

namespace eh::config {
namespace {

TextTable germanTexts() {
    TextTable texts;
    const char table[] = "#none#\nkeine\n#samples#\nProben\n";
    texts.LoadFromBytes(reinterpret_cast<const std::uint8_t*>(table), sizeof table - 1);
    return texts;
}

TEST(BuildDialogLists, TextsItemDataAndSelectionsFollowTheSource) {
    MultisampleSupport supported{};
    supported[0] = supported[1] = supported[3] = true;  // none, 2 and 4 samples
    ListedModes source({{640, 480, 16}, {800, 600, 32}, {1024, 768, 32}}, supported);
    source.SelectMode(800, 600, 32, 4);

    const DialogLists lists = BuildDialogLists(source, germanTexts());
    ASSERT_EQ(lists.multisample.size(), 3u);
    EXPECT_EQ(lists.multisample[0], (ListItem{"keine", 0}));
    EXPECT_EQ(lists.multisample[1], (ListItem{"2 Proben", 1}));
    EXPECT_EQ(lists.multisample[2], (ListItem{"4 Proben", 2}));
    EXPECT_EQ(lists.multisampleSelection, 2);
    ASSERT_EQ(lists.modes.size(), 3u);
    EXPECT_EQ(lists.modes[0], (ListItem{"640 x 480 16 bits", 0}));
    EXPECT_EQ(lists.modes[2], (ListItem{"1024 x 768 32 bits", 2}));
    EXPECT_EQ(lists.modeSelection, 1);
}

TEST(BuildDialogLists, ACurrentTypeTheListLacksSelectsNothing) {
    MultisampleSupport supported{};
    supported[1] = true;  // only 2 samples; "none" is current but not offered
    ListedModes source({{800, 600, 32}}, supported);
    const DialogLists lists = BuildDialogLists(source, germanTexts());
    ASSERT_EQ(lists.multisample.size(), 1u);
    EXPECT_EQ(lists.multisample[0], (ListItem{"2 Proben", 0}));
    EXPECT_EQ(lists.multisampleSelection, -1);
    EXPECT_EQ(lists.modeSelection, 0);
}

}  // namespace
}  // namespace eh::config
