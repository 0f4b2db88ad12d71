#include "media/rar20_predictor.h"

#include <cstdlib>

namespace eh::media::rar20 {

std::uint32_t AudioPrediction(const AudioChannelState& v, std::int32_t channelDelta) {
    // The state as it will be after the byte counter and delta shift of PredictAudioByte.
    const std::int32_t d4 = v.d3, d3 = v.d2, d2 = v.lastDelta - v.d1, d1 = v.lastDelta;
    const std::int32_t p = 8 * static_cast<std::int32_t>(v.lastByte) + v.k1 * d1 + v.k2 * d2 +
                           v.k3 * d3 + v.k4 * d4 + v.k5 * channelDelta;
    return static_cast<std::uint32_t>(p >> 3) & 0xFF;
}

std::uint8_t PredictAudioByte(AudioChannelState& v, std::int32_t& channelDelta,
                              std::uint32_t delta) {
    const std::uint32_t prediction = AudioPrediction(v, channelDelta);
    v.byteCount += 1;
    v.d4 = v.d3;
    v.d3 = v.d2;
    v.d2 = v.lastDelta - v.d1;
    v.d1 = v.lastDelta;

    const std::uint32_t ch = (prediction - delta) & 0xFF;
    const std::int32_t d = static_cast<std::int32_t>(static_cast<std::int8_t>(delta)) * 8;
    const std::int32_t cd = channelDelta;
    auto add = [&](int i, std::int32_t x) { v.dif[i] += static_cast<std::uint32_t>(std::abs(x)); };
    add(0, d);
    add(1, d - v.d1);
    add(2, d + v.d1);
    add(3, d - v.d2);
    add(4, d + v.d2);
    add(5, d - v.d3);
    add(6, d + v.d3);
    add(7, d - v.d4);
    add(8, d + v.d4);
    add(9, d - cd);
    add(10, d + cd);

    v.lastDelta = static_cast<std::int8_t>(static_cast<std::uint8_t>(ch - v.lastByte));
    channelDelta = v.lastDelta;
    v.lastByte = ch;

    if ((v.byteCount & 31) == 0) {
        std::uint32_t best = v.dif[0];
        int index = 0;
        for (int i = 1; i < 11; ++i) {
            if (v.dif[i] < best) {
                best = v.dif[i];
                index = i;
            }
        }
        v.dif.fill(0);
        // Odd winners lower a weight, even ones raise it; the bounds keep it in -17..16.
        std::int32_t* weights[5] = {&v.k1, &v.k2, &v.k3, &v.k4, &v.k5};
        if (index != 0) {
            std::int32_t& k = *weights[(index - 1) / 2];
            if (index & 1) {
                if (k >= -16) --k;
            } else {
                if (k < 16) ++k;
            }
        }
    }
    return static_cast<std::uint8_t>(ch);
}

}  // namespace eh::media::rar20
