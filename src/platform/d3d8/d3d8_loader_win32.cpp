// Direct3DCreate8 on Windows: the system's d3d8.dll, loaded at run time.
//
// MinGW-w64 ships the SDK header but no import library for d3d8.dll, and a program that
// imported it statically would not even start on a machine without DirectX 8. So the
// library is loaded the first time the Direct3D object is asked for, and the call is
// forwarded; when the library or its entry point is missing the answer is null, as the
// real function gives for a wrong SDK version, and the program shows its "no Direct3D"
// message.
#include "platform/d3d8/d3d8.h"

#include <windows.h>

namespace {

using CreateFunction = IDirect3D8*(WINAPI*)(UINT);

// Resolved once; the library stays loaded for the life of the process (every object the
// Direct3D object hands out lives in it).
CreateFunction ResolveCreate() {
    static const CreateFunction create = [] {
        HMODULE library = LoadLibraryA("d3d8.dll");
        if (library == nullptr) {
            return CreateFunction{nullptr};
        }
        FARPROC entry = GetProcAddress(library, "Direct3DCreate8");
        if (entry == nullptr) {
            FreeLibrary(library);
            return CreateFunction{nullptr};
        }
        // FARPROC is the generic pointer GetProcAddress returns; the export has the
        // SDK's signature.
        return reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(entry));
    }();
    return create;
}

}  // namespace

extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT SDKVersion) {
    CreateFunction create = ResolveCreate();
    return create != nullptr ? create(SDKVersion) : nullptr;
}
