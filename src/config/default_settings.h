// Factory defaults: the `key = value` text of resource "CustomData" 495.
//
// Line rule: a line ends at CR (one LF right after it is skipped); a lone LF does not end
// a line. Every byte <= 32 or >= 128 is removed from a line wherever it stands, the rest is
// cut at its first ';' (comment), empty results are skipped, and the first '=' splits key
// from value. At most kMaxPairs pairs are kept, in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eh::config {

class DefaultSettings {
public:
    static constexpr std::size_t kMaxPairs = 100;
    static constexpr int kResourceId = 495;

    // Parses "CustomData" 495 (nothing when it is missing).
    void Load();
    // A line without '=' shows the format box and is kept with the whole line as key and
    // value. Pairs past kMaxPairs are dropped.
    void Parse(const std::uint8_t* data, std::size_t length);

    // The value of the first key equal to `key` (ASCII case ignored). A missing key shows
    // the "parameter not found" box, captioned with the key, and gives an empty string.
    std::string Lookup(std::string_view key) const;

    // "true" → 1, "false" → 0 (exact, lower case), else the leading decimal digits as
    // atoi reads them (no digits, or a missing key, give 0).
    int GetInt(std::string_view key) const;

    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace eh::config
