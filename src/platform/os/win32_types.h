// Win32 base types, result codes and constants that the shared code names.
//
// The shared code is written against the Windows API's own spellings so that a Windows
// build can include <windows.h> in place of this header. Widths follow the Windows ABI
// (LONG and DWORD are 32 bits even where the C `long` is 64), so structures keep their
// Windows layout.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using HRESULT = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles: distinct pointer types, as STRICT Windows headers declare them.
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HDC__;
using HDC = HDC__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
struct RGNDATA;

// A numeric resource id where a resource name is taken, as Win32 passes it.
#define MAKEINTRESOURCEA(id) reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id)))

// HRESULT helpers and the generic codes the program uses.
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define MAKE_HRESULT(sev, fac, code) \
    static_cast<HRESULT>((static_cast<DWORD>(sev) << 31) | (static_cast<DWORD>(fac) << 16) | \
                         static_cast<DWORD>(code))
#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_FAIL static_cast<HRESULT>(0x80004005u)
#define E_NOTIMPL static_cast<HRESULT>(0x80004001u)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000Eu)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057u)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002u)

#define MAKEFOURCC(a, b, c, d)                                                     \
    (static_cast<DWORD>(static_cast<BYTE>(a)) |                                    \
     (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |                             \
     (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |                            \
     (static_cast<DWORD>(static_cast<BYTE>(d)) << 24))

// Message box flags and results (only those the program passes or reads).
#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define MB_ICONWARNING 0x00000030u
#define IDOK 1
#define IDCANCEL 2

#endif  // _WIN32
