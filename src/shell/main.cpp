// Process entry: the command line read once, then the action or run mode it names.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "config/overrides.h"
#include "config/settings_fields.h"
#include "platform/d3d8/d3d8.h"
#include "platform/os/resources.h"
#include "platform/os/saver_windows.h"
#include "shell/media_check.h"
#include "shell/program_options.h"
#include "shell/scene_app.h"
#include "shell/start_timings.h"

#ifdef _WIN32
#include <windows.h>

#include "shell/console_win32.h"
#endif

namespace {

constexpr char kVersion[] = "0.1.0";

void printHelp() {
    std::printf(
        "Usage: emberhold [/s | /t | /c | /p <id> | /a <id>]\n"
        "       emberhold --help | --version | --print-settings | --resources\n"
        "       emberhold --verify-media\n"
        "       emberhold --render-frames DIR [--frames N] [--size WxH] [--fps F] [--seed S]\n"
        "                 [--start-ms T] [--every N] [--loading-screen] [--no-write]\n"
        "       emberhold -root | -window-id ID   (XScreenSaver)\n"
        "\n"
        "Run modes ('-' works in place of '/'):\n"
        "  /s              full-screen saver\n"
        "  /t              the saver in a 600 x 400 test window\n"
        "  /c, no switch   configuration dialog\n"
        "  /p <id>         still preview inside the window <id>\n"
#ifdef _WIN32
        "  /a <id>         password change (Windows 9x only)\n"
#else
        "  /a <id>         password change (does nothing on this platform)\n"
#endif
        "\n"
        "Options:\n"
        "  --help            this text\n"
        "  --version         the program's version\n"
        "  --print-settings  the stored settings, one 'Name = value' per line\n"
        "  --resources       type, id and size of every embedded resource\n"
        "  --verify-media    extract every entry of every embedded archive, check its CRC\n"
        "  --render-frames DIR\n"
        "                    run headless with a fixed time step, writing DIR/frame_NNNN.png\n"
        "                    (defaults: 60 frames, 640x480, 30 fps, seed 1); --start-ms T\n"
        "                    runs the scene T ms ahead (same fixed step) before recording;\n"
        "                    --every N writes only every N-th frame; --loading-screen\n"
        "                    also writes DIR/loading.png, the loading screen; --no-write\n"
        "                    renders and presents every frame, writes nothing and prints\n"
        "                    the frames per second of the recorded frames\n"
        "\n"
        "XScreenSaver: -window-id ID (decimal or 0x hex) runs the saver inside that window\n"
        "until the host ends it, wherever it stands on the line; -root, or no switch at\n"
        "all, uses the window XSCREENSAVER_WINDOW names, else -root draws on the root\n"
        "window. Named options take one dash or two (-root, --root). Under a host an\n"
        "unknown option is reported and ignored; otherwise it ends the program (exit 1).\n"
        "\n"
        "Environment:\n"
        "  EMBERHOLD_LOG=1   write the start-up log (Saver_Log.txt / Config_Log.txt)\n"
#ifdef _WIN32
        "  (the settings are in the registry: HKEY_CURRENT_USER\\Software\\Kestrelle\\\n"
        "   Emberhold 3D Screensaver)\n"
#else
        "  XDG_CONFIG_HOME   settings file: $XDG_CONFIG_HOME/kestrelle/"
        "emberhold-3d-screensaver.conf\n"
#endif
        "\n"
        "Exit codes: 0 success (also when another copy is already running),\n"
        "            1 bad option, 2 a mode this build cannot run.\n");
    std::printf("\n%s", eh::config::OverridesHelp());
}

int printSettings() {
    eh::shell::SceneApp app;
    eh::config::SaverSettings& s = app.Settings();
    eh::config::ReadSettings(s, app.SettingsPath());
    app.ReadExtraSettings();
    std::printf("%s", eh::config::FormatSettings(s).c_str());
    std::printf("%s = %s\n", std::string(eh::config::kExtraField.name).c_str(),
                app.ExtraSetting() ? "true" : "false");
    return 0;
}

int printResources() {
    std::printf("%-12s %6s %10s\n", "type", "id", "bytes");
    for (const eh::os::ResourceEntry& e : eh::os::ResourceTable()) {
        if (e.type == nullptr) continue;
        std::printf("%-12s %6d %10zu\n", e.type, e.id, static_cast<std::size_t>(e.end - e.begin));
    }
    return 0;
}

}  // namespace

// A GUI-subsystem program on Windows too: MinGW-w64's start-up code calls main() with the
// C run-time's argv whichever subsystem the program has.
int main(int argc, char** argv) {
    eh::shell::StartTimingsBegin();
#ifdef _WIN32
    eh::shell::AttachParentConsole();
#endif
    using eh::shell::ProgramAction;
    eh::shell::ProgramOptions options =
        eh::shell::ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.recordingBad) {
        std::fprintf(stderr,
                     "emberhold: bad --render-frames options: --frames 0..%d, --fps %g..%g, "
                     "--every 1..%d, --start-ms 0..%lld (see --help)\n",
                     eh::shell::kMaxRecordingFrames,
                     static_cast<double>(eh::shell::kMinRecordingFps),
                     static_cast<double>(eh::shell::kMaxRecordingFps),
                     eh::shell::kMaxRecordingFrames,
                     static_cast<long long>(eh::shell::kMaxRecordingStartMs));
        return 1;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "emberhold: %s (see --help)\n", options.error.c_str());
        return 1;
    }
    eh::shell::HostChoice host =
        eh::shell::ChooseHostWindow(options, std::getenv("XSCREENSAVER_WINDOW"));
    // A host starts its hacks with options of its own choosing (and of its version); one we
    // do not know must not turn the screen into the host's crash notice. Typed by a user,
    // it is a mistake worth stopping for.
    for (const std::string& option : options.unknown) {
        std::fprintf(stderr, host.Hosted() ? "emberhold: ignoring unknown option %s\n"
                                           : "emberhold: unknown option %s (see --help)\n",
                     option.c_str());
    }
    if (!options.unknown.empty() && !host.Hosted()) return 1;

    switch (options.action) {
        case ProgramAction::Help: return printHelp(), 0;
        case ProgramAction::Version: return std::printf("emberhold %s\n", kVersion), 0;
        case ProgramAction::PrintSettings: return printSettings();
        case ProgramAction::Resources: return printResources();
        case ProgramAction::VerifyMedia: return eh::shell::VerifyMedia();
        case ProgramAction::RenderFrames:
        case ProgramAction::Run:
            break;
    }

    // A run mode or a recording: one start-up for both.
    std::optional<std::uintptr_t> hostWindow;
    if (options.action == ProgramAction::Run && host.Hosted()) {
        hostWindow = host.kind == eh::shell::HostChoice::Kind::RootWindow ? eh::os::RootWindowId()
                                                                          : host.window;
    }
    eh::shell::SceneApp app;
    app.SetDirect3DFactory(&Direct3DCreate8);
#ifdef _WIN32
    // The module whose resources (preview bitmap, icon, dialogs) the windows load.
    HINSTANCE instance = GetModuleHandleA(nullptr);
#else
    HINSTANCE instance = nullptr;
#endif
    app.Initialize(instance, eh::shell::StartOptionsOf(options, hostWindow));
    eh::shell::StartTimingsMark("initialized");
    return app.Execute();
}
