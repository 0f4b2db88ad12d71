// The lookup rules and the test table; the executable's own resources are the back end's
// (resources_generated.cpp, win32/resources_win32.cpp).
#include "platform/os/resources.h"

#include "platform/os/backend.h"

namespace eh::os {
namespace {

bool overridden = false;
std::span<const ResourceEntry> overrideTable;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameResourceType(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

namespace backend {

ResourceData FindInTable(std::span<const ResourceEntry> table, std::string_view type, int id) {
    for (const ResourceEntry& e : table) {
        if (e.id == id && e.type != nullptr && SameResourceType(e.type, type) &&
            e.begin != nullptr && e.end >= e.begin)
            return {e.begin, static_cast<std::size_t>(e.end - e.begin)};
    }
    return {};
}

}  // namespace backend

std::span<const ResourceEntry> ResourceTable() {
    return overridden ? overrideTable : backend::EmbeddedResources();
}

ResourceData FindResourceData(std::string_view type, int id) {
    if (overridden) return backend::FindInTable(overrideTable, type, id);
    return backend::FindEmbeddedResource(type, id);
}

ScopedResourceTable::ScopedResourceTable(std::span<const ResourceEntry> table)
    : previous_(overrideTable), previousOverridden_(overridden) {
    overridden = true;
    overrideTable = table;
}

ScopedResourceTable::~ScopedResourceTable() {
    overrideTable = previous_;
    overridden = previousOverridden_;
}

}  // namespace eh::os
