#include "huffman_encode.h"

#include <algorithm>
#include <numeric>

namespace eh::rarpack {

std::vector<std::uint8_t> BuildCodeLengths(const std::uint32_t* freq, std::size_t count,
                                           std::uint32_t maxLength) {
    std::vector<std::uint8_t> lengths(count, 0);
    std::vector<std::uint32_t> used;
    for (std::size_t s = 0; s < count; ++s)
        if (freq[s] != 0) used.push_back(static_cast<std::uint32_t>(s));
    if (used.empty()) return lengths;
    if (used.size() == 1) {
        lengths[used[0]] = 1;
        return lengths;
    }
    std::stable_sort(used.begin(), used.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return freq[a] < freq[b]; });

    // Two-queue Huffman: leaves sorted by weight, internal nodes created in weight order.
    const std::size_t n = used.size();
    std::vector<std::uint64_t> weight(2 * n);
    std::vector<std::size_t> parent(2 * n, 0);
    for (std::size_t i = 0; i < n; ++i) weight[i] = freq[used[i]];
    std::size_t leaf = 0, node = n, nextNode = n;
    auto pick = [&]() {
        if (leaf < n && (node >= nextNode || weight[leaf] <= weight[node])) return leaf++;
        return node++;
    };
    while (nextNode < 2 * n - 1) {
        const std::size_t a = pick();
        const std::size_t b = pick();
        weight[nextNode] = weight[a] + weight[b];
        parent[a] = parent[b] = nextNode;
        ++nextNode;
    }
    std::vector<std::uint32_t> depth(2 * n - 1, 0);
    for (std::size_t i = 2 * n - 2; i-- > 0;) depth[i] = depth[parent[i]] + 1;

    // Limit the depth: clamp, then lengthen the cheapest codes until the Kraft sum fits.
    std::uint64_t kraft = 0;
    const std::uint64_t one = 1ull << maxLength;
    for (std::size_t i = 0; i < n; ++i) {
        depth[i] = std::min(depth[i], maxLength);
        kraft += one >> depth[i];
    }
    while (kraft > one) {
        // The least frequent symbol among the longest codes still below the limit.
        std::size_t best = n;
        for (std::size_t i = 0; i < n; ++i) {
            if (depth[i] >= maxLength) continue;
            if (best == n || depth[i] > depth[best] ||
                (depth[i] == depth[best] && weight[i] < weight[best]))
                best = i;
        }
        kraft -= (one >> depth[best]) - (one >> (depth[best] + 1));
        ++depth[best];
    }
    // Spend any slack on the most frequent symbols.
    for (std::size_t i = n; i-- > 0;) {
        while (depth[i] > 1 && kraft + (one >> depth[i]) <= one) {
            kraft += one >> depth[i];
            --depth[i];
        }
    }
    for (std::size_t i = 0; i < n; ++i) lengths[used[i]] = static_cast<std::uint8_t>(depth[i]);
    return lengths;
}

std::vector<std::uint16_t> CanonicalCodes(const std::uint8_t* lengths, std::size_t count) {
    std::uint32_t lengthCount[17] = {};
    for (std::size_t s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    lengthCount[0] = 0;
    std::uint32_t next[17] = {};
    std::uint32_t code = 0;
    for (int bits = 1; bits <= 16; ++bits) {
        code = (code + lengthCount[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint16_t> codes(count, 0);
    for (std::size_t s = 0; s < count; ++s)
        if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
    return codes;
}

}  // namespace eh::rarpack
