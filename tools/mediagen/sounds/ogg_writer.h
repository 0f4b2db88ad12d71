// Ogg Vorbis encoding of synthesised sound with libvorbisenc. The same input always
// gives the same bytes: the stream serial number is fixed and the encoder has no other
// source of variation.
#pragma once

#include <cstdint>
#include <vector>

namespace eh::mediagen {

// `pcm` holds interleaved frames of `channels` floats in -1..1 (values beyond are
// clipped) at `rate` Hz. `quality` is libvorbisenc's VBR quality, -0.1..1.0. Returns
// false on encoder failure or empty input.
bool EncodeOggVorbis(const std::vector<float>& pcm, int channels, int rate, float quality,
                     std::vector<std::uint8_t>& out);

}  // namespace eh::mediagen
