// The whole command line, read once: what the program is to do, the settings for this run,
// where XScreenSaver wants the scene drawn, and the screensaver switch with the run mode it
// selects (by ParseCommandLine's rules). StartOptionsOf turns the record into what
// SaverApp starts with.
//
// Two conventions meet here. Screensaver hosts of the Windows kind pass a switch: a slash
// or dash before one letter ("/s", "-p 2230", "/c:2230"). X programs and XScreenSaver's
// hacks take named options, words after one dash or two ("-root", "--root",
// "--window-id 0x400e22"); every named option of the program is taken either way, and
// a value may follow as the next argument or after '='.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/overrides.h"
#include "shell/command_line.h"
#include "shell/saver_app.h"

namespace eh::shell {

enum class ProgramAction {
    Run,  // a screensaver run mode: the switch, or a hosted saver
    Help,
    Version,
    PrintSettings,
    Resources,
    VerifyMedia,
    RenderFrames,
};

struct ProgramOptions {
    ProgramAction action = ProgramAction::Run;
    // --render-frames DIR and its options; only read when it is the first argument.
    RecordingOptions recording;
    bool recordingBad = false;  // a recording value missing or past its stated limits
    config::SettingsOverrides overrides;
    bool root = false;                       // -root
    std::optional<std::uintptr_t> windowId;  // -window-id ID
    // The screensaver switch and whatever is not a named option, in order, without the
    // program name; empty when none was given.
    std::vector<std::string> switches;
    // The run mode and window handle those select, read as a Windows host's command line
    // would be (see ParseCommandLine): no switch is the configuration dialog.
    ParsedCommandLine screensaver;
    // Named options the program does not know, as given.
    std::vector<std::string> unknown;
    // A bad value or a misplaced option, one line for the user; the run must not go on.
    std::string error;
};

// Reads the arguments after the program name.
ProgramOptions ParseProgramOptions(const std::vector<std::string>& args);

// Where a hosted run draws, by XScreenSaver's virtual-root convention.
struct HostChoice {
    enum class Kind { None, Window, RootWindow };
    Kind kind = Kind::None;
    std::uintptr_t window = 0;  // for Window only
    bool Hosted() const { return kind != Kind::None; }
};

// The window -window-id names wins wherever it stands. Otherwise, for -root and for a line
// with no switch and no action (option words such as -fps may come with either), the
// window `xscreensaverWindow` names (XSCREENSAVER_WINDOW, null when unset) when it holds a
// window id; a -root without it means the root window itself. A switch without -root or
// -window-id is never hosted: the user asked for that mode by name.
HostChoice ChooseHostWindow(const ProgramOptions& options, const char* xscreensaverWindow);

// What SaverApp starts with: for --render-frames the recording; for a hosted run (a
// `hostWindow` given: the window ChooseHostWindow chose, the root window's id resolved) a
// saver run in that window, whatever the switch; otherwise the switch's mode. The
// overrides go with each.
StartOptions StartOptionsOf(const ProgramOptions& options,
                            std::optional<std::uintptr_t> hostWindow);

// A window id as X programs write it: decimal, or hexadecimal after 0x; nothing else
// may follow, and 0 is no window.
std::optional<std::uintptr_t> ParseWindowId(std::string_view text);

}  // namespace eh::shell
