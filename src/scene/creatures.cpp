#include "scene/creatures.h"

#include <utility>

#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {

// The window after a cue time in which it fires, in ms.
constexpr float kCueWindow = 50.0f;
// The loop ends by itself once the time is used up, and a rebuilt sequence restarts the time
// at 0, so even clips of no length cost at most one pass through the sequence. A clip that
// reports a negative length would add time on every step; this bound keeps that frame finite.
constexpr int kMaxEntriesPerFrame = 10000;

template <std::size_t N>
void shuffle(ClipSequence<N>& seq, int swaps) {
    for (int i = 0; i < swaps; ++i) {
        int a = os::RandomIndex(seq.count);
        int b = os::RandomIndex(seq.count);
        std::swap(seq.entries[static_cast<std::size_t>(a)],
                  seq.entries[static_cast<std::size_t>(b)]);
    }
}

template <std::size_t N>
void fireCue(ClipSequence<N>& seq, bool setVolume, const CuePlayer& play) {
    SequenceEntry& e = seq.entries[static_cast<std::size_t>(seq.index)];
    if (e.cueTime == -1.0f) return;
    if (e.cueTime > seq.time - kCueWindow && e.cueTime < seq.time) {
        if (play) play(e.sound, setVolume);
        e.cueTime = -1.0f;
    }
}

}  // namespace

void BuildHorseSequence(HorseSequence& seq, const HorseSounds& sounds) {
    seq.count = 0;
    for (int i = 0; i < 25; ++i) seq.Append(0, -1, -1.0f);
    for (int i = 0; i < 5; ++i) seq.Append(1, sounds.tail, 0.0f);
    for (int i = 0; i < 5; ++i) seq.Append(2, sounds.leg, 500.0f);
    for (int i = 0; i < 5; ++i) seq.Append(3, sounds.head, 1933.33f);
    shuffle(seq, 300);
    seq.count = 10;
    seq.Append(4, -1, -1.0f);
    for (int i = 0; i < 5; ++i) seq.Append(5, -1, -1.0f);
    seq.Append(6, -1, -1.0f);
    seq.index = 0;
    seq.time = 0.0f;
    seq.active = true;
}

void StartCrowFlight(CrowSequence& seq, const CrowSounds& sounds) {
    seq.count = 0;
    for (int i = 0; i < 5; ++i) seq.Append(3, -1, -1.0f);
    for (int i = 0; i < 5; ++i) seq.Append(1, sounds.inFlight, 1233.33f);
    for (int i = 0; i < 5; ++i) seq.Append(2, -1, -1.0f);
    for (int i = 0; i < 5; ++i) seq.Append(4, -1, -1.0f);
    shuffle(seq, 300);
    seq.count = 12;
    seq.entries[0] = {0, sounds.takeOff, 4666.67f};
    seq.entries[11] = {5, sounds.leave, 5266.67f};
    seq.index = 0;
    seq.time = 0.0f;
    seq.active = true;
}

namespace {

// One frame of a sequence: adds `dt` and passes entries while the current clip is shorter
// than the time (their cues never fire), selects the current clip at its time and fires its
// cue. A clip of no length is passed only while time is left, so the time 0 of a rebuilt
// sequence ends the frame's stepping. Past the last entry `atEnd(seq)` decides: true carries
// on (it has restarted the sequence and its time), false stops the frame there (the
// sequence is over).
template <std::size_t N, typename AtEnd>
void stepSequence(ClipSequence<N>& seq, ClipTarget& model, float dt, bool setVolume,
                  const CuePlayer& play, AtEnd atEnd) {
    seq.time += dt;
    for (int passed = 0; passed < kMaxEntriesPerFrame; ++passed) {
        const float length = model.ClipLength();
        if (!(length < seq.time)) break;
        seq.time -= length;
        seq.index += 1;
        if (seq.index >= seq.count && !atEnd(seq)) return;
        model.SelectClip(seq.Current().clip);
    }
    model.SelectClip(seq.Current().clip);
    model.SetClipTime(seq.time);
    fireCue(seq, setVolume, play);
}

}  // namespace

void StepHorse(HorseSequence& seq, ClipTarget& model, float dt, const HorseSounds& sounds,
               const CuePlayer& play) {
    if (seq.count <= 0) BuildHorseSequence(seq, sounds);
    stepSequence(seq, model, dt, true, play, [&](HorseSequence& s) {
        BuildHorseSequence(s, sounds);  // the horse idles forever: a new shuffle
        return true;
    });
}

void StepCrows(CrowSequence& seq, ClipTarget& model, float dt, const CuePlayer& play) {
    if (!seq.active || seq.count <= 0) return;
    stepSequence(seq, model, dt, false, play, [](CrowSequence& s) {
        // The flight is over: the crows vanish in this very frame.
        s.active = false;
        s.index = 0;
        s.time = 0.0f;
        return false;
    });
}

}  // namespace eh::scene
