// Pieces of the compressor shared between its source files (not a public interface).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "huffman_encode.h"
#include "rar20_encoder.h"

namespace eh::rarpack::detail {

// Symbol slots of lengths and distances (argument: the value minus the slot's offset).
std::uint32_t LengthSlot(std::uint32_t v);    // v in 0..255
std::uint32_t DistanceSlot(std::uint32_t v);  // v = distance - 1, below 0x100000
std::uint32_t ShortSlot(std::uint32_t v);     // v = distance - 1, below 256
inline std::uint32_t MatchBonus(std::uint32_t d) {
    return (d >= media::rar20::kBonusDistance1) + (d >= media::rar20::kBonusDistance2);
}
inline std::uint32_t RepeatBonus(std::uint32_t d) {
    return (d >= media::rar20::kRepeatBonusDistance) + MatchBonus(d);
}

// Code lengths of one normal-mode table set for `stats` (LD, DD, RD back to back); the
// table-switch symbol always gets a code so that another set can follow.
std::vector<std::uint8_t> NormalLengths(const NormalStats& stats);
// Bits the ops behind `stats` take with the lengths NormalLengths gives.
std::uint64_t NormalCost(const NormalStats& stats, const std::vector<std::uint8_t>& lengths);
// Bits of a table set sent from scratch (estimate for block decisions).
std::uint64_t TableSetCost(const std::vector<std::uint8_t>& lengths);

// Block starts (op indices, the first 0) where a new table set pays for itself.
std::vector<std::size_t> SplitBlocks(std::span<const Op> ops, std::size_t segmentOps);

// Writes a table set and updates the mirrored decoder state.
void WriteTableSet(BitWriter& bw, CoderState& st, const std::uint8_t* lengths, std::uint32_t size,
                   bool audio, std::uint32_t channels);
// Ends a stream with at least three bytes of a symbol that is not a table switch, so a
// decoder that looks ahead past the last symbol (or decodes one more to look for a switch)
// finds harmless bits. The format's own check (5 bytes left) never takes them.
void WriteEndPadding(BitWriter& bw, const CoderState& st);
// Writes the table-switch symbol with the current tables (269, or 256 in multimedia).
void WriteSwitch(BitWriter& bw, const CoderState& st);
// Writes normal-mode ops as blocks with their own table sets. `switchFirst`: the state
// already has tables (solid continuation), so the first set needs a switch symbol.
void WriteNormal(BitWriter& bw, CoderState& st, std::span<const Op> ops,
                 std::span<const std::size_t> blockStarts, bool switchFirst);
// Codes `data` in multimedia mode with `channels` channels.
void WriteAudio(BitWriter& bw, CoderState& st, std::span<const std::uint8_t> data,
                std::uint32_t channels, bool switchFirst);
// Channel count (1..4) whose predictor deltas code smallest for `data`.
std::uint32_t ChooseChannels(const CoderState& st, std::span<const std::uint8_t> data);

// Prices of normal-mode symbols in bits, for the parser's decisions.
struct Prices {
    std::array<std::uint8_t, media::rar20::kLiteralCodes> ld{};
    std::array<std::uint8_t, media::rar20::kDistanceCodes> dd{};
    std::array<std::uint8_t, media::rar20::kRepeatCodes> rd{};
    std::uint32_t literal16 = 8 * 16;  // average literal cost, 1/16 bits
    void Default();
    void From(const NormalStats& stats);
};
std::uint32_t OpCost(const Op& op, const Prices& p);  // bits

// LZ77 parse of history[start, end) (bytes before `start` are the solid history),
// appending ops and advancing the mirrored history in `st`.
class MatchFinder;
void ParseLz(std::span<const std::uint8_t> history, std::size_t start, CoderState& st,
             MatchFinder& finder, const EncoderOptions& options, std::vector<Op>& ops);

}  // namespace eh::rarpack::detail
