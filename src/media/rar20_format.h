// RAR 2.0 on-disk structures and the constant tables of its compression, shared by the
// archive reader (media/archive.cpp), the decoder (media/rar20_decoder.cpp) and our
// compressor (tools/rarpack). All integers on disk are little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace eh::media::rar20 {

// ---------------------------------------------------------------------------------------
// Archive layout

inline constexpr std::size_t kMarkerSize = 7;
// "Rar!" 1A 07 00, and the alternative marker of our own archives' lineage.
inline constexpr std::array<std::uint8_t, kMarkerSize> kMarkerRar = {0x52, 0x61, 0x72, 0x21,
                                                                     0x1A, 0x07, 0x00};
inline constexpr std::array<std::uint8_t, kMarkerSize> kMarkerAlt = {'Q', 'u', 'o', 'r',
                                                                     'i', 'x', '!'};

inline constexpr std::size_t kMainHeaderSize = 13;
inline constexpr std::size_t kFileHeaderSize = 32;

// Block types (byte 2 of every block header).
inline constexpr std::uint8_t kBlockMain = 0x73;
inline constexpr std::uint8_t kBlockFile = 0x74;
inline constexpr std::uint8_t kBlockSub = 0x77;
inline constexpr std::uint8_t kBlockEnd = 0x7B;

// Main-header flags.
inline constexpr std::uint16_t kMainSolid = 0x0008;

// File-header flags. Bits 5..7 hold the dictionary size; all three set marks a folder.
inline constexpr std::uint16_t kFileEncrypted = 0x0004;
inline constexpr std::uint16_t kFileSolid = 0x0010;
inline constexpr std::uint16_t kFileDictionaryMask = 0x00E0;
inline constexpr std::uint16_t kFileDictionary1M = 0x0080;
inline constexpr std::uint16_t kFileDirectory = 0x00E0;
inline constexpr std::uint16_t kFileHasData = 0x8000;

inline constexpr std::uint8_t kMethodStored = 0x30;
inline constexpr std::uint8_t kMethodNormal = 0x33;
inline constexpr std::uint8_t kUnpackVersionMin = 13;
inline constexpr std::uint8_t kUnpackVersion = 20;
inline constexpr std::uint8_t kHostWin32 = 2;

// Entry names longer than this are cut (both the stored name and the requested one).
inline constexpr std::size_t kMaxNameLength = 259;

struct MainHeader {
    std::uint16_t crc = 0;
    std::uint8_t type = kBlockMain;
    std::uint16_t flags = 0;
    std::uint16_t headSize = kMainHeaderSize;
};

// The fixed 32 bytes of a file block; the name follows. For other block types only
// type, flags, headSize and packSize (their data size) are meaningful.
struct FileHeader {
    std::uint16_t crc = 0;
    std::uint8_t type = kBlockFile;
    std::uint16_t flags = 0;
    std::uint16_t headSize = 0;
    std::uint32_t packSize = 0;
    std::uint32_t unpSize = 0;
    std::uint8_t hostOs = 0;
    std::uint32_t fileCrc = 0;
    std::uint32_t dosTime = 0;
    std::uint8_t unpVer = 0;
    std::uint8_t method = 0;
    std::uint16_t nameSize = 0;
    std::uint32_t attributes = 0;
};

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline MainHeader ParseMainHeader(const std::uint8_t* p) {
    MainHeader h;
    h.crc = LoadLe16(p);
    h.type = p[2];
    h.flags = LoadLe16(p + 3);
    h.headSize = LoadLe16(p + 5);
    return h;
}

inline void SerializeMainHeader(const MainHeader& h, std::uint8_t* p) {
    StoreLe16(p, h.crc);
    p[2] = h.type;
    StoreLe16(p + 3, h.flags);
    StoreLe16(p + 5, h.headSize);
    StoreLe16(p + 7, 0);
    StoreLe32(p + 9, 0);
}

inline FileHeader ParseFileHeader(const std::uint8_t* p) {
    FileHeader h;
    h.crc = LoadLe16(p);
    h.type = p[2];
    h.flags = LoadLe16(p + 3);
    h.headSize = LoadLe16(p + 5);
    h.packSize = LoadLe32(p + 7);
    h.unpSize = LoadLe32(p + 11);
    h.hostOs = p[15];
    h.fileCrc = LoadLe32(p + 16);
    h.dosTime = LoadLe32(p + 20);
    h.unpVer = p[24];
    h.method = p[25];
    h.nameSize = LoadLe16(p + 26);
    h.attributes = LoadLe32(p + 28);
    return h;
}

inline void SerializeFileHeader(const FileHeader& h, std::uint8_t* p) {
    StoreLe16(p, h.crc);
    p[2] = h.type;
    StoreLe16(p + 3, h.flags);
    StoreLe16(p + 5, h.headSize);
    StoreLe32(p + 7, h.packSize);
    StoreLe32(p + 11, h.unpSize);
    p[15] = h.hostOs;
    StoreLe32(p + 16, h.fileCrc);
    StoreLe32(p + 20, h.dosTime);
    p[24] = h.unpVer;
    p[25] = h.method;
    StoreLe16(p + 26, h.nameSize);
    StoreLe32(p + 28, h.attributes);
}

// ---------------------------------------------------------------------------------------
// Compression

inline constexpr std::uint32_t kWindowSize = 0x100000;  // 1 MiB ring window
inline constexpr std::uint32_t kWindowMask = kWindowSize - 1;

// Alphabet sizes of the normal mode: 256 literals, 256 repeat-last, 257..260 repeat
// distances, 261..268 short distances, 269 new tables, 270..297 length slots (28).
inline constexpr std::uint32_t kLiteralCodes = 298;
inline constexpr std::uint32_t kDistanceCodes = 48;
inline constexpr std::uint32_t kRepeatCodes = 28;
inline constexpr std::uint32_t kBitLengthCodes = 19;  // 0..15 deltas, 16 repeat, 17/18 zeros
inline constexpr std::uint32_t kAudioCodes = 257;     // 256 byte deltas + new tables
inline constexpr std::uint32_t kMaxChannels = 4;
inline constexpr std::uint32_t kNormalTableSize = kLiteralCodes + kDistanceCodes + kRepeatCodes;
inline constexpr std::uint32_t kMaxTableSize = kMaxChannels * kAudioCodes;  // 1028
inline constexpr std::uint32_t kMaxCodeLength = 15;

inline constexpr std::uint32_t kSymRepeatLast = 256;
inline constexpr std::uint32_t kSymRepeatFirst = 257;  // 257..260: history slots 1..4 back
inline constexpr std::uint32_t kSymShortFirst = 261;   // 261..268: length-2 near matches
inline constexpr std::uint32_t kSymNewTables = 269;
inline constexpr std::uint32_t kSymMatchFirst = 270;  // 270..297: length slot, then distance
inline constexpr std::uint32_t kAudioNewTables = 256;

// Longest copy: length base 224 + 3 + 31 extra, plus the two far-distance bonuses.
inline constexpr std::uint32_t kMaxMatchLength = 260;
// The window is written out when fewer than this many bytes are free before unflushed
// data; it must exceed kMaxMatchLength so that one symbol never overwrites pending bytes.
inline constexpr std::uint32_t kFlushMargin = 270;
static_assert(kFlushMargin > kMaxMatchLength);

// Lengths get +1 at each of these distances (matches) / at all three (repeats).
inline constexpr std::uint32_t kRepeatBonusDistance = 0x101;
inline constexpr std::uint32_t kBonusDistance1 = 0x2000;
inline constexpr std::uint32_t kBonusDistance2 = 0x40000;

inline constexpr std::array<std::uint32_t, 28> kLengthBase = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
    24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
inline constexpr std::array<std::uint8_t, 28> kLengthBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

inline constexpr std::array<std::uint32_t, 48> kDistanceBase = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
inline constexpr std::array<std::uint8_t, 48> kDistanceBits = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};

inline constexpr std::array<std::uint32_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
inline constexpr std::array<std::uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

// Each base is the previous base plus the span of the previous slot's extra bits.
constexpr bool SlotsAreContiguous() {
    for (std::size_t i = 1; i < kLengthBase.size(); ++i)
        if (kLengthBase[i] != kLengthBase[i - 1] + (1u << kLengthBits[i - 1])) return false;
    for (std::size_t i = 1; i < kDistanceBase.size(); ++i)
        if (kDistanceBase[i] != kDistanceBase[i - 1] + (1u << kDistanceBits[i - 1])) return false;
    for (std::size_t i = 1; i < kShortBase.size(); ++i)
        if (kShortBase[i] != kShortBase[i - 1] + (1u << kShortBits[i - 1])) return false;
    return true;
}
static_assert(SlotsAreContiguous());

}  // namespace eh::media::rar20
