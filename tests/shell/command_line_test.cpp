#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace eh::shell {
namespace {

ParsedCommandLine parse(const char* line) { return ParseCommandLine(line); }

TEST(ParseCommandLine, NoSwitchOpensTheConfigurationDialog) {
    EXPECT_EQ(parse("emberhold.scr").mode, RunMode::Config);
    EXPECT_EQ(parse("emberhold.scr plain words").mode, RunMode::Config);
    EXPECT_EQ(parse("").mode, RunMode::Config);
    EXPECT_EQ(parse(nullptr).mode, RunMode::Config);
}

TEST(ParseCommandLine, SaverForSAnyOtherLetterAndATrailingSlash) {
    for (const char* line : {"x.scr /s", "x.scr /S", "x.scr -s", "x.scr /x", "x.scr /", "x.scr -"}) {
        EXPECT_EQ(parse(line).mode, RunMode::Saver) << line;
    }
}

TEST(ParseCommandLine, PreviewTakesTheHandleInEveryForm) {
    for (const char* line : {"x.scr /p 2230", "x.scr /P:2230", "x.scr -p2230"}) {
        ParsedCommandLine p = parse(line);
        EXPECT_EQ(p.mode, RunMode::Preview) << line;
        EXPECT_EQ(p.parentWindow, 2230u) << line;
    }
    ParsedCommandLine none = parse("x.scr /p");
    EXPECT_EQ(none.mode, RunMode::Preview);
    EXPECT_EQ(none.parentWindow, 0u);
}

TEST(ParseCommandLine, ConfigAndPasswordNumbers) {
    ParsedCommandLine c = parse("x.scr /c");
    EXPECT_EQ(c.mode, RunMode::Config);
    EXPECT_EQ(c.parentWindow, 0u);
    EXPECT_EQ(parse("x.scr /c:1234").parentWindow, 1234u);
    ParsedCommandLine a = parse("x.scr /a 77");
    EXPECT_EQ(a.mode, RunMode::ChangePassword);
    EXPECT_EQ(a.parentWindow, 77u);
    EXPECT_EQ(parse("x.scr /t 99").mode, RunMode::Test);
    EXPECT_EQ(parse("x.scr /t 99").parentWindow, 0u);
}

TEST(ParseCommandLine, NumberStartsTwoCharactersAfterTheSwitch) {
    // "/p5" reads 5 (the digit right after the letter), "/5" is Saver: the digit is the letter.
    EXPECT_EQ(parse("x.scr /p5").parentWindow, 5u);
    EXPECT_EQ(parse("x.scr /5").mode, RunMode::Saver);
    // Absurdly long numbers saturate instead of overflowing.
    EXPECT_EQ(parse("x.scr /p 999999999999999999999999999").parentWindow,
              ~std::uintptr_t{0});
}

TEST(ParseCommandLine, OnlyTheFirstSwitchCounts) {
    EXPECT_EQ(parse("x.scr /t /s").mode, RunMode::Test);
    EXPECT_EQ(parse("x.scr /s /p 12").mode, RunMode::Saver);
}

TEST(ParseCommandLine, QuotedProgramPathIsSkippedWhole) {
    EXPECT_EQ(parse("\"C:\\My Savers\\ember-hold.scr\" /p 5").mode, RunMode::Preview);
    EXPECT_EQ(parse("\"C:\\My Savers\\ember-hold.scr\"").mode, RunMode::Config);
    // An unterminated quote swallows the whole line.
    EXPECT_EQ(parse("\"C:\\ember-hold.scr /s").mode, RunMode::Config);
    // Unquoted paths are cut at the first space: the '-' after it is a switch.
    EXPECT_EQ(parse("C:\\My Savers\\ember-hold.scr").mode, RunMode::Saver);
    EXPECT_EQ(parse("/usr/bin/emberhold").mode, RunMode::Config);
}

TEST(JoinCommandLine, QuotesWhatNeedsQuotingSoParsingFindsTheSwitch) {
    const char* argv[] = {"/opt/My Savers/ember-hold", "-p", "2230"};
    std::string line = JoinCommandLine(3, argv);
    EXPECT_EQ(line, "\"/opt/My Savers/ember-hold\" -p 2230");
    ParsedCommandLine p = ParseCommandLine(line.c_str());
    EXPECT_EQ(p.mode, RunMode::Preview);
    EXPECT_EQ(p.parentWindow, 2230u);

    const char* quotes[] = {"prog", "a\"b", "c\\", "d e\\"};
    EXPECT_EQ(JoinCommandLine(4, quotes), "prog \"a\\\"b\" c\\ \"d e\\\\\"");
    const char* empty[] = {"prog", ""};
    EXPECT_EQ(JoinCommandLine(2, empty), "prog \"\"");
}

}  // namespace
}  // namespace eh::shell
