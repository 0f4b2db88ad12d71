#include "shell/media_check.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "graphics/overlay.h"
#include "media/archive.h"
#include "media/memory_file.h"
#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/mesh_model.h"
#include "platform/d3d8/d3d8.h"
#include "platform/os/message_box.h"
#include "platform/os/resources.h"
#include "platform/os/window.h"
#include "scene/scene.h"

namespace eh::shell {
namespace {

// Every entry of every embedded archive extracts to its stated size with a good CRC.
int checkArchives(int* entries) {
    int failed = 0, archives = 0;
    for (const os::ResourceEntry& e : os::ResourceTable()) {
        if (e.type == nullptr || !os::SameResourceType(e.type, "MediaData")) continue;
        ++archives;
        media::MemoryFile file;
        media::OpenMediaResource(file, e.id);
        media::ArchiveReader reader;
        std::vector<media::EntryInfo> list;
        if (!reader.List(&file, list)) {
            std::printf("FAIL  %d  (not a readable archive)\n", e.id);
            ++failed;
        }
        for (const media::EntryInfo& info : list) {
            if (info.directory()) continue;
            ++*entries;
            std::uint8_t* data = nullptr;
            DWORD size = 0;
            int found = reader.Extract(&data, &size, info.name.c_str(), &file, nullptr);
            bool ok = found == 1 && size == info.unpSize;
            std::printf("%s  %d  %-40s %8u bytes  crc %08x\n", ok ? "ok  " : "FAIL", e.id,
                        info.name.c_str(), static_cast<unsigned>(info.unpSize),
                        static_cast<unsigned>(info.fileCrc));
            if (!ok) ++failed;
            std::free(data);
        }
    }
    return archives == 0 ? -1 : failed;
}

// How many of `names` archive `id` lacks, each printed.
int countMissing(int id, const std::vector<std::string>& names) {
    media::MemoryFile file;
    media::OpenMediaResource(file, id);
    int missing = 0;
    for (const std::string& name : names) {
        media::ArchiveReader reader;
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        if (reader.Extract(&data, &size, name.c_str(), &file, nullptr) != 1) {
            std::printf("MISSING  %d  %s\n", id, name.c_str());
            ++missing;
        }
        std::free(data);
    }
    return missing;
}

}  // namespace

std::vector<std::string> RecordSceneRequests() {
    std::vector<std::string> requested;
    HWND window = os::CreateOffscreenWindow(64, 64);
    if (window == nullptr) return requested;
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    // A hidden window of its own: a full-screen device would take the display.
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (d3d != nullptr && SUCCEEDED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                                       &device))) {
        // A missing entry is reported by the check, not by a box per texture.
        os::ScopedMessageBoxHandler quiet{[](const os::MessageBoxCall&) { return IDOK; }};
        media::VertexBufferPool pool;
        media::RenderKit kit;
        pool.Init(device, nullptr);
        kit.Init(d3d, device, D3DFMT_X8R8G8B8, nullptr);
        {
            scene::Scene scene(pool, kit, nullptr);
            model::EntryReader archive = model::MediaArchiveEntries(scene::Scene::kArchivePassword);
            scene.SetEntryReader([&](const std::string& name, std::vector<std::uint8_t>* bytes) {
                requested.emplace_back(name);
                return archive(name, bytes);
            });
            scene.SetSeed(1);
            scene.InitDeviceState(device);
            scene.LoadScene(device, D3DFMT_X8R8G8B8, D3DFMT_D16);
            scene.ReleaseDeviceObjects();
        }
        kit.ReleaseAll();
        pool.ReleaseAll();
        device->Release();
    }
    if (d3d != nullptr) d3d->Release();
    os::DestroyOffscreenWindow(window);
    return requested;
}

int VerifyMedia() {
    int entries = 0;
    const int failed = checkArchives(&entries);
    const std::vector<std::string> digits = graphics::Overlay::DigitEntryNames();
    const std::vector<std::string> scene = RecordSceneRequests();
    if (scene.empty()) std::printf("FAIL  453  (no device to load the scene with)\n");
    const int missing = countMissing(media::kClockDigitsArchive, digits) +
                        countMissing(media::kMediaArchive, scene);
    std::printf("%d entries, %d failed; %zu requested names, %d missing\n", entries,
                failed < 0 ? 0 : failed, digits.size() + scene.size(), missing);
    return failed == 0 && missing == 0 && !scene.empty() ? 0 : 1;
}

}  // namespace eh::shell
