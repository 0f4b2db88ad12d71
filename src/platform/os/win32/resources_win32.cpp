// The executable's resources on Windows: the module's resource section, compiled from a
// resource script. Lookups ask the system each time; the listing is built once.
#include <deque>
#include <string>
#include <vector>

#include "platform/os/backend.h"

namespace eh::os::backend {
namespace {

// The system's numbered types by the keywords of resource scripts, for listing and lookup.
struct PredefinedType {
    const char* name;
    WORD id;
};
constexpr PredefinedType kPredefinedTypes[] = {
    {"CURSOR", 1},       {"BITMAP", 2},     {"ICON", 3},          {"MENU", 4},
    {"DIALOG", 5},       {"STRING", 6},     {"FONTDIR", 7},       {"FONT", 8},
    {"ACCELERATORS", 9}, {"RCDATA", 10},    {"MESSAGETABLE", 11}, {"GROUP_CURSOR", 12},
    {"GROUP_ICON", 14},  {"VERSION", 16},   {"DLGINCLUDE", 17},   {"PLUGPLAY", 19},
    {"VXD", 20},         {"ANICURSOR", 21}, {"ANIICON", 22},      {"HTML", 23},
    {"MANIFEST", 24},
};

// The resource compiler keeps custom type names upper case, and the system compares them
// so; an id-like name ("#12") is left to the system's own parsing.
std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

ResourceData load(HMODULE module, HRSRC found) {
    if (found == nullptr) return {};
    HGLOBAL handle = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* bytes = handle != nullptr ? LockResource(handle) : nullptr;
    if (bytes == nullptr) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

struct Listing {
    std::deque<std::string> typeNames;  // stable storage for ResourceEntry::type
    std::vector<ResourceEntry> entries;
};

struct EnumContext {
    Listing* listing;
    const char* typeName;
};

BOOL CALLBACK addName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    auto* context = reinterpret_cast<EnumContext*>(param);
    if (!IS_INTRESOURCE(name)) return TRUE;  // only numbered resources are looked up
    const ResourceData data = load(module, FindResourceA(module, name, type));
    if (data)
        context->listing->entries.push_back({context->typeName,
                                             static_cast<int>(reinterpret_cast<ULONG_PTR>(name)),
                                             data.data, data.data + data.size});
    return TRUE;
}

BOOL CALLBACK addType(HMODULE module, LPSTR type, LONG_PTR param) {
    auto* listing = reinterpret_cast<Listing*>(param);
    std::string name;
    if (IS_INTRESOURCE(type)) {
        const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(type));
        name = "#" + std::to_string(id);
        for (const PredefinedType& t : kPredefinedTypes)
            if (t.id == id) name = t.name;
    } else {
        name = type;
    }
    listing->typeNames.push_back(std::move(name));
    EnumContext context{listing, listing->typeNames.back().c_str()};
    EnumResourceNamesA(module, type, &addName, reinterpret_cast<LONG_PTR>(&context));
    return TRUE;
}

}  // namespace

std::span<const ResourceEntry> EmbeddedResources() {
    static const Listing listing = [] {
        Listing l;
        EnumResourceTypesA(GetModuleHandleA(nullptr), &addType, reinterpret_cast<LONG_PTR>(&l));
        return l;
    }();
    return listing.entries;
}

ResourceData FindEmbeddedResource(std::string_view type, int id) {
    if (id < 1 || id > 0xFFFF || type.empty()) return {};  // ids of 16 bits, 0 is none
    HMODULE module = GetModuleHandleA(nullptr);
    LPCSTR name = MAKEINTRESOURCEA(id);
    for (const PredefinedType& t : kPredefinedTypes)
        if (SameResourceType(t.name, type))
            return load(module, FindResourceA(module, name, MAKEINTRESOURCEA(t.id)));
    const std::string typeName = upper(type);
    return load(module, FindResourceA(module, name, typeName.c_str()));
}

}  // namespace eh::os::backend
