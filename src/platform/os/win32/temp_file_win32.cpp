// Private temporary files on Windows: names from GetTempFileNameA, each file created with
// CREATE_NEW so an existing file is never taken over, in the user's temporary folder (whose
// permissions keep other users out).
#include <algorithm>
#include <string>

#include "platform/os/temp_file.h"
#include "platform/os/win32_types.h"

namespace eh::os {

std::string TempFolder() {
    char buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > sizeof buffer - 1) return ".";
    std::string folder(buffer, length);
    // The system ends the folder with a separator; callers add their own.
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string CreatePrivateTempFile(std::span<const std::uint8_t> bytes, std::string_view prefix,
                                  const std::string& folder) {
    const std::string where = folder.empty() ? TempFolder() : folder;
    const std::string start(prefix.substr(0, 3));  // the system uses three characters
    // GetTempFileNameA with a non-zero number only forms "<folder>\<prefix><4 hex>.TMP";
    // CreateFileA then makes the file, and a name in use is passed over for the next one.
    auto number = static_cast<UINT>((GetTickCount() ^ (GetCurrentProcessId() << 8)) & 0xFFFFu);
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        number = (number + 1) & 0xFFFFu;
        if (number == 0) continue;  // 0 would make the system create a file of its own
        char name[MAX_PATH];
        if (GetTempFileNameA(where.c_str(), start.c_str(), number, name) == 0) return {};
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return {};  // the folder cannot take a file
        }
        bool ok = true;
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD written = 0;
            ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written > 0;
            done += written;
        }
        ok = CloseHandle(file) && ok;
        if (!ok) {
            DeleteFileA(name);
            return {};
        }
        return name;
    }
    return {};
}

bool DeleteTempFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace eh::os
