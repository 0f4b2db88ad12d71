// The two music pieces: the opening piece (SOUND 474, played once) and the main piece
// (SOUND 468, looped for the whole run). D minor with a dorian colour at 64 beats per
// minute, 4/4: a string pad, a plucked harp, a soft bass, a flute-like lead and a few
// bells. The opening ends on the dominant (A major), so the main piece, which starts on
// D minor, follows it as a resolution; the main piece ends on the same A chord so its
// loop point resolves the same way.
#include "tools/mediagen/sounds/sounds.h"

#include <algorithm>
#include <array>

#include "tools/mediagen/sounds/synth.h"

namespace eh::mediagen {
namespace {

constexpr double kBeat = 60.0 / 64.0;  // seconds
constexpr double kBar = 4.0 * kBeat;   // 3.75 s

struct Chord {
    std::array<float, 4> pad;  // MIDI notes, low to high
    float bass;                // MIDI note
};

const Chord kDm{{50, 57, 62, 65}, 38};
const Chord kBb{{53, 58, 62, 65}, 34};
const Chord kF{{53, 57, 60, 65}, 41};
const Chord kC{{52, 55, 60, 64}, 36};
const Chord kGm{{50, 55, 58, 62}, 43};
const Chord kA{{49, 57, 61, 64}, 45};
const Chord kAsus{{50, 57, 62, 64}, 45};

struct MelodyNote {
    float midi;  // 0 = rest
    float beats;
};

// Eight bars over Dm Bb F C Dm Gm Bb A.
const std::vector<MelodyNote> kMelodyA = {
    {69, 2}, {67, 1}, {65, 1}, {62, 3}, {65, 1}, {72, 2}, {70, 1}, {69, 1}, {67, 4}, {69, 1},
    {72, 1}, {74, 2}, {70, 2}, {69, 1}, {67, 1}, {65, 2}, {67, 1}, {62, 1}, {64, 2}, {61, 2}};
const std::vector<MelodyNote> kMelodyB = {
    {74, 3}, {72, 1}, {70, 2}, {74, 2}, {72, 1}, {69, 1}, {65, 2}, {67, 2}, {64, 2}, {65, 1},
    {67, 1}, {69, 2}, {70, 1}, {69, 1}, {67, 2}, {65, 1}, {62, 1}, {65, 1}, {67, 1}, {69, 4}};

class Ensemble {
  public:
    explicit Ensemble(double seconds)
        : stereo_(2 * frames(seconds), 0.0f), harp_(frames(seconds), 0.0f) {}

    // Detuned pair of soft saw voices with slow attack and release.
    void pad(double start, double dur, const Chord& c, float amp) {
        static const Wavetable saw = [] {
            std::vector<float> h;
            for (int n = 1; n <= 14; ++n)
                h.push_back(1.0f / static_cast<float>(n) *
                            std::exp(-0.12f * static_cast<float>(n)));
            return Wavetable(h);
        }();
        for (std::size_t v = 0; v < c.pad.size(); ++v) {
            float f = midiToHz(c.pad[v]);
            float pan = -0.4f + 0.8f * static_cast<float>(v) / 3.0f;
            for (int d = 0; d < 2; ++d) {
                float detune = d == 0 ? 0.9977f : 1.0023f;  // ±4 cents
                voice(
                    start, dur, 1.2, 1.8,
                    [&, f, detune](double t) {
                        return saw.at(t * f * detune) * (1.0f + 0.08f * sineCycles(t * 0.23));
                    },
                    amp * 0.5f, pan + (d == 0 ? -0.15f : 0.15f));
            }
        }
    }

    void bass(double start, double dur, float midi, float amp) {
        static const Wavetable tone({1.0f, 0.35f, 0.12f, 0.05f});
        float f = midiToHz(midi);
        voice(
            start, dur, 0.25, 1.2, [&, f](double t) { return tone.at(t * f); }, amp, 0.0f);
    }

    // Breathy flute: few harmonics, delayed vibrato, a little band-passed breath noise.
    void flute(double start, double dur, float midi, float amp, Rng& rng) {
        static const Wavetable tone({1.0f, 0.22f, 0.10f, 0.04f, 0.02f});
        float f = midiToHz(midi);
        Biquad breath;
        breath.bandpass(f * 2.0f, 1.5f);
        double phase = 0.0;
        voice(
            start, dur, 0.09, 0.35,
            [&, f](double t) {
                float vib = 1.0f + 0.0045f * smoothStep(static_cast<float>(t), 0.2f, 0.6f) *
                                       sineCycles(t * 5.2);
                phase += static_cast<double>(f * vib) / kRate;
                return tone.at(phase) + 0.35f * breath.process(rng.bipolar());
            },
            amp, 0.1f);
    }

    // FM bell: carrier f, modulator 3.5 f, brightness falling with the ring.
    void bell(double start, float midi, float amp) {
        float f = midiToHz(midi);
        voice(
            start, 0.01, 0.004, 2.2,
            [f](double t) {
                float index = 2.2f * std::exp(-static_cast<float>(t) / 0.6f);
                return sineCycles(t * f + index * sineCycles(t * f * 3.5) / (2.0f * kPi));
            },
            amp, -0.3f);
    }

    void harp(double start, float midi, float amp, Rng& rng) {
        addPluck(harp_, start, midiToHz(midi), amp, 2.5f, 0.55f, rng);
    }

    // Arpeggio over a bar: eighths (8 notes) or quarters (4), an octave above the pad.
    void arpeggio(double barStart, const Chord& c, bool eighths, float amp, Rng& rng) {
        static const int kUp[8] = {0, 1, 2, 3, 4, 3, 2, 1};
        int count = eighths ? 8 : 4;
        for (int i = 0; i < count; ++i) {
            int k = eighths ? kUp[i] : kUp[i * 2];
            float midi = (k == 4 ? c.pad[0] + 12.0f : c.pad[static_cast<std::size_t>(k)]) + 12.0f;
            float accent = i == 0 ? 1.0f : 0.75f;
            harp(barStart + i * (kBar / count), midi, amp * accent, rng);
        }
    }

    void melody(double start, const std::vector<MelodyNote>& notes, float transpose, float amp,
                Rng& rng) {
        double t = start;
        for (const MelodyNote& n : notes) {
            double dur = n.beats * kBeat;
            if (n.midi > 0) flute(t, dur * 0.92, n.midi + transpose, amp, rng);
            t += dur;
        }
    }

    // The harp goes in with a short inter-channel delay, which widens it.
    std::vector<float> mix() {
        constexpr std::size_t kHaas = 330;  // 7.5 ms
        for (std::size_t i = 0; i < harp_.size(); ++i) {
            stereo_[2 * i] += harp_[i];
            if (i >= kHaas) stereo_[2 * i + 1] += 0.9f * harp_[i - kHaas];
        }
        return std::move(stereo_);
    }

  private:
    // Renders `gen(t)` (t in seconds from the note start) with an attack and a release
    // after `dur`, panned -1..1, into the stereo buffer.
    template <typename Gen>
    void voice(double start, double dur, double attack, double release, Gen&& gen, float amp,
               float pan) {
        std::size_t begin = frames(start);
        std::size_t length = frames(dur + release);
        float gl = amp * std::sqrt(0.5f * (1.0f - pan));
        float gr = amp * std::sqrt(0.5f * (1.0f + pan));
        std::size_t total = stereo_.size() / 2;
        for (std::size_t i = 0; i < length && begin + i < total; ++i) {
            double t = static_cast<double>(i) / kRate;
            float env = t < attack ? static_cast<float>(t / attack) : 1.0f;
            if (t > dur) env *= std::exp(-static_cast<float>((t - dur) / (release / 4.0)));
            float s = gen(t) * env;
            stereo_[2 * (begin + i)] += gl * s;
            stereo_[2 * (begin + i) + 1] += gr * s;
        }
    }

    std::vector<float> stereo_;
    std::vector<float> harp_;
};

}  // namespace

std::vector<float> RenderOpeningMusic() {
    const std::vector<const Chord*> chords = {&kDm, &kDm, &kBb, &kC, &kDm, &kBb, &kF,    &kC,
                                              &kDm, &kGm, &kBb, &kA, &kGm, &kBb, &kAsus, &kA};
    const double length = 16 * kBar;  // 60 s
    Ensemble e(length + 4.0);
    Rng rng(474);
    for (std::size_t b = 0; b < chords.size(); ++b) {
        double t = static_cast<double>(b) * kBar;
        const Chord& c = *chords[b];
        bool last = b + 1 == chords.size();
        e.pad(t, last ? kBar * 0.6 : kBar, c, 0.07f);
        if (b >= 4) e.bass(t, kBar * 0.9, c.bass, 0.16f);
        if (b >= 2 && b < 4) e.arpeggio(t, c, false, 0.22f, rng);
        if (b >= 4 && b < 12) e.arpeggio(t, c, true, 0.2f, rng);
        if (b >= 12 && !last) e.arpeggio(t, c, false, 0.2f, rng);
        if (b == 12 || b == 14) e.bell(t, c.pad[3] + 12.0f, 0.05f);
    }
    e.melody(4 * kBar, kMelodyA, 0.0f, 0.11f, rng);
    e.harp(15 * kBar, kA.pad[0] + 12.0f, 0.25f, rng);  // the last chord, plucked once
    std::vector<float> out = e.mix();
    addReverb(out, 2.2f, 0.5f);
    removeDc(out, 2);
    out.resize(2 * frames(length));
    // Fade in over 6 s; the last bar dies away to silence exactly at the end.
    const std::size_t n = out.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        float g =
            smoothStep(t, 0.0f, 6.0f) *
            (1.0f - smoothStep(t, static_cast<float>(length) - 5.0f, static_cast<float>(length)));
        out[2 * i] *= g;
        out[2 * i + 1] *= g;
    }
    normalize(out, 0.7f);
    return out;
}

std::vector<float> RenderMainMusic() {
    const std::vector<const Chord*> prog = {&kDm, &kBb, &kF, &kC, &kDm, &kGm, &kBb, &kA};
    const double length = 32 * kBar;  // 120 s
    Ensemble e(length + 6.0);         // note tails past the loop point wrap to the start
    Rng rng(468);
    for (int b = 0; b < 32; ++b) {
        double t = b * kBar;
        int section = b / 8;
        const Chord& c = *prog[static_cast<std::size_t>(b % 8)];
        e.pad(t, kBar, c, section == 0 ? 0.065f : 0.055f);
        if (section > 0) e.bass(t, kBar * 0.9, c.bass, 0.15f);
        e.arpeggio(t, c, section == 1 || section == 2, 0.2f, rng);
        if (section == 2 && b % 2 == 0) e.bell(t, c.pad[3] + 12.0f, 0.04f);
        if (section == 3 && b % 4 == 0) e.bell(t + kBeat * 2, c.pad[2] + 24.0f, 0.03f);
    }
    e.melody(8 * kBar, kMelodyA, 0.0f, 0.11f, rng);
    e.melody(16 * kBar, kMelodyB, 0.0f, 0.1f, rng);
    e.melody(24 * kBar, kMelodyA, 12.0f, 0.06f, rng);
    std::vector<float> dry = e.mix();
    foldLoop(dry, 2, frames(length), false);
    // Reverb of the loop played twice, keeping the second pass: its tail then carries
    // over the loop point exactly as it will when the piece repeats.
    std::vector<float> twice(dry);
    twice.insert(twice.end(), dry.begin(), dry.end());
    addReverb(twice, 2.2f, 0.5f);
    removeDc(twice, 2);
    std::vector<float> out(twice.begin() + static_cast<std::ptrdiff_t>(dry.size()), twice.end());
    normalize(out, 0.7f);
    return out;
}

}  // namespace eh::mediagen
