// Camera tracks: chains of cubic Bézier segments the camera flies along, and the shuffled
// playlist of tracks. The track file's layout, parser and writer are model/track_format.h.
//
// Keys 3k and 3k+3 are the ends of segment k, 3k+1 and 3k+2 its inner control points; only
// end keys' target, speed and hold are used. The camera runs each segment from key 3k
// (Bézier parameter 1) to key 3k+3 (parameter 0). Angles are degrees; time steps are
// scene-step units (1 unit = 100 ms).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"
#include "model/track_format.h"

namespace eh::scene {

using model::Vector3;

// One key as the file stores it.
using CameraKey = model::track::Key;

struct CameraTrack {
    static constexpr int kMaxKeys = model::track::kMaxKeys;
    static constexpr int kSamplesPerSegment = 150;  // chords per segment for arc length

    bool marker = false;
    bool skip = false;
    bool pivot = false;
    int keyCount = 0;
    std::array<CameraKey, kMaxKeys> keys{};
    std::array<float, kMaxKeys> segmentLengths{};
    int segmentCount = 0;
    int pathBuffer = -1;  // pool handle of the inspection drawing; -1 until prepared

    // The four control points of segment k, in file order (P0 = key 3k).
    std::array<Vector3, 4> ControlPoints(int segment) const;
};

// The tracks of a track file, ready for CameraTrackSet::Load.
struct CameraTrackFile {
    static constexpr int kMaxTracks = model::track::kMaxTracks;
    std::vector<CameraTrack> tracks;

    // The tracks model::track::Parse keeps of the file at `data` (every damaged file gives
    // some, perhaps none; a track the parser kept empty ends at once).
    static CameraTrackFile Parse(const std::uint8_t* data, std::size_t size);
};

class CameraPlaylist {
public:
    static constexpr int kCapacity = 12;
    int count = 0;
    int position = 0;
    std::array<int, kCapacity> entries{};

    int Current() const { return (position >= 0 && position < count) ? entries[position] : 0; }
};

class CameraTrackSet {
public:
    static constexpr float kInitialSpeed = 3.75f;
    static constexpr float kTurnRate = 0.125f;  // of the remaining angle per scene-step unit

    // Takes the tracks of a parsed file (at most kMaxTracks) and prepares each; the current
    // track is 0 afterwards.
    void Load(const CameraTrackFile& file);
    // Segment count and lengths of the current track.
    void Prepare();
    // Makes `track` current and places the camera at the start of `segment`.
    void Start(int track, int segment);
    // Advances by `s` scene-step units.
    void Update(float s);
    // Fills `playlist` from the tracks' skip flags and rand(); position 0.
    void BuildPlaylist(CameraPlaylist& playlist) const;

    // Where the eye of a pivot track sits, and the orientation toward the point Update
    // produced (no smoothing); call after Update on a pivot track.
    void ApplyPivot();

    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    const CameraTrack& Track(int i) const { return tracks_.at(static_cast<std::size_t>(i)); }
    int CurrentTrack() const { return current_; }
    int Segment() const { return segment_; }
    bool CutFlag() const { return cut_; }
    bool CurrentIsPivot() const;
    const Vector3& Eye() const { return eye_; }
    float Yaw() const { return yaw_; }
    float Pitch() const { return pitch_; }
    float Speed() const { return speed_; }
    float Hold() const { return hold_; }
    float Distance() const { return distance_; }
    void SetOrientation(float yaw, float pitch) {
        yaw_ = yaw;
        pitch_ = pitch;
    }
    void SetLookAtTargets(bool on) { lookAtTargets_ = on; }

    // Yaw (degrees, [0, 360)) and pitch (degrees) of a normalised direction.
    static float YawOf(const Vector3& d);
    static float PitchOf(const Vector3& d);

private:
    const CameraTrack* current() const;
    Vector3 bezier(int segment, float t) const;
    bool segmentHasTarget(int segment) const;

    std::vector<CameraTrack> tracks_;
    bool lookAtTargets_ = true;
    float speed_ = kInitialSpeed;
    float distance_ = 0.0f;
    float turnRate_ = kTurnRate;
    int segment_ = 0;
    int current_ = 0;
    float yaw_ = 0.0f;
    float pitch_ = 0.0f;
    Vector3 eye_{};
    Vector3 pathPoint_{};  // the point Update placed on the path (the aim of pivot tracks)
    float hold_ = 0.0f;
    bool cut_ = false;
    // The chord ends of the segment being travelled (the arc-length walk's points), made
    // once per segment instead of on every step: for track sampleTrack_, segment
    // sampleSegment_ (-1: none yet).
    void sampleSegment();
    std::vector<Vector3> samples_;
    int sampleTrack_ = -1;
    int sampleSegment_ = -1;
};

}  // namespace eh::scene
