// Multimedia mode of the compressor: each byte becomes the difference between the
// decoder's prediction and the byte, coded per channel.
#include <algorithm>

#include "encoder_internal.h"

namespace eh::rarpack::detail {

using namespace media::rar20;

namespace {

// Bytes per table set; the predictor adapts on its own, so tables change slowly.
constexpr std::size_t kAudioBlock = 128 * 1024;

// Runs the predictor over `data` from state `st`, returning each byte's delta symbol.
std::vector<std::uint8_t> deltas(CoderState& st, std::span<const std::uint8_t> data,
                                 std::uint32_t channels) {
    std::vector<std::uint8_t> out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        AudioChannelState& v = st.channelStates[st.currentChannel];
        const std::uint32_t delta = (AudioPrediction(v, st.channelDelta) - data[i]) & 0xFF;
        PredictAudioByte(v, st.channelDelta, delta);
        out[i] = static_cast<std::uint8_t>(delta);
        if (++st.currentChannel == channels) st.currentChannel = 0;
    }
    return out;
}

}  // namespace

std::uint32_t ChooseChannels(const CoderState& start, std::span<const std::uint8_t> data) {
    const std::span<const std::uint8_t> sample =
        data.first(std::min<std::size_t>(data.size(), 256 * 1024));
    std::uint32_t best = 1;
    std::uint64_t bestBits = ~0ull;
    for (std::uint32_t c = 1; c <= kMaxChannels; ++c) {
        CoderState st = start;
        if (st.currentChannel >= c) st.currentChannel = 0;
        const std::uint32_t first = st.currentChannel;
        const std::vector<std::uint8_t> d = deltas(st, sample, c);
        std::uint64_t bits = 0;
        for (std::uint32_t ch = 0; ch < c; ++ch) {
            std::uint32_t freq[kAudioCodes] = {};
            for (std::size_t i = (ch + c - first) % c; i < d.size(); i += c) ++freq[d[i]];
            const auto lengths = BuildCodeLengths(freq, kAudioCodes, kMaxCodeLength);
            for (std::uint32_t s = 0; s < 256; ++s) bits += std::uint64_t{freq[s]} * lengths[s];
        }
        if (bits < bestBits) {
            bestBits = bits;
            best = c;
        }
    }
    return best;
}

void WriteAudio(BitWriter& bw, CoderState& st, std::span<const std::uint8_t> data,
                std::uint32_t channels, bool switchFirst) {
    for (std::size_t from = 0; from < data.size() || from == 0; from += kAudioBlock) {
        const std::span<const std::uint8_t> block =
            data.subspan(from, std::min(kAudioBlock, data.size() - from));
        // The table set resets the channel before the deltas are taken.
        if (from > 0 || switchFirst) WriteSwitch(bw, st);
        CoderState probe = st;
        if (probe.currentChannel >= channels) probe.currentChannel = 0;
        const std::uint32_t first = probe.currentChannel;
        const std::vector<std::uint8_t> d = deltas(probe, block, channels);

        std::vector<std::uint8_t> lengths(kMaxTableSize, 0);
        for (std::uint32_t ch = 0; ch < channels; ++ch) {
            std::uint32_t freq[kAudioCodes] = {};
            for (std::size_t i = (ch + channels - first) % channels; i < d.size(); i += channels)
                ++freq[d[i]];
            freq[kAudioNewTables] = 1;  // another table set may always follow
            const auto l = BuildCodeLengths(freq, kAudioCodes, kMaxCodeLength);
            std::copy(l.begin(), l.end(), lengths.begin() + ch * kAudioCodes);
        }
        WriteTableSet(bw, st, lengths.data(), channels * kAudioCodes, true, channels);

        std::vector<std::vector<std::uint16_t>> codes;
        for (std::uint32_t ch = 0; ch < channels; ++ch)
            codes.push_back(CanonicalCodes(lengths.data() + ch * kAudioCodes, kAudioCodes));
        for (std::size_t i = 0; i < d.size(); ++i) {
            const std::uint32_t ch = st.currentChannel;
            bw.Put(codes[ch][d[i]], lengths[ch * kAudioCodes + d[i]]);
            if (++st.currentChannel == channels) st.currentChannel = 0;
        }
        // The probe ran the predictor over exactly these bytes.
        st.channelStates = probe.channelStates;
        st.channelDelta = probe.channelDelta;
        if (data.empty()) break;
    }
}

}  // namespace eh::rarpack::detail
