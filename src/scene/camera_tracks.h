// Camera tracks: chains of cubic Bézier segments the camera flies along, and the shuffled
// playlist of tracks.
//
// File "Data\Cam_Tracks.evd" (little-endian, no header, no padding):
//
//   int32 trackCount
//   per track: int32 keyCount (low 16 bits used), uint8 marker, uint8 skip, uint8 pivot,
//              then keyCount keys of:
//                float32 x, y, z; uint8 hasTarget; [float32 tx, ty, tz if hasTarget == 1];
//                float32 speed; float32 hold
//
// A flag byte counts as set only when it is 1. Keys 3k and 3k+3 are the ends of segment k,
// 3k+1 and 3k+2 its inner control points; only end keys' target, speed and hold are used.
// The camera runs each segment from key 3k (Bézier parameter 1) to key 3k+3 (parameter 0).
// Angles are degrees; time steps are scene-step units (1 unit = 100 ms).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"

namespace eh::scene {

using model::Vector3;

struct CameraKey {
    Vector3 position{};
    float hold = 0.0f;  // pause at this key, scene-step units
    bool hasTarget = false;
    Vector3 target{};
    float speed = 0.0f;  // path units per scene-step unit
};

struct CameraTrack {
    static constexpr int kMaxKeys = 150;
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

// Reads and writes the track file. Reading is bounds-checked: at most kMaxTracks tracks
// are kept (the rest are ignored); a track with more than kMaxKeys keys is kept empty (it
// then ends at once); a file that ends inside a track keeps the tracks before it.
struct CameraTrackFile {
    static constexpr int kMaxTracks = 50;
    std::vector<CameraTrack> tracks;

    static CameraTrackFile Parse(const std::uint8_t* data, std::size_t size);
    std::vector<std::uint8_t> Serialize() const;
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
};

}  // namespace eh::scene
