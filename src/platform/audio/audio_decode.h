// Ogg Vorbis decoding from memory for the audio library (private header).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <vorbis/vorbisfile.h>

namespace eh::audio {

// Bytes owned by the caller; the decoder reads them in place and never past `size`.
struct MemoryReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

// Sequential decoder over an Ogg Vorbis file held in memory. The bytes must outlive the
// decoder. Output is always two interleaved float channels (a mono source is doubled,
// channels past the second are dropped).
class VorbisDecoder {
  public:
    VorbisDecoder() = default;
    ~VorbisDecoder();
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    // False for anything that is not a playable Vorbis stream (damaged, truncated,
    // empty); the decoder is then unusable.
    bool open(const void* data, std::size_t size);

    // Decodes up to `frames` stereo frames into `out` (2 × frames floats). Returns the
    // frames written; 0 at the end of the stream or on an unrecoverable error. A hole
    // in the data (a damaged page) is skipped, as a player would.
    long read(float* out, long frames);

    // Back to the first frame. False when the stream cannot seek (then it is at its end).
    bool rewind();

    int rate() const { return rate_; }
    int sourceChannels() const { return channels_; }

  private:
    OggVorbis_File file_{};
    MemoryReader reader_;
    bool open_ = false;
    int rate_ = 0;
    int channels_ = 0;
};

// Decodes a whole Vorbis file into interleaved stereo floats. Refuses (returns false)
// damaged data and results longer than `maxFrames`.
bool decodeAll(const void* data, std::size_t size, std::size_t maxFrames,
               std::vector<float>& stereo, int& rate, int& sourceChannels);

}  // namespace eh::audio
