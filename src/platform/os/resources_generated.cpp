// The executable's resources where the build links them in as a generated table
// (cmake/EmberholdResources.cmake).
#include "platform/os/backend.h"

// Defined by the generated resource table when the executable links eh_resources; weak
// here so that tools and tests without embedded resources link and see an empty table.
extern "C" {
extern const eh::os::ResourceEntry emberhold_resource_table[] __attribute__((weak));
extern const unsigned long emberhold_resource_count __attribute__((weak));
}

namespace eh::os::backend {

std::span<const ResourceEntry> EmbeddedResources() {
    if (&emberhold_resource_count == nullptr || emberhold_resource_table == nullptr) return {};
    return {emberhold_resource_table, static_cast<std::size_t>(emberhold_resource_count)};
}

ResourceData FindEmbeddedResource(std::string_view type, int id) {
    return FindInTable(EmbeddedResources(), type, id);
}

}  // namespace eh::os::backend
