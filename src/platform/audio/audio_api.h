// The programming interface of our audio library (libeh_audio.so).
//
// The sound system never links the library: it is embedded as a resource, written to a
// private temporary file, loaded at run time and reached through the entry points below,
// resolved by name. The names, numeric arguments, flags, option numbers and error codes
// are those of the classic "BASS" 2.1 interface, so the sound system's calls read the
// same on any platform; only the subset the sound system calls is implemented.
//
// Behaviour the sound system relies on:
// - Ogg Vorbis streams and samples decoded from memory (the caller keeps the bytes alive
//   for a stream's whole life; a sample is decoded completely at load).
// - Channels: a stream is its own channel; a sample hands out up to `max` channels.
// - Volumes are linear gains 0..100: per channel, per sample default, one global gain for
//   all streams (option 5) and one for all samples (option 4), and the output volume,
//   which is the library's own master gain. The system mixer is never touched.
// - Looping by channel flag 4; an end-of-stream sync (type 2) whose callback runs on the
//   library's mixing thread, at the moment the end is mixed, so a stream started from
//   the callback follows without a gap.
// - 3D: accepted and ignored (every sound is mixed in 2D).
//
// Thread rules: every function may be called from any thread, including from inside a
// sync callback, except `BASS_Free` and `BASS_Stop`, which wait for the mixing thread
// and so must not be called from a callback.
#pragma once

#include <cstdint>

extern "C" {

using BassDword = std::uint32_t;
using BassQword = std::uint64_t;
using BassBool = int;
using HSAMPLE = BassDword;
using HSTREAM = BassDword;
using HCHANNEL = BassDword;
using HSYNC = BassDword;

// Sync callback: sync handle, channel, data (0 for an end sync), the user value given to
// BASS_ChannelSetSync. Runs on the mixing thread; must return quickly.
using SYNCPROC = void (*)(HSYNC handle, BassDword channel, BassDword data, void* user);

// Per-sample defaults, read and written with BASS_SampleGetInfo / BASS_SampleSetInfo.
struct BASS_SAMPLE {
    BassDword freq;    // default playback rate, Hz (100..100000)
    BassDword volume;  // default volume 0..100
    int pan;           // default pan -100 (left) .. 100 (right)
    BassDword flags;   // BASS_SAMPLE_LOOP and friends
    BassDword length;  // length in bytes of 16-bit PCM (read only)
    BassDword max;     // simultaneous playbacks (read only)
    BassDword chans;   // channel count of the source (read only)
};

}  // extern "C"

namespace eh::audio {

// Init flags and devices.
constexpr BassDword kDevice3D = 4;  // BASS_DEVICE_3D, accepted and ignored
constexpr int kDeviceDefault = -1;  // -1 and 1 both open the default output

// Sample and channel flags.
constexpr BassDword kSampleLoop = 4;  // BASS_SAMPLE_LOOP

// BASS_SetConfig options; values 0..100.
constexpr BassDword kConfigGlobalSampleVolume = 4;
constexpr BassDword kConfigGlobalStreamVolume = 5;

// BASS_ChannelSetSync types.
constexpr BassDword kSyncEnd = 2;

// BASS_ChannelIsActive results.
constexpr BassDword kActiveStopped = 0;
constexpr BassDword kActivePlaying = 1;
constexpr BassDword kActivePaused = 3;

// BASS_ErrorGetCode results.
constexpr int kErrorOk = 0;
constexpr int kErrorMem = 1;
constexpr int kErrorDriver = 3;
constexpr int kErrorHandle = 5;
constexpr int kErrorFormat = 6;
constexpr int kErrorInit = 8;
constexpr int kErrorAlready = 14;
constexpr int kErrorNoChannel = 18;
constexpr int kErrorIllegalType = 19;
constexpr int kErrorIllegalParam = 20;
constexpr int kErrorNo3D = 21;
constexpr int kErrorDevice = 23;
constexpr int kErrorFileForm = 41;
constexpr int kErrorUnknown = -1;

// The entry points the sound system calls, as pointer types for the run-time binding.
using BASS_InitFn = BassBool (*)(int device, BassDword freq, BassDword flags, void* win,
                                 const void* clsid);
using BASS_ErrorGetCodeFn = int (*)();
using BASS_StartFn = BassBool (*)();
using BASS_StopFn = BassBool (*)();
using BASS_FreeFn = BassBool (*)();
using BASS_GetVolumeFn = int (*)();
using BASS_SetVolumeFn = BassBool (*)(BassDword volume);
using BASS_SetConfigFn = BassDword (*)(BassDword option, BassDword value);
using BASS_Set3DFactorsFn = BassBool (*)(float distf, float rollf, float doppf);
using BASS_Apply3DFn = void (*)();
using BASS_SampleLoadFn = HSAMPLE (*)(BassBool mem, const void* file, BassDword offset,
                                      BassDword length, BassDword max, BassDword flags);
using BASS_SampleGetInfoFn = BassBool (*)(HSAMPLE handle, BASS_SAMPLE* info);
using BASS_SampleSetInfoFn = BassBool (*)(HSAMPLE handle, const BASS_SAMPLE* info);
using BASS_SampleGetChannelFn = HCHANNEL (*)(HSAMPLE handle, BassBool onlyNew);
using BASS_SampleStopFn = BassBool (*)(HSAMPLE handle);
using BASS_SampleFreeFn = BassBool (*)(HSAMPLE handle);
using BASS_StreamCreateFileFn = HSTREAM (*)(BassBool mem, const void* file, BassDword offset,
                                            BassDword length, BassDword flags);
using BASS_StreamFreeFn = BassBool (*)(HSTREAM handle);
using BASS_ChannelIsActiveFn = BassDword (*)(BassDword handle);
using BASS_ChannelPlayFn = BassBool (*)(BassDword handle, BassBool restart);
using BASS_ChannelSetFlagsFn = BassBool (*)(BassDword handle, BassDword flags);
using BASS_ChannelSetAttributesFn = BassBool (*)(BassDword handle, int freq, int volume, int pan);
using BASS_ChannelSetSyncFn = HSYNC (*)(BassDword handle, BassDword type, BassQword param,
                                        SYNCPROC proc, void* user);

}  // namespace eh::audio
