#include "shell/program_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace eh::shell {
namespace {

// Takes DIR and the recording options (--frames N, --size WxH, --fps F, --seed S,
// --start-ms T, --every N, --loading-screen, --no-write) out of `args`, which starts after
// --render-frames, leaving everything else in order. Returns false on a bad or missing
// value. Here --fps is the fixed rate of the recording, not the overlay switch of a saver
// run, which is why this runs before the overrides are read.
bool extractRecording(std::vector<std::string>& args, RecordingOptions& o) {
    if (args.empty()) return false;
    o.directory = args[0];
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view inlineValue;
        bool hasValue = false;
        std::string_view opt = config::OptionName(args[i], &inlineValue, &hasValue);
        if (opt == "loading-screen") {
            if (hasValue) return false;
            o.loadingScreen = true;
            continue;
        }
        if (opt == "no-write" && !hasValue) {
            o.noWrite = true;
            continue;
        }
        bool known = opt == "frames" || opt == "size" || opt == "fps" || opt == "seed" ||
                     opt == "start-ms" || opt == "every";
        if (!known) {
            rest.push_back(args[i]);
            continue;
        }
        std::string v;
        if (hasValue) {
            v = inlineValue;
        } else {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
        }
        char* end = nullptr;
        if (opt == "frames") {
            long long frames = std::strtoll(v.c_str(), &end, 10);
            if (frames < 0 || frames > kMaxRecordingFrames) return false;
            o.frames = static_cast<int>(frames);
        } else if (opt == "size") {
            if (std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height) != 2) return false;
            continue;
        } else if (opt == "fps") {
            o.fps = std::strtof(v.c_str(), &end);
            if (!(o.fps >= kMinRecordingFps && o.fps <= kMaxRecordingFps)) return false;
        } else if (opt == "every") {
            long every = std::strtol(v.c_str(), &end, 10);
            if (every < 1 || every > kMaxRecordingFrames) return false;
            o.every = static_cast<int>(every);
        } else if (opt == "start-ms") {
            // Not finite, negative or past the limit: refused rather than run for ever.
            double ms = std::strtod(v.c_str(), &end);
            if (!(ms >= 0.0 && ms <= static_cast<double>(kMaxRecordingStartMs))) return false;
            o.startMs = static_cast<std::int64_t>(ms);
        } else {
            o.seed = static_cast<unsigned>(std::strtoul(v.c_str(), &end, 10));
        }
        if (end == v.c_str() || *end != '\0') return false;
    }
    args = std::move(rest);
    return true;
}

std::optional<ProgramAction> actionNamed(std::string_view name) {
    if (name == "help") return ProgramAction::Help;
    if (name == "version") return ProgramAction::Version;
    if (name == "print-settings") return ProgramAction::PrintSettings;
    if (name == "resources") return ProgramAction::Resources;
    if (name == "verify-media") return ProgramAction::VerifyMedia;
    return std::nullopt;
}

}  // namespace

std::optional<std::uintptr_t> ParseWindowId(std::string_view text) {
    std::string s(text);
    if (s.empty() || s[0] < '0' || s[0] > '9') return std::nullopt;  // no sign, no blanks
    errno = 0;
    char* end = nullptr;
    unsigned long long id = std::strtoull(s.c_str(), &end, 0);
    if (errno != 0 || end == s.c_str() || *end != '\0' || id == 0) return std::nullopt;
    if (id > static_cast<unsigned long long>(~std::uintptr_t{0})) return std::nullopt;
    return static_cast<std::uintptr_t>(id);
}

ProgramOptions ParseProgramOptions(const std::vector<std::string>& given) {
    ProgramOptions o;
    std::vector<std::string> args = given;
    if (!args.empty() && config::OptionName(args[0]) == "render-frames") {
        o.action = ProgramAction::RenderFrames;
        args.erase(args.begin());
        o.recordingBad = !extractRecording(args, o.recording);
        if (o.recordingBad) return o;
    }
    if (!config::ExtractOverrides(args, &o.overrides, &o.error)) return o;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view value;
        bool hasValue = false;
        std::string_view name = config::OptionName(args[i], &value, &hasValue);
        if (name.empty()) {
            o.switches.push_back(args[i]);
        } else if (name == "root" && !hasValue) {
            o.root = true;
        } else if (name == "window-id") {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    o.error = args[i] + " needs a window id";
                    return o;
                }
                value = args[++i];
            }
            o.windowId = ParseWindowId(value);
            if (!o.windowId) {
                o.error = "-window-id needs a window id, not '" + std::string(value) + "'";
                return o;
            }
        } else if (name == "render-frames") {
            o.error = args[i] + " must come first";
            return o;
        } else if (auto action = actionNamed(name); action && !hasValue) {
            // The first of them counts; a recording stays a recording.
            if (o.action == ProgramAction::Run) o.action = *action;
        } else {
            o.unknown.push_back(args[i]);
        }
    }
    // The switch rules read a whole command line: a program name, then the arguments.
    std::vector<const char*> line{"emberhold"};
    for (const std::string& a : o.switches) line.push_back(a.c_str());
    o.screensaver =
        ParseCommandLine(JoinCommandLine(static_cast<int>(line.size()), line.data()).c_str());
    return o;
}

StartOptions StartOptionsOf(const ProgramOptions& options,
                            std::optional<std::uintptr_t> hostWindow) {
    StartOptions start;
    start.overrides = options.overrides;
    if (options.action == ProgramAction::RenderFrames) {
        start.mode = RunMode::Test;
        start.recording = options.recording;
    } else if (hostWindow) {
        start.mode = RunMode::Saver;
        start.hostWindow = *hostWindow;
    } else {
        start.mode = options.screensaver.mode;
        start.parentWindow = options.screensaver.parentWindow;
    }
    return start;
}

HostChoice ChooseHostWindow(const ProgramOptions& o, const char* xscreensaverWindow) {
    HostChoice host;
    if (o.windowId) {
        host.kind = HostChoice::Kind::Window;
        host.window = *o.windowId;
        return host;
    }
    bool plainRun = o.action == ProgramAction::Run && o.switches.empty();
    if (!o.root && !plainRun) return host;
    if (xscreensaverWindow != nullptr) {
        if (std::optional<std::uintptr_t> id = ParseWindowId(xscreensaverWindow)) {
            host.kind = HostChoice::Kind::Window;
            host.window = *id;
            return host;
        }
    }
    if (o.root) host.kind = HostChoice::Kind::RootWindow;
    return host;
}

}  // namespace eh::shell
