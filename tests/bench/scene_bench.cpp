// CPU cost of the scene's frame update (FrameMove: creatures and skinning clocks, timer,
// rays, cloth, particles, camera) and of a whole frame on the offscreen device, with the
// program's own media, against an empty frame of the same size (the floor: what our
// Direct3D 8 layer costs for a frame that draws nothing).
//
//   build/release/tests/bench/scene_bench
//
//   BM_FrameMove                 one step at 60 steps a second, wherever the run stands
//   BM_FrameMovePlaylist         every step of one whole playlist (every camera track of a
//                                cycle, the vision included); "step" is CPU time per step
//   BM_FrameMoveAfter/<seconds>  steps at 60 a second after the scene has run that many
//                                simulated seconds (EMBERHOLD_BENCH_AFTER="60,604800":
//                                a minute and a week; a week takes minutes to reach)
//   BM_WholeFrame<size>          FrameMove and RenderFrame (with Present)
//   BM_EmptyFrame<size>          Clear of target and depth, BeginScene, EndScene, Present
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "scene/scene_world.h"

namespace {

using World = eh::scene::testing::SceneWorld;

constexpr float kStepMs = 1000.0f / 60.0f;

// One world at a time (one offscreen window and device): a benchmark of another size, or
// one that needs a fresh run, replaces it.
std::unique_ptr<World>& current() {
    static std::unique_ptr<World> w;
    return w;
}

World& freshWorld(UINT width, UINT height) {
    current().reset();
    current() = std::make_unique<World>(width, height, 7);
    return *current();
}

World& world(UINT width, UINT height) {
    std::unique_ptr<World>& w = current();
    if (!w || w->device.width() != width || w->device.height() != height)
        return freshWorld(width, height);
    return *w;
}

World& world() { return world(800, 600); }

// CPU time of this thread, in seconds.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the scene from the start of the next playlist to the start of the one after, one
// step at a time; returns the steps taken.
std::int64_t runPlaylist(World& w) {
    std::int64_t steps = 0;
    int lastPosition = w.scene->Playlist().position;
    for (;;) {
        w.scene->FrameMove(w.device.get(), kStepMs);
        ++steps;
        const int position = w.scene->Playlist().position;
        if (position == 0 && lastPosition != 0) return steps;
        lastPosition = position;
    }
}

void BM_FrameMove(benchmark::State& state) {
    World& w = world();
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    for (auto _ : state) w.scene->FrameMove(w.device.get(), kStepMs);
}
BENCHMARK(BM_FrameMove)->Unit(benchmark::kMicrosecond);

// One iteration runs from the start of a playlist to the start of the next, so the average
// covers every track of a cycle (the crows' flight, the vision's particles and rays, every
// cut and its capture) rather than one moment.
void BM_FrameMovePlaylist(benchmark::State& state) {
    World& w = world();
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    // Up to the next playlist's start, so every iteration is one whole cycle.
    int guard = 0;
    while (w.scene->Playlist().position != 0 || guard == 0) {
        w.scene->FrameMove(w.device.get(), kStepMs);
        if (++guard > 10'000'000) break;
    }
    std::int64_t steps = 0;
    for (auto _ : state) steps += runPlaylist(w);
    state.counters["steps"] = benchmark::Counter(static_cast<double>(steps),
                                                 benchmark::Counter::kAvgIterations);
    state.counters["step"] = benchmark::Counter(static_cast<double>(steps),
                                                benchmark::Counter::kIsRate |
                                                    benchmark::Counter::kInvert);
}
BENCHMARK(BM_FrameMovePlaylist)->Unit(benchmark::kMillisecond)->MinTime(0.1);

// The per-step cost after a long run: the scene is run ahead (without a device, as
// --start-ms does) to the given simulated time, then the steps of a whole playlist from
// the next playlist's start are timed (a window of a few seconds would depend on which
// moment it caught). The same cost after a week as after a minute means nothing grows
// with the run.
void BM_FrameMoveAfter(benchmark::State& state) {
    World& w = freshWorld(800, 600);
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    const std::int64_t ahead = state.range(0) * 60;
    const double t0 = threadSeconds();
    for (std::int64_t i = 0; i < ahead; ++i) w.scene->FrameMove(nullptr, kStepMs);
    const double aheadSeconds = threadSeconds() - t0;
    runPlaylist(w);  // to the start of the next playlist
    std::int64_t steps = 0;
    for (auto _ : state) steps += runPlaylist(w);
    state.counters["step"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // The run ahead's own average: every step from 0 to the measured moment.
    state.counters["ahead_step"] =
        ahead > 0 ? aheadSeconds / static_cast<double>(ahead) : 0.0;
}
// The simulated seconds to run ahead: EMBERHOLD_BENCH_AFTER="60,604800" (a comma list;
// default a minute). Long runs ahead are measured once: their set-up is the run itself.
const bool kAfterRegistered = [] {
    const char* list = std::getenv("EMBERHOLD_BENCH_AFTER");
    std::string text = list != nullptr && list[0] != '\0' ? list : "60";
    auto* b = benchmark::RegisterBenchmark("BM_FrameMoveAfter", BM_FrameMoveAfter)
                  ->Unit(benchmark::kMillisecond)
                  ->Iterations(1);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const long long seconds = std::atoll(text.substr(at, end - at).c_str());
        if (seconds > 0) b->Arg(seconds);
        at = end + 1;
    }
    return true;
}();

void wholeFrame(benchmark::State& state, UINT width, UINT height) {
    World& w = world(width, height);
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    // The first frames fill buffers and build programs once: not part of a frame's cost.
    for (int i = 0; i < 3; ++i) {
        w.scene->FrameMove(w.device.get(), kStepMs);
        w.scene->RenderFrame(w.device.get(), {});
    }
    for (auto _ : state) {
        w.scene->FrameMove(w.device.get(), kStepMs);
        w.scene->RenderFrame(w.device.get(), {});
    }
}

void emptyFrame(benchmark::State& state, UINT width, UINT height) {
    World& w = world(width, height);
    if (!w.scene) {
        state.SkipWithError("no offscreen device");
        return;
    }
    IDirect3DDevice8* d = w.device.get();
    auto frame = [d] {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d->BeginScene();
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    };
    for (int i = 0; i < 3; ++i) frame();
    for (auto _ : state) frame();
}

void BM_WholeFrame800x600(benchmark::State& state) { wholeFrame(state, 800, 600); }
void BM_EmptyFrame800x600(benchmark::State& state) { emptyFrame(state, 800, 600); }
void BM_WholeFrame1920x1080(benchmark::State& state) { wholeFrame(state, 1920, 1080); }
void BM_EmptyFrame1920x1080(benchmark::State& state) { emptyFrame(state, 1920, 1080); }
BENCHMARK(BM_WholeFrame800x600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EmptyFrame800x600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeFrame1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EmptyFrame1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
