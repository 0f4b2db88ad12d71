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
        eh::os::RegistryKey key;
        if (key.Create("Software\\Kestrelle\\Emberhold 3D Screensaver", path)) {
            DWORD v = 0;
            (void)key.QueryDword("MusicVolume", &v);
            key.SetDword("ShowFPS", 2);
            key.Close();
        }
        std::remove(path.c_str());
    }
    return 0;
}
