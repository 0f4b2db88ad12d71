// Reads a compiled dialog template (RT_DIALOG) as the dialog manager sees it: the
// DLGTEMPLATE / DLGITEMTEMPLATE layout of a DIALOG statement and the DLGTEMPLATEEX one of
// a DIALOGEX statement. Every field is bounds-checked against the resource's size, so a
// damaged or truncated template is reported instead of read past its end.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace eh::config::testing {

// A class, menu or caption field: an ordinal (0xFFFF then a WORD) or a string.
struct NameOrOrdinal {
    std::wstring name;
    int ordinal = -1;  // -1: it is the string (possibly empty)
};

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    int id = 0;                        // sign-extended: -1 is "no id"
    NameOrOrdinal windowClass;         // predefined classes are ordinals 0x80..0x85
    NameOrOrdinal title;               // a picture's bitmap is an ordinal
};

struct DialogResource {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    int pointSize = 0;  // only with DS_SETFONT
    std::wstring typeface;
    std::vector<DialogItem> items;
};

class DialogResourceReader {
  public:
    DialogResourceReader(const void* data, std::size_t size)
        : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

    std::optional<DialogResource> Read() {
        DialogResource d;
        WORD first = 0, second = 0;
        if (!word(&first) || !word(&second)) return std::nullopt;
        d.extended = first == 1 && second == 0xFFFF;
        WORD count = 0;
        if (d.extended) {
            DWORD helpId = 0;
            if (!dword(&helpId) || !dword(&d.exStyle) || !dword(&d.style)) return std::nullopt;
        } else {
            pos_ = 0;
            if (!dword(&d.style) || !dword(&d.exStyle)) return std::nullopt;
        }
        if (!word(&count) || !coord(&d.x) || !coord(&d.y) || !coord(&d.cx) || !coord(&d.cy) ||
            !field(&d.menu) || !field(&d.windowClass))
            return std::nullopt;
        NameOrOrdinal title;
        if (!string(&title.name)) return std::nullopt;
        d.title = title.name;
        if (d.style & DS_SETFONT) {
            WORD points = 0;
            if (!word(&points)) return std::nullopt;
            d.pointSize = points;
            if (d.extended) {
                WORD weight = 0;
                if (!word(&weight) || !skip(2)) return std::nullopt;  // italic, charset
            }
            if (!string(&d.typeface)) return std::nullopt;
        }
        for (WORD i = 0; i < count; ++i) {
            DialogItem item;
            if (!align(4)) return std::nullopt;
            if (d.extended) {
                DWORD helpId = 0;
                DWORD itemId = 0;
                if (!dword(&helpId) || !dword(&item.exStyle) || !dword(&item.style) ||
                    !coord(&item.x) || !coord(&item.y) || !coord(&item.cx) || !coord(&item.cy) ||
                    !dword(&itemId))
                    return std::nullopt;
                item.id = static_cast<std::int32_t>(itemId);
            } else {
                WORD itemId = 0;
                if (!dword(&item.style) || !dword(&item.exStyle) || !coord(&item.x) ||
                    !coord(&item.y) || !coord(&item.cx) || !coord(&item.cy) || !word(&itemId))
                    return std::nullopt;
                item.id = static_cast<std::int16_t>(itemId);
            }
            WORD extra = 0;
            if (!field(&item.windowClass) || !field(&item.title) || !word(&extra) || !skip(extra))
                return std::nullopt;
            d.items.push_back(item);
        }
        return d;
    }

  private:
    bool skip(std::size_t n) {
        if (n > size_ - pos_) return false;
        pos_ += n;
        return true;
    }
    bool align(std::size_t to) {
        std::size_t rest = pos_ % to;
        return rest == 0 || skip(to - rest);
    }
    bool word(WORD* out) {
        if (size_ - pos_ < 2) return false;
        std::memcpy(out, data_ + pos_, 2);
        pos_ += 2;
        return true;
    }
    bool dword(DWORD* out) {
        if (size_ - pos_ < 4) return false;
        std::memcpy(out, data_ + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool coord(int* out) {
        WORD w = 0;
        if (!word(&w)) return false;
        *out = static_cast<std::int16_t>(w);
        return true;
    }
    bool string(std::wstring* out) {
        out->clear();
        for (WORD c = 0;;) {
            if (!word(&c)) return false;
            if (c == 0) return true;
            out->push_back(static_cast<wchar_t>(c));
        }
    }
    bool field(NameOrOrdinal* out) {
        WORD w = 0;
        if (size_ - pos_ < 2) return false;
        std::memcpy(&w, data_ + pos_, 2);
        if (w == 0xFFFF) {
            WORD ordinal = 0;
            if (!skip(2) || !word(&ordinal)) return false;
            out->ordinal = ordinal;
            return true;
        }
        return string(&out->name);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace eh::config::testing
