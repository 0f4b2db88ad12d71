#include "rar20_encoder.h"

#include "encoder_internal.h"

namespace eh::rarpack {

using namespace media::rar20;
using namespace detail;

std::vector<std::uint8_t> Encoder::EncodeEntry(std::span<const std::uint8_t> data,
                                               bool continueSolid) {
    if (!continueSolid) {
        state_ = CoderState{};
        history_.clear();
        finder_.Reset();
    }
    const bool switchFirst = state_.tablesSent;
    BitWriter bw;
    if (data.empty()) {
        // A solid stream's first entry must still send tables the next entry can switch from.
        if (!state_.tablesSent) {
            WriteNormal(bw, state_, {}, {}, false);
        } else {
            // Resend the current tables: a decoder that skips empty entries and one that
            // takes the table switch after them end in the same state.
            const auto lengths = state_.previousLengths;
            WriteSwitch(bw, state_);
            WriteTableSet(bw, state_, lengths.data(),
                          state_.audio ? state_.channels * kAudioCodes : kNormalTableSize,
                          state_.audio, state_.channels);
        }
        WriteEndPadding(bw, state_);
        return std::move(bw.bytes());
    }
    const std::size_t start = history_.size();
    history_.insert(history_.end(), data.begin(), data.end());

    CoderState lzState = state_;
    std::vector<Op> ops;
    ParseLz(history_, start, lzState, finder_, options_, ops);
    const std::vector<std::size_t> blocks = SplitBlocks(ops, options_.blockOps);
    WriteNormal(bw, lzState, ops, blocks, switchFirst);
    WriteEndPadding(bw, lzState);

    if (options_.multimedia) {
        CoderState audioState = state_;
        const std::uint32_t channels =
            options_.channels != 0 ? options_.channels : ChooseChannels(audioState, data);
        BitWriter audio;
        WriteAudio(audio, audioState, data, channels, switchFirst);
        WriteEndPadding(audio, audioState);
        if (audio.bytes().size() < bw.bytes().size()) {
            // The LZ history still advances: the decoder's distance history is untouched by
            // multimedia bytes, and the match finder already holds their positions.
            state_ = audioState;
            return std::move(audio.bytes());
        }
    }
    state_ = lzState;
    return std::move(bw.bytes());
}

}  // namespace eh::rarpack
