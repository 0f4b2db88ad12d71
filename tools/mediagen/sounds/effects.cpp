// The effects: the vision drone and the creatures' cue sounds, all mono.
//
// A cue starts with its event: the cue fires at the moment the animation shows it (the
// hoof touching the turf, the snort, the take-off), so every cue's attack sits in its
// first few milliseconds.
#include <algorithm>
#include <cmath>

#include "tools/mediagen/sounds/sounds.h"
#include "tools/mediagen/sounds/synth.h"

namespace eh::mediagen {
namespace {

// A crow's caw: a buzzy source (many harmonics) at a falling pitch with jitter and a
// subharmonic rasp, shaped by three formants; the first formant opens during the
// onset ("c-aw"). `distance` 0..1 darkens and softens it.
void addCaw(std::vector<float>& out, double start, float f0, float dur, float amp, float distance,
            Rng& rng) {
    static const Wavetable buzz = [] {
        std::vector<float> h;
        for (int n = 1; n <= 24; ++n) h.push_back(1.0f / std::pow(static_cast<float>(n), 0.6f));
        return Wavetable(h);
    }();
    Biquad f1, f2, f3, air;
    f2.bandpass(1900.0f, 5.0f);
    f3.bandpass(3100.0f, 6.0f);
    air.lowpass(9000.0f - 7000.0f * distance, 0.7f);
    float jitter = 0.0f;
    double phase = 0.0;
    std::size_t begin = frames(start);
    std::size_t n = frames(dur + 0.05);
    for (std::size_t i = 0; i < n && begin + i < out.size(); ++i) {
        float t = static_cast<float>(i) / kRate;
        if (i % 32 == 0) f1.bandpass(650.0f + 500.0f * smoothStep(t, 0.0f, 0.06f), 4.0f);
        jitter = 0.995f * jitter + 0.005f * rng.bipolar();
        float contour =
            0.9f + 0.1f * smoothStep(t, 0.0f, 0.04f) - 0.18f * smoothStep(t, 0.05f, dur);
        float f = f0 * contour * (1.0f + 0.6f * jitter);
        phase += static_cast<double>(f) / kRate;
        float rasp = 0.6f + 0.4f * sineCycles(phase * 0.5);
        float src = buzz.at(phase) * rasp + 0.5f * rng.bipolar();
        float v = 1.6f * f1.process(src) + 1.2f * f2.process(src) + 0.6f * f3.process(src);
        float env = smoothStep(t, 0.0f, 0.015f) * (1.0f - smoothStep(t, dur - 0.07f, dur));
        out[begin + i] += amp * (1.0f - 0.5f * distance) * air.process(std::tanh(1.5f * v) * env);
    }
}

// One wing beat: a soft thump and a short rush of air.
void addFlap(std::vector<float>& out, double start, float amp, Rng& rng) {
    Biquad rush, thump;
    rush.bandpass(rng.range(450.0f, 750.0f), 0.9f);
    thump.lowpass(160.0f, 0.9f);
    std::size_t begin = frames(start);
    for (std::size_t i = 0; i < frames(0.16) && begin + i < out.size(); ++i) {
        float t = static_cast<float>(i) / kRate;
        float noise = rng.bipolar();
        float env = attackDecay(t, 0.012f, 0.045f) * (1.0f - smoothStep(t, 0.12f, 0.16f));
        out[begin + i] += amp * env * (1.4f * rush.process(noise) + 3.0f * thump.process(noise));
    }
}

// A bird beating its wings at `rate` per second from `start` for `dur`, fading from
// `amp` to `amp * endGain`.
void addWingBeats(std::vector<float>& out, double start, double dur, float rate, float amp,
                  float endGain, Rng& rng) {
    for (double t = 0.0; t < dur; t += 1.0 / rate * rng.range(0.9f, 1.1f)) {
        float g = amp * (1.0f + (endGain - 1.0f) * static_cast<float>(t / dur));
        addFlap(out, start + t, g * rng.range(0.7f, 1.0f), rng);
    }
}

}  // namespace

std::vector<float> RenderVisionSound() {
    // A choir holding D3 A3 D4 E4 F4 A4 (the added E keeps it unresolved), two singers a
    // part, vowels drifting between "ah" and "oo", with breath. Rendered past the loop,
    // then folded so the 16 s loop has no seam.
    const float notes[] = {50, 57, 62, 64, 65, 69};
    const double kLoop = 16.0, kLead = 3.0, kFold = 2.0;
    const std::size_t total = frames(kLead + kLoop + kFold);
    std::vector<float> mono(total, 0.0f);
    Rng rng(475);
    constexpr std::size_t kBlock = 256;  // harmonic weights are updated per block
    for (float note : notes) {
        for (int singer = 0; singer < 2; ++singer) {
            float f0 = midiToHz(note) * (singer == 0 ? 0.9971f : 1.0029f);
            float vibPhase = rng.uniform(), vibRate = rng.range(4.6f, 5.6f);
            float swellPhase = rng.uniform(), swellRate = 1.0f / rng.range(5.0f, 11.0f);
            float vowelPhase = rng.uniform();
            int harmonics = std::max(1, static_cast<int>(4500.0f / f0));
            std::vector<float> weight(static_cast<std::size_t>(harmonics));
            double phase = rng.uniform();
            for (std::size_t i = 0; i < total; ++i) {
                double t = static_cast<double>(i) / kRate;
                if (i % kBlock == 0) {
                    // Formants (Hz) move between "ah" (700, 1150, 2600) and "oo" (330, 870, 2300).
                    float m = 0.5f + 0.5f * sineCycles(t / 9.0 + vowelPhase);
                    float F[3] = {700.0f - 370.0f * m, 1150.0f - 280.0f * m, 2600.0f - 300.0f * m};
                    const float A[3] = {1.0f, 0.55f, 0.25f}, B[3] = {120.0f, 140.0f, 200.0f};
                    for (int h = 0; h < harmonics; ++h) {
                        float fh = f0 * static_cast<float>(h + 1);
                        float w = 0.02f;
                        for (int k = 0; k < 3; ++k)
                            w += A[k] * std::exp(-std::pow((fh - F[k]) / B[k], 2.0f));
                        weight[static_cast<std::size_t>(h)] =
                            w / std::pow(static_cast<float>(h + 1), 0.5f);
                    }
                }
                float vib = 1.0f + 0.005f * sineCycles(t * vibRate + vibPhase);
                phase += static_cast<double>(f0 * vib) / kRate;
                float v = 0.0f;
                for (int h = 0; h < harmonics; ++h)
                    v += weight[static_cast<std::size_t>(h)] * sineCycles(phase * (h + 1));
                float swell = 0.65f + 0.35f * sineCycles(t * swellRate + swellPhase);
                mono[i] += 0.1f * swell * v;
            }
        }
    }
    Biquad breath;
    breath.bandpass(3000.0f, 0.8f);
    for (std::size_t i = 0; i < total; ++i) {
        double t = static_cast<double>(i) / kRate;
        mono[i] += 0.05f * (0.7f + 0.3f * sineCycles(t / 7.0)) * breath.process(rng.bipolar());
    }
    std::vector<float> stereo(2 * total);
    for (std::size_t i = 0; i < total; ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];
    addReverb(stereo, 3.0f, 0.8f);
    // Drop the lead-in (while the reverb fills), back to mono, fold the overhang in.
    std::size_t lead = frames(kLead);
    std::vector<float> out(total - lead);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = 0.5f * (stereo[2 * (lead + i)] + stereo[2 * (lead + i) + 1]);
    foldLoop(out, 1, frames(kLoop), true);
    normalize(out, 0.9f);
    return out;
}

std::vector<float> RenderCrowTakeOff() {
    std::vector<float> out(frames(3.0), 0.0f);
    Rng rng(476);
    // Four birds lift off one after another, wing beats loud at first, fading as they climb.
    for (int bird = 0; bird < 4; ++bird)
        addWingBeats(out, 0.02 + 0.13 * bird, 1.9, rng.range(6.0f, 7.5f), 0.55f, 0.25f, rng);
    const float caws[][3] = {{0.05f, 520, 1.0f}, {0.32f, 470, 0.8f},  {0.62f, 560, 0.9f},
                             {0.98f, 500, 0.7f}, {1.45f, 540, 0.55f}, {2.05f, 485, 0.4f}};
    for (const auto& c : caws)
        addCaw(out, c[0], c[1], rng.range(0.28f, 0.36f), c[2], 0.15f * c[0], rng);
    normalize(out, 0.9f);
    return out;
}

std::vector<float> RenderCrowFlight() {
    std::vector<float> out(frames(1.3), 0.0f);
    Rng rng(477);
    addWingBeats(out, 0.0, 1.2, 4.0f, 0.15f, 0.6f, rng);
    addCaw(out, 0.02, 505.0f, 0.32f, 1.0f, 0.2f, rng);
    addCaw(out, 0.52, 490.0f, 0.36f, 0.85f, 0.25f, rng);
    normalize(out, 0.85f);
    return out;
}

std::vector<float> RenderCrowLeave() {
    std::vector<float> out(frames(3.6), 0.0f);
    Rng rng(478);
    addWingBeats(out, 0.0, 2.6, 5.0f, 0.4f, 0.05f, rng);
    // Each caw farther away: quieter and darker.
    const float caws[][3] = {{0.0f, 515, 1.0f},
                             {0.55f, 495, 0.75f},
                             {1.2f, 530, 0.52f},
                             {1.9f, 500, 0.36f},
                             {2.6f, 510, 0.22f}};
    for (int i = 0; i < 5; ++i)
        addCaw(out, caws[i][0] + 0.005, caws[i][1], rng.range(0.28f, 0.34f), caws[i][2],
               0.2f * static_cast<float>(i), rng);
    normalize(out, 0.9f);
    return out;
}

std::vector<float> RenderHorseTail() {
    // A whoosh whose band sweeps up and back down as the tail swings, with the crackle
    // of hair, and a smaller swing back.
    std::vector<float> out(frames(1.0), 0.0f);
    Rng rng(479);
    auto swish = [&](double start, float dur, float amp) {
        Biquad band, hair;
        hair.highpass(3500.0f, 0.7f);
        std::size_t begin = frames(start);
        for (std::size_t i = 0; i < frames(dur) && begin + i < out.size(); ++i) {
            float t = static_cast<float>(i) / kRate;
            float u = t / dur;
            if (i % 16 == 0)
                band.bandpass(500.0f + 2300.0f * std::sin(kPi * std::min(u * 1.2f, 1.0f)), 1.3f);
            float env = smoothStep(t, 0.0f, dur * 0.25f) *
                        std::exp(-std::max(0.0f, t - dur * 0.25f) / (dur * 0.3f)) *
                        (1.0f - smoothStep(t, dur * 0.8f, dur));
            float noise = rng.bipolar();
            float crackle = rng.uniform() < 0.04f * env ? rng.bipolar() * 6.0f : 0.0f;
            out[begin + i] +=
                amp * env * (2.0f * band.process(noise) + 0.25f * hair.process(crackle));
        }
    };
    swish(0.0, 0.55f, 1.0f);
    swish(0.42, 0.45f, 0.45f);
    normalize(out, 0.95f);
    return out;
}

std::vector<float> RenderHorseLeg() {
    // Hoof on turf: a dull falling thump, a crunch of soil, scattered grit, and a light
    // scrape as the hoof is pulled back.
    std::vector<float> out(frames(0.9), 0.0f);
    Rng rng(480);
    Biquad crunch, grit, scrape;
    crunch.lowpass(900.0f, 0.7f);
    grit.bandpass(2600.0f, 1.0f);
    scrape.bandpass(1300.0f, 1.2f);
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        float t = static_cast<float>(i) / kRate - 0.002f;
        float f = 45.0f + 55.0f * std::exp(-std::max(t, 0.0f) / 0.03f);
        phase += static_cast<double>(f) / kRate;
        float noise = rng.bipolar();
        float v = 1.0f * attackDecay(t, 0.002f, 0.09f) * sineCycles(phase);
        v += 1.3f * attackDecay(t, 0.001f, 0.04f) * crunch.process(noise);
        v += 0.5f * attackDecay(t - 0.008f, 0.004f, 0.11f) * grit.process(noise);
        v += 0.35f * attackDecay(t - 0.22f, 0.03f, 0.08f) * scrape.process(noise);
        out[i] = v;
    }
    normalize(out, 0.95f);
    return out;
}

std::vector<float> RenderHorseHead() {
    // A snort: air through the nostrils (two nasal resonances) fluttering at ~30 Hz, a
    // second softer breath, and the mane shaken between.
    std::vector<float> out(frames(1.3), 0.0f);
    Rng rng(481);
    auto exhale = [&](double start, float dur, float amp, float flutterDepth) {
        Biquad low, mid, hiss;
        low.bandpass(450.0f, 3.0f);
        mid.bandpass(1300.0f, 2.5f);
        hiss.highpass(3000.0f, 0.7f);
        double flutter = 0.0;
        std::size_t begin = frames(start);
        for (std::size_t i = 0; i < frames(dur) && begin + i < out.size(); ++i) {
            float t = static_cast<float>(i) / kRate;
            flutter += (30.0 + 6.0 * std::sin(t * 9.0)) / kRate;
            float am = 1.0f - flutterDepth * (0.5f + 0.5f * sineCycles(flutter));
            float env = smoothStep(t, 0.0f, 0.03f) *
                        std::exp(-std::max(0.0f, t - 0.15f) / (dur * 0.3f)) *
                        (1.0f - smoothStep(t, dur * 0.8f, dur));
            float noise = rng.bipolar();
            out[begin + i] += amp * env * am *
                              (3.0f * low.process(noise) + 2.0f * mid.process(noise) +
                               0.3f * hiss.process(noise));
        }
    };
    exhale(0.0, 0.6f, 1.0f, 0.85f);
    // The head shake: a few soft flaps of the mane.
    for (int k = 0; k < 5; ++k) addFlap(out, 0.55 + k * 0.11, 0.12f * (1.0f - 0.15f * k), rng);
    exhale(0.85, 0.4f, 0.35f, 0.3f);
    normalize(out, 0.95f);
    return out;
}

}  // namespace eh::mediagen
