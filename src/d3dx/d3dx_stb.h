// Private to src/d3dx (and its tests): the JPEG and PNG decoders over stb_image.
//
// On Windows these are decodeJpeg and decodePng (there is no libjpeg or libpng for
// MinGW-w64 in Debian). On Linux the library does not use them; the tests compile them in
// to check that both decoders give the same pixels for the same files. Same contract as
// the decoders of d3dx_image.h: the whole file in memory, false with a reason on failure,
// no read outside [data, data + size).
#pragma once

#include "d3dx/d3dx_image.h"

namespace eh::d3dx {

bool decodeJpegStb(const std::uint8_t* data, std::size_t size, DecodedImage& out,
                   std::string& error);
bool decodePngStb(const std::uint8_t* data, std::size_t size, DecodedImage& out,
                  std::string& error);

}  // namespace eh::d3dx
