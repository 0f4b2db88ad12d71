// Where the audio library's mix goes (private header): the system's output (SDL2 audio on
// Linux, waveOut on Windows) or, for tests, a WAV file.
//
// An output owns the library's mixing thread, which calls Mixer::renderS16 as the output
// needs frames; the mixer fires its syncs on that thread. An output runs from the moment
// it is opened.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/audio_mixer.h"

namespace eh::audio {

// The variable that sends the mix to a WAV file: EMBERHOLD_AUDIO_WAV=<path>. The file is
// written in real time (the output's clock is the steady clock, not a sound card), signed
// 16-bit stereo at the rate given to BASS_Init; its header is kept up to date as it grows.
inline constexpr const char* kWavOutputVariable = "EMBERHOLD_AUDIO_WAV";

class Output {
  public:
    virtual ~Output() = default;  // stops the output and joins the mixing thread
    // Pauses (true) or resumes the output. A pause returns once the mixing thread is out
    // of the mixer; a paused output mixes nothing and its time stands still.
    virtual void pause(bool paused) = 0;
    // Whether the caller is the mixing thread (false where the output cannot tell).
    virtual bool onMixingThread() const { return false; }
};

// Opens the output for `device` (-1 and 1: the default; 2..: the system's devices in
// order) mixing `mixer` at `rate` Hz: the WAV file when kWavOutputVariable is set (any
// device), else the system's. Null on failure, with an error code of audio_api.h in
// `error`.
std::unique_ptr<Output> openOutput(int device, int rate, Mixer& mixer, int& error);

// The two kinds behind openOutput. The system's is the platform's own source file
// (audio_output_sdl.cpp, audio_output_waveout.cpp).
std::unique_ptr<Output> openSystemOutput(int device, int rate, Mixer& mixer, int& error);
std::unique_ptr<Output> openWavOutput(const std::string& path, int rate, Mixer& mixer,
                                      int& error);

}  // namespace eh::audio
