// Our RAR 2.0 compressor (method 0x33 streams), written from the format description:
// LZ77 over the 1 MiB window with hash chains and lazy matching, the repeat and
// short-distance symbols where they pay, length-limited canonical Huffman tables sent
// as delta-coded table sets, a new table set whenever the statistics change enough to
// pay for it, and the multimedia (predictor) mode as an option.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "media/rar20_format.h"
#include "media/rar20_predictor.h"

namespace eh::rarpack {

// One normal-mode symbol as the decoder acts on it.
struct Op {
    enum Kind : std::uint8_t { kLiteral, kMatch, kRepeat, kRepeatLast, kShort };
    Kind kind = kLiteral;
    std::uint8_t value = 0;      // literal byte, or history slot 1..4 for kRepeat
    std::uint16_t length = 0;    // bytes copied (kMatch, kRepeat, kShort = 2)
    std::uint32_t distance = 0;  // kMatch, kShort, and kRepeat (the slot's distance)

    static Op Literal(std::uint8_t b) { return {kLiteral, b, 1, 0}; }
    static Op Match(std::uint32_t len, std::uint32_t dist) {
        return {kMatch, 0, static_cast<std::uint16_t>(len), dist};
    }
    static Op Repeat(std::uint32_t slot, std::uint32_t len, std::uint32_t dist) {
        return {kRepeat, static_cast<std::uint8_t>(slot), static_cast<std::uint16_t>(len), dist};
    }
    static Op RepeatLast(std::uint32_t len, std::uint32_t dist) {
        return {kRepeatLast, 0, static_cast<std::uint16_t>(len), dist};
    }
    static Op Short(std::uint32_t dist) { return {kShort, 0, 2, dist}; }
};

// Whether `op` can be coded at all (length range for its distance, distance range).
bool OpIsCodable(const Op& op);

struct EncoderOptions {
    std::uint32_t maxChain = 192;    // hash-chain candidates tried per position
    std::uint32_t niceLength = 128;  // stop searching at a match this long
    bool multimedia = false;         // also try the predictor mode, keep the smaller
    std::uint32_t channels = 0;      // multimedia channels, 0 = choose from the data
    std::uint32_t blockOps = 4096;   // granularity of table-set decisions (symbols)
};

// Decoder state the compressor mirrors; continues across the entries of a solid archive.
struct CoderState {
    std::array<std::uint32_t, 4> history{};
    std::uint32_t historyIndex = 0;
    std::uint32_t lastLength = 0;
    std::uint32_t lastDistance = 0;
    std::array<std::uint8_t, media::rar20::kMaxTableSize> previousLengths{};
    bool tablesSent = false;
    bool audio = false;
    std::uint32_t channels = 1;
    std::uint32_t currentChannel = 0;
    std::int32_t channelDelta = 0;
    std::array<media::rar20::AudioChannelState, 4> channelStates{};

    // Mirrors the decoder's bookkeeping for one match op.
    void Push(const Op& op) {
        history[historyIndex & 3] = op.distance;
        ++historyIndex;
        lastDistance = op.distance;
        lastLength = op.length;
    }
    std::uint32_t HistoryDistance(std::uint32_t slot) const {
        return history[(historyIndex - slot) & 3];
    }
};

namespace detail {
// Hash chains over the solid stream: positions are absolute indices into it, chains are
// cut at the window size. Positions are stored plus one, so 0 means none.
class MatchFinder {
  public:
    MatchFinder();
    void Reset();
    // Adds position `pos` of `data` (`end` bytes valid) to the chains.
    void Insert(const std::uint8_t* data, std::size_t end, std::size_t pos);
    // First position of the 3-byte chain at `pos`, plus one (0: none).
    std::uint32_t Head(const std::uint8_t* data, std::size_t pos) const;
    std::uint32_t Previous(std::size_t pos) const { return prev_[pos & media::rar20::kWindowMask]; }
    // Last position (plus one) where the two bytes at `pos` occurred.
    std::uint32_t LastPair(const std::uint8_t* data, std::size_t pos) const {
        return pair_[(data[pos] << 8) | data[pos + 1]];
    }

  private:
    static constexpr std::uint32_t kHashBits = 17;
    std::vector<std::uint32_t> head_;
    std::vector<std::uint32_t> prev_;
    std::vector<std::uint32_t> pair_;
};
}  // namespace detail

// Writes packed streams for a sequence of entries (one, or all entries of a solid archive).
class Encoder {
  public:
    explicit Encoder(EncoderOptions options = {}) : options_(options) {}

    // Packs `data` as the next entry. With `continueSolid`, the entry continues the window
    // and state of the previous call (entry flag 0010); otherwise it starts fresh.
    std::vector<std::uint8_t> EncodeEntry(std::span<const std::uint8_t> data, bool continueSolid);

    // Lower level, for tests: codes the given ops as one stream (optionally split into
    // blocks at the given op indices, each with a fresh table set), from a fresh state.
    static std::vector<std::uint8_t> EncodeOps(std::span<const Op> ops,
                                               std::span<const std::size_t> blockStarts = {});

  private:
    EncoderOptions options_;
    CoderState state_;
    std::vector<std::uint8_t> history_;  // every byte of the solid stream so far
    detail::MatchFinder finder_;
};

// Symbol statistics of normal-mode ops, and their coded size.
struct NormalStats {
    std::array<std::uint32_t, media::rar20::kLiteralCodes> ld{};
    std::array<std::uint32_t, media::rar20::kDistanceCodes> dd{};
    std::array<std::uint32_t, media::rar20::kRepeatCodes> rd{};
    std::uint64_t extraBits = 0;
    void Add(const Op& op);
    void Add(const NormalStats& other);
};

}  // namespace eh::rarpack
