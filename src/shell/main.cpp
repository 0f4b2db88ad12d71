// Process entry: the program's own options first, then the screensaver command line.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/archive.h"
#include "media/memory_file.h"
#include "platform/d3d8/d3d8.h"
#include "platform/os/resources.h"
#include "platform/os/saver_windows.h"
#include "shell/overrides.h"
#include "shell/scene_app.h"

namespace {

constexpr char kVersion[] = "0.1.0";

void printHelp() {
    std::printf(
        "Usage: emberhold [/s | /t | /c | /p <id> | /a <id>]\n"
        "       emberhold --help | --version | --print-settings | --resources\n"
        "       emberhold --verify-media\n"
        "       emberhold --render-frames DIR [--frames N] [--size WxH] [--fps F] [--seed S]\n"
        "                 [--start-ms T] [--every N]\n"
        "       emberhold -root | -window-id ID   (XScreenSaver)\n"
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
        "  --verify-media    extract every entry of every embedded archive, check its CRC\n"
        "  --render-frames DIR\n"
        "                    run headless with a fixed time step, writing DIR/frame_NNNN.png\n"
        "                    (defaults: 60 frames, 640x480, 30 fps, seed 1); --start-ms T\n"
        "                    runs the scene T ms ahead (same fixed step) before recording;\n"
        "                    --every N writes only every N-th frame\n"
        "\n"
        "XScreenSaver: -root, -window-id ID or the XSCREENSAVER_WINDOW variable run the\n"
        "saver inside that window until the host ends it.\n"
        "\n"
        "Environment:\n"
        "  EMBERHOLD_LOG=1   write the start-up log (Saver_Log.txt / Config_Log.txt)\n"
        "  XDG_CONFIG_HOME   settings file: $XDG_CONFIG_HOME/kestrelle/"
        "emberhold-3d-screensaver.conf\n"
        "\n"
        "Exit codes: 0 success (also when another copy is already running),\n"
        "            1 bad option, 2 a mode this build cannot run.\n");
    std::printf("\n%s", eh::shell::OverridesHelp());
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

int verifyMedia() {
    int entries = 0, failed = 0, archives = 0;
    for (const eh::os::ResourceEntry& e : eh::os::ResourceTable()) {
        if (e.type == nullptr || std::string(e.type) != "MediaData") continue;
        ++archives;
        eh::media::MemoryFile file;
        eh::media::OpenMediaResource(file, e.id);
        eh::media::ArchiveReader reader;
        std::vector<eh::media::EntryInfo> list;
        if (!reader.List(&file, list)) {
            std::printf("FAIL  %d  (not a readable archive)\n", e.id);
            ++failed;
        }
        for (const eh::media::EntryInfo& info : list) {
            if (info.directory()) continue;
            ++entries;
            std::uint8_t* data = nullptr;
            DWORD size = 0;
            int found = reader.Extract(&data, &size, info.name.c_str(), &file, nullptr);
            bool ok = found == 1 && size == info.unpSize;
            std::printf("%s  %d  %-40s %8u bytes  crc %08x\n", ok ? "ok  " : "FAIL", e.id,
                        info.name.c_str(), static_cast<unsigned>(info.unpSize),
                        static_cast<unsigned>(info.fileCrc));
            if (!ok) ++failed;
            std::free(data);
        }
    }
    // Every name the program requests from archive 453 must be found by its own lookup.
    int requested = 0, missing = 0;
    eh::os::ResourceData list = eh::os::FindResourceData("EntryList", 453);
    if (list) {
        eh::media::MemoryFile file;
        eh::media::OpenMediaResource(file, 453);
        std::string text(reinterpret_cast<const char*>(list.data), list.size);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string name = text.substr(start, end - start);
            start = end + 1;
            if (!name.empty() && name.back() == '\r') name.pop_back();
            if (name.empty() || name[0] == '#' || name.back() == '/' || name.back() == '\\')
                continue;
            ++requested;
            eh::media::ArchiveReader reader;
            std::uint8_t* data = nullptr;
            DWORD size = 0;
            if (reader.Extract(&data, &size, name.c_str(), &file, nullptr) != 1) {
                std::printf("MISSING  453  %s\n", name.c_str());
                ++missing;
            }
            std::free(data);
        }
    }
    std::printf("%d archives, %d entries, %d failed; %d requested names, %d missing\n",
                archives, entries, failed, requested, missing);
    failed += missing;
    return failed == 0 && archives > 0 ? 0 : 1;
}

// Takes --render-frames DIR and its options (--frames N, --size WxH, --fps F, --seed S,
// --start-ms T)
// out of `args`, leaving everything else. Returns false on a bad or missing value.
bool extractRecording(std::vector<std::string>& args, eh::shell::RecordingOptions& o) {
    if (args.size() < 2) return false;
    o.directory = args[1];
    std::vector<std::string> rest;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& opt = args[i];
        bool known = opt == "--frames" || opt == "--size" || opt == "--fps" || opt == "--seed" ||
                     opt == "--start-ms" || opt == "--every";
        if (!known) {
            rest.push_back(opt);
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const std::string& v = args[++i];
        char* end = nullptr;
        if (opt == "--frames") {
            long long frames = std::strtoll(v.c_str(), &end, 10);
            if (frames < 0 || frames > eh::shell::kMaxRecordingFrames) return false;
            o.frames = static_cast<int>(frames);
        } else if (opt == "--size") {
            if (std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height) != 2) return false;
            continue;
        } else if (opt == "--fps") {
            o.fps = std::strtof(v.c_str(), &end);
            if (!(o.fps >= eh::shell::kMinRecordingFps && o.fps <= eh::shell::kMaxRecordingFps))
                return false;
        } else if (opt == "--every") {
            long every = std::strtol(v.c_str(), &end, 10);
            if (every < 1 || every > eh::shell::kMaxRecordingFrames) return false;
            o.every = static_cast<int>(every);
        } else if (opt == "--start-ms") {
            // Not finite, negative or past the limit: refused rather than run for ever.
            double ms = std::strtod(v.c_str(), &end);
            if (!(ms >= 0.0 && ms <= static_cast<double>(eh::shell::kMaxRecordingStartMs)))
                return false;
            o.startMs = static_cast<std::int64_t>(ms);
        } else {
            o.seed = static_cast<unsigned>(std::strtoul(v.c_str(), &end, 10));
        }
        if (end == v.c_str() || *end != '\0') return false;
    }
    args.assign(rest.begin(), rest.end());
    args.insert(args.begin(), "--render-frames");
    return true;
}

// The window XScreenSaver asks the saver to draw into: -window-id ID, -root, or the
// XSCREENSAVER_WINDOW variable; 0 when not hosted.
std::uintptr_t hostWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-window-id" && i + 1 < argc) return std::strtoull(argv[i + 1], nullptr, 0);
        if (a == "-root") return eh::os::RootWindowId();
    }
    if (argc == 1) {
        if (const char* env = std::getenv("XSCREENSAVER_WINDOW"))
            return std::strtoull(env, nullptr, 0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Settings for this run only come out first; the rest is read as before.
    std::vector<std::string> args(argv + 1, argv + argc);
    // The recording options go first: its --fps takes a rate, not the overlay switch.
    eh::shell::RecordingOptions recording;
    bool recordingBad = false;
    if (!args.empty() && args[0] == "--render-frames")
        recordingBad = !extractRecording(args, recording);
    eh::shell::SettingsOverrides overrides;
    std::string error;
    if (!eh::shell::ExtractOverrides(args, &overrides, &error)) {
        std::fprintf(stderr, "emberhold: %s (see --help)\n", error.c_str());
        return 1;
    }
    std::vector<char*> kept{argv[0]};
    for (std::string& a : args) kept.push_back(a.data());
    kept.push_back(nullptr);
    argc = static_cast<int>(kept.size()) - 1;
    argv = kept.data();

    if (argc >= 2 && std::strncmp(argv[1], "--", 2) == 0) {
        std::string option = argv[1];
        if (option == "--help") return printHelp(), 0;
        if (option == "--version") return std::printf("emberhold %s\n", kVersion), 0;
        if (option == "--print-settings") return printSettings();
        if (option == "--resources") return printResources();
        if (option == "--verify-media") return verifyMedia();
        if (option == "--render-frames") {
            if (recordingBad) {
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
            eh::shell::SceneApp app;
            app.SetDirect3DFactory(&Direct3DCreate8);
            app.SetOverrides(overrides);
            return app.RunRecording(recording);
        }
        std::fprintf(stderr, "emberhold: unknown option %s (see --help)\n", argv[1]);
        return 1;
    }

    eh::shell::SceneApp app;
    app.SetDirect3DFactory(&Direct3DCreate8);
    app.SetOverrides(overrides);
    std::string commandLine = eh::shell::JoinCommandLine(argc, argv);
    if (std::uintptr_t host = hostWindow(argc, argv)) {
        app.SetHostWindow(host);
        commandLine = std::string(argv[0]) + " /s";
    }
    app.Initialize(nullptr, commandLine.c_str());
    return app.Execute();
}
