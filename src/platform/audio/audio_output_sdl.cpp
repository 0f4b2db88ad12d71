// The system's output on Linux: SDL's default (or chosen) playback device, signed 16-bit
// stereo at the library's rate; SDL converts if the hardware differs. SDL's audio thread
// is the library's mixing thread.
#include <SDL.h>

#include "platform/audio/audio_output.h"

namespace eh::audio {
namespace {

// Frames per device buffer: 1024 frames are 23 ms at 44.1 kHz, short enough that a
// volume change is heard at once and long enough not to underrun on a busy machine.
constexpr Uint16 kDeviceFrames = 1024;

void audioCallback(void* user, Uint8* stream, int len) {
    auto* mixer = static_cast<Mixer*>(user);
    mixer->renderS16(reinterpret_cast<std::int16_t*>(stream), len / 4);
}

class SdlOutput final : public Output {
  public:
    explicit SdlOutput(SDL_AudioDeviceID device) : device_(device) {}
    ~SdlOutput() override {
        SDL_CloseAudioDevice(device_);  // joins the mixing thread
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // A pause returns once the mixing thread is out of the callback.
    void pause(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }

  private:
    SDL_AudioDeviceID device_;
};

}  // namespace

std::unique_ptr<Output> openSystemOutput(int device, int rate, Mixer& mixer, int& error) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = kErrorDriver;
        return nullptr;
    }
    const char* name = nullptr;
    if (device >= 2) {
        // Devices 2.. are the system's playback devices in SDL's order; 1 is the default.
        name = SDL_GetAudioDeviceName(device - 2, 0);
        if (name == nullptr) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            error = kErrorDevice;
            return nullptr;
        }
    }
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = audioCallback;
    want.userdata = &mixer;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        error = kErrorDriver;
        return nullptr;
    }
    SDL_PauseAudioDevice(id, 0);
    error = kErrorOk;
    return std::make_unique<SdlOutput>(id);
}

}  // namespace eh::audio
