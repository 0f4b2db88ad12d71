// RAR 2.0 decompression: LZ77 over a 1 MiB ring window with canonical Huffman codes
// (normal mode), and delta coding against an adaptive linear predictor with up to four
// interleaved channels (multimedia mode, rar20_predictor.h). Internal to the media module;
// the archive reader drives it, and tests reach it directly.
#pragma once

#include <array>
#include <cstdint>

#include "media/memory_file.h"
#include "media/rar20_format.h"
#include "media/rar20_huffman.h"
#include "media/rar20_predictor.h"

namespace eh::media::rar20 {

// What the reader hands over for one entry.
struct DecodeJob {
    MemoryFile* file = nullptr;  // positioned at the entry's packed data
    std::uint32_t packSize = 0;
    std::uint32_t unpSize = 0;
    bool solid = false;                // entry flag 0010: continue the previous entry's state
    std::uint8_t* output = nullptr;    // unpSize bytes; null when the entry is only decoded to
                                       // keep a solid archive's state (not the wanted entry)
    std::uint32_t* written = nullptr;  // running count of bytes stored into `output`
};

class Decoder {
  public:
    // `window` is kWindowSize bytes owned by the caller for the whole extraction.
    explicit Decoder(std::uint8_t* window) : window_(window) {}

    // Decodes one entry. Success is judged by the caller (byte count and CRC); on a
    // damaged stream this stops early or leaves the output short, never touching memory
    // outside the window, the input buffer and output[0, unpSize).
    void DecodeEntry(const DecodeJob& job);

    // True when the last entry tried to read past the end of its packed data.
    bool overran() const { return overrun_; }
    // Number of table sets read so far in this extraction (for tests and statistics).
    std::uint32_t tableSetsRead() const { return tableSets_; }

  private:
    // Input buffer geometry. The refill keeps the last kInputKeep bytes, so a symbol
    // started near the end can still be peeked; kInputSpare zero bytes after the buffer
    // absorb the peek of up to two bytes past the last consumed one.
    static constexpr std::uint32_t kInputSize = 8192;
    static constexpr std::uint32_t kInputKeep = 32;
    static constexpr std::uint32_t kInputSpare = 64;
    // Refill thresholds: the main loop consumes at most 51 bits per symbol, a table header
    // 80 bits and one bit-length symbol 22 bits, so none can run past the buffer.
    static constexpr std::uint32_t kMainRefillAt = 8162;
    static constexpr std::uint32_t kTableRefillAt = 8167;
    static constexpr std::uint32_t kLengthRefillAt = 8187;

    std::uint32_t Peek() const {
        const std::uint32_t v = (static_cast<std::uint32_t>(in_[inAddr_]) << 16) |
                                (static_cast<std::uint32_t>(in_[inAddr_ + 1]) << 8) |
                                in_[inAddr_ + 2];
        return (v >> (8 - inBit_)) & 0xFFFF;
    }
    void Consume(std::uint32_t n) {
        const std::uint32_t t = inBit_ + n;
        inAddr_ += t >> 3;
        inBit_ = t & 7;
    }
    std::uint32_t Extra(std::uint32_t n) {
        if (n == 0) return 0;
        const std::uint32_t v = Peek() >> (16 - n);
        Consume(n);
        return v;
    }
    std::uint32_t Decode(const DecodeTable& t) {
        std::uint32_t bits = 0;
        const std::uint32_t s = DecodeFast(t, Peek(), bits);
        Consume(bits);
        return s;
    }

    void ResetState();
    std::uint32_t ReadChunk(std::uint8_t* dst, std::uint32_t count);
    void FirstFill();
    bool Refill();
    bool ReadTables();
    void DecodeNormal();
    void DecodeAudio();
    void CopyMatch(std::uint32_t length, std::uint32_t distance);
    void Flush();

    std::uint8_t* window_;
    std::uint32_t windowPos_ = 0;
    std::uint32_t flushedPos_ = 0;

    std::array<std::uint8_t, kInputSize + kInputSpare> in_{};
    std::uint32_t inAddr_ = 0;
    std::uint32_t inBit_ = 0;
    std::int64_t readTop_ = 0;
    std::uint64_t bufferBase_ = 0;   // packed-data offset of in_[0]
    std::uint64_t bytesLoaded_ = 0;  // packed bytes read so far in this entry
    bool overrun_ = false;

    std::int64_t remainingOutput_ = 0;
    std::array<std::uint32_t, 4> history_{};
    std::uint32_t historyIndex_ = 0;
    std::uint32_t lastLength_ = 0;
    std::uint32_t lastDistance_ = 0;

    DecodeTable ld_, dd_, rd_, bd_;
    std::array<DecodeTable, kMaxChannels> md_;
    std::array<std::uint8_t, kMaxTableSize> previousLengths_{};
    bool audio_ = false;
    std::uint32_t channels_ = 1;
    std::uint32_t currentChannel_ = 0;
    std::int32_t channelDelta_ = 0;
    std::array<AudioChannelState, kMaxChannels> channelStates_{};
    std::uint32_t tableSets_ = 0;

    MemoryFile* file_ = nullptr;
    std::uint32_t remainingPacked_ = 0;
    std::uint8_t* output_ = nullptr;
    std::uint32_t* written_ = nullptr;
    std::uint32_t unpSize_ = 0;
};

}  // namespace eh::media::rar20
