// A program that loads the audio library as the saver does (its resource "BASS" 471 into a
// temporary file, through ProgramAudioLibrary), starts its output (the WAV file) and then
// ends in one of the ways the saver can end without its sound shutdown, for the tests of
// the exit actions.
//
//   audio_exit_child exit|crash|throw|kill FOLDER
// The library's file goes to FOLDER, the mix to FOLDER\mix.wav. exit: returns from main.
// crash: sets a top-level exception filter of its own (which ends the process with the
// exception's code), then raises an exception nobody handles. throw: sets a terminate
// handler of its own (exit code 7), then throws a C++ exception nobody catches. kill: ends
// itself with TerminateProcess, the one way out no code of ours sees.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "sound/audio_binding.h"

namespace {

constexpr DWORD kUnhandledCode = 0xE0415544u;  // a custom code, "AUD"

LONG WINAPI previousFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}

[[noreturn]] void previousTerminate() {
    std::_Exit(7);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string mode = argv[1];
    const std::string folder = argv[2];
    // Set before the library arms its own, which chain to these.
    if (mode == "crash") SetUnhandledExceptionFilter(&previousFilter);
    if (mode == "throw") std::set_terminate(&previousTerminate);

    eh::sound::AudioLibrary& lib = eh::sound::ProgramAudioLibrary();
    lib.setTempFolder(folder);
    eh::sound::LoadAudioLibrary();
    if (!lib.loaded() || !lib.complete()) return 3;
    _putenv_s("EMBERHOLD_AUDIO_WAV", (folder + "\\mix.wav").c_str());
    if (!lib.api().BASS_Init(1, 44100, 0, nullptr, nullptr)) return 4;
    Sleep(100);  // the output's thread mixing

    if (mode == "crash") RaiseException(kUnhandledCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    if (mode == "throw") throw std::runtime_error("nobody catches this");
    if (mode == "kill") TerminateProcess(GetCurrentProcess(), 5);
    return 0;
}
