// CPU cost of the scene's frame update (FrameMove: creatures and skinning clocks, timer,
// rays, cloth, particles, camera) and of a whole frame at 800 x 600 on the offscreen
// device, with the program's own media.
//
//   build/dev/tests/bench/scene_bench
#include <benchmark/benchmark.h>

#include <memory>

#include "scene/scene_world.h"

namespace {

using World = eh::scene::testing::SceneWorld;

World& world() {
    static World w(800, 600, 7);
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
