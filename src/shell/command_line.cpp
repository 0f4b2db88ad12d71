#include "shell/command_line.h"

namespace eh::shell {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips non-digits from `p`; reads the decimal number there, or 0 when none follows.
// Values past the handle width saturate instead of overflowing.
std::uintptr_t numberAfter(const char* p) {
    while (*p && !isDigit(*p)) ++p;
    std::uintptr_t v = 0;
    constexpr std::uintptr_t kMax = ~std::uintptr_t{0};
    for (; isDigit(*p); ++p) {
        auto d = static_cast<std::uintptr_t>(*p - '0');
        v = (v > (kMax - d) / 10) ? kMax : v * 10 + d;
    }
    return v;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const char* line) {
    ParsedCommandLine result;
    if (line == nullptr) return result;
    const char* p = line;

    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ') ++p;
        if (*p) ++p;
    }

    while (*p && *p != '/' && *p != '-') ++p;
    if (!*p) return result;  // no switch: configuration dialog

    char letter = p[1];
    // Numbers are read from two characters after the switch character; guard the case
    // where the line ends right after the letter.
    const char* numberStart = letter ? p + 2 : p + 1;
    switch (letter) {
        case 'a':
        case 'A':
            result.mode = RunMode::ChangePassword;
            result.parentWindow = numberAfter(numberStart);
            break;
        case 'c':
        case 'C':
            result.mode = RunMode::Config;
            result.parentWindow = numberAfter(numberStart);
            break;
        case 'p':
        case 'P':
            result.mode = RunMode::Preview;
            result.parentWindow = numberAfter(numberStart);
            break;
        case 't':
        case 'T':
            result.mode = RunMode::Test;
            break;
        default:
            result.mode = RunMode::Saver;
            break;
    }
    return result;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) line += ' ';
        std::string arg = argv[i] ? argv[i] : "";
        bool needsQuotes = arg.empty() || arg.find_first_of(" \t\"") != std::string::npos;
        if (!needsQuotes) {
            line += arg;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"') {
                line.append(backslashes * 2 + 1, '\\');
            } else {
                line.append(backslashes, '\\');
            }
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

const char* RunModeName(RunMode mode) {
    switch (mode) {
        case RunMode::Config: return "Config";
        case RunMode::Preview: return "Preview";
        case RunMode::Saver: return "Saver";
        case RunMode::Test: return "Test";
        case RunMode::ChangePassword: return "ChangePassword";
    }
    return "?";
}

}  // namespace eh::shell
