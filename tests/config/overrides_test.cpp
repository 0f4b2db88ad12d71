// One-run overrides of the stored settings.
#include <gtest/gtest.h>

#include "config/overrides.h"

namespace eh::config {
namespace {

struct Parsed {
    bool ok = false;
    SettingsOverrides overrides;
    std::vector<std::string> rest;
    std::string error;
};

Parsed parse(std::vector<std::string> args) {
    Parsed p;
    p.ok = ExtractOverrides(args, &p.overrides, &p.error);
    p.rest = args;
    return p;
}

TEST(Overrides, AreTakenOutAndOtherArgumentsKeepTheirOrder) {
    Parsed p = parse({"-root", "-fps", "--clock", "12", "-window-id", "0x2a", "--volume=40",
                      "--no-music", "/s", "--gamma", "150", "--no-sfx"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.rest, (std::vector<std::string>{"-root", "-window-id", "0x2a", "/s"}));
    EXPECT_EQ(p.overrides.showFps, true);
    EXPECT_EQ(p.overrides.showTime, true);
    EXPECT_EQ(p.overrides.clock24h, false);
    EXPECT_EQ(p.overrides.volume, 40);
    EXPECT_EQ(p.overrides.gamma, 150);
    EXPECT_EQ(p.overrides.music, false);
    EXPECT_EQ(p.overrides.sfx, false);

    Parsed none = parse({"/t"});
    ASSERT_TRUE(none.ok);
    EXPECT_TRUE(none.overrides.Empty());
    EXPECT_EQ(none.rest, (std::vector<std::string>{"/t"}));
}

TEST(Overrides, TakeOneDashOrTwoButLeaveSwitchesAlone) {
    Parsed p = parse({"-show-fps", "-clock", "24", "-no-music", "-no-sfx", "-volume", "40",
                      "-gamma=150", "-c", "-p2230", "/p", "5"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.overrides.showFps, true);
    EXPECT_EQ(p.overrides.clock24h, true);
    EXPECT_EQ(p.overrides.music, false);
    EXPECT_EQ(p.overrides.sfx, false);
    EXPECT_EQ(p.overrides.volume, 40);
    EXPECT_EQ(p.overrides.gamma, 150);
    EXPECT_EQ(p.rest, (std::vector<std::string>{"-c", "-p2230", "/p", "5"}));
    Parsed bad = parse({"-volume", "0"});
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.error.rfind("-volume ", 0), 0u) << "named as given: " << bad.error;
}

TEST(OptionName, WordsAfterOneOrTwoDashesSingleLettersAreNot) {
    std::string_view value;
    bool hasValue = true;
    EXPECT_EQ(OptionName("--root", &value, &hasValue), "root");
    EXPECT_FALSE(hasValue);
    EXPECT_EQ(OptionName("-root"), "root");
    EXPECT_EQ(OptionName("--volume=40", &value, &hasValue), "volume");
    EXPECT_TRUE(hasValue);
    EXPECT_EQ(value, "40");
    EXPECT_EQ(OptionName("-window-id=0x2a", &value), "window-id");
    EXPECT_EQ(value, "0x2a");
    EXPECT_EQ(OptionName("--x"), "x") << "two dashes make any word an option";
    for (const char* notNamed : {"-s", "-S", "/s", "/root", "-p2230", "-P:2230", "-p=5", "-", "--",
                                 "-1x", "0x2a", "root", ""})
        EXPECT_EQ(OptionName(notNamed), "") << notNamed;
}

TEST(Overrides, ClockTakesTwelveTwentyFourOrOff) {
    Parsed on = parse({"--clock=24"});
    ASSERT_TRUE(on.ok);
    EXPECT_EQ(on.overrides.showTime, true);
    EXPECT_EQ(on.overrides.clock24h, true);
    Parsed off = parse({"--clock", "off"});
    ASSERT_TRUE(off.ok);
    EXPECT_EQ(off.overrides.showTime, false);
    EXPECT_FALSE(off.overrides.clock24h.has_value());  // the stored style is kept
    for (auto args : std::vector<std::vector<std::string>>{
             {"--clock"}, {"--clock", "13"}, {"--clock="}, {"--clock", "OFF"}}) {
        Parsed bad = parse(args);
        EXPECT_FALSE(bad.ok) << args.size();
        EXPECT_NE(bad.error.find("12, 24 or off"), std::string::npos);
    }
}

TEST(Overrides, NumbersOutsideTheirRangeOrNotWholeAreRefused) {
    EXPECT_EQ(parse({"--volume", "1"}).overrides.volume, 1);
    EXPECT_EQ(parse({"--volume", "100"}).overrides.volume, 100);
    EXPECT_EQ(parse({"--gamma", "10"}).overrides.gamma, 10);
    EXPECT_EQ(parse({"--gamma=200"}).overrides.gamma, 200);
    for (auto args : std::vector<std::vector<std::string>>{{"--volume", "0"},
                                                           {"--volume", "101"},
                                                           {"--volume", "-5"},
                                                           {"--volume", "50%"},
                                                           {"--volume", ""},
                                                           {"--volume"},
                                                           {"--volume", "99999999999999999999"},
                                                           {"--gamma", "9"},
                                                           {"--gamma", "201"},
                                                           {"--gamma", "1e2"},
                                                           {"--gamma=+100"}}) {
        Parsed bad = parse(args);
        EXPECT_FALSE(bad.ok) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(bad.error.empty());
    }
    // A flag with '=' is not that flag.
    Parsed odd = parse({"--no-music=1"});
    ASSERT_TRUE(odd.ok);
    EXPECT_FALSE(odd.overrides.music.has_value());
    EXPECT_EQ(odd.rest, (std::vector<std::string>{"--no-music=1"}));
}

TEST(Overrides, ApplyChangesOnlyWhatWasGiven) {
    SaverSettings s;
    s.ShowFPS = FALSE;
    s.ShowTime = TRUE;
    s.DigClock_24H = true;
    s.Music = TRUE;
    s.SFX = TRUE;
    s.MusicVolume = 70;
    s.GmCntrl = 100;
    s.Width = 800;

    ApplyOverrides(SettingsOverrides{}, s);
    EXPECT_EQ(s.MusicVolume, 70);

    Parsed p = parse({"--show-fps", "--clock", "off", "--no-sfx", "--gamma", "120"});
    ASSERT_TRUE(p.ok);
    ApplyOverrides(p.overrides, s);
    EXPECT_TRUE(s.ShowFPS);
    EXPECT_FALSE(s.ShowTime);
    EXPECT_TRUE(s.DigClock_24H);
    EXPECT_TRUE(s.Music);
    EXPECT_FALSE(s.SFX);
    EXPECT_EQ(s.MusicVolume, 70);
    EXPECT_EQ(s.GmCntrl, 120);
    EXPECT_EQ(s.Width, 800);
}

TEST(Overrides, HelpNamesEveryOption) {
    std::string help = OverridesHelp();
    for (const char* option :
         {"-fps", "--show-fps", "--clock", "--no-music", "--no-sfx", "--volume", "--gamma"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(Overrides, HelpAndErrorsTakeTheirRangesFromTheSettingsTable) {
    EXPECT_STREQ(OverridesHelp(),
                 "Settings for this run only (the stored settings are not changed):\n"
                 "  -fps, --show-fps  show the frame rate\n"
                 "  --clock 12|24|off the clock in 12- or 24-hour style, or no clock\n"
                 "  --no-music        no music\n"
                 "  --no-sfx          no sound effects\n"
                 "  --volume N        music and effects volume, 1..100\n"
                 "  --gamma N         gamma in percent, 10..200 (100 neutral)\n");
    EXPECT_EQ(parse({"--volume", "0"}).error, "--volume needs a number from 1 to 100");
    EXPECT_EQ(parse({"-gamma=201"}).error, "-gamma needs a percentage from 10 to 200");
    EXPECT_EQ(parse({"--gamma"}).error, "--gamma needs a percentage from 10 to 200");
}

}  // namespace
}  // namespace eh::config
