// CPU cost of the scene's frame update (FrameMove: creatures and skinning clocks, timer,
// rays, cloth, particles, camera) and of a whole frame at 800 x 600 on the offscreen
// device, with the program's own media.
//
//   build/dev/tests/bench/scene_bench
#include <benchmark/benchmark.h>

#include <memory>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "platform_d3d8/offscreen_device.h"
#include "scene/scene.h"

namespace {

struct World {
    eh::d3d8test::OffscreenDevice device{800, 600};
    eh::media::VertexBufferPool pool;
    eh::media::RenderKit kit;
    std::unique_ptr<eh::scene::Scene> scene;
    World() {
        if (!device.ok()) return;
        pool.Init(device.get(), nullptr);
        kit.Init(device.d3d(), device.get(), D3DFMT_X8R8G8B8, nullptr);
        scene = std::make_unique<eh::scene::Scene>(pool, kit, nullptr);
        scene->SetSeed(7);
        scene->InitDeviceState(device.get());
        scene->LoadScene(device.get(), D3DFMT_X8R8G8B8, D3DFMT_D24X8);
        scene->BuildFirstHorseSequence();
    }
    ~World() {
        if (scene) scene->ReleaseDeviceObjects();
        kit.ReleaseAll();
        pool.ReleaseAll();
    }
};

World& world() {
    static World w;
    return w;
}

void BM_FrameMove(benchmark::State& state) {
    World& w = world();
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    for (auto _ : state) w.scene->FrameMove(w.device.get(), 1000.0f / 60.0f);
}
BENCHMARK(BM_FrameMove)->Unit(benchmark::kMicrosecond);

void BM_WholeFrame800x600(benchmark::State& state) {
    World& w = world();
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    for (auto _ : state) {
        w.scene->FrameMove(w.device.get(), 1000.0f / 60.0f);
        w.scene->RenderFrame(w.device.get(), {});
    }
}
BENCHMARK(BM_WholeFrame800x600)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
