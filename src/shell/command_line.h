// The screensaver command line: which run mode, and the window handle that goes with it.
#pragma once

#include <cstdint>
#include <string>

namespace eh::shell {

enum class RunMode : std::int32_t {
    Config = 0,
    Preview = 1,
    Saver = 2,
    Test = 3,
    ChangePassword = 4,
};

struct ParsedCommandLine {
    RunMode mode = RunMode::Config;
    // The number after /p, /c or /a: a window handle (an X11 window id here); 0 for none.
    std::uintptr_t parentWindow = 0;
};

// Parses a whole command line, program name included. The program name is skipped (to the
// closing quote when it starts with one, else to the first space); the first '/' or '-'
// after it selects the mode by the letter that follows (case ignored): a, c, p take a
// decimal number that may follow after any non-digits; t is Test; anything else, the
// end of the line included, is Saver. No switch at all is Config. Only the first switch
// counts.
ParsedCommandLine ParseCommandLine(const char* line);

// The process arguments joined as a Windows command line would hold them: arguments with
// spaces, tabs or quotes are quoted, with the usual backslash rules.
std::string JoinCommandLine(int argc, const char* const* argv);

const char* RunModeName(RunMode mode);

}  // namespace eh::shell
