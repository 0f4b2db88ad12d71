// Ogg Vorbis decoding from memory for the audio library (private header).
//
// Two decoders with one interface: libvorbisfile on Linux (audio_decode_vorbisfile.*) and
// stb_vorbis on Windows (audio_decode_stb.*, from Debian's libstb-dev, which builds with
// MinGW without further libraries). The build defines EH_AUDIO_STB_VORBIS for the second;
// the mixer sees only `VorbisDecoder` and `decodeAll`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(EH_AUDIO_STB_VORBIS)
#include "platform/audio/audio_decode_stb.h"
#else
#include "platform/audio/audio_decode_vorbisfile.h"
#endif

namespace eh::audio {

// Every decoder offers, over an Ogg Vorbis file held in memory (the bytes must outlive
// the decoder), output as two interleaved float channels (a mono source is doubled,
// channels past the second are dropped):
//   bool open(const void* data, std::size_t size);  false for anything that is not a
//       playable Vorbis stream (damaged, truncated, empty); the decoder is then unusable
//   long read(float* out, long frames);  up to `frames` stereo frames into `out`; the
//       frames written, 0 at the end or on an unrecoverable error
//   bool rewind();  back to the first frame; false when it cannot (then it is at its end)
//   int rate() const; int sourceChannels() const;
#if defined(EH_AUDIO_STB_VORBIS)
using VorbisDecoder = StbVorbisDecoder;
#else
using VorbisDecoder = VorbisFileDecoder;
#endif

// Decoded chunks are at most this many frames per call.
inline constexpr int kDecodeChunkFrames = 4096;

// Decodes a whole Vorbis file with `Decoder` into interleaved stereo floats. Refuses
// (returns false) damaged data and results longer than `maxFrames`.
template <typename Decoder>
bool decodeAllWith(const void* data, std::size_t size, std::size_t maxFrames,
                   std::vector<float>& stereo, int& rate, int& sourceChannels) {
    Decoder decoder;
    if (!decoder.open(data, size)) return false;
    stereo.clear();
    std::vector<float> chunk(2 * kDecodeChunkFrames);
    for (;;) {
        long got = decoder.read(chunk.data(), kDecodeChunkFrames);
        if (got <= 0) break;
        if (stereo.size() / 2 + static_cast<std::size_t>(got) > maxFrames) return false;
        stereo.insert(stereo.end(), chunk.begin(), chunk.begin() + 2 * got);
    }
    if (stereo.empty()) return false;
    rate = decoder.rate();
    sourceChannels = decoder.sourceChannels();
    return true;
}

inline bool decodeAll(const void* data, std::size_t size, std::size_t maxFrames,
                      std::vector<float>& stereo, int& rate, int& sourceChannels) {
    return decodeAllWith<VorbisDecoder>(data, size, maxFrames, stereo, rate, sourceChannels);
}

}  // namespace eh::audio
