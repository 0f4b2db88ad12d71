// One input feeds the three text parsers of the start-up: the caption table, the
// default-settings text and the settings file. None may crash, hang or read out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "config/default_settings.h"
#include "config/text_table.h"
#include "platform/os/message_box.h"
#include "platform/os/registry.h"

namespace {

std::string readFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, f)) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static eh::os::ScopedMessageBoxHandler quiet([](const eh::os::MessageBoxCall&) { return 1; });

    eh::config::TextTable table;
    table.LoadFromBytes(data, size);
    (void)table.Lookup("ok");
    (void)table.Lookup("about_window_text");
    if (table.LineCount() > 0) (void)table.Lookup(table.Line(0));

    eh::config::DefaultSettings defaults;
    defaults.Parse(data, size);
    (void)defaults.GetInt("MusicVolume");

    static const std::string path = "/tmp/emberhold-fuzz-" + std::to_string(getpid()) + ".conf";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);  // data may be null when size is 0
        std::fclose(f);
        const char* section = "Software\\Kestrelle\\Emberhold 3D Screensaver";
        // Opening and querying leaves the user's file exactly as it was.
        eh::os::RegistryKey reader;
        if (reader.Create(section, path)) {
            DWORD v = 0;
            (void)reader.QueryDword("MusicVolume", &v);
            reader.Close();
        }
        if (readFile(path) != std::string(reinterpret_cast<const char*>(data), size))
            __builtin_trap();
        eh::os::RegistryKey key;
        if (key.Create(section, path)) {
            key.SetDword("ShowFPS", 2);
            key.Close();
            // What was written reads back, whatever surrounded it.
            eh::os::RegistryKey again;
            DWORD v = 0;
            if (!again.Create(section, path) || !again.QueryDword("ShowFPS", &v) || v != 2)
                __builtin_trap();
        }
        std::remove(path.c_str());
    }
    return 0;
}
