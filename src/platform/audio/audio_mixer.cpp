#include "platform/audio/audio_mixer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace eh::audio {
namespace {

std::atomic<int> gSampleVolume{100};
std::atomic<int> gStreamVolume{100};

// Frames decoded per refill of a stream's buffer.
constexpr long kStreamChunkFrames = 2048;

bool validFreq(int f) {
    return f >= 100 && f <= 100000;
}

}  // namespace

int globalSampleVolume() {
    return gSampleVolume.load();
}
int globalStreamVolume() {
    return gStreamVolume.load();
}

Mixer::Mixer(int outputRate) : outputRate_(outputRate) {}
Mixer::~Mixer() = default;

int Mixer::setGlobalVolume(BassDword option, BassDword value) {
    if (value > 100) return kErrorIllegalParam;
    if (option == kConfigGlobalSampleVolume)
        gSampleVolume = static_cast<int>(value);
    else if (option == kConfigGlobalStreamVolume)
        gStreamVolume = static_cast<int>(value);
    else
        return kErrorIllegalType;
    return kErrorOk;
}

int Mixer::setMasterVolume(int volume) {
    if (volume < 0 || volume > 100) return kErrorIllegalParam;
    std::lock_guard lock(mutex_);
    master_ = volume;
    return kErrorOk;
}

int Mixer::masterVolume() {
    std::lock_guard lock(mutex_);
    return master_;
}

BassDword Mixer::newHandle() {
    BassDword h = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;  // 0 is never a handle
    return h;
}

Mixer::Channel* Mixer::findChannel(BassDword handle) {
    auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : &it->second;
}

void Mixer::resetToDefaults(Channel& ch, const Sample& s) {
    ch.pos = 0.0;
    ch.rate = s.rate;
    ch.freq = static_cast<int>(s.info.freq);
    ch.volume = static_cast<int>(s.info.volume);
    ch.pan = s.info.pan;
    ch.flags = s.info.flags;
    ch.playing = false;
    ch.gainSet = false;
}

int Mixer::loadSample(const void* data, std::size_t size, BassDword max, BassDword flags,
                      HSAMPLE& out) {
    out = 0;
    if (data == nullptr || size == 0 || max < 1 || max > 65535) return kErrorIllegalParam;
    Sample s;
    int chans = 0;
    if (!decodeAll(data, size, kMaxSampleFrames, s.pcm, s.rate, chans)) return kErrorFileForm;
    s.frames = s.pcm.size() / 2;
    s.info.freq = static_cast<BassDword>(s.rate);
    s.info.volume = 100;
    s.info.pan = 0;
    s.info.flags = flags;
    s.info.length = static_cast<BassDword>(
        std::min<std::size_t>(s.frames * static_cast<std::size_t>(chans) * 2, 0xFFFFFFFFu));
    s.info.max = max;
    s.info.chans = static_cast<BassDword>(chans);
    std::lock_guard lock(mutex_);
    out = newHandle();
    samples_.emplace(out, std::move(s));
    return kErrorOk;
}

int Mixer::sampleInfo(HSAMPLE sample, BASS_SAMPLE& info) {
    std::lock_guard lock(mutex_);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return kErrorHandle;
    info = it->second.info;
    return kErrorOk;
}

int Mixer::setSampleInfo(HSAMPLE sample, const BASS_SAMPLE& info) {
    if (!validFreq(static_cast<int>(info.freq)) || info.volume > 100 || info.pan < -100 ||
        info.pan > 100)
        return kErrorIllegalParam;
    std::lock_guard lock(mutex_);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return kErrorHandle;
    BASS_SAMPLE& dst = it->second.info;
    dst.freq = info.freq;
    dst.volume = info.volume;
    dst.pan = info.pan;
    dst.flags = info.flags;  // length, max and chans describe the data and stay
    return kErrorOk;
}

int Mixer::sampleChannel(HSAMPLE sample, bool onlyNew, HCHANNEL& out) {
    out = 0;
    std::lock_guard lock(mutex_);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return kErrorHandle;
    Sample& s = it->second;
    // A stopped channel of the sample is handed out again before a new one is made; with
    // every channel busy the request fails (no playback is cut short).
    if (!onlyNew || s.channels.size() >= s.info.max) {
        for (HCHANNEL h : s.channels) {
            Channel* ch = findChannel(h);
            if (ch != nullptr && !ch->playing) {
                resetToDefaults(*ch, s);
                out = h;
                return kErrorOk;
            }
        }
    }
    if (s.channels.size() >= s.info.max) return kErrorNoChannel;
    HCHANNEL h = newHandle();
    Channel& ch = channels_[h];
    ch.sample = sample;
    resetToDefaults(ch, s);
    s.channels.push_back(h);
    out = h;
    return kErrorOk;
}

int Mixer::stopSample(HSAMPLE sample) {
    std::lock_guard lock(mutex_);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return kErrorHandle;
    for (HCHANNEL h : it->second.channels)
        if (Channel* ch = findChannel(h)) ch->playing = false;
    return kErrorOk;
}

int Mixer::freeSample(HSAMPLE sample) {
    std::lock_guard lock(mutex_);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return kErrorHandle;
    for (HCHANNEL h : it->second.channels) channels_.erase(h);
    samples_.erase(it);
    return kErrorOk;
}

int Mixer::createStream(const void* data, std::size_t size, BassDword flags, HSTREAM& out) {
    out = 0;
    if (data == nullptr || size == 0) return kErrorIllegalParam;
    auto decoder = std::make_unique<VorbisDecoder>();
    if (!decoder->open(data, size)) return kErrorFileForm;
    std::lock_guard lock(mutex_);
    out = newHandle();
    Channel& ch = channels_[out];
    ch.rate = decoder->rate();
    ch.freq = ch.rate;
    ch.flags = flags;
    ch.decoder = std::move(decoder);
    return kErrorOk;
}

int Mixer::freeStream(HSTREAM stream) {
    std::lock_guard lock(mutex_);
    Channel* ch = findChannel(stream);
    if (ch == nullptr || !ch->decoder) return kErrorHandle;
    channels_.erase(stream);
    return kErrorOk;
}

int Mixer::isActive(BassDword handle, BassDword& state) {
    std::lock_guard lock(mutex_);
    state = kActiveStopped;
    Channel* ch = findChannel(handle);
    if (ch == nullptr) return kErrorHandle;
    if (ch->playing) state = kActivePlaying;
    return kErrorOk;
}

void Mixer::restartStream(Channel& ch) {
    ch.buffer.clear();
    ch.bufferStart = 0;
    ch.pos = 0.0;
    ch.decoderAtEnd = !ch.decoder->rewind();
    ch.endFrame = ch.decoderAtEnd ? 0 : -1;
}

int Mixer::play(BassDword handle, bool restart) {
    std::lock_guard lock(mutex_);
    Channel* ch = findChannel(handle);
    if (ch == nullptr) return kErrorHandle;
    if (ch->playing && !restart) return kErrorOk;
    if (restart || !ch->playing) {
        if (ch->decoder) {
            if (restart || ch->decoderAtEnd) restartStream(*ch);
        } else if (restart) {
            ch->pos = 0.0;
        }
    }
    ch->playing = true;
    return kErrorOk;
}

int Mixer::setFlags(BassDword handle, BassDword flags) {
    std::lock_guard lock(mutex_);
    if (auto it = samples_.find(handle); it != samples_.end()) {
        it->second.info.flags = flags;
        for (HCHANNEL h : it->second.channels)
            if (Channel* ch = findChannel(h)) ch->flags = flags;
        return kErrorOk;
    }
    Channel* ch = findChannel(handle);
    if (ch == nullptr) return kErrorHandle;
    ch->flags = flags;
    return kErrorOk;
}

int Mixer::setAttributes(BassDword handle, int freq, int volume, int pan) {
    // -1 keeps a value; freq 0 means the source's own rate. Nothing changes unless every
    // given value is in range.
    if ((freq != -1 && freq != 0 && !validFreq(freq)) ||
        (volume != -1 && (volume < 0 || volume > 100)) || (pan != -1 && (pan < -100 || pan > 100)))
        return kErrorIllegalParam;
    std::lock_guard lock(mutex_);
    Channel* ch = findChannel(handle);
    if (ch == nullptr) return kErrorHandle;
    if (freq == 0)
        ch->freq = ch->rate;
    else if (freq != -1)
        ch->freq = freq;
    if (volume != -1) ch->volume = volume;
    if (pan != -1) ch->pan = pan;
    return kErrorOk;
}

int Mixer::setSync(BassDword handle, BassDword type, SYNCPROC proc, void* user, HSYNC& out) {
    out = 0;
    if (type != kSyncEnd) return kErrorIllegalType;
    if (proc == nullptr) return kErrorIllegalParam;
    std::lock_guard lock(mutex_);
    Channel* ch = findChannel(handle);
    if (ch == nullptr) return kErrorHandle;
    out = newHandle();
    ch->syncs.push_back({out, proc, user});
    return kErrorOk;
}

bool Mixer::fillStream(Channel& ch, std::int64_t upTo) {
    while (upTo >= ch.bufferStart + static_cast<std::int64_t>(ch.buffer.size() / 2)) {
        if (ch.decoderAtEnd) return false;
        // Keep the frames from the current position on: interpolation looks one back.
        std::int64_t keepFrom =
            std::max<std::int64_t>(ch.bufferStart, static_cast<std::int64_t>(ch.pos));
        std::size_t drop = static_cast<std::size_t>(keepFrom - ch.bufferStart);
        drop = std::min(drop, ch.buffer.size() / 2);
        ch.buffer.erase(ch.buffer.begin(), ch.buffer.begin() + 2 * drop);
        ch.bufferStart += static_cast<std::int64_t>(drop);
        std::size_t old = ch.buffer.size();
        ch.buffer.resize(old + 2 * kStreamChunkFrames);
        long got = ch.decoder->read(ch.buffer.data() + old, kStreamChunkFrames);
        ch.buffer.resize(old + 2 * static_cast<std::size_t>(std::max(got, 0L)));
        if (got <= 0) {
            ch.decoderAtEnd = true;
            ch.endFrame = ch.bufferStart + static_cast<std::int64_t>(ch.buffer.size() / 2);
        }
    }
    return true;
}

bool Mixer::fetch(Channel& ch, std::int64_t frame, float& l, float& r) {
    l = r = 0.0f;
    if (frame < 0) return false;
    if (ch.decoder) {
        if (frame < ch.bufferStart || !fillStream(ch, frame)) return false;
        std::size_t i = static_cast<std::size_t>(frame - ch.bufferStart);
        l = ch.buffer[2 * i];
        r = ch.buffer[2 * i + 1];
        return true;
    }
    auto it = samples_.find(ch.sample);
    if (it == samples_.end() || static_cast<std::size_t>(frame) >= it->second.frames) return false;
    l = it->second.pcm[2 * static_cast<std::size_t>(frame)];
    r = it->second.pcm[2 * static_cast<std::size_t>(frame) + 1];
    return true;
}

void Mixer::fireEnd(BassDword handle, Channel& ch) {
    for (const Sync& s : ch.syncs) pending_.push_back({s, handle});
}

void Mixer::mixChannel(BassDword handle, Channel& ch, float* out, int frames) {
    // Linear gains; pan attenuates the far side only, so centre is full on both.
    int global = ch.decoder ? globalStreamVolume() : globalSampleVolume();
    float gain = static_cast<float>(ch.volume) * static_cast<float>(global) *
                 static_cast<float>(master_) * 1e-6f;
    float targetL = gain * (ch.pan > 0 ? 1.0f - static_cast<float>(ch.pan) / 100.0f : 1.0f);
    float targetR = gain * (ch.pan < 0 ? 1.0f + static_cast<float>(ch.pan) / 100.0f : 1.0f);
    if (!ch.gainSet) {
        ch.gainL = targetL;
        ch.gainR = targetR;
        ch.gainSet = true;
    }
    // A volume change ramps over one block instead of stepping, so it does not click.
    const float startL = ch.gainL, startR = ch.gainR;
    const double step = static_cast<double>(ch.freq) / static_cast<double>(outputRate_);
    int i = 0;
    int wraps = 0;
    while (i < frames && ch.playing) {
        auto index = static_cast<std::int64_t>(ch.pos);
        float l0, r0;
        if (!fetch(ch, index, l0, r0)) {
            // Past the last frame: wrap when looping (a sound of at least one frame),
            // else stop. The end sync fires either way.
            std::int64_t length =
                ch.decoder ? ch.endFrame
                           : static_cast<std::int64_t>(
                                 samples_.count(ch.sample) ? samples_[ch.sample].frames : 0);
            fireEnd(handle, ch);
            if ((ch.flags & kSampleLoop) != 0 && length > 0 && ++wraps < 64) {
                if (ch.decoder) {
                    double over = ch.pos - static_cast<double>(length);
                    restartStream(ch);
                    ch.pos = std::max(0.0, over);
                } else {
                    ch.pos = std::fmod(ch.pos, static_cast<double>(length));
                }
                continue;
            }
            ch.playing = false;
            break;
        }
        float l1, r1;
        fetch(ch, index + 1, l1, r1);
        auto frac = static_cast<float>(ch.pos - static_cast<double>(index));
        float t = static_cast<float>(i + 1) / static_cast<float>(frames);
        float gl = startL + (targetL - startL) * t;
        float gr = startR + (targetR - startR) * t;
        out[2 * i] += gl * (l0 + (l1 - l0) * frac);
        out[2 * i + 1] += gr * (r0 + (r1 - r0) * frac);
        ch.pos += step;
        ++i;
    }
    ch.gainL = targetL;
    ch.gainR = targetR;
}

void Mixer::render(float* out, int frames) {
    std::lock_guard lock(mutex_);
    std::memset(out, 0, sizeof(float) * 2 * static_cast<std::size_t>(std::max(frames, 0)));
    for (int done = 0; done < frames; done += kBlockFrames) {
        int n = std::min(kBlockFrames, frames - done);
        for (auto& [handle, ch] : channels_)
            if (ch.playing) mixChannel(handle, ch, out + 2 * done, n);
        // Callbacks run with no channel reference held, so they may play, stop or free.
        std::vector<PendingSync> fire;
        fire.swap(pending_);
        for (const PendingSync& p : fire) p.sync.proc(p.sync.handle, p.channel, 0, p.sync.user);
    }
}

void Mixer::renderS16(std::int16_t* out, int frames) {
    std::vector<float> mix(2 * static_cast<std::size_t>(std::max(frames, 0)));
    render(mix.data(), frames);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        float v = std::clamp(mix[i], -1.0f, 1.0f);
        out[i] = static_cast<std::int16_t>(std::lrintf(v * 32767.0f));
    }
}

}  // namespace eh::audio
