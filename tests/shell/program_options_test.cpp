// The command line read once: named options with one or two dashes, the screensaver
// switch, and the window XScreenSaver wants the scene in.
#include "shell/program_options.h"

#include <gtest/gtest.h>

#include "shell/command_line.h"

namespace eh::shell {
namespace {

using Args = std::vector<std::string>;
using Kind = HostChoice::Kind;

ProgramOptions parse(const Args& args) { return ParseProgramOptions(args); }

// The run mode the switches left over select, as main hands it on.
RunMode modeOf(const ProgramOptions& o) { return o.screensaver.mode; }

TEST(ProgramOptions, EveryNamedOptionTakesOneDashOrTwo) {
    struct Case {
        const char* name;
        ProgramAction action;
    };
    for (Case c : {Case{"help", ProgramAction::Help}, Case{"version", ProgramAction::Version},
                   Case{"print-settings", ProgramAction::PrintSettings},
                   Case{"resources", ProgramAction::Resources},
                   Case{"verify-media", ProgramAction::VerifyMedia}}) {
        for (const char* dashes : {"-", "--"}) {
            ProgramOptions o = parse({std::string(dashes) + c.name});
            EXPECT_EQ(o.action, c.action) << dashes << c.name;
            EXPECT_TRUE(o.unknown.empty() && o.error.empty()) << dashes << c.name;
        }
    }
    for (const char* root : {"-root", "--root"}) {
        ProgramOptions o = parse({root});
        EXPECT_TRUE(o.root) << root;
        EXPECT_TRUE(o.unknown.empty()) << root;
        EXPECT_TRUE(o.switches.empty()) << root << " must not read as the switch /r";
    }
    for (Args args : {Args{"-window-id", "42"}, Args{"--window-id", "42"},
                      Args{"--window-id=42"}, Args{"-window-id=0x2a"}}) {
        ProgramOptions o = parse(args);
        EXPECT_EQ(o.windowId, std::uintptr_t{42}) << args[0];
    }
    for (Args args : {Args{"-fps"}, Args{"--fps"}, Args{"-show-fps"}, Args{"--show-fps"}}) {
        ProgramOptions o = parse(args);
        EXPECT_EQ(o.overrides.showFps, true) << args[0];
        EXPECT_TRUE(o.unknown.empty()) << args[0];
    }
    ProgramOptions single = parse({"-clock", "24", "-no-music", "-no-sfx", "-volume", "40",
                                   "-gamma=120"});
    ASSERT_TRUE(single.error.empty()) << single.error;
    EXPECT_EQ(single.overrides.clock24h, true);
    EXPECT_EQ(single.overrides.music, false);
    EXPECT_EQ(single.overrides.sfx, false);
    EXPECT_EQ(single.overrides.volume, 40);
    EXPECT_EQ(single.overrides.gamma, 120);
    EXPECT_TRUE(single.switches.empty()) << "-clock is not the switch /c";
    EXPECT_EQ(modeOf(single), RunMode::Config) << "no switch at all: the dialog";
}

TEST(ProgramOptions, RecordingOptionsTakeOneDashOrTwoAndKeepTheirLimits) {
    ProgramOptions o = parse({"-render-frames", "out", "-frames", "5", "--size", "64x48",
                              "-fps", "12", "--seed=7", "-start-ms", "250", "-every", "2",
                              "--show-fps", "--clock", "off"});
    ASSERT_EQ(o.action, ProgramAction::RenderFrames);
    ASSERT_FALSE(o.recordingBad);
    EXPECT_EQ(o.recording.directory, "out");
    EXPECT_EQ(o.recording.frames, 5);
    EXPECT_EQ(o.recording.width, 64);
    EXPECT_EQ(o.recording.height, 48);
    EXPECT_FLOAT_EQ(o.recording.fps, 12.0f) << "-fps with a value is the recording rate";
    EXPECT_EQ(o.recording.seed, 7u);
    EXPECT_EQ(o.recording.startMs, 250);
    EXPECT_EQ(o.recording.every, 2);
    // In a recording -fps is the rate; the overlay is asked for by its long name.
    EXPECT_EQ(o.overrides.showFps, true);
    EXPECT_EQ(o.overrides.showTime, false);

    for (Args bad : {Args{"--render-frames"}, Args{"-render-frames", "out", "-frames"},
                     Args{"-render-frames", "out", "-frames", "1000001"},
                     Args{"-render-frames", "out", "--fps", "0.5"},
                     Args{"-render-frames", "out", "-fps", "1001"},
                     Args{"-render-frames", "out", "-every", "0"},
                     Args{"-render-frames", "out", "--start-ms", "-1"},
                     Args{"-render-frames", "out", "--start-ms", "2592000001"},
                     Args{"-render-frames", "out", "--size", "big"}}) {
        EXPECT_TRUE(parse(bad).recordingBad) << bad.back();
    }
    EXPECT_FALSE(o.recording.noWrite) << "frames are written unless asked otherwise";
    ProgramOptions quiet = parse({"-render-frames", "out", "--frames", "3", "-no-write"});
    ASSERT_FALSE(quiet.recordingBad);
    EXPECT_TRUE(quiet.recording.noWrite);
    EXPECT_EQ(quiet.recording.frames, 3) << "--no-write takes no value of its own";
    ProgramOptions valued = parse({"-render-frames", "out", "--no-write=1"});
    EXPECT_FALSE(valued.recording.noWrite);
    EXPECT_FALSE(valued.unknown.empty() && valued.error.empty())
        << "--no-write=VALUE is not the switch";

    ProgramOptions late = parse({"/s", "--render-frames", "out"});
    EXPECT_FALSE(late.error.empty()) << "only first on the line";
}

TEST(ProgramOptions, LoadingScreenIsAFlagOfTheRecordingOnly) {
    EXPECT_FALSE(parse({"--render-frames", "out"}).recording.loadingScreen);
    ProgramOptions o = parse({"--render-frames", "out", "-loading-screen", "--frames", "2"});
    ASSERT_FALSE(o.recordingBad);
    EXPECT_TRUE(o.recording.loadingScreen);
    EXPECT_EQ(o.recording.frames, 2) << "a flag takes no value from the next word";
    EXPECT_TRUE(parse({"--render-frames", "out", "--loading-screen=yes"}).recordingBad);
    // Outside a recording it is no option of the program.
    ProgramOptions saver = parse({"/s", "--loading-screen"});
    ASSERT_EQ(saver.unknown.size(), 1u);
    EXPECT_EQ(saver.unknown[0], "--loading-screen");
}

TEST(ProgramOptions, SingleLettersStaySwitchesForParseCommandLine) {
    struct Case {
        Args args;
        RunMode mode;
    };
    for (const Case& c : {Case{{"/s"}, RunMode::Saver}, Case{{"-s"}, RunMode::Saver},
                          Case{{"-S"}, RunMode::Saver}, Case{{"/x"}, RunMode::Saver},
                          Case{{"/"}, RunMode::Saver}, Case{{"-t"}, RunMode::Test},
                          Case{{"-c"}, RunMode::Config}, Case{{"-p", "2230"}, RunMode::Preview},
                          Case{{"-p2230"}, RunMode::Preview},
                          Case{{"/P:2230"}, RunMode::Preview},
                          Case{{"-fps", "/p", "77"}, RunMode::Preview},
                          Case{{"/a", "5"}, RunMode::ChangePassword}, Case{{}, RunMode::Config}}) {
        ProgramOptions o = parse(c.args);
        EXPECT_EQ(modeOf(o), c.mode) << (c.args.empty() ? "(none)" : c.args[0]);
        EXPECT_TRUE(o.unknown.empty() && o.error.empty());
        EXPECT_EQ(o.action, ProgramAction::Run);
    }
}

TEST(ProgramOptions, TheSwitchIsReadOnceWithItsWindowHandle) {
    ProgramOptions preview = parse({"--no-music", "/p", "2230"});
    EXPECT_EQ(preview.screensaver.mode, RunMode::Preview);
    EXPECT_EQ(preview.screensaver.parentWindow, std::uintptr_t{2230});
    ProgramOptions config = parse({"/c:77"});
    EXPECT_EQ(config.screensaver.mode, RunMode::Config);
    EXPECT_EQ(config.screensaver.parentWindow, std::uintptr_t{77});
    // Only the first switch counts, as in a Windows host's command line.
    ProgramOptions first = parse({"/t", "/p", "5"});
    EXPECT_EQ(first.screensaver.mode, RunMode::Test);
    EXPECT_EQ(first.screensaver.parentWindow, std::uintptr_t{0});
}

TEST(StartOptionsOf, TheSwitchStartsItsModeWithTheOverrides) {
    StartOptions start = StartOptionsOf(parse({"/p", "2230", "--no-music"}), std::nullopt);
    EXPECT_EQ(start.mode, RunMode::Preview);
    EXPECT_EQ(start.parentWindow, std::uintptr_t{2230});
    EXPECT_EQ(start.hostWindow, std::uintptr_t{0});
    EXPECT_EQ(start.overrides.music, false);
    EXPECT_FALSE(start.recording.has_value());
    EXPECT_EQ(StartOptionsOf(parse({}), std::nullopt).mode, RunMode::Config);
}

TEST(StartOptionsOf, AHostsWindowAlwaysRunsTheSaver) {
    ProgramOptions o = parse({"-window-id", "0x400e22", "/p", "5", "-fps"});
    StartOptions start = StartOptionsOf(o, std::uintptr_t{0x400e22});
    EXPECT_EQ(start.mode, RunMode::Saver) << "the switch does not count under a host";
    EXPECT_EQ(start.parentWindow, std::uintptr_t{0});
    EXPECT_EQ(start.hostWindow, std::uintptr_t{0x400e22});
    EXPECT_EQ(start.overrides.showFps, true);
    // A root window whose id could not be read still starts the saver (full screen then).
    StartOptions root = StartOptionsOf(parse({"-root"}), std::uintptr_t{0});
    EXPECT_EQ(root.mode, RunMode::Saver);
    EXPECT_EQ(root.hostWindow, std::uintptr_t{0});
}

TEST(StartOptionsOf, RenderFramesStartsTheRecording) {
    ProgramOptions o = parse({"--render-frames", "out", "--frames", "3", "--show-fps"});
    StartOptions start = StartOptionsOf(o, std::nullopt);
    ASSERT_TRUE(start.recording.has_value());
    EXPECT_EQ(start.recording->directory, "out");
    EXPECT_EQ(start.recording->frames, 3);
    EXPECT_EQ(start.mode, RunMode::Test);
    EXPECT_EQ(start.hostWindow, std::uintptr_t{0});
    EXPECT_EQ(start.overrides.showFps, true);
}

TEST(ProgramOptions, UnknownNamesAreCollectedNotGuessedAt) {
    ProgramOptions o = parse({"-root", "--no-such-option", "-zz", "-visual", "default", "-fps"});
    EXPECT_EQ(o.unknown, (Args{"--no-such-option", "-zz", "-visual"}));
    EXPECT_TRUE(o.root);
    EXPECT_EQ(o.overrides.showFps, true);
    // A value of an unknown option cannot be told from a stray word; it is no switch.
    EXPECT_EQ(o.switches, (Args{"default"}));
    // A flag given a value is not that flag.
    EXPECT_EQ(parse({"--root=1"}).unknown, (Args{"--root=1"}));
    EXPECT_FALSE(parse({"--root=1"}).root);
}

TEST(ProgramOptions, BadOrMissingWindowIdIsAnError) {
    for (Args bad : {Args{"-window-id"}, Args{"--window-id", "zero"}, Args{"-window-id", "0"},
                     Args{"-window-id", "0x"}, Args{"-window-id", "-5"},
                     Args{"-window-id", "12abc"}, Args{"--window-id="},
                     Args{"-window-id", "0x1ffffffffffffffff"}}) {
        ProgramOptions o = parse(bad);
        EXPECT_FALSE(o.error.empty()) << bad.back();
        EXPECT_FALSE(o.windowId.has_value()) << bad.back();
    }
}

TEST(ParseWindowId, DecimalOrHexWholeAndNonZero) {
    EXPECT_EQ(ParseWindowId("4194338"), std::uintptr_t{4194338});
    EXPECT_EQ(ParseWindowId("0x400022"), std::uintptr_t{0x400022});
    EXPECT_EQ(ParseWindowId("0X400E22"), std::uintptr_t{0x400E22});
    for (const char* bad : {"", " 5", "+5", "0", "0x0", "5 ", "x5", "0x400022z"})
        EXPECT_FALSE(ParseWindowId(bad).has_value()) << "'" << bad << "'";
}

TEST(ChooseHostWindow, WindowIdWinsOverRootWhereverItStands) {
    for (Args args : {Args{"-root", "-window-id", "0x400e22"},
                      Args{"--root", "--window-id", "0x400E22"},
                      Args{"--window-id", "0x400e22", "-root"},
                      Args{"-fps", "--window-id=4197922", "--root", "--volume", "5"}}) {
        ProgramOptions o = parse(args);
        ASSERT_TRUE(o.error.empty()) << o.error;
        // Even the variable does not beat an explicit id (XScreenSaver's settings pane
        // passes both, naming the same window).
        for (const char* env : {static_cast<const char*>(nullptr), "0x600001"}) {
            HostChoice host = ChooseHostWindow(o, env);
            EXPECT_EQ(host.kind, Kind::Window) << args[0];
            EXPECT_EQ(host.window, std::uintptr_t{0x400e22}) << args[0];
        }
    }
}

TEST(ChooseHostWindow, TheVariableNamesTheWindowForRootAndForNoSwitch) {
    for (Args args : {Args{"-root"}, Args{"--root"}, Args{"-root", "-fps"},
                      Args{"-fps", "--root", "--clock", "24"}, Args{}, Args{"-fps"},
                      Args{"--volume=30", "--no-music"}}) {
        HostChoice host = ChooseHostWindow(parse(args), "0x400008");
        EXPECT_EQ(host.kind, Kind::Window) << (args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(host.window, std::uintptr_t{0x400008});
    }
}

TEST(ChooseHostWindow, RootWithoutTheVariableIsTheRootWindow) {
    for (const char* env : {static_cast<const char*>(nullptr), "", "not-a-window", "0"}) {
        HostChoice host = ChooseHostWindow(parse({"-root", "-fps"}), env);
        EXPECT_EQ(host.kind, Kind::RootWindow) << (env ? env : "(unset)");
    }
}

TEST(ChooseHostWindow, NamedModesAndActionsAreNeverHostedByTheVariable) {
    for (Args args : {Args{"/s"}, Args{"-s"}, Args{"/t"}, Args{"-c"}, Args{"/p", "5"},
                      Args{"--help"}, Args{"-print-settings"}, Args{"-fps", "/s"}}) {
        HostChoice host = ChooseHostWindow(parse(args), "0x400008");
        EXPECT_FALSE(host.Hosted()) << args[0];
    }
    EXPECT_FALSE(ChooseHostWindow(parse({}), nullptr).Hosted()) << "plain run, no host";
    EXPECT_FALSE(ChooseHostWindow(parse({"-fps"}), nullptr).Hosted());
}

}  // namespace
}  // namespace eh::shell
