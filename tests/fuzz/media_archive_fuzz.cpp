// Fuzz target: the media archive reader and RAR 2.0 decoder over arbitrary bytes. Every
// listed entry is extracted (solid archives decode everything before it), plus a name
// that is usually absent, so the whole walk runs.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    eh::media::MemoryFile file{data, static_cast<std::uint32_t>(size), 0};
    std::vector<eh::media::EntryInfo> entries;
    eh::media::ArchiveReader lister;
    lister.List(&file, entries);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < entries.size() && i < 4; ++i) names.push_back(entries[i].name);
    names.push_back("missing\\entry.bin");
    for (const std::string& name : names) {
        std::uint8_t* out = nullptr;
        DWORD outSize = 0;
        const int ok = eh::media::ExtractEntry(&out, &outSize, name.c_str(), &file, "pw");
        if (ok == 0 && (out != nullptr || outSize != 0)) std::abort();  // the failure contract
        std::free(out);
    }
    return 0;
}
