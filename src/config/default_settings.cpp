#include "config/default_settings.h"

#include "platform/os/message_box.h"
#include "platform/os/resources.h"

namespace eh::config {
namespace {

// "неправильный формат файла def_settings.txt" and "Не найден параметр в файле
// def_settings.txt", as Windows-1251 bytes.
constexpr char kBadFormatText[] =
    "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 "
    "\xF4\xE0\xE9\xEB\xE0 def_settings.txt";
constexpr char kMissingKeyText[] =
    "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE2 "
    "\xF4\xE0\xE9\xEB\xE5 def_settings.txt";

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// atoi without its undefined behaviour on overflow: optional sign, leading decimal digits,
// clamped to the int range.
int leadingInt(const std::string& s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL) v = 2147483648LL;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) v = 2147483647LL;
    return static_cast<int>(v);
}

}  // namespace

void DefaultSettings::Load() {
    os::ResourceData res = os::FindResourceData("CustomData", kResourceId);
    pairs_.clear();
    if (res) Parse(res.data, res.size);
}

void DefaultSettings::Parse(const std::uint8_t* data, std::size_t length) {
    pairs_.clear();
    if (data == nullptr) return;
    std::size_t pos = 0;
    while (pos < length) {
        // One raw line: up to CR, and a single LF right after the CR is skipped.
        std::string cleaned;
        while (pos < length && data[pos] != '\r') {
            // Bytes compared as signed: <= 32 and >= 128 both go.
            auto b = static_cast<signed char>(data[pos]);
            if (b > 32) cleaned.push_back(static_cast<char>(b));
            ++pos;
        }
        if (pos < length) ++pos;  // the CR
        if (pos < length && data[pos] == '\n') ++pos;

        if (std::size_t semi = cleaned.find(';'); semi != std::string::npos) cleaned.resize(semi);
        if (cleaned.empty()) continue;
        if (pairs_.size() >= kMaxPairs) continue;  // keep reading so every line is checked
        std::size_t eq = cleaned.find('=');
        if (eq == std::string::npos) {
            os::ShowMessageBox(nullptr, kBadFormatText, "", MB_OK, os::CodePage::Windows1251);
            pairs_.emplace_back(cleaned, cleaned);
        } else {
            pairs_.emplace_back(cleaned.substr(0, eq), cleaned.substr(eq + 1));
        }
    }
}

std::string DefaultSettings::Lookup(std::string_view key) const {
    for (const auto& [k, v] : pairs_) {
        if (equalsIgnoreCase(k, key)) return v;
    }
    std::string caption(key);
    os::ShowMessageBox(nullptr, kMissingKeyText, caption.c_str(), MB_OK,
                       os::CodePage::Windows1251);
    return {};
}

int DefaultSettings::GetInt(std::string_view key) const {
    std::string value = Lookup(key);
    if (value == "true") return 1;
    if (value == "false") return 0;
    return leadingInt(value);
}

}  // namespace eh::config
