// The check of a library image on Windows: a PE file whose headers and sections lie inside
// it. LoadLibraryA, GetProcAddress and FreeLibrary are the system's.
#include <cstring>

#include "platform/os/library.h"

namespace eh::os {
namespace {

#if defined(__x86_64__) || defined(_M_X64)
constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;  // PE32+
#elif defined(__aarch64__) || defined(_M_ARM64)
constexpr WORD kMachine = IMAGE_FILE_MACHINE_ARM64;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif
using OptionalHeader = IMAGE_OPTIONAL_HEADER;  // the 32- or 64-bit one, as this program is

template <typename T>
T readAt(std::span<const std::uint8_t> image, std::uint64_t offset) {
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
}

}  // namespace

// The layout checked, in file order:
//   IMAGE_DOS_HEADER        "MZ", e_lfanew = offset of the NT headers
//   "PE\0\0"                signature
//   IMAGE_FILE_HEADER       Machine of this program, a DLL, SizeOfOptionalHeader
//   IMAGE_OPTIONAL_HEADER   magic of this word size; SizeOfHeaders inside the file
//   IMAGE_SECTION_HEADER[]  NumberOfSections, each one's raw data inside the file
//   COFF symbols, strings   where the file header points (debug builds end with them): the
//                           symbols and the string table (its length first) inside
//   certificates            data directory 4 (a file offset, not an address): inside
// The loader maps only the sections, but a file that ends before its last part is a cut
// short copy, and whatever was lost with the end may have been anywhere.
bool PlausibleLibraryImage(std::span<const std::uint8_t> image) {
    const std::uint64_t size = image.size();
    auto inside = [size](std::uint64_t offset, std::uint64_t length) {
        return offset <= size && length <= size - offset;
    };
    if (!inside(0, sizeof(IMAGE_DOS_HEADER))) return false;
    const auto dos = readAt<IMAGE_DOS_HEADER>(image, 0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
    const std::uint64_t nt = static_cast<std::uint32_t>(dos.e_lfanew);
    if (!inside(nt, 4 + sizeof(IMAGE_FILE_HEADER))) return false;
    if (readAt<DWORD>(image, nt) != IMAGE_NT_SIGNATURE) return false;

    const auto file = readAt<IMAGE_FILE_HEADER>(image, nt + 4);
    if (file.Machine != kMachine) return false;
    const WORD needed = IMAGE_FILE_DLL | IMAGE_FILE_EXECUTABLE_IMAGE;
    if ((file.Characteristics & needed) != needed) return false;
    if (file.NumberOfSections == 0 || file.SizeOfOptionalHeader < sizeof(OptionalHeader))
        return false;

    const std::uint64_t optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    if (!inside(optional, file.SizeOfOptionalHeader)) return false;
    const auto header = readAt<OptionalHeader>(image, optional);
    if (header.Magic != kOptionalMagic || header.SizeOfHeaders > size) return false;

    const std::uint64_t sections = optional + file.SizeOfOptionalHeader;
    if (!inside(sections, std::uint64_t{file.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER)))
        return false;
    for (WORD i = 0; i < file.NumberOfSections; ++i) {
        const auto section =
            readAt<IMAGE_SECTION_HEADER>(image, sections + i * sizeof(IMAGE_SECTION_HEADER));
        if (!inside(section.PointerToRawData, section.SizeOfRawData)) return false;
    }
    if (file.PointerToSymbolTable != 0) {
        constexpr std::uint64_t kSymbolSize = 18;  // IMAGE_SYMBOL, packed
        const std::uint64_t strings =
            file.PointerToSymbolTable + std::uint64_t{file.NumberOfSymbols} * kSymbolSize;
        if (!inside(file.PointerToSymbolTable, strings - file.PointerToSymbolTable)) return false;
        if (!inside(strings, sizeof(DWORD))) return false;
        const DWORD stringBytes = readAt<DWORD>(image, strings);  // counts its own four bytes
        if (stringBytes < sizeof(DWORD) || !inside(strings, stringBytes)) return false;
    }
    if (header.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_SECURITY) {
        const IMAGE_DATA_DIRECTORY certificates =
            header.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
        if (certificates.Size != 0 && !inside(certificates.VirtualAddress, certificates.Size))
            return false;
    }
    return true;
}

}  // namespace eh::os
