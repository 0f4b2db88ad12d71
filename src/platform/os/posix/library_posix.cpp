// Libraries through the dynamic loader (dlopen with RTLD_NOW | RTLD_LOCAL), and the ELF
// check of an image before it is loaded.
#include "platform/os/library.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>

HMODULE LoadLibraryA(LPCSTR path) {
    if (path == nullptr) return nullptr;
    return static_cast<HMODULE>(dlopen(path, RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) return FALSE;
    return dlclose(module) == 0 ? TRUE : FALSE;
}

namespace eh::os {

bool PlausibleLibraryImage(std::span<const std::uint8_t> image) {
    using Ehdr = ElfW(Ehdr);
    using Phdr = ElfW(Phdr);
    if (image.size() < sizeof(Ehdr)) return false;
    Ehdr eh;
    std::memcpy(&eh, image.data(), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) return false;
    if (eh.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32)) return false;
    if (eh.e_type != ET_DYN || eh.e_phentsize != sizeof(Phdr) || eh.e_phnum == 0) return false;
#if defined(__x86_64__)
    if (eh.e_machine != EM_X86_64) return false;
#elif defined(__aarch64__)
    if (eh.e_machine != EM_AARCH64) return false;
#endif
    const std::uint64_t size = image.size();
    auto inside = [size](std::uint64_t offset, std::uint64_t length) {
        return offset <= size && length <= size - offset;
    };
    if (!inside(eh.e_phoff, std::uint64_t{eh.e_phnum} * sizeof(Phdr))) return false;
    if (eh.e_shnum != 0 && !inside(eh.e_shoff, std::uint64_t{eh.e_shnum} * eh.e_shentsize))
        return false;
    for (std::size_t i = 0; i < eh.e_phnum; ++i) {
        Phdr ph;
        std::memcpy(&ph, image.data() + eh.e_phoff + i * sizeof(Phdr), sizeof ph);
        if (ph.p_type != PT_NULL && !inside(ph.p_offset, ph.p_filesz)) return false;
    }
    return true;
}

}  // namespace eh::os
