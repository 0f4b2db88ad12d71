// Localized captions by key, from the single-byte text resource "CustomData" 482.
//
// The resource is cut into lines at LF (CR and NUL bytes are dropped), at most kMaxLines
// of them. A key line has the form `#key#`; its value is the line after it, taken whole.
// Key lines are lower-cased (ASCII) at load, so lookups ignore case. Captions are bytes
// of the Windows-1252 code page, as the ANSI window functions take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace eh::config {

class TextTable {
public:
    // Lines past this are dropped at load; the shipped table has well under 100.
    static constexpr std::size_t kMaxLines = 200;
    static constexpr int kResourceId = 482;

    // Loads "CustomData" 482; a missing resource leaves the table empty.
    void Load();
    // Loads from bytes (the same rules as Load); replaces what the table held.
    void LoadFromBytes(const std::uint8_t* data, std::size_t size);

    // The value line that follows the first key line matching `key`. A key line matches
    // when it starts with '#' followed by `key` (ASCII case ignored) and its length differs
    // from the key's by at most 2, so "#ok#" answers "ok" while "#okay_button#" does not.
    // The last line is never a key line. An absent key gives an empty string.
    std::string Lookup(std::string_view key) const;

    std::size_t LineCount() const { return lines_.size(); }
    const std::string& Line(std::size_t i) const { return lines_.at(i); }

private:
    std::vector<std::string> lines_;
};

// The lines of the About box: `text` cut at each '%' into at most `maxLines` lines
// ("%%" yields an empty line); missing lines are empty.
std::vector<std::string> SplitAboutText(const std::string& text, std::size_t maxLines = 7);

}  // namespace eh::config
