#include "archive_writer.h"

#include <zlib.h>

#include <algorithm>

#include "media/rar20_format.h"

namespace eh::rarpack {

using namespace media::rar20;

namespace {

// Header CRC: low 16 bits of the CRC-32 of the header from its type byte on.
std::uint16_t headerCrc(const std::uint8_t* header, std::size_t size) {
    return static_cast<std::uint16_t>(crc32(0L, header + 2, static_cast<uInt>(size - 2)) & 0xFFFF);
}

void appendBlock(std::vector<std::uint8_t>& out, FileHeader h, const std::string& name,
                 const std::vector<std::uint8_t>& packed) {
    const std::size_t nameSize = std::min<std::size_t>(name.size(), 0xFFFF - kFileHeaderSize);
    h.type = kBlockFile;
    h.headSize = static_cast<std::uint16_t>(kFileHeaderSize + nameSize);
    h.nameSize = static_cast<std::uint16_t>(nameSize);
    h.packSize = static_cast<std::uint32_t>(packed.size());
    h.hostOs = kHostWin32;
    h.dosTime = kFixedDosTime;
    std::vector<std::uint8_t> header(kFileHeaderSize + nameSize);
    SerializeFileHeader(h, header.data());
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(nameSize),
              header.begin() + kFileHeaderSize);
    StoreLe16(header.data(), headerCrc(header.data(), header.size()));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), packed.begin(), packed.end());
}

}  // namespace

std::string SizeLimitError(const std::string& what, std::uint64_t size) {
    if (size <= kMaxRar20Size) return {};
    return what + " is " + std::to_string(size) +
           " bytes; RAR 2.0 headers hold sizes up to 4294967295 bytes (4 GiB - 1)";
}

std::vector<std::uint8_t> WriteArchive(const std::vector<ArchiveEntry>& entries,
                                       const PackOptions& options) {
    std::vector<std::uint8_t> out(kMarkerRar.begin(), kMarkerRar.end());
    const bool solid = options.solid && !options.store;
    MainHeader main;
    main.flags = solid ? kMainSolid : 0;
    std::uint8_t mainBytes[kMainHeaderSize];
    SerializeMainHeader(main, mainBytes);
    StoreLe16(mainBytes, headerCrc(mainBytes, kMainHeaderSize));
    out.insert(out.end(), mainBytes, mainBytes + kMainHeaderSize);

    Encoder encoder(options.encoder);
    bool streamStarted = false;
    for (const ArchiveEntry& e : entries) {
        FileHeader h;
        h.unpVer = kUnpackVersion;
        if (e.directory) {
            h.flags = kFileHasData | kFileDirectory;
            h.method = kMethodStored;
            h.attributes = 0x10;
            appendBlock(out, h, e.name, {});
            continue;
        }
        h.flags = kFileHasData | kFileDictionary1M;
        h.attributes = 0x20;
        h.unpSize = static_cast<std::uint32_t>(e.data.size());
        h.fileCrc =
            static_cast<std::uint32_t>(crc32(0L, e.data.data(), static_cast<uInt>(e.data.size())));
        std::vector<std::uint8_t> packed;
        h.method = kMethodStored;
        if (solid) {
            packed = encoder.EncodeEntry(e.data, streamStarted);
            if (streamStarted) h.flags |= kFileSolid;
            streamStarted = true;
            h.method = kMethodNormal;
        } else if (!options.store && !e.data.empty()) {
            packed = encoder.EncodeEntry(e.data, false);
            h.method = kMethodNormal;
            if (packed.size() >= e.data.size()) {  // incompressible: store it
                packed.clear();
                h.method = kMethodStored;
            }
        }
        if (h.method == kMethodStored) packed = e.data;
        appendBlock(out, h, e.name, packed);
    }
    return out;
}

}  // namespace eh::rarpack
