// Clip sequences of the creatures: the horse idles through shuffled gestures forever, the
// crow flock flies now and then. All motion is in the clips; the models never move.
//
// Times are milliseconds. A cue fires once, when the clip time has just passed it: in the
// frame where cue time < clip time < cue time + 50.
#pragma once

#include <array>
#include <functional>

namespace eh::scene {

// What a sequence drives: the model's clip selection (SelectClip restarts the clip time
// at 0), the length of the selected clip and the time within it.
class ClipTarget {
public:
    virtual ~ClipTarget() = default;
    virtual void SelectClip(int clip) = 0;
    virtual float ClipLength() const = 0;  // milliseconds
    virtual void SetClipTime(float ms) = 0;
};

struct SequenceEntry {
    int clip = 0;
    int sound = -1;         // sample handle; -1 plays nothing
    float cueTime = -1.0f;  // ms from the clip start; -1 = no cue (or already fired)
};

template <std::size_t N>
struct ClipSequence {
    std::array<SequenceEntry, N> entries{};
    int count = 0;
    int index = 0;
    float time = 0.0f;  // ms into the current entry's clip
    bool active = false;  // the crows: flying
    void Append(int clip, int sound, float cueTime) {
        if (count < static_cast<int>(N)) entries[static_cast<std::size_t>(count++)] = {clip, sound, cueTime};
    }
    const SequenceEntry& Current() const { return entries[static_cast<std::size_t>(index)]; }
};

using HorseSequence = ClipSequence<40>;
using CrowSequence = ClipSequence<20>;

// The sample handles the cues play (-1 for none).
struct HorseSounds {
    int tail = -1;
    int leg = -1;
    int head = -1;
};
struct CrowSounds {
    int takeOff = -1;
    int inFlight = -1;
    int leave = -1;
};

// Ten idle moves shuffled from 25 loops and 5 of each gesture, then the tail raise
// (in, five loops, out): 17 entries. Index and time restart at 0.
void BuildHorseSequence(HorseSequence& seq, const HorseSounds& sounds);

// A flight: take-off (clip 0), ten shuffled flying clips, leaving (clip 5). Starts flying.
void StartCrowFlight(CrowSequence& seq, const CrowSounds& sounds);

// Plays a cue: (sample handle, whether the played channel's volume is set to 22).
using CuePlayer = std::function<void(int sound, bool setVolume)>;

// One frame of the horse: advances by `dt` ms through as many entries as the time covers,
// rebuilding the sequence when it runs out, and fires the current entry's cue.
void StepHorse(HorseSequence& seq, ClipTarget& model, float dt, const HorseSounds& sounds,
               const CuePlayer& play);

// One frame of the crows while they fly; past the last entry they stop flying (time 0).
void StepCrows(CrowSequence& seq, ClipTarget& model, float dt, const CuePlayer& play);

}  // namespace eh::scene
