// Shared libraries loaded at run time: the stand-in for LoadLibraryA, GetProcAddress and
// FreeLibrary.
//
// A library is loaded from a path with every reference resolved at once (a missing symbol
// fails the load, as on Windows), and its names stay its own: they never serve another
// library's references. On Windows the three functions of <windows.h> serve directly; the
// back end here is posix/library_posix.cpp (the dynamic loader). PlausibleLibraryImage is
// the ELF check there and a PE check on Windows (win32/library_win32.cpp: an x86-64 DLL
// whose headers, sections, symbols and certificates all lie inside the image).
#pragma once

#include <cstdint>
#include <span>

#include "platform/os/win32_types.h"

#ifndef _WIN32

using FARPROC = std::intptr_t (*)();

// Loads the library at `path` (a bare name is searched for as the system's loader does).
// Returns null when there is no such file or the loader refuses it.
HMODULE LoadLibraryA(LPCSTR path);
// The address of the exported `name`, or null when the library has no such export or
// `module` is null.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// Unloads the library; its addresses are dead afterwards. FALSE for a null module.
BOOL FreeLibrary(HMODULE module);

#endif  // _WIN32

namespace eh::os {

// Whether `image` is a whole library for this machine (its format, word size and
// processor) whose headers and segments all lie inside it. The loader maps a library's
// segments without checking them against the file's length, and touching a page past the
// end of a cut-short file kills the process: an image from elsewhere is written to a file
// and loaded only once this says yes.
bool PlausibleLibraryImage(std::span<const std::uint8_t> image);

}  // namespace eh::os
