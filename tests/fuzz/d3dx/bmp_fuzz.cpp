// Fuzz target: the BMP decoder on arbitrary bytes; it must fail cleanly or decode.
#include <cstddef>
#include <cstdint>
#include <string>

#include "d3dx/d3dx_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    eh::d3dx::DecodedImage image;
    std::string error;
    if (eh::d3dx::decodeBmp(data, size, image, error)) {
        // A success must describe itself consistently.
        for (const eh::d3dx::Image& s : image.surfaces)
            if (s.pixels.size() != std::size_t{s.width} * s.height) __builtin_trap();
        if (image.surfaces.size() != std::size_t{image.faces()} * image.levels) __builtin_trap();
    }
    return 0;
}
