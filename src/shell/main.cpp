// Process entry: the program's own options first, then the screensaver command line.

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/os/resources.h"
#include "shell/scene_app.h"

namespace {

constexpr char kVersion[] = "0.1.0";

void printHelp() {
    std::printf(
        "Usage: emberhold [/s | /t | /c | /p <id> | /a <id>]\n"
        "       emberhold --help | --version | --print-settings | --resources\n"
        "\n"
        "Run modes ('-' works in place of '/'):\n"
        "  /s              full-screen saver\n"
        "  /t              the saver in a 600 x 400 test window\n"
        "  /c, no switch   configuration dialog\n"
        "  /p <id>         still preview inside the window <id>\n"
        "  /a <id>         password change (does nothing on this platform)\n"
        "\n"
        "Options:\n"
        "  --help            this text\n"
        "  --version         the program's version\n"
        "  --print-settings  the stored settings, one 'Name = value' per line\n"
        "  --resources       type, id and size of every embedded resource\n"
        "\n"
        "Environment:\n"
        "  EMBERHOLD_LOG=1   write the start-up log (Saver_Log.txt / Config_Log.txt)\n"
        "  XDG_CONFIG_HOME   settings file: $XDG_CONFIG_HOME/kestrelle/"
        "emberhold-3d-screensaver.conf\n"
        "\n"
        "Exit codes: 0 success (also when another copy is already running),\n"
        "            1 bad option, 2 a mode this build cannot run.\n");
}

int printSettings() {
    eh::shell::SceneApp app;
    eh::shell::SaverSettings& s = app.Settings();
    eh::shell::ReadSettings(s, app.SettingsPath());
    app.ReadExtraSettings();
    auto b = [](bool v) { return v ? "true" : "false"; };
    std::printf("ShowFPS = %s\n", b(s.ShowFPS));
    std::printf("ExitOnMouseMove = %s\n", b(s.ExitOnMouseMove));
    std::printf("ShowTime = %s\n", b(s.ShowTime));
    std::printf("Music = %s\n", b(s.Music));
    std::printf("SFX = %s\n", b(s.SFX));
    std::printf("MusicVolume = %d\n", s.MusicVolume);
    std::printf("Width = %d\n", s.Width);
    std::printf("Height = %d\n", s.Height);
    std::printf("BitCount = %d\n", s.BitCount);
    std::printf("FSAA = %d\n", s.FSAA);
    std::printf("UseDesktopSettings = %s\n", b(s.UseDesktopSettings));
    std::printf("DigClock_24H = %s\n", b(s.DigClock_24H));
    std::printf("GmCntrl = %d\n", s.GmCntrl);
    std::printf("UPS = %s\n", b(app.ExtraSetting()));
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

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--", 2) == 0) {
        std::string option = argv[1];
        if (option == "--help") return printHelp(), 0;
        if (option == "--version") return std::printf("emberhold %s\n", kVersion), 0;
        if (option == "--print-settings") return printSettings();
        if (option == "--resources") return printResources();
        std::fprintf(stderr, "emberhold: unknown option %s (see --help)\n", argv[1]);
        return 1;
    }

    eh::shell::SceneApp app;
    std::string commandLine = eh::shell::JoinCommandLine(argc, argv);
    app.Initialize(nullptr, commandLine.c_str());
    return app.Execute();
}
