// Ogg Vorbis from memory through libvorbisfile: the Linux library's decoder (private
// header; the interface is described in audio_decode.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include <vorbis/vorbisfile.h>

namespace eh::audio {

// Bytes owned by the caller; the decoder reads them in place and never past `size`.
struct MemoryReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

class VorbisFileDecoder {
  public:
    VorbisFileDecoder() = default;
    ~VorbisFileDecoder();
    VorbisFileDecoder(const VorbisFileDecoder&) = delete;
    VorbisFileDecoder& operator=(const VorbisFileDecoder&) = delete;

    bool open(const void* data, std::size_t size);
    // A hole in the data (a damaged page) is skipped, as a player would.
    long read(float* out, long frames);
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

}  // namespace eh::audio
