// Ogg Vorbis from memory through stb_vorbis (Debian's libstb-dev): the Windows library's
// decoder, also built on Linux for the test that compares it with libvorbisfile (private
// header; the interface is described in audio_decode.h).
#pragma once

#include <cstddef>

struct stb_vorbis;

namespace eh::audio {

class StbVorbisDecoder {
  public:
    StbVorbisDecoder() = default;
    ~StbVorbisDecoder();
    StbVorbisDecoder(const StbVorbisDecoder&) = delete;
    StbVorbisDecoder& operator=(const StbVorbisDecoder&) = delete;

    bool open(const void* data, std::size_t size);
    long read(float* out, long frames);
    bool rewind();

    int rate() const { return rate_; }
    int sourceChannels() const { return channels_; }

  private:
    stb_vorbis* file_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
};

}  // namespace eh::audio
