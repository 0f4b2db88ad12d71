#include "config/text_table.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/os/resources.h"

namespace eh::config {
namespace {

TextTable fromText(const std::string& text) {
    TextTable t;
    t.LoadFromBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return t;
}

TEST(TextTableLookup, KeysIgnoreCaseOnBothSides) {
    TextTable t = fromText("#Show_FPS#\nFPS anzeigen\n#Fullscreen_antialiasing#\nVollbild\n");
    EXPECT_EQ(t.Lookup("show_fps"), "FPS anzeigen");
    EXPECT_EQ(t.Lookup("Show_FPS"), "FPS anzeigen");
    EXPECT_EQ(t.Lookup("fullscreen_antialiasing"), "Vollbild");
}

TEST(TextTableLookup, LengthMayDifferByAtMostTwo) {
    // "#ok#" is the key plus two characters; "#ok_button#" starts with "ok" but is longer.
    TextTable t = fromText("#ok_button#\nwrong\n#ok#\nOK\n#okx#\nalso\n");
    EXPECT_EQ(t.Lookup("ok"), "OK");
    // Trailing text of three characters beyond the key does not match.
    TextTable u = fromText("#ok#xx\nno\n#ok#\nyes\n");
    EXPECT_EQ(u.Lookup("ok"), "yes");
    // A shorter line may still match when the key only overhangs by up to two... but it
    // must begin with the key, so a line shorter than the key never matches.
    TextTable v = fromText("#o\nno\n");
    EXPECT_EQ(v.Lookup("ok"), "");
}

TEST(TextTableLookup, FirstMatchWins) {
    TextTable t = fromText("#about#\nErste\n#about#\nZweite\n");
    EXPECT_EQ(t.Lookup("about"), "Erste");
}

TEST(TextTableLookup, LastLineIsNeverAKey) {
    TextTable t = fromText("comment\n#cancel#");
    EXPECT_EQ(t.LineCount(), 2u);
    EXPECT_EQ(t.Lookup("cancel"), "");
}

TEST(TextTableLookup, AbsentKeyGivesEmptyString) {
    TextTable t = fromText("#ok#\nOK\n");
    EXPECT_EQ(t.Lookup("missing"), "");
    TextTable empty;
    EXPECT_EQ(empty.Lookup("ok"), "");
}

TEST(TextTableLoad, CrLfAndLfBothWorkAndNulIsDropped) {
    const char raw[] = "#ok#\r\nO\0K\r\n#cancel#\nAbbrechen";
    std::string text(raw, sizeof raw - 1);
    TextTable t = fromText(text);
    EXPECT_EQ(t.Lookup("ok"), "OK");
    EXPECT_EQ(t.Lookup("cancel"), "Abbrechen");
}

TEST(TextTableLoad, ValueLineStartingWithHashIsLoweredToo) {
    TextTable t = fromText("#key#\n#VALUE#\nend\n");
    EXPECT_EQ(t.Lookup("key"), "#value#");
}

TEST(TextTableLoad, KeepsOnlyTheFirst200Lines) {
    std::string text;
    for (int i = 0; i < 198; ++i) text += "comment\n";
    text += "#inside#\nyes\n#outside#\nno\n";
    TextTable t = fromText(text);
    EXPECT_EQ(t.LineCount(), TextTable::kMaxLines);
    EXPECT_EQ(t.Lookup("inside"), "yes");
    EXPECT_EQ(t.Lookup("outside"), "");
}

TEST(TextTableLoad, BytesAboveAsciiStayAsTheyAre) {
    TextTable t = fromText("#about#\n\xDC" "ber\n");
    EXPECT_EQ(t.Lookup("about"), "\xDC" "ber");
}

TEST(TextTableResource, MissingResourceGivesEmptyTable) {
    os::ScopedResourceTable none({});
    TextTable t;
    t.Load();
    EXPECT_EQ(t.LineCount(), 0u);
    EXPECT_EQ(t.Lookup("ok"), "");
}

TEST(AboutText, SplitsAtPercentWithEmptyLines) {
    auto lines = SplitAboutText("Name%A%B%C%%D%E");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Name");
    EXPECT_EQ(lines[3], "C");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[6], "E");
    auto many = SplitAboutText("1%2%3%4%5%6%7%8%9");
    EXPECT_EQ(many.size(), 7u);
    EXPECT_EQ(many[6], "7");
    auto few = SplitAboutText("only");
    EXPECT_EQ(few[0], "only");
    EXPECT_EQ(few[1], "");
}

}  // namespace
}  // namespace eh::config
