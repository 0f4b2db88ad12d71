// Media archives: RAR 2.0 archives carried as "MediaData" resources of the executable,
// read entry by entry into heap blocks. Nothing is extracted to disk.
//
//   MemoryFile file;
//   OpenMediaResource(file, 453);
//   std::uint8_t* data; DWORD size;
//   if (ExtractEntry(&data, &size, "Meshes/Horse.emd", &file, nullptr)) { ...; free(data); }
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "media/memory_file.h"
#include "media/rar20_format.h"
#include "platform/os/win32_types.h"

namespace eh::media {

namespace rar20 {
class Decoder;
}

inline constexpr int kClockDigitsArchive = 452;  // stored entries
inline constexpr int kMediaArchive = 453;        // everything else, compressed

// Clears `file` to {null, 0, 0}, then points it at resource "MediaData" `id` of the
// running executable. On failure the record stays cleared.
void OpenMediaResource(MemoryFile& file, int id);

// True when `request` names the stored entry `stored`: backslash, slash and underscore
// are one character, ASCII letters compare without case, nothing else is folded
// ("Meshes/Horse.emd" matches "Meshes\horse.EMD"; "Meshes//a" does not match "Meshes\a").
// Both names are cut to rar20::kMaxNameLength bytes first.
bool EntryNamesMatch(const char* request, const char* stored);

// One file block as the reader sees it (for listing tools).
struct EntryInfo {
    std::string name;  // cut to rar20::kMaxNameLength bytes
    std::uint16_t flags = 0;
    std::uint32_t packSize = 0;
    std::uint32_t unpSize = 0;
    std::uint32_t fileCrc = 0;
    std::uint8_t unpVer = 0;
    std::uint8_t method = 0;
    bool directory() const { return (flags & rar20::kFileDictionaryMask) == rar20::kFileDirectory; }
};

// The archive walker behind ExtractEntry. The program uses one instance; tests may make
// more. Not re-entrant: one extraction at a time per instance.
class ArchiveReader {
  public:
    // Takes the entry `name` out of the archive in `file` into a new malloc'ed block.
    // Returns 1 when found, complete (UNP_SIZE bytes) and its CRC-32 matches: *data gets
    // the block (the caller frees it; a folder entry yields a 1-byte block and size 0) and
    // *size the entry's length. Otherwise returns 0 with *data = null, *size = 0 and
    // nothing left allocated. Always starts at position 0 of `file` and leaves `position`
    // wherever the walk stopped. `password` may be null; it is wiped before returning.
    // Encrypted entries are refused. Data not starting with a known marker is refused.
    int Extract(std::uint8_t** data, DWORD* size, const char* name, MemoryFile* file,
                const char* password);

    // Appends the file entries in archive order, walking exactly as Extract does. Returns
    // false when `file` is not an archive or the walk met damage or a sub-block (the
    // entries before it are still listed).
    bool List(MemoryFile* file, std::vector<EntryInfo>& entries);

    // True when no byte of a password is held (always the case between calls).
    bool PasswordCleared() const;
    // Table sets read by the decoder during the last extraction.
    std::uint32_t lastTableSets() const { return lastTableSets_; }

  private:
    bool OpenArchive();
    int Search();
    int ScanBlock();
    bool ExtractCurrent(bool found);

    MemoryFile* file_ = nullptr;
    std::array<char, rar20::kMaxNameLength + 1> request_{};
    std::array<char, rar20::kMaxNameLength + 1> password_{};
    std::uint8_t* output_ = nullptr;
    DWORD* size_ = nullptr;
    rar20::MainHeader main_;
    rar20::FileHeader header_;
    std::array<char, rar20::kMaxNameLength + 1> entryName_{};
    std::uint32_t blockStart_ = 0;
    std::uint64_t nextBlockStart_ = 0;
    std::uint8_t* window_ = nullptr;
    rar20::Decoder* decoder_ = nullptr;  // lives with the window, for one extraction
    std::uint32_t lastTableSets_ = 0;
};

// The program's archive reader (see ArchiveReader::Extract).
int ExtractEntry(std::uint8_t** data, DWORD* size, const char* name, MemoryFile* file,
                 const char* password);

// The program's reader instance, for tests that inspect its state between calls.
const ArchiveReader& MediaArchiveReader();

}  // namespace eh::media
