// Decoding speed of a 512 x 512 JPEG and TGA (the loading screen's and the tree textures'
// size). bytes_per_second counts decoded pixel bytes (512 * 512 * 4 = 1 MiB per image);
// the input_MB/s counter counts the file bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "d3dx/d3dx_image.h"
#include "d3dx/image_writers.h"

namespace {

namespace t = eh::d3dx::test;

// A photograph-like picture: smooth gradients with some texture, so JPEG has real work.
eh::d3dx::Image makePicture() {
    eh::d3dx::Image img(512, 512);
    std::uint32_t seed = 12345;
    for (std::uint32_t y = 0; y < 512; ++y) {
        for (std::uint32_t x = 0; x < 512; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const std::uint32_t noise = seed >> 28;
            const std::uint32_t r = (x / 2 + noise) & 0xFF, g = (y / 2 + noise) & 0xFF;
            const std::uint32_t b = ((x ^ y) / 4 + noise) & 0xFF, a = (x + y) & 0xFF;
            img.at(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return img;
}

void decodeLoop(benchmark::State& state, const t::Bytes& file) {
    for (auto _ : state) {
        eh::d3dx::DecodedImage out;
        std::string error;
        if (!eh::d3dx::decodeImage(file.data(), file.size(), out, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(out.surfaces[0].pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * 512 * 512 * 4);
    state.counters["input_MB/s"] = benchmark::Counter(
        static_cast<double>(file.size()) * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
    state.counters["file_KiB"] = static_cast<double>(file.size()) / 1024.0;
}

void BM_DecodeJpeg512(benchmark::State& state) {
    static const t::Bytes file = t::writeJpeg(makePicture(), false, false, 90);
    decodeLoop(state, file);
}
BENCHMARK(BM_DecodeJpeg512)->Unit(benchmark::kMillisecond);

void BM_DecodeTga512x32(benchmark::State& state) {
    static const t::Bytes file = t::writeTga(makePicture(), {.bits = 32});
    decodeLoop(state, file);
}
BENCHMARK(BM_DecodeTga512x32)->Unit(benchmark::kMillisecond);

void BM_DecodeTga512x32Rle(benchmark::State& state) {
    static const t::Bytes file = t::writeTga(makePicture(), {.bits = 32, .rle = true});
    decodeLoop(state, file);
}
BENCHMARK(BM_DecodeTga512x32Rle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
