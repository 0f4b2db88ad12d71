#include "platform/audio/audio_decode_vorbisfile.h"

#include <algorithm>
#include <cstring>

namespace eh::audio {
namespace {

// vorbisfile's I/O callbacks over a MemoryReader: every read is clamped to the buffer.
std::size_t memRead(void* ptr, std::size_t size, std::size_t count, void* source) {
    auto* r = static_cast<MemoryReader*>(source);
    if (size == 0 || count == 0 || r->pos >= r->size) return 0;
    std::size_t want = count;
    std::size_t left = (r->size - r->pos) / size;
    if (want > left) want = left;
    std::memcpy(ptr, r->data + r->pos, want * size);
    r->pos += want * size;
    return want;
}

int memSeek(void* source, ogg_int64_t offset, int whence) {
    auto* r = static_cast<MemoryReader*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<ogg_int64_t>(r->pos);
    else if (whence == SEEK_END)
        base = static_cast<ogg_int64_t>(r->size);
    else if (whence != SEEK_SET)
        return -1;
    ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(r->size)) return -1;
    r->pos = static_cast<std::size_t>(target);
    return 0;
}

long memTell(void* source) {
    return static_cast<long>(static_cast<MemoryReader*>(source)->pos);
}

const ov_callbacks kMemoryCallbacks = {memRead, memSeek, nullptr, memTell};

// Decoded chunks are at most this many frames per call (vorbisfile's own block is 2048).
constexpr int kChunkFrames = 4096;

}  // namespace

VorbisFileDecoder::~VorbisFileDecoder() {
    if (open_) ov_clear(&file_);
}

bool VorbisFileDecoder::open(const void* data, std::size_t size) {
    if (open_ || data == nullptr || size == 0) return false;
    reader_ = {static_cast<const std::uint8_t*>(data), size, 0};
    if (ov_open_callbacks(&reader_, &file_, nullptr, 0, kMemoryCallbacks) != 0) return false;
    open_ = true;
    const vorbis_info* info = ov_info(&file_, -1);
    if (info == nullptr || info->channels < 1 || info->rate < 1000 || info->rate > 200000) {
        ov_clear(&file_);
        open_ = false;
        return false;
    }
    rate_ = static_cast<int>(info->rate);
    channels_ = info->channels;
    return true;
}

long VorbisFileDecoder::read(float* out, long frames) {
    if (!open_) return 0;
    long done = 0;
    int holes = 0;
    while (done < frames) {
        float** pcm = nullptr;
        int section = 0;
        long want = std::min<long>(frames - done, kChunkFrames);
        long got = ov_read_float(&file_, &pcm, static_cast<int>(want), &section);
        if (got == OV_HOLE && ++holes < 16) continue;
        if (got <= 0) break;
        // A chained file may change channel count between links; follow the current one.
        const vorbis_info* info = ov_info(&file_, -1);
        int chans = info != nullptr ? info->channels : channels_;
        for (long i = 0; i < got; ++i) {
            float l = pcm[0][i];
            float r = chans > 1 ? pcm[1][i] : l;
            out[2 * (done + i)] = l;
            out[2 * (done + i) + 1] = r;
        }
        done += got;
    }
    return done;
}

bool VorbisFileDecoder::rewind() {
    if (!open_) return false;
    return ov_pcm_seek(&file_, 0) == 0;
}

}  // namespace eh::audio
