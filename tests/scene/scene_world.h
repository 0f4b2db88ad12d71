// The assembled scene on an offscreen device with the program's embedded media, loaded
// with a fixed seed: what the scene tests and the scene benchmark both run on. Link the
// embedded resources (archive 453) into the binary that uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "tests/platform/d3d8/offscreen_device.h"
#include "scene/scene.h"

namespace eh::scene::testing {

struct SceneWorld {
    d3d8test::OffscreenDevice device;
    media::VertexBufferPool pool;
    media::RenderKit kit;
    std::unique_ptr<Scene> scene;  // null when no device could be made

    // With `readAhead` the media are read and decoded on a second thread from before the
    // device state is set, as the program does.
    SceneWorld(UINT width, UINT height, std::uint32_t seed, bool readAhead = false)
        : device(width, height) {
        if (!device.ok()) return;
        pool.Init(device.get(), nullptr);
        kit.Init(device.d3d(), device.get(), D3DFMT_X8R8G8B8, nullptr);
        scene = std::make_unique<Scene>(pool, kit, nullptr);
        if (readAhead) scene->PrefetchMedia();
        scene->SetSeed(seed);
        scene->InitDeviceState(device.get());
        scene->LoadScene(device.get(), D3DFMT_X8R8G8B8, D3DFMT_D24X8);
        scene->BuildFirstHorseSequence();
    }
    ~SceneWorld() {
        if (scene) scene->ReleaseDeviceObjects();
        kit.ReleaseAll();
        pool.ReleaseAll();
    }
    SceneWorld(const SceneWorld&) = delete;
    SceneWorld& operator=(const SceneWorld&) = delete;

    // Draws a frame (no overlay) and reads it back, 0xAARRGGBB with row 0 at the top.
    std::vector<std::uint32_t> frame() {
        scene->RenderFrame(device.get(), {});
        return device.readFront();
    }
};

}  // namespace eh::scene::testing
