// The exported entry points of libeh_audio.so: a thin C layer that owns the output
// device (SDL2 audio) and forwards everything else to the Mixer.
//
// Output: SDL's default (or chosen) playback device, signed 16-bit stereo at the rate
// given to BASS_Init; SDL converts if the hardware differs. SDL's audio thread is the
// library's mixing thread, on which end syncs run.
#include <SDL.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "platform/audio/audio_api.h"
#include "platform/audio/audio_mixer.h"

#define EH_AUDIO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using eh::audio::Mixer;
namespace ea = eh::audio;

// One initialised output per process, as the interface has no context argument.
// `gMixer` is created by BASS_Init and destroyed by BASS_Free, after the device (and so
// the mixing thread) is closed. Callers must not race BASS_Free with other calls.
std::mutex gInitMutex;
std::atomic<Mixer*> gMixer{nullptr};
SDL_AudioDeviceID gDevice = 0;

thread_local int tError = ea::kErrorOk;

// Frames per device buffer: 1024 frames are 23 ms at 44.1 kHz, short enough that a
// volume change is heard at once and long enough not to underrun on a busy machine.
constexpr Uint16 kDeviceFrames = 1024;

void audioCallback(void* user, Uint8* stream, int len) {
    auto* mixer = static_cast<Mixer*>(user);
    mixer->renderS16(reinterpret_cast<std::int16_t*>(stream), len / 4);
}

// Records the error code of the call and gives the call's BOOL result.
BassBool result(int code) {
    tError = code;
    return code == ea::kErrorOk ? 1 : 0;
}

Mixer* mixerOrError() {
    Mixer* m = gMixer.load();
    if (m == nullptr) tError = ea::kErrorInit;
    return m;
}

}  // namespace

EH_AUDIO_EXPORT int BASS_ErrorGetCode() {
    return tError;
}

EH_AUDIO_EXPORT BassBool BASS_Init(int device, BassDword freq, BassDword flags, void* win,
                                   const void* clsid) {
    std::lock_guard lock(gInitMutex);
    if (gMixer.load() != nullptr) return result(ea::kErrorAlready);
    // Device 0 is the classic "no sound" device, which this library does not offer.
    if (device == 0 || device < -1) return result(ea::kErrorDevice);
    if (freq == 0) freq = 44100;
    if (freq < 8000 || freq > 192000) return result(ea::kErrorIllegalParam);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return result(ea::kErrorDriver);
    const char* name = nullptr;
    if (device >= 2) {
        // Devices 2.. are the system's playback devices in SDL's order; 1 is the default.
        name = SDL_GetAudioDeviceName(device - 2, 0);
        if (name == nullptr) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return result(ea::kErrorDevice);
        }
    }
    auto* mixer = new Mixer(static_cast<int>(freq));
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(freq);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = audioCallback;
    want.userdata = mixer;
    SDL_AudioSpec have{};
    gDevice = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (gDevice == 0) {
        delete mixer;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return result(ea::kErrorDriver);
    }
    gMixer = mixer;
    SDL_PauseAudioDevice(gDevice, 0);  // output runs from Init on; BASS_Stop pauses it
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Start() {
    std::lock_guard lock(gInitMutex);
    if (gMixer.load() == nullptr) return result(ea::kErrorInit);
    SDL_PauseAudioDevice(gDevice, 0);
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Stop() {
    std::lock_guard lock(gInitMutex);
    if (gMixer.load() == nullptr) return result(ea::kErrorInit);
    SDL_PauseAudioDevice(gDevice, 1);  // returns once the mixing thread is out of the callback
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Free() {
    std::lock_guard lock(gInitMutex);
    Mixer* mixer = gMixer.load();
    if (mixer == nullptr) return result(ea::kErrorInit);
    SDL_CloseAudioDevice(gDevice);  // joins the mixing thread
    gDevice = 0;
    gMixer = nullptr;
    delete mixer;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return result(ea::kErrorOk);
}

// The output volume is the library's own master gain (0..100), never the system mixer.
EH_AUDIO_EXPORT int BASS_GetVolume() {
    Mixer* m = mixerOrError();
    if (m == nullptr) return -1;
    tError = ea::kErrorOk;
    return m->masterVolume();
}

EH_AUDIO_EXPORT BassBool BASS_SetVolume(BassDword volume) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    return result(m->setMasterVolume(volume > 100 ? -1 : static_cast<int>(volume)));
}

// Options 4 (global sample volume) and 5 (global stream volume), 0..100; they hold
// across Init and Free. Returns the value set, or 0xFFFFFFFF on error.
EH_AUDIO_EXPORT BassDword BASS_SetConfig(BassDword option, BassDword value) {
    int code = Mixer::setGlobalVolume(option, value);
    result(code);
    return code == ea::kErrorOk ? value : 0xFFFFFFFFu;
}

// 3D positioning is not offered; the factors are accepted so that callers written for
// a 3D device work unchanged.
EH_AUDIO_EXPORT BassBool BASS_Set3DFactors(float distf, float rollf, float doppf) {
    return mixerOrError() != nullptr ? result(ea::kErrorOk) : 0;
}

EH_AUDIO_EXPORT void BASS_Apply3D() {
    tError = ea::kErrorOk;
}

// Samples and streams come from memory only (`mem` must be true): the interface's file
// names would be a second way in that the program never uses.
EH_AUDIO_EXPORT HSAMPLE BASS_SampleLoad(BassBool mem, const void* file, BassDword offset,
                                        BassDword length, BassDword max, BassDword flags) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    if (!mem || file == nullptr) {
        result(ea::kErrorIllegalParam);
        return 0;
    }
    HSAMPLE h = 0;
    result(m->loadSample(static_cast<const std::uint8_t*>(file) + offset, length, max, flags, h));
    return h;
}

EH_AUDIO_EXPORT BassBool BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    if (info == nullptr) return result(ea::kErrorIllegalParam);
    return result(m->sampleInfo(handle, *info));
}

EH_AUDIO_EXPORT BassBool BASS_SampleSetInfo(HSAMPLE handle, const BASS_SAMPLE* info) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    if (info == nullptr) return result(ea::kErrorIllegalParam);
    return result(m->setSampleInfo(handle, *info));
}

EH_AUDIO_EXPORT HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BassBool onlyNew) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    HCHANNEL ch = 0;
    result(m->sampleChannel(handle, onlyNew != 0, ch));
    return ch;
}

EH_AUDIO_EXPORT BassBool BASS_SampleStop(HSAMPLE handle) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->stopSample(handle)) : 0;
}

EH_AUDIO_EXPORT BassBool BASS_SampleFree(HSAMPLE handle) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->freeSample(handle)) : 0;
}

EH_AUDIO_EXPORT HSTREAM BASS_StreamCreateFile(BassBool mem, const void* file, BassDword offset,
                                              BassDword length, BassDword flags) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    if (!mem || file == nullptr) {
        result(ea::kErrorIllegalParam);
        return 0;
    }
    HSTREAM h = 0;
    result(m->createStream(static_cast<const std::uint8_t*>(file) + offset, length, flags, h));
    return h;
}

EH_AUDIO_EXPORT BassBool BASS_StreamFree(HSTREAM handle) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->freeStream(handle)) : 0;
}

EH_AUDIO_EXPORT BassDword BASS_ChannelIsActive(BassDword handle) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return ea::kActiveStopped;
    BassDword state = ea::kActiveStopped;
    result(m->isActive(handle, state));
    return state;
}

EH_AUDIO_EXPORT BassBool BASS_ChannelPlay(BassDword handle, BassBool restart) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->play(handle, restart != 0)) : 0;
}

EH_AUDIO_EXPORT BassBool BASS_ChannelSetFlags(BassDword handle, BassDword flags) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->setFlags(handle, flags)) : 0;
}

EH_AUDIO_EXPORT BassBool BASS_ChannelSetAttributes(BassDword handle, int freq, int volume,
                                                   int pan) {
    Mixer* m = mixerOrError();
    return m != nullptr ? result(m->setAttributes(handle, freq, volume, pan)) : 0;
}

EH_AUDIO_EXPORT HSYNC BASS_ChannelSetSync(BassDword handle, BassDword type, BassQword param,
                                          SYNCPROC proc, void* user) {
    Mixer* m = mixerOrError();
    if (m == nullptr) return 0;
    HSYNC sync = 0;
    result(m->setSync(handle, type, proc, user, sync));
    return sync;
}

// The binding casts resolved symbols to these pointer types; keep both sides in step.
static_assert(std::is_same_v<decltype(&BASS_Init), ea::BASS_InitFn>);
static_assert(std::is_same_v<decltype(&BASS_ErrorGetCode), ea::BASS_ErrorGetCodeFn>);
static_assert(std::is_same_v<decltype(&BASS_Start), ea::BASS_StartFn>);
static_assert(std::is_same_v<decltype(&BASS_Stop), ea::BASS_StopFn>);
static_assert(std::is_same_v<decltype(&BASS_Free), ea::BASS_FreeFn>);
static_assert(std::is_same_v<decltype(&BASS_GetVolume), ea::BASS_GetVolumeFn>);
static_assert(std::is_same_v<decltype(&BASS_SetVolume), ea::BASS_SetVolumeFn>);
static_assert(std::is_same_v<decltype(&BASS_SetConfig), ea::BASS_SetConfigFn>);
static_assert(std::is_same_v<decltype(&BASS_Set3DFactors), ea::BASS_Set3DFactorsFn>);
static_assert(std::is_same_v<decltype(&BASS_Apply3D), ea::BASS_Apply3DFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleLoad), ea::BASS_SampleLoadFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleGetInfo), ea::BASS_SampleGetInfoFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleSetInfo), ea::BASS_SampleSetInfoFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleGetChannel), ea::BASS_SampleGetChannelFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleStop), ea::BASS_SampleStopFn>);
static_assert(std::is_same_v<decltype(&BASS_SampleFree), ea::BASS_SampleFreeFn>);
static_assert(std::is_same_v<decltype(&BASS_StreamCreateFile), ea::BASS_StreamCreateFileFn>);
static_assert(std::is_same_v<decltype(&BASS_StreamFree), ea::BASS_StreamFreeFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelIsActive), ea::BASS_ChannelIsActiveFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelPlay), ea::BASS_ChannelPlayFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelSetFlags), ea::BASS_ChannelSetFlagsFn>);
static_assert(
    std::is_same_v<decltype(&BASS_ChannelSetAttributes), ea::BASS_ChannelSetAttributesFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelSetSync), ea::BASS_ChannelSetSyncFn>);
