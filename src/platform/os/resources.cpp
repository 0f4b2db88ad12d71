#include "platform/os/resources.h"

#include <cstring>

// Defined by the generated resource table when the executable links eh_resources; weak
// here so that tools and tests without embedded resources link and see an empty table.
extern "C" {
extern const eh::os::ResourceEntry emberhold_resource_table[] __attribute__((weak));
extern const unsigned long emberhold_resource_count __attribute__((weak));
}

namespace eh::os {
namespace {

std::span<const ResourceEntry> embeddedTable() {
    if (&emberhold_resource_count == nullptr || emberhold_resource_table == nullptr) return {};
    return {emberhold_resource_table, static_cast<std::size_t>(emberhold_resource_count)};
}

bool overridden = false;
std::span<const ResourceEntry> overrideTable;

bool typeEquals(const char* a, std::string_view b) {
    if (a == nullptr || std::strlen(a) != b.size()) return false;
    for (std::size_t i = 0; i < b.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::span<const ResourceEntry> ResourceTable() {
    return overridden ? overrideTable : embeddedTable();
}

ResourceData FindResourceData(std::string_view type, int id) {
    for (const ResourceEntry& e : ResourceTable()) {
        if (e.id == id && typeEquals(e.type, type) && e.begin != nullptr && e.end >= e.begin)
            return {e.begin, static_cast<std::size_t>(e.end - e.begin)};
    }
    return {};
}

ScopedResourceTable::ScopedResourceTable(std::span<const ResourceEntry> table)
    : previous_(ResourceTable()) {
    overridden = true;
    overrideTable = table;
}

ScopedResourceTable::~ScopedResourceTable() { overrideTable = previous_; }

}  // namespace eh::os
