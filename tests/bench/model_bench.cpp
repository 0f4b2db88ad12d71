// Skinning and terrain-building costs.
//
//   UpdateSkin: MeshModel::UpdateSkin on one object of 5000 vertices with four influences
//   each (and one four-influence normal), 20 bones, a clip with rotating keys; the vertex
//   buffer lives in an in-memory device, so the figure is the CPU work alone.
//   BuildTerrainBuffers: the splatting lists of a 40 x 40 grid, with one layer everywhere
//   (the shipped terrain) and with a three-layer patchwork; and the whole LoadTerrain.
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/mesh_model.h"
#include "model/samples.h"
#include "model/terrain.h"
#include "model/terrain_build.h"
#include "support/fake_device.h"

namespace {

using namespace eh::model;

constexpr int kBones = 20;

std::vector<std::uint8_t> SkinnedMesh(int columns, int rows) {
    emd::File f;
    for (int b = 0; b < kBones; ++b) f.bones.push_back(emd::Bone{"b" + std::to_string(b), b - 1});
    emd::MeshObject o;
    o.name = "Body";
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            emd::SkinVertex v;
            v.position = Vector3{static_cast<float>(c), static_cast<float>(r), 0.5f};
            for (int k = 0; k < 4; ++k) {
                v.influences.push_back({(c + r + k) % kBones, 0.25f, v.position});
            }
            v.normals.push_back(emd::SkinNormal{Vector3{0, 0, 1}, v.influences});
            v.channels.push_back({emd::TexturePair{c / 100.0f, r / 50.0f}});
            o.vertices.push_back(v);
        }
    }
    emd::FaceGroup g;
    g.material = -1;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const int a = r * columns + c;
            g.positions.push_back({a, a + 1, a + columns});
            g.positions.push_back({a + 1, a + columns + 1, a + columns});
        }
    }
    g.normals.assign(g.positions.size(), emd::Triple{0, 0, 0});
    g.textures.push_back(g.normals);
    o.groups.push_back(g);
    f.objects.push_back(o);
    std::vector<std::uint8_t> bytes;
    emd::Write(f, &bytes);
    return bytes;
}

std::vector<std::uint8_t> RotatingClip() {
    esa::Clip clip = samples::SampleClip(kBones, 1000, 100);
    for (auto& track : clip.tracks) {
        for (std::size_t k = 0; k < track.rotations.size(); ++k) {
            const float half = 0.05f * static_cast<float>(k);
            track.rotations[k] =
                esa::RotationKey{track.rotations[k].time, std::sin(half), 0, 0, std::cos(half)};
        }
    }
    return esa::Write(clip);
}

void BM_UpdateSkin(benchmark::State& state) {
    eh::testing::FakeDevice device;
    eh::media::VertexBufferPool pool;
    eh::media::RenderKit kit;
    pool.Init(&device, nullptr);
    MeshModel model(pool, kit);
    const std::vector<std::uint8_t> mesh = SkinnedMesh(100, 50);
    const std::vector<std::uint8_t> clip = RotatingClip();
    if (FAILED(model.LoadMesh("bench", mesh.data(), mesh.size())) ||
        FAILED(model.LoadClip("bench", clip.data(), clip.size()))) {
        state.SkipWithError("load failed");
        return;
    }
    float t = 0.0f;
    for (auto _ : state) {
        t += 16.0f;
        model.SetClipTime(t);
        model.UpdateSkin();
    }
    state.SetItemsProcessed(state.iterations() * 5000);
    state.counters["vertices"] = 5000;
}
BENCHMARK(BM_UpdateSkin)->Unit(benchmark::kMicrosecond);

std::vector<GridPoint> Grid40(bool patchwork) {
    std::vector<GridPoint> points;
    for (int r = 0; r < 40; ++r) {
        for (int c = 0; c < 40; ++c) {
            const int layer = patchwork ? 1 + ((c / 3 + r / 4) % 3) : 1;
            const float x = -600.0f + 1200.0f * c / 39.0f, z = 600.0f - 1200.0f * r / 39.0f;
            points.push_back(GridPoint{
                layer, Vector3{x, 20.0f * std::sin(x * 0.01f) * std::cos(z * 0.01f), z}, 255});
        }
    }
    return points;
}

void BM_BuildTerrainBuffers(benchmark::State& state) {
    const bool patchwork = state.range(0) != 0;
    const std::vector<GridPoint> points = Grid40(patchwork);
    const GridView view{points.data(), 40, 40};
    for (auto _ : state) {
        auto lists = BuildTerrainTriangles(view, patchwork ? 4 : 2, false, 3);
        benchmark::DoNotOptimize(lists.data());
    }
    state.SetLabel(patchwork ? "three layers" : "one layer");
}
BENCHMARK(BM_BuildTerrainBuffers)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LoadTerrain40x40(benchmark::State& state) {
    auto file =
        samples::SampleTerrain(40, 40, 1200.0f, 1200.0f, {"Ground.jpg"}, 1,
                               [](int c, int r) { return static_cast<float>((c * r) % 7); });
    std::vector<std::uint8_t> bytes;
    terrain::Write(file, &bytes);
    eh::testing::FakeDevice device;
    eh::media::RenderKit kit;
    for (auto _ : state) {
        Terrain land(kit);
        land.LoadTerrain(&device, "bench", bytes.data(), bytes.size());
        state.PauseTiming();
        land.ReleaseBuffers();
        device.vertexBuffers.clear();
        device.log.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadTerrain40x40)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
