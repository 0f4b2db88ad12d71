// LZ77 parse of the compressor: hash chains, repeat distances, lazy matching, all
// decisions weighed with the symbol prices of the previous block.
#include <algorithm>
#include <cstring>

#include "encoder_internal.h"

namespace eh::rarpack::detail {

using namespace media::rar20;

namespace {

std::uint32_t hash3(const std::uint8_t* p) {
    const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - 17);
}

std::uint32_t matchLength(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t max) {
    std::uint32_t n = 0;
    while (n + 8 <= max) {
        std::uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) return n + static_cast<std::uint32_t>(__builtin_ctzll(x ^ y) >> 3);
        n += 8;
    }
    while (n < max && a[n] == b[n]) ++n;
    return n;
}

struct Choice {
    Op op = Op::Literal(0);
    std::int64_t gain = 0;  // 1/16 bits saved against coding the bytes as literals
};

class Parser {
  public:
    Parser(std::span<const std::uint8_t> history, CoderState& st, MatchFinder& finder,
           const EncoderOptions& options)
        : d_(history.data()), end_(history.size()), st_(st), finder_(finder), options_(options) {
        prices_.Default();
    }

    void Run(std::size_t start, std::vector<Op>& ops) {
        std::size_t p = start;
        Choice cached;
        bool haveCached = false;
        while (p < end_) {
            const Choice c = haveCached ? cached : Evaluate(p);
            haveCached = false;
            if (c.op.kind == Op::kLiteral) {
                finder_.Insert(d_, end_, p);
                Emit(Op::Literal(d_[p]), ops);
                ++p;
                continue;
            }
            finder_.Insert(d_, end_, p);
            if (c.op.length < options_.niceLength && p + 1 < end_) {
                const Choice next = Evaluate(p + 1);
                if (next.gain > c.gain) {
                    Emit(Op::Literal(d_[p]), ops);
                    ++p;
                    cached = next;
                    haveCached = true;
                    continue;
                }
            }
            Emit(c.op, ops);
            st_.Push(c.op);
            for (std::size_t i = 1; i < c.op.length; ++i) finder_.Insert(d_, end_, p + i);
            p += c.op.length;
        }
    }

  private:
    void Emit(const Op& op, std::vector<Op>& ops) {
        ops.push_back(op);
        segment_.Add(op);
        if (++segmentOps_ == options_.blockOps) {
            prices_.From(segment_);
            segment_ = NormalStats{};
            segmentOps_ = 0;
        }
    }

    void Consider(const Op& op, Choice& best) const {
        if (!OpIsCodable(op)) return;
        const std::int64_t gain =
            std::int64_t{op.length} * prices_.literal16 - std::int64_t{OpCost(op, prices_)} * 16;
        if (gain > best.gain) {
            best.op = op;
            best.gain = gain;
        }
    }

    Choice Evaluate(std::size_t p) const {
        Choice best;
        best.op = Op::Literal(d_[p]);
        const std::uint32_t maxLen =
            static_cast<std::uint32_t>(std::min<std::size_t>(end_ - p, kMaxMatchLength));
        if (maxLen < 2) return best;
        const std::uint8_t* cur = d_ + p;

        if (st_.lastLength >= 2 && st_.lastDistance >= 1 && st_.lastDistance <= p &&
            st_.lastLength <= maxLen &&
            matchLength(cur, cur - st_.lastDistance, st_.lastLength) == st_.lastLength)
            Consider(Op::RepeatLast(st_.lastLength, st_.lastDistance), best);

        for (std::uint32_t slot = 1; slot <= 4; ++slot) {
            const std::uint32_t dist = st_.HistoryDistance(slot);
            if (dist == 0 || dist > p || cur[0] != cur[-static_cast<std::ptrdiff_t>(dist)] ||
                cur[1] != cur[1 - static_cast<std::ptrdiff_t>(dist)])
                continue;
            const std::uint32_t cap = std::min(maxLen, 257 + RepeatBonus(dist));
            const std::uint32_t len = matchLength(cur, cur - dist, cap);
            if (len >= 2) Consider(Op::Repeat(slot, len, dist), best);
        }

        if (maxLen >= 3) {
            std::uint32_t budget = options_.maxChain;
            std::uint32_t bestLen = 2;
            for (std::uint32_t cand = finder_.Head(d_, p); cand != 0 && budget > 0; --budget) {
                const std::size_t pos = cand - 1;
                const std::size_t dist = p - pos;
                if (dist == 0 || dist > kWindowSize - 1 || bestLen >= maxLen) break;
                if (cur[bestLen] == d_[pos + bestLen]) {
                    const std::uint32_t len = matchLength(cur, d_ + pos, maxLen);
                    if (len > bestLen) {
                        const std::uint32_t capped =
                            std::min(len, 258 + MatchBonus(static_cast<std::uint32_t>(dist)));
                        const std::int64_t before = best.gain;
                        Consider(Op::Match(capped, static_cast<std::uint32_t>(dist)), best);
                        if (best.gain != before) bestLen = len;
                        if (len >= options_.niceLength) break;
                        if (len >= 32) budget = std::max<std::uint32_t>(budget / 4, 1);
                    }
                }
                cand = finder_.Previous(pos);
            }
        }

        const std::uint32_t pair = finder_.LastPair(d_, p);
        if (pair != 0 && p - (pair - 1) <= 256)
            Consider(Op::Short(static_cast<std::uint32_t>(p - (pair - 1))), best);
        return best;
    }

    const std::uint8_t* d_;
    std::size_t end_;
    CoderState& st_;
    MatchFinder& finder_;
    const EncoderOptions& options_;
    Prices prices_;
    NormalStats segment_;
    std::uint32_t segmentOps_ = 0;
};

}  // namespace

MatchFinder::MatchFinder() : head_(1u << kHashBits), prev_(kWindowSize), pair_(1u << 16) {}

void MatchFinder::Reset() {
    std::fill(head_.begin(), head_.end(), 0);
    std::fill(prev_.begin(), prev_.end(), 0);
    std::fill(pair_.begin(), pair_.end(), 0);
}

void MatchFinder::Insert(const std::uint8_t* data, std::size_t end, std::size_t pos) {
    if (pos + 1 < end)
        pair_[(data[pos] << 8) | data[pos + 1]] = static_cast<std::uint32_t>(pos + 1);
    if (pos + 2 >= end) return;
    const std::uint32_t h = hash3(data + pos);
    prev_[pos & kWindowMask] = head_[h];
    head_[h] = static_cast<std::uint32_t>(pos + 1);
}

std::uint32_t MatchFinder::Head(const std::uint8_t* data, std::size_t pos) const {
    return head_[hash3(data + pos)];
}

void ParseLz(std::span<const std::uint8_t> history, std::size_t start, CoderState& st,
             MatchFinder& finder, const EncoderOptions& options, std::vector<Op>& ops) {
    Parser parser(history, st, finder, options);
    parser.Run(start, ops);
}

}  // namespace eh::rarpack::detail
