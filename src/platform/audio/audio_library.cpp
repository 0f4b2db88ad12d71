// The exported entry points of the audio library (libeh_audio.so on Linux, eh_audio.dll
// on Windows): a thin C layer that owns the output (audio_output.h: the system's, or the
// WAV file tests ask for) and forwards everything else to the Mixer. The output's thread
// is the library's mixing thread, on which end syncs run.
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>

#include "platform/audio/audio_api.h"
#include "platform/audio/audio_mixer.h"
#include "platform/audio/audio_output.h"

#if defined(_WIN32)
#define EH_AUDIO_EXPORT extern "C" __declspec(dllexport)
#else
#define EH_AUDIO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using eh::audio::Mixer;
namespace ea = eh::audio;

// One initialised output per process, as the interface has no context argument.
// `gMixer` is created by BASS_Init and destroyed by BASS_Free, after the output (and so
// the mixing thread) is closed. Callers must not race BASS_Free with other calls. Neither
// has a static destructor: a process that ends without BASS_Free must not join threads
// while the system unloads the library.
std::mutex gInitMutex;
std::atomic<Mixer*> gMixer{nullptr};
ea::Output* gOutput = nullptr;

thread_local int tError = ea::kErrorOk;

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
    auto mixer = std::make_unique<Mixer>(static_cast<int>(freq));
    int error = ea::kErrorOk;
    // The output runs from Init on; BASS_Stop pauses it.
    std::unique_ptr<ea::Output> output =
        ea::openOutput(device, static_cast<int>(freq), *mixer, error);
    if (!output) return result(error);
    gOutput = output.release();
    gMixer = mixer.release();
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Start() {
    std::lock_guard lock(gInitMutex);
    if (gMixer.load() == nullptr) return result(ea::kErrorInit);
    gOutput->pause(false);
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Stop() {
    std::lock_guard lock(gInitMutex);
    if (gMixer.load() == nullptr) return result(ea::kErrorInit);
    gOutput->pause(true);  // returns once the mixing thread is out of the mixer
    return result(ea::kErrorOk);
}

EH_AUDIO_EXPORT BassBool BASS_Free() {
    std::lock_guard lock(gInitMutex);
    Mixer* mixer = gMixer.load();
    if (mixer == nullptr) return result(ea::kErrorInit);
    // The mixing thread cannot wait for itself (a sync callback, or a crash handler run
    // on it): the output stays as it is.
    if (gOutput->onMixingThread()) return result(ea::kErrorUnknown);
    delete gOutput;  // joins the mixing thread
    gOutput = nullptr;
    gMixer = nullptr;
    delete mixer;
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
