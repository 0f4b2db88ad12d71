// Resources of the executable: the stand-in for FindResourceA / LoadResource /
// SizeofResource / LockResource.
//
// The build links each resource file into the executable (cmake/EmberholdResources.cmake)
// and lists it by type and numeric id. Lookups answer from that table, or from a table
// a test installs with ScopedResourceTable. Resource bytes are read-only and live for the
// whole process.
//
// On Windows the resources are the executable's own, compiled from a resource script
// (win32/resources_win32.cpp): lookups go to FindResourceA / LoadResource /
// SizeofResource / LockResource, and ResourceTable() lists what EnumResourceTypesA and
// EnumResourceNamesA find, the types named as the script names them but upper case
// ("CUSTOMDATA": the resource compiler stores custom type names so) and the system's own
// types by their script keywords ("BITMAP", "ICON", "GROUP_ICON", "DIALOG" ...). A
// "BITMAP" there is a bitmap without its file header, as the system keeps bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace eh::os {

// One row of the generated table: [begin, end) are the embedded bytes.
struct ResourceEntry {
    const char* type;
    int id;
    const unsigned char* begin;
    const unsigned char* end;
};

struct ResourceData {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

// Resource `type` ("CustomData", "MediaData", "SOUND", "BASS", "BITMAP", …; matched
// without regard to ASCII case, as Windows does) with numeric `id`. Returns an empty
// ResourceData when there is no such resource.
ResourceData FindResourceData(std::string_view type, int id);

// The table lookups currently answer from (the embedded one unless a test replaced it).
std::span<const ResourceEntry> ResourceTable();

// Whether two type names name the same type, as lookups compare them (ASCII case ignored).
// Code that walks ResourceTable() compares types with this: on Windows they are listed
// upper case.
bool SameResourceType(std::string_view a, std::string_view b);

// Replaces the resource table for the lifetime of the object (tests only). Not nested
// across threads; restores the previous table on destruction.
class ScopedResourceTable {
public:
    explicit ScopedResourceTable(std::span<const ResourceEntry> table);
    ~ScopedResourceTable();
    ScopedResourceTable(const ScopedResourceTable&) = delete;
    ScopedResourceTable& operator=(const ScopedResourceTable&) = delete;

private:
    std::span<const ResourceEntry> previous_;
    bool previousOverridden_;
};

}  // namespace eh::os
