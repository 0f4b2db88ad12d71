// A program that changes the desktop's gamma and then ends in one of the ways the saver
// can end, for the tests of the exit hooks: the program-wide keeper reads and writes
// through the calls below, which stand for the display, and every write is reported in
// the file named by the second argument, one line each ("write R" with the red top
// entry written; "previous C" when the filter that was there before ours is called with
// exception code C).
//
//   gamma_exit_child exit|crash|throw|unreadable REPORT
// exit: keeps a ramp and returns from main. crash: sets a top-level exception filter of
// its own, keeps a ramp (which chains ours before it) and raises an exception nobody
// handles; the old filter ends the process with the exception code. throw: sets a
// terminate handler of its own ("terminate" reported, exit code 7), keeps a ramp and
// throws a C++ exception nobody catches. unreadable: the display refuses to be read, then
// returns from main.
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/os/desktop_gamma.h"
#include "platform/os/win32_types.h"

namespace {

constexpr DWORD kUnhandledCode = 0xE0474D41u;  // a custom code, "GMA"
const char* gReport = nullptr;
bool gReadable = true;

void report(const std::string& line) {
    HANDLE file = CreateFileA(gReport, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The desktop's ramp as this program's display has it: not linear, top entry 60000.
bool readDisplay(eh::os::GammaRamp* ramp) {
    if (!gReadable) return false;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint16_t>(i * 60000 / 255);
        ramp->red[i] = ramp->green[i] = ramp->blue[i] = v;
    }
    return true;
}

bool writeDisplay(const eh::os::GammaRamp& ramp) {
    report("write " + std::to_string(ramp.red[255]));
    return true;
}

LONG WINAPI previousFilter(EXCEPTION_POINTERS* info) {
    char line[64];
    std::snprintf(line, sizeof line, "previous %08lX",
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    report(line);
    return EXCEPTION_EXECUTE_HANDLER;
}

[[noreturn]] void previousTerminate() {
    report("terminate");
    ExitProcess(7);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    gReport = argv[2];
    gReadable = mode != "unreadable";
    if (mode == "crash") SetUnhandledExceptionFilter(&previousFilter);
    if (mode == "throw") std::set_terminate(&previousTerminate);
    // Never destroyed: the exit hooks must find these calls still installed.
    new eh::os::ScopedDesktopGammaFunctions(&readDisplay, &writeDisplay);
    const bool kept = eh::os::KeepDesktopGamma();
    report(kept ? "kept" : "not kept");
    if (mode == "crash") RaiseException(kUnhandledCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    if (mode == "throw") throw std::runtime_error("nobody catches this");
    return 0;
}
