// The adaptive linear predictor of RAR 2.0's multimedia mode: each output byte is a
// prediction from the channel's recent deltas minus the decoded symbol, and every 32
// bytes the channel nudges one of its five weights toward whichever of eleven candidate
// adjustments would have erred least.
//
// Shared by the decoder (rar20_decoder.*) and our compressor (tools/rarpack), which must
// predict byte for byte as the decoder does; the only media header besides archive.h and
// rar20_format.h that the compressor may include.
#pragma once

#include <array>
#include <cstdint>

namespace eh::media::rar20 {

// Predictor state of one multimedia channel.
struct AudioChannelState {
    std::int32_t k1 = 0, k2 = 0, k3 = 0, k4 = 0, k5 = 0;  // weights, -17..16
    std::int32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;          // recent deltas
    std::int32_t lastDelta = 0;
    std::array<std::uint32_t, 11> dif{};  // error sums of the eleven candidate adjustments
    std::uint32_t byteCount = 0;
    std::uint32_t lastByte = 0;
};

// Applies one byte of multimedia mode: `delta` is the decoded symbol (0..255),
// `channelDelta` the delta of whichever channel produced the previous byte (updated).
// Returns the output byte.
std::uint8_t PredictAudioByte(AudioChannelState& v, std::int32_t& channelDelta,
                              std::uint32_t delta);
// The prediction before a byte is known: output = (prediction - delta) & 255.
std::uint32_t AudioPrediction(const AudioChannelState& v, std::int32_t channelDelta);

}  // namespace eh::media::rar20
