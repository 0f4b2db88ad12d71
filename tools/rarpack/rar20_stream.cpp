// Symbol coding of the compressor: ops to symbols, table sets, blocks.
#include <algorithm>

#include "encoder_internal.h"

namespace eh::rarpack {

using namespace media::rar20;
using namespace detail;

namespace detail {

namespace {
constexpr std::array<std::uint8_t, 256> kLengthSlotTable = [] {
    std::array<std::uint8_t, 256> t{};
    for (std::uint32_t v = 0, slot = 0; v < 256; ++v) {
        while (slot + 1 < kLengthBase.size() && kLengthBase[slot + 1] <= v) ++slot;
        t[v] = static_cast<std::uint8_t>(slot);
    }
    return t;
}();
}  // namespace

std::uint32_t LengthSlot(std::uint32_t v) {
    return kLengthSlotTable[v & 0xFF];
}

std::uint32_t DistanceSlot(std::uint32_t v) {
    // Below 2^16 two slots per power of two; above 2^17 one slot per 65536.
    if (v < 4) return v;
    if (v < 0x10000) {
        const std::uint32_t k = 31 - static_cast<std::uint32_t>(__builtin_clz(v));
        return 2 * k + ((v >> (k - 1)) & 1);
    }
    if (v < 0x20000) return 32 + ((v - 0x10000) >> 15);
    return 34 + ((v - 0x20000) >> 16);
}

std::uint32_t ShortSlot(std::uint32_t v) {
    const auto it = std::upper_bound(kShortBase.begin(), kShortBase.end(), v);
    return static_cast<std::uint32_t>(it - kShortBase.begin()) - 1;
}

}  // namespace detail

namespace {

// An op as the symbols and extra-bit fields the decoder reads, in its order.
struct Coded {
    std::uint32_t ld = 0;
    std::uint32_t extra1 = 0, bits1 = 0;  // after the LD symbol
    std::int32_t sub = -1;                // DD or RD symbol
    bool subIsDistance = false;
    std::uint32_t extra2 = 0, bits2 = 0;  // after the sub symbol
};

Coded codeOp(const Op& op) {
    Coded c;
    switch (op.kind) {
        case Op::kLiteral:
            c.ld = op.value;
            break;
        case Op::kRepeatLast:
            c.ld = kSymRepeatLast;
            break;
        case Op::kShort: {
            const std::uint32_t v = op.distance - 1, s = ShortSlot(v);
            c.ld = kSymShortFirst + s;
            c.extra1 = v - kShortBase[s];
            c.bits1 = kShortBits[s];
            break;
        }
        case Op::kRepeat: {
            const std::uint32_t v = op.length - RepeatBonus(op.distance) - 2, r = LengthSlot(v);
            c.ld = kSymRepeatFirst + op.value - 1;
            c.sub = static_cast<std::int32_t>(r);
            c.extra2 = v - kLengthBase[r];
            c.bits2 = kLengthBits[r];
            break;
        }
        case Op::kMatch: {
            const std::uint32_t v = op.length - MatchBonus(op.distance) - 3, s = LengthSlot(v);
            const std::uint32_t dv = op.distance - 1, d = DistanceSlot(dv);
            c.ld = kSymMatchFirst + s;
            c.extra1 = v - kLengthBase[s];
            c.bits1 = kLengthBits[s];
            c.sub = static_cast<std::int32_t>(d);
            c.subIsDistance = true;
            c.extra2 = dv - kDistanceBase[d];
            c.bits2 = kDistanceBits[d];
            break;
        }
    }
    return c;
}

// One token of the bit-length code: symbol 0..18 and its extra bits.
struct LengthToken {
    std::uint8_t sym;
    std::uint8_t extra;
    std::uint8_t bits;
};

std::vector<LengthToken> lengthTokens(const std::uint8_t* next, const std::uint8_t* prev,
                                      std::uint32_t size) {
    std::vector<LengthToken> tokens;
    for (std::uint32_t i = 0; i < size;) {
        const std::uint8_t v = next[i];
        std::uint32_t run = 1;
        if (v == 0) {
            while (i + run < size && next[i + run] == 0 && run < 138) ++run;
            if (run >= 11) {
                tokens.push_back({18, static_cast<std::uint8_t>(run - 11), 7});
                i += run;
                continue;
            }
            if (run >= 3) {
                tokens.push_back({17, static_cast<std::uint8_t>(run - 3), 3});
                i += run;
                continue;
            }
        } else if (i > 0 && v == next[i - 1]) {
            while (i + run < size && next[i + run] == v && run < 6) ++run;
            if (run >= 3) {
                tokens.push_back({16, static_cast<std::uint8_t>(run - 3), 2});
                i += run;
                continue;
            }
        }
        tokens.push_back({static_cast<std::uint8_t>((v - prev[i]) & 15), 0, 0});
        ++i;
    }
    return tokens;
}

struct LengthCode {
    std::vector<LengthToken> tokens;
    std::vector<std::uint8_t> lengths;
    std::uint64_t bits = 0;
};

LengthCode planLengthCode(const std::uint8_t* next, const std::uint8_t* prev, std::uint32_t size) {
    LengthCode plan;
    plan.tokens = lengthTokens(next, prev, size);
    std::uint32_t freq[kBitLengthCodes] = {};
    for (const LengthToken& t : plan.tokens) ++freq[t.sym];
    plan.lengths = BuildCodeLengths(freq, kBitLengthCodes, kMaxCodeLength);
    plan.bits = 4 * kBitLengthCodes;
    for (const LengthToken& t : plan.tokens) plan.bits += plan.lengths[t.sym] + t.bits;
    return plan;
}

void putSymbol(BitWriter& bw, const std::vector<std::uint8_t>& lengths,
               const std::vector<std::uint16_t>& codes, std::uint32_t sym) {
    bw.Put(codes[sym], lengths[sym]);
}

}  // namespace

bool OpIsCodable(const Op& op) {
    switch (op.kind) {
        case Op::kLiteral:
        case Op::kRepeatLast:
            return true;
        case Op::kShort:
            return op.length == 2 && op.distance >= 1 && op.distance <= 256;
        case Op::kRepeat: {
            if (op.value < 1 || op.value > 4) return false;
            const std::uint32_t b = RepeatBonus(op.distance);
            return op.length >= 2 + b && op.length <= 257 + b;
        }
        case Op::kMatch: {
            if (op.distance < 1 || op.distance > kWindowSize) return false;
            const std::uint32_t b = MatchBonus(op.distance);
            return op.length >= 3 + b && op.length <= 258 + b;
        }
    }
    return false;
}

void NormalStats::Add(const Op& op) {
    const Coded c = codeOp(op);
    ++ld[c.ld];
    if (c.sub >= 0) {
        if (c.subIsDistance)
            ++dd[c.sub];
        else
            ++rd[c.sub];
    }
    extraBits += c.bits1 + c.bits2;
}

void NormalStats::Add(const NormalStats& o) {
    for (std::size_t i = 0; i < ld.size(); ++i) ld[i] += o.ld[i];
    for (std::size_t i = 0; i < dd.size(); ++i) dd[i] += o.dd[i];
    for (std::size_t i = 0; i < rd.size(); ++i) rd[i] += o.rd[i];
    extraBits += o.extraBits;
}

namespace detail {

std::vector<std::uint8_t> NormalLengths(const NormalStats& stats) {
    NormalStats s = stats;
    // The switch symbol always has a code, and never the only one: the end padding needs
    // another symbol.
    s.ld[kSymNewTables] = std::max<std::uint32_t>(s.ld[kSymNewTables], 1);
    if (std::count(s.ld.begin(), s.ld.end(), 0u) == kLiteralCodes - 1) s.ld[0] = 1;
    std::vector<std::uint8_t> out = BuildCodeLengths(s.ld.data(), kLiteralCodes, kMaxCodeLength);
    const auto d = BuildCodeLengths(s.dd.data(), kDistanceCodes, kMaxCodeLength);
    const auto r = BuildCodeLengths(s.rd.data(), kRepeatCodes, kMaxCodeLength);
    out.insert(out.end(), d.begin(), d.end());
    out.insert(out.end(), r.begin(), r.end());
    return out;
}

std::uint64_t NormalCost(const NormalStats& s, const std::vector<std::uint8_t>& lengths) {
    std::uint64_t bits = s.extraBits;
    for (std::uint32_t i = 0; i < kLiteralCodes; ++i) bits += std::uint64_t{s.ld[i]} * lengths[i];
    for (std::uint32_t i = 0; i < kDistanceCodes; ++i)
        bits += std::uint64_t{s.dd[i]} * lengths[kLiteralCodes + i];
    for (std::uint32_t i = 0; i < kRepeatCodes; ++i)
        bits += std::uint64_t{s.rd[i]} * lengths[kLiteralCodes + kDistanceCodes + i];
    return bits;
}

std::uint64_t TableSetCost(const std::vector<std::uint8_t>& lengths) {
    const std::vector<std::uint8_t> zeros(lengths.size(), 0);
    return 2 +
           planLengthCode(lengths.data(), zeros.data(), static_cast<std::uint32_t>(lengths.size()))
               .bits;
}

std::vector<std::size_t> SplitBlocks(std::span<const Op> ops, std::size_t segmentOps) {
    std::vector<std::size_t> starts{0};
    if (ops.empty()) return starts;
    auto statsOf = [&](std::size_t from, std::size_t to) {
        NormalStats s;
        for (std::size_t i = from; i < to; ++i) s.Add(ops[i]);
        return s;
    };
    auto costOf = [](const NormalStats& s) { return NormalCost(s, NormalLengths(s)); };

    NormalStats current = statsOf(0, std::min(segmentOps, ops.size()));
    std::uint64_t currentCost = costOf(current);
    for (std::size_t from = segmentOps; from < ops.size(); from += segmentOps) {
        const NormalStats next = statsOf(from, std::min(from + segmentOps, ops.size()));
        NormalStats merged = current;
        merged.Add(next);
        const std::uint64_t mergedCost = costOf(merged);
        const auto nextLengths = NormalLengths(next);
        const std::uint64_t nextCost = NormalCost(next, nextLengths);
        const std::uint64_t splitCost = currentCost + nextCost + TableSetCost(nextLengths) + 16;
        if (mergedCost <= splitCost) {
            current = merged;
            currentCost = mergedCost;
        } else {
            starts.push_back(from);
            current = next;
            currentCost = nextCost;
        }
    }
    return starts;
}

void WriteTableSet(BitWriter& bw, CoderState& st, const std::uint8_t* lengths, std::uint32_t size,
                   bool audio, std::uint32_t channels) {
    std::array<std::uint8_t, kMaxTableSize> next{};
    std::copy(lengths, lengths + size, next.begin());
    const std::array<std::uint8_t, kMaxTableSize> zeros{};

    // Deltas against the previous set only where every decoder agrees on its contents:
    // same mode and size (entries past a set's size are left undefined by the format).
    const bool canKeep = st.tablesSent && st.audio == audio && (!audio || st.channels == channels);
    LengthCode plan = planLengthCode(next.data(), zeros.data(), size);
    bool keep = false;
    if (canKeep) {
        LengthCode kept = planLengthCode(next.data(), st.previousLengths.data(), size);
        if (kept.bits < plan.bits) {
            plan = std::move(kept);
            keep = true;
        }
    }

    bw.Put((audio ? 2u : 0u) | (keep ? 1u : 0u), 2);
    if (audio) bw.Put(channels - 1, 2);
    for (std::uint32_t i = 0; i < kBitLengthCodes; ++i) bw.Put(plan.lengths[i], 4);
    const auto codes = CanonicalCodes(plan.lengths.data(), kBitLengthCodes);
    for (const LengthToken& t : plan.tokens) {
        putSymbol(bw, plan.lengths, codes, t.sym);
        if (t.bits > 0) bw.Put(t.extra, t.bits);
    }

    st.previousLengths = next;
    st.tablesSent = true;
    st.audio = audio;
    if (audio) {
        st.channels = channels;
        if (st.currentChannel >= channels) st.currentChannel = 0;
    }
}

void WriteSwitch(BitWriter& bw, const CoderState& st) {
    if (st.audio) {
        const std::uint8_t* l = st.previousLengths.data() + st.currentChannel * kAudioCodes;
        const auto codes = CanonicalCodes(l, kAudioCodes);
        bw.Put(codes[kAudioNewTables], l[kAudioNewTables]);
    } else {
        const auto codes = CanonicalCodes(st.previousLengths.data(), kLiteralCodes);
        bw.Put(codes[kSymNewTables], st.previousLengths[kSymNewTables]);
    }
}

void WriteNormal(BitWriter& bw, CoderState& st, std::span<const Op> ops,
                 std::span<const std::size_t> blockStarts, bool switchFirst) {
    std::vector<std::size_t> starts(blockStarts.begin(), blockStarts.end());
    if (starts.empty() || starts[0] != 0) starts.insert(starts.begin(), 0);
    for (std::size_t b = 0; b < starts.size(); ++b) {
        const std::size_t from = starts[b];
        const std::size_t to = b + 1 < starts.size() ? starts[b + 1] : ops.size();
        NormalStats stats;
        for (std::size_t i = from; i < to; ++i) stats.Add(ops[i]);
        const std::vector<std::uint8_t> lengths = NormalLengths(stats);
        if (b > 0 || switchFirst) WriteSwitch(bw, st);
        WriteTableSet(bw, st, lengths.data(), kNormalTableSize, false, 1);

        const std::vector<std::uint8_t> ldL(lengths.begin(), lengths.begin() + kLiteralCodes);
        const std::vector<std::uint8_t> ddL(lengths.begin() + kLiteralCodes,
                                            lengths.begin() + kLiteralCodes + kDistanceCodes);
        const std::vector<std::uint8_t> rdL(lengths.begin() + kLiteralCodes + kDistanceCodes,
                                            lengths.end());
        const auto ldC = CanonicalCodes(ldL.data(), ldL.size());
        const auto ddC = CanonicalCodes(ddL.data(), ddL.size());
        const auto rdC = CanonicalCodes(rdL.data(), rdL.size());
        for (std::size_t i = from; i < to; ++i) {
            const Coded c = codeOp(ops[i]);
            putSymbol(bw, ldL, ldC, c.ld);
            if (c.bits1 > 0) bw.Put(c.extra1, c.bits1);
            if (c.sub >= 0) {
                if (c.subIsDistance)
                    putSymbol(bw, ddL, ddC, static_cast<std::uint32_t>(c.sub));
                else
                    putSymbol(bw, rdL, rdC, static_cast<std::uint32_t>(c.sub));
            }
            if (c.bits2 > 0) bw.Put(c.extra2, c.bits2);
        }
    }
}

void WriteEndPadding(BitWriter& bw, const CoderState& st) {
    const std::uint32_t size = st.audio ? kAudioCodes : kLiteralCodes;
    const std::uint32_t avoid = st.audio ? kAudioNewTables : kSymNewTables;
    const std::uint8_t* lengths =
        st.previousLengths.data() + (st.audio ? st.currentChannel * kAudioCodes : 0);
    std::uint32_t sym = 0;
    while (sym < size && (sym == avoid || lengths[sym] == 0)) ++sym;
    if (sym == size) {  // no other symbol: plain zero bytes
        bw.Align();
        bw.Put(0, 16);
        return;
    }
    const auto codes = CanonicalCodes(lengths, size);
    const std::uint64_t until = bw.bitCount() + 24;
    while (bw.bitCount() < until) bw.Put(codes[sym], lengths[sym]);
    bw.Align();
}

void Prices::Default() {
    ld.fill(9);
    for (std::uint32_t i = 0; i < 256; ++i) ld[i] = 8;
    dd.fill(6);
    rd.fill(4);
    literal16 = 8 * 16;
}

void Prices::From(const NormalStats& stats) {
    const auto lengths = NormalLengths(stats);
    std::uint64_t litBits = 0, lits = 0;
    for (std::uint32_t i = 0; i < kLiteralCodes; ++i) {
        ld[i] = lengths[i] != 0 ? lengths[i] : 13;
        if (i < 256) {
            litBits += std::uint64_t{stats.ld[i]} * ld[i];
            lits += stats.ld[i];
        }
    }
    for (std::uint32_t i = 0; i < kDistanceCodes; ++i) {
        const std::uint8_t l = lengths[kLiteralCodes + i];
        dd[i] = l != 0 ? l : 10;
    }
    for (std::uint32_t i = 0; i < kRepeatCodes; ++i) {
        const std::uint8_t l = lengths[kLiteralCodes + kDistanceCodes + i];
        rd[i] = l != 0 ? l : 8;
    }
    literal16 = lits > 0 ? static_cast<std::uint32_t>(litBits * 16 / lits) : 8 * 16;
}

std::uint32_t OpCost(const Op& op, const Prices& p) {
    const Coded c = codeOp(op);
    std::uint32_t bits = p.ld[c.ld] + c.bits1 + c.bits2;
    if (c.sub >= 0) bits += c.subIsDistance ? p.dd[c.sub] : p.rd[c.sub];
    return bits;
}

}  // namespace detail

std::vector<std::uint8_t> Encoder::EncodeOps(std::span<const Op> ops,
                                             std::span<const std::size_t> blockStarts) {
    BitWriter bw;
    CoderState st;
    WriteNormal(bw, st, ops, blockStarts, false);
    bw.Align();
    return std::move(bw.bytes());
}

}  // namespace eh::rarpack
