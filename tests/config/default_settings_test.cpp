#include "config/default_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/message_box.h"

namespace eh::config {
namespace {

class DefaultSettingsTest : public ::testing::Test {
protected:
    DefaultSettings parse(const std::string& text) {
        DefaultSettings d;
        d.Parse(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        return d;
    }
    std::vector<os::MessageBoxCall> boxes;
    os::ScopedMessageBoxHandler capture{[this](const os::MessageBoxCall& c) {
        boxes.push_back(c);
        return IDOK;
    }};
};

TEST_F(DefaultSettingsTest, SpacesTabsAndCommentsAreRemoved) {
    DefaultSettings d = parse("MusicVolume = 70 ; comment\r\nShowFPS\t\t= false;\r\n");
    EXPECT_EQ(d.Lookup("MusicVolume"), "70");
    EXPECT_EQ(d.GetInt("MusicVolume"), 70);
    EXPECT_EQ(d.GetInt("ShowFPS"), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DefaultSettingsTest, TrueAndFalseAreExactLowerCase) {
    DefaultSettings d = parse("A = TRUE\r\nB = true\r\nC = False\r\nD = 12abc\r\nE = abc\r\n");
    EXPECT_EQ(d.GetInt("A"), 0);  // atoi("TRUE")
    EXPECT_EQ(d.GetInt("B"), 1);
    EXPECT_EQ(d.GetInt("C"), 0);
    EXPECT_EQ(d.GetInt("D"), 12);
    EXPECT_EQ(d.GetInt("E"), 0);
}

TEST_F(DefaultSettingsTest, KeysAreFoundInAnyCase) {
    DefaultSettings d = parse("musicvolume = 50\r\n");
    EXPECT_EQ(d.GetInt("MusicVolume"), 50);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DefaultSettingsTest, LinesEndAtCrNotAtLoneLf) {
    // LF-only text runs together into one line: "A=1B=2" → key "A", value "1B=2".
    DefaultSettings lf = parse("A = 1\nB = 2\n");
    ASSERT_EQ(lf.Pairs().size(), 1u);
    EXPECT_EQ(lf.Pairs()[0].first, "A");
    EXPECT_EQ(lf.Pairs()[0].second, "1B=2");
    // CR alone ends a line, and one LF after CR is skipped.
    DefaultSettings cr = parse("A = 1\rB = 2\r\nC = 3");
    EXPECT_EQ(cr.Pairs().size(), 3u);
    EXPECT_EQ(cr.GetInt("C"), 3);
}

TEST_F(DefaultSettingsTest, HighBytesVanishSoNonAsciiCommentsDisappear) {
    DefaultSettings d = parse("\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8\r\nGammControl = 1\xE9" "00\r\n");
    ASSERT_EQ(d.Pairs().size(), 1u);
    EXPECT_EQ(d.GetInt("GammControl"), 100);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DefaultSettingsTest, LineWithoutEqualsShowsTheFormatBoxAndIsKept) {
    DefaultSettings d = parse("garbage\r\nA = 1\r\n");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].text, "неправильный формат файла def_settings.txt");
    ASSERT_EQ(d.Pairs().size(), 2u);
    EXPECT_EQ(d.Pairs()[0].first, "garbage");
    EXPECT_EQ(d.Pairs()[0].second, "garbage");
    EXPECT_EQ(d.GetInt("A"), 1);
}

TEST_F(DefaultSettingsTest, MissingKeyShowsItsBoxAndReadsAsZero) {
    DefaultSettings d = parse("A = 1\r\n");
    EXPECT_EQ(d.GetInt("FSAA"), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Не найден параметр в файле def_settings.txt");
    EXPECT_EQ(boxes[0].caption, "FSAA");
}

TEST_F(DefaultSettingsTest, FirstEqualsSplitsAndFirstPairWins) {
    DefaultSettings d = parse("A = b=c\r\nA = 2\r\n");
    EXPECT_EQ(d.Lookup("a"), "b=c");
}

TEST_F(DefaultSettingsTest, KeepsTheFirstHundredPairs) {
    std::string text;
    for (int i = 0; i < 120; ++i) text += "K" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
    DefaultSettings d = parse(text);
    EXPECT_EQ(d.Pairs().size(), DefaultSettings::kMaxPairs);
    EXPECT_EQ(d.GetInt("K99"), 99);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(d.GetInt("K100"), 0);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(DefaultSettingsTest, HugeNumbersSaturateInsteadOfOverflowing) {
    DefaultSettings d = parse("A = 99999999999999999999\r\nB = -99999999999999999999\r\n");
    EXPECT_EQ(d.GetInt("A"), 2147483647);
    EXPECT_EQ(d.GetInt("B"), -2147483647 - 1);
}

TEST_F(DefaultSettingsTest, EmptyAndNullInputGiveNoPairs) {
    EXPECT_TRUE(parse("").Pairs().empty());
    EXPECT_TRUE(parse("\r\n ; only a comment\r\n\t\r\n").Pairs().empty());
    DefaultSettings d;
    d.Parse(nullptr, 10);
    EXPECT_TRUE(d.Pairs().empty());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace eh::config
