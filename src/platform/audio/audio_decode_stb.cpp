#include "platform/audio/audio_decode_stb.h"

#include <algorithm>
#include <climits>

// Debian ships stb_vorbis.c as this header: without STB_VORBIS_HEADER_ONLY it carries the
// implementation, compiled here once. Memory input only, no stdio. Its folder is a system
// include folder, so the library's own warnings are not reported as ours.
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

namespace eh::audio {

StbVorbisDecoder::~StbVorbisDecoder() {
    if (file_ != nullptr) stb_vorbis_close(file_);
}

bool StbVorbisDecoder::open(const void* data, std::size_t size) {
    if (file_ != nullptr || data == nullptr || size == 0 || size > INT_MAX) return false;
    int error = 0;
    // stb_vorbis reads the memory in place and checks every read against its end.
    file_ = stb_vorbis_open_memory(static_cast<const unsigned char*>(data), static_cast<int>(size),
                                   &error, nullptr);
    if (file_ == nullptr) return false;
    const stb_vorbis_info info = stb_vorbis_get_info(file_);
    if (info.channels < 1 || info.sample_rate < 1000 || info.sample_rate > 200000) {
        stb_vorbis_close(file_);
        file_ = nullptr;
        return false;
    }
    rate_ = static_cast<int>(info.sample_rate);
    channels_ = info.channels;
    return true;
}

long StbVorbisDecoder::read(float* out, long frames) {
    if (file_ == nullptr) return 0;
    constexpr int kChunk = 1024;
    float left[kChunk];
    float right[kChunk];
    float* planes[2] = {left, right};
    const int wanted = std::min(channels_, 2);
    long done = 0;
    while (done < frames) {
        const int want = static_cast<int>(std::min<long>(frames - done, kChunk));
        // Planar output of the first one or two channels; a mono source is doubled below.
        const int got = stb_vorbis_get_samples_float(file_, wanted, planes, want);
        if (got <= 0) break;
        for (int i = 0; i < got; ++i) {
            out[2 * (done + i)] = left[i];
            out[2 * (done + i) + 1] = wanted > 1 ? right[i] : left[i];
        }
        done += got;
    }
    return done;
}

bool StbVorbisDecoder::rewind() {
    if (file_ == nullptr) return false;
    return stb_vorbis_seek_start(file_) != 0;
}

}  // namespace eh::audio
