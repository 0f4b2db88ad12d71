#include "config/text_table.h"

#include "platform/os/resources.h"

namespace eh::config {
namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void TextTable::Load() {
    os::ResourceData res = os::FindResourceData("CustomData", kResourceId);
    LoadFromBytes(res.data, res.size);
}

void TextTable::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
    lines_.clear();
    if (data == nullptr) return;
    std::string current;
    bool pending = false;  // bytes seen since the last LF (the last line has no LF)
    for (std::size_t i = 0; i < size && lines_.size() < kMaxLines; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\n') {
            lines_.push_back(std::move(current));
            current.clear();
            pending = false;
        } else {
            pending = true;
            if (c != '\r' && c != '\0') current.push_back(c);
        }
    }
    if (pending && lines_.size() < kMaxLines) lines_.push_back(std::move(current));

    // Key lines are matched without regard to case: lower them now, all but the first and
    // last character. A value line that starts with '#' looks the same and is lowered too.
    for (std::string& line : lines_) {
        if (line.size() < 3 || line.front() != '#') continue;
        for (std::size_t i = 1; i + 1 < line.size(); ++i) line[i] = asciiLower(line[i]);
    }
}

std::string TextTable::Lookup(std::string_view key) const {
    std::string wanted(key);
    for (char& c : wanted) c = asciiLower(c);
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.empty() || line.front() != '#') continue;
        if (line.compare(1, wanted.size(), wanted) != 0) continue;
        std::size_t diff = line.size() > wanted.size() ? line.size() - wanted.size()
                                                       : wanted.size() - line.size();
        if (diff > 2) continue;
        return lines_[i + 1];
    }
    return {};
}

std::vector<std::string> SplitAboutText(const std::string& text, std::size_t maxLines) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '%') {
            if (lines.size() == maxLines) break;
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    lines.resize(maxLines);
    return lines;
}

}  // namespace eh::config
