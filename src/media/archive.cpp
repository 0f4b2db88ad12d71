#include "media/archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "media/rar20_decoder.h"
#include "platform/os/resources.h"

namespace eh::media {

using namespace rar20;

namespace {

// Every symbol takes at least one bit and writes at most kMaxMatchLength bytes, so no
// stream can expand by more than this factor; larger UNP_SIZE values are lies, refused
// before the output block is allocated.
constexpr std::uint64_t kMaxExpansion = 8 * kMaxMatchLength;

void copyName(std::array<char, kMaxNameLength + 1>& dst, const char* src) {
    dst.fill(0);
    if (src == nullptr) return;
    for (std::size_t i = 0; i < kMaxNameLength && src[i] != '\0'; ++i) dst[i] = src[i];
}

char foldNameChar(char c) {
    if (c == '\\' || c == '/') return '_';
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c;
}

}  // namespace

void OpenMediaResource(MemoryFile& file, int id) {
    file = MemoryFile{};
    const os::ResourceData res = os::FindResourceData("MediaData", id);
    if (!res || res.size > 0xFFFFFFFFu) return;
    file.data = res.data;
    file.size = static_cast<std::uint32_t>(res.size);
}

bool EntryNamesMatch(const char* request, const char* stored) {
    if (request == nullptr || stored == nullptr) return false;
    for (std::size_t i = 0; i < kMaxNameLength; ++i) {
        const char a = request[i], b = stored[i];
        if (foldNameChar(a) != foldNameChar(b)) return false;
        if (a == '\0') return true;
    }
    return true;  // equal over the first kMaxNameLength bytes
}

bool ArchiveReader::PasswordCleared() const {
    return std::all_of(password_.begin(), password_.end(), [](char c) { return c == 0; });
}

int ArchiveReader::Extract(std::uint8_t** data, DWORD* size, const char* name, MemoryFile* file,
                           const char* password) {
    int result = 0;
    if (data != nullptr && size != nullptr && name != nullptr && file != nullptr) {
        copyName(request_, name);
        file_ = file;
        copyName(password_, password);
        output_ = nullptr;
        size_ = size;
        *size_ = 0;
        result = Search();
    }
    password_.fill(0);
    if (decoder_ != nullptr) {
        lastTableSets_ = decoder_->tableSetsRead();
        delete decoder_;
        decoder_ = nullptr;
    }
    std::free(window_);
    window_ = nullptr;
    if (result == 0) {
        std::free(output_);
        output_ = nullptr;
        if (size != nullptr) *size = 0;
    }
    if (data != nullptr) *data = output_;
    output_ = nullptr;
    size_ = nullptr;
    file_ = nullptr;
    return result;
}

bool ArchiveReader::List(MemoryFile* file, std::vector<EntryInfo>& entries) {
    if (file == nullptr) return false;
    file_ = file;
    bool ok = OpenArchive();
    while (ok) {
        if (ScanBlock() <= 0) {
            // The normal end leaves less than a header (an end block at most) unread.
            ok = file_->Remaining() < kFileHeaderSize;
            break;
        }
        EntryInfo info;
        info.name = entryName_.data();
        info.flags = header_.flags;
        info.packSize = header_.packSize;
        info.unpSize = header_.unpSize;
        info.fileCrc = header_.fileCrc;
        info.unpVer = header_.unpVer;
        info.method = header_.method;
        entries.push_back(std::move(info));
        file_->position = static_cast<std::uint32_t>(nextBlockStart_);
    }
    file_ = nullptr;
    return ok;
}

// Checks the marker and reads the main header; the position is then at the first block.
bool ArchiveReader::OpenArchive() {
    header_ = FileHeader{};
    if (file_->data == nullptr || file_->size == 0) return false;
    file_->position = 0;
    std::uint8_t marker[kMarkerSize];
    if (file_->Read(marker, kMarkerSize) == 0) return false;
    if (!std::equal(kMarkerRar.begin(), kMarkerRar.end(), marker) &&
        !std::equal(kMarkerAlt.begin(), kMarkerAlt.end(), marker))
        return false;
    std::uint8_t mainBytes[kMainHeaderSize];
    if (file_->Read(mainBytes, kMainHeaderSize) == 0) return false;
    main_ = ParseMainHeader(mainBytes);
    if (main_.headSize > kMainHeaderSize) {
        const std::uint64_t p = std::uint64_t{file_->position} + main_.headSize - kMainHeaderSize;
        file_->position = static_cast<std::uint32_t>(std::min<std::uint64_t>(p, file_->size));
    }
    return true;
}

int ArchiveReader::Search() {
    lastTableSets_ = 0;
    if (!OpenArchive()) return 0;
    // Zeroed: a damaged archive whose first entry claims to continue a solid stream reads
    // a clean window, never uninitialised memory.
    window_ = static_cast<std::uint8_t*>(std::calloc(kWindowSize, 1));
    if (window_ == nullptr) return 0;
    decoder_ = new (std::nothrow) Decoder(window_);
    if (decoder_ == nullptr) return 0;
    const bool solidArchive = (main_.flags & kMainSolid) != 0;
    for (;;) {
        if (ScanBlock() <= 0) return 0;  // archive end, damage, or a sub-block
        const bool found = EntryNamesMatch(request_.data(), entryName_.data());
        if (solidArchive || found) {
            if (!ExtractCurrent(found)) return 0;
        }
        file_->position = static_cast<std::uint32_t>(nextBlockStart_);
        if (found) return 1;
    }
}

// Decodes (and, when `found`, stores) the entry whose header was just scanned; the file
// position is at its packed data. Returns false when the search must fail.
bool ArchiveReader::ExtractCurrent(bool found) {
    if (header_.unpVer < kUnpackVersionMin || header_.unpVer > kUnpackVersion) return false;
    if ((header_.flags & kFileEncrypted) != 0) return false;  // no decryption: refuse

    const bool stored = header_.method == kMethodStored;
    const std::uint32_t available = file_->Remaining();
    const std::uint32_t packed = std::min(header_.packSize, available);
    if (found) {
        // Entries that cannot be complete are refused before allocating their size.
        if (stored ? header_.unpSize > packed
                   : header_.unpSize > (std::uint64_t{packed} + 1) * kMaxExpansion)
            return false;
        // One byte at least, so that an empty entry or folder still yields a block.
        output_ =
            static_cast<std::uint8_t*>(std::malloc(std::max<std::uint32_t>(header_.unpSize, 1)));
        if (output_ == nullptr) return false;
        *size_ = 0;
    }

    if (stored) {
        // Stored data never enters the decoder's window, so a skipped one needs no reading.
        if (found && header_.unpSize > 0)
            *size_ = file_->Read(output_, std::min(header_.unpSize, header_.packSize));
    } else {
        DecodeJob job;
        job.file = file_;
        job.packSize = header_.packSize;
        job.unpSize = header_.unpSize;
        job.solid = (header_.flags & kFileSolid) != 0;
        job.output = found ? output_ : nullptr;
        // The decoder counts in 32 bits; DWORD is wider than that on Windows (unsigned long).
        std::uint32_t written = static_cast<std::uint32_t>(*size_);
        job.written = &written;
        decoder_->DecodeEntry(job);
        *size_ = written;
    }

    if (found) {
        // A short output would leave bytes the CRC must not read; it is a failure anyway.
        if (*size_ != header_.unpSize) return false;
        const uLong crc = crc32(0L, output_, header_.unpSize);
        if (static_cast<std::uint32_t>(crc) != header_.fileCrc) return false;
    }
    return true;
}

// Moves to the next file block. Returns 32 plus the name length at a file block, with the
// position at its packed data; 0 at the archive end, at a sub-block (which ends the
// search), or when the headers are damaged.
int ArchiveReader::ScanBlock() {
    const FileHeader kept = header_;
    std::uint8_t bytes[kFileHeaderSize];
    std::uint32_t got = 0;
    for (;;) {
        blockStart_ = file_->position;
        got = file_->Read(bytes, kFileHeaderSize);
        if (got == 0) break;
        header_ = ParseFileHeader(bytes);
        if (header_.headSize < 7) return 0;
        nextBlockStart_ = std::uint64_t{blockStart_} + header_.headSize;
        if ((header_.flags & kFileHasData) != 0) nextBlockStart_ += header_.packSize;
        if (nextBlockStart_ <= blockStart_ || nextBlockStart_ > 0xFFFFFFFFu) return 0;
        if (header_.type == kBlockFile || header_.type == kBlockSub) break;
        file_->position = static_cast<std::uint32_t>(nextBlockStart_);
    }
    if (got != 0 && header_.type == kBlockFile) {
        // The packed data starts at HEAD_SIZE: real archives may carry fields after the
        // name. A header too short to hold its own name is damaged.
        if (header_.headSize < kFileHeaderSize + header_.nameSize) return 0;
        const std::uint32_t len = std::min<std::uint32_t>(header_.nameSize, kMaxNameLength);
        entryName_.fill(0);
        if (len > 0 && file_->Read(entryName_.data(), len) == 0) return 0;
        file_->position = blockStart_ + header_.headSize;
        return static_cast<int>(kFileHeaderSize + len);
    }
    const bool subBlock = got != 0;  // the loop stops on a read failure or a sub-block
    header_ = kept;
    file_->position = blockStart_;
    return subBlock ? 0 : static_cast<int>(got);
}

namespace {
ArchiveReader& programReader() {
    static ArchiveReader reader;
    return reader;
}
}  // namespace

int ExtractEntry(std::uint8_t** data, DWORD* size, const char* name, MemoryFile* file,
                 const char* password) {
    return programReader().Extract(data, size, name, file, password);
}

const ArchiveReader& MediaArchiveReader() {
    return programReader();
}

}  // namespace eh::media
