// CPU cost of the scene's frame update (FrameMove: creatures and skinning clocks, timer,
// rays, cloth, particles, camera), and the wall time of a whole frame beside an empty one
// (Clear of target and depth, BeginScene, EndScene, Present) on the same offscreen device,
// at 800 x 600 and 1920 x 1080, with the program's own media. Compare a whole frame with
// the empty frame of the same size measured in the same run: their ratio is what the
// fragment work of the scene costs on this machine. The warm-up keeps the first frames'
// program compiling out of the figures.
//
//   build/release/tests/bench/scene_bench --benchmark_filter='Frame(800x600|1920x1080)'
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

#include "scene/scene_world.h"

namespace {

using World = eh::scene::testing::SceneWorld;

World& world() {
    static World w(800, 600, 7);
    return w;
}

World& worldHd() {
    static World w(1920, 1080, 7);
    return w;
}

// CPU time of the whole process, every thread: llvmpipe rasterises on its own threads,
// so this is the work a frame costs, which a busy machine's wall time hides.
double processCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

void reportProcessCpu(benchmark::State& state, double startMs) {
    if (state.iterations() == 0) return;
    state.counters["process_cpu_ms"] =
        (processCpuMs() - startMs) / static_cast<double>(state.iterations());
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

void wholeFrame(benchmark::State& state, World& w) {
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    const double start = processCpuMs();
    for (auto _ : state) {
        w.scene->FrameMove(w.device.get(), 1000.0f / 60.0f);
        w.scene->RenderFrame(w.device.get(), {});
    }
    reportProcessCpu(state, start);
}

// The floor under any frame: what RenderFrame does besides drawing the scene.
void emptyFrame(benchmark::State& state, World& w) {
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    IDirect3DDevice8* device = w.device.get();
    const double start = processCpuMs();
    for (auto _ : state) {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
        device->EndScene();
        if (FAILED(device->Present(nullptr, nullptr, nullptr, nullptr))) {
            state.SkipWithError("Present failed");
            return;
        }
    }
    reportProcessCpu(state, start);
}

void BM_WholeFrame800x600(benchmark::State& state) {
    wholeFrame(state, world());
}
void BM_EmptyFrame800x600(benchmark::State& state) {
    emptyFrame(state, world());
}
void BM_WholeFrame1920x1080(benchmark::State& state) {
    wholeFrame(state, worldHd());
}
void BM_EmptyFrame1920x1080(benchmark::State& state) {
    emptyFrame(state, worldHd());
}
BENCHMARK(BM_EmptyFrame800x600)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);
BENCHMARK(BM_WholeFrame800x600)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);
BENCHMARK(BM_EmptyFrame1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);
BENCHMARK(BM_WholeFrame1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(1.0);

}  // namespace

BENCHMARK_MAIN();
