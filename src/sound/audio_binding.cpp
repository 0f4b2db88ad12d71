#include "sound/audio_binding.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/os/exit_actions.h"
#include "platform/os/library.h"
#include "platform/os/resources.h"
#include "platform/os/temp_file.h"

namespace eh::sound {

const std::array<const char*, kEntryPointCount> kEntryPointNames = {
    "BASS_SetConfig",
    "BASS_GetConfig",
    "BASS_GetVersion",
    "BASS_GetDeviceDescription",
    "BASS_ErrorGetCode",
    "BASS_Init",
    "BASS_SetDevice",
    "BASS_GetDevice",
    "BASS_Free",
    "BASS_GetDSoundObject",
    "BASS_GetInfo",
    "BASS_Update",
    "BASS_GetCPU",
    "BASS_Start",
    "BASS_Stop",
    "BASS_Pause",
    "BASS_SetVolume",
    "BASS_GetVolume",
    "BASS_Set3DFactors",
    "BASS_Get3DFactors",
    "BASS_Set3DPosition",
    "BASS_Get3DPosition",
    "BASS_Apply3D",
    "BASS_SetEAXParameters",
    "BASS_GetEAXParameters",
    "BASS_MusicLoad",
    "BASS_MusicFree",
    "BASS_MusicGetName",
    "BASS_MusicGetLength",
    "BASS_MusicSetAttribute",
    "BASS_MusicGetAttribute",
    "BASS_SampleLoad",
    "BASS_SampleCreate",
    "BASS_SampleCreateDone",
    "BASS_SampleFree",
    "BASS_SampleGetInfo",
    "BASS_SampleSetInfo",
    "BASS_SampleGetChannel",
    "BASS_SampleStop",
    "BASS_StreamCreate",
    "BASS_StreamCreateFile",
    "BASS_StreamCreateURL",
    "BASS_StreamCreateFileUser",
    "BASS_StreamFree",
    "BASS_StreamGetLength",
    "BASS_StreamGetTags",
    "BASS_StreamGetFilePosition",
    "BASS_RecordGetDeviceDescription",
    "BASS_RecordInit",
    "BASS_RecordSetDevice",
    "BASS_RecordGetDevice",
    "BASS_RecordFree",
    "BASS_RecordGetInfo",
    "BASS_RecordGetInputName",
    "BASS_RecordSetInput",
    "BASS_RecordGetInput",
    "BASS_RecordStart",
    "BASS_ChannelBytes2Seconds",
    "BASS_ChannelSeconds2Bytes",
    "BASS_ChannelGetDevice",
    "BASS_ChannelIsActive",
    "BASS_ChannelGetInfo",
    "BASS_ChannelSetFlags",
    "BASS_ChannelPreBuf",
    "BASS_ChannelPlay",
    "BASS_ChannelStop",
    "BASS_ChannelPause",
    "BASS_ChannelSetAttributes",
    "BASS_ChannelGetAttributes",
    "BASS_ChannelSlideAttributes",
    "BASS_ChannelIsSliding",
    "BASS_ChannelSet3DAttributes",
    "BASS_ChannelGet3DAttributes",
    "BASS_ChannelSet3DPosition",
    "BASS_ChannelGet3DPosition",
    "BASS_ChannelSetPosition",
    "BASS_ChannelGetPosition",
    "BASS_ChannelGetLevel",
    "BASS_ChannelGetData",
    "BASS_ChannelSetSync",
    "BASS_ChannelRemoveSync",
    "BASS_ChannelSetDSP",
    "BASS_ChannelRemoveDSP",
    "BASS_ChannelSetFX",
    "BASS_ChannelRemoveFX",
    "BASS_ChannelSetEAXMix",
    "BASS_ChannelGetEAXMix",
    "BASS_ChannelSetLink",
    "BASS_ChannelRemoveLink",
    "BASS_FXSetParameters",
    "BASS_FXGetParameters",
};

namespace {

// The library's file is "bas" and a unique tail: the three-letter prefix that
// GetTempFileNameA takes on Windows.
constexpr std::string_view kTempFilePrefix = "bas";

template <typename Fn>
void resolve(Fn& slot, const std::array<void*, kEntryPointCount>& slots, const char* name) {
    for (std::size_t i = 0; i < kEntryPointCount; ++i) {
        if (std::strcmp(kEntryPointNames[i], name) == 0) {
            slot = reinterpret_cast<Fn>(slots[i]);
            return;
        }
    }
    slot = nullptr;
}

}  // namespace

AudioLibrary::~AudioLibrary() {
    unload();
}

bool AudioLibrary::load(std::span<const std::uint8_t> image) {
    if (loaded() || !os::PlausibleLibraryImage(image)) return false;
    std::string path = os::CreatePrivateTempFile(image, kTempFilePrefix, tempFolder_);
    if (path.empty()) return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        os::DeleteTempFile(path);
        return false;
    }
    module_ = module;
    path_ = std::move(path);
    for (std::size_t i = 0; i < kEntryPointCount; ++i)
        slots_[i] = reinterpret_cast<void*>(GetProcAddress(module_, kEntryPointNames[i]));
    resolve(api_.BASS_Init, slots_, "BASS_Init");
    resolve(api_.BASS_ErrorGetCode, slots_, "BASS_ErrorGetCode");
    resolve(api_.BASS_Start, slots_, "BASS_Start");
    resolve(api_.BASS_Stop, slots_, "BASS_Stop");
    resolve(api_.BASS_Free, slots_, "BASS_Free");
    resolve(api_.BASS_GetVolume, slots_, "BASS_GetVolume");
    resolve(api_.BASS_SetVolume, slots_, "BASS_SetVolume");
    resolve(api_.BASS_SetConfig, slots_, "BASS_SetConfig");
    resolve(api_.BASS_Set3DFactors, slots_, "BASS_Set3DFactors");
    resolve(api_.BASS_Apply3D, slots_, "BASS_Apply3D");
    resolve(api_.BASS_SampleLoad, slots_, "BASS_SampleLoad");
    resolve(api_.BASS_SampleGetInfo, slots_, "BASS_SampleGetInfo");
    resolve(api_.BASS_SampleSetInfo, slots_, "BASS_SampleSetInfo");
    resolve(api_.BASS_SampleGetChannel, slots_, "BASS_SampleGetChannel");
    resolve(api_.BASS_SampleStop, slots_, "BASS_SampleStop");
    resolve(api_.BASS_SampleFree, slots_, "BASS_SampleFree");
    resolve(api_.BASS_StreamCreateFile, slots_, "BASS_StreamCreateFile");
    resolve(api_.BASS_StreamFree, slots_, "BASS_StreamFree");
    resolve(api_.BASS_ChannelIsActive, slots_, "BASS_ChannelIsActive");
    resolve(api_.BASS_ChannelPlay, slots_, "BASS_ChannelPlay");
    resolve(api_.BASS_ChannelSetFlags, slots_, "BASS_ChannelSetFlags");
    resolve(api_.BASS_ChannelSetAttributes, slots_, "BASS_ChannelSetAttributes");
    resolve(api_.BASS_ChannelSetSync, slots_, "BASS_ChannelSetSync");
    return true;
}

bool AudioLibrary::loadFromResource() {
    os::ResourceData res = os::FindResourceData(kAudioLibraryResourceType, kAudioLibraryResourceId);
    if (!res || res.size == 0) return false;
    return load({res.data, res.size});
}

bool AudioLibrary::unload() {
    if (!loaded()) return false;
    FreeLibrary(module_);
    module_ = nullptr;
    api_ = AudioApi{};
    slots_.fill(nullptr);
    bool deleted = os::DeleteTempFile(path_);
    path_.clear();
    return deleted;
}

bool AudioLibrary::complete() const {
    const AudioApi& a = api_;
    return a.BASS_Init && a.BASS_ErrorGetCode && a.BASS_Start && a.BASS_Stop && a.BASS_Free &&
           a.BASS_GetVolume && a.BASS_SetVolume && a.BASS_SetConfig && a.BASS_Set3DFactors &&
           a.BASS_Apply3D && a.BASS_SampleLoad && a.BASS_SampleGetInfo && a.BASS_SampleSetInfo &&
           a.BASS_SampleGetChannel && a.BASS_SampleStop && a.BASS_SampleFree &&
           a.BASS_StreamCreateFile && a.BASS_StreamFree && a.BASS_ChannelIsActive &&
           a.BASS_ChannelPlay && a.BASS_ChannelSetFlags && a.BASS_ChannelSetAttributes &&
           a.BASS_ChannelSetSync;
}

void* AudioLibrary::entryPoint(std::size_t index) const {
    return index < kEntryPointCount ? slots_[index] : nullptr;
}

namespace {

// An exit action (platform/os exit_actions.h): at exit, on an unhandled exception and on
// std::terminate (the last two on Windows) the library's output is freed and its file
// deleted, unless the program's own sound shutdown already did.
void unloadAtExit() {
    AudioLibrary& lib = ProgramAudioLibrary();
    if (!lib.loaded()) return;
    // The output thread must be gone before the code it runs is unmapped. When this runs
    // on that very thread (a crash in the mixer), the library refuses to wait for itself;
    // its code must then stay mapped, and the file stays behind.
    const AudioApi& api = lib.api();
    if (api.BASS_Free != nullptr && !api.BASS_Free() && api.BASS_ErrorGetCode != nullptr &&
        api.BASS_ErrorGetCode() != audio::kErrorInit)
        return;
    lib.unload();
}

}  // namespace

AudioLibrary& ProgramAudioLibrary() {
    // Never destroyed: the exit action below may run after static destructors.
    static AudioLibrary* instance = [] {
        auto* lib = new AudioLibrary;
        os::AddExitAction(&unloadAtExit);
        return lib;
    }();
    return *instance;
}

void LoadAudioLibrary() {
    ProgramAudioLibrary().loadFromResource();
}

int UnloadAudioLibrary() {
    return ProgramAudioLibrary().unload() ? 1 : 0;
}

}  // namespace eh::sound
