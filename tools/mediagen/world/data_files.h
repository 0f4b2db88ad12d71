// The world's data files: the billboard list, the camera tracks and the two vertex
// shader texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mediagen/world/world_layout.h"
#include "model/billboard_format.h"
#include "platform/os/win32_types.h"

namespace eh::mediagen::world {

// One record of "Data/Billboard.ebl" (model/billboard_format.h).
using Billboard = model::billboard::Record;
inline constexpr int kBillboardCount = 159;
inline constexpr int kBillboardKind0 = 84;
inline constexpr float kBillboardMinSize = 24.4f;
inline constexpr float kBillboardMaxSize = 63.3f;

// Distant woods in a band around the meadow, each standing on the ground: the quad spans
// 1.5 x size below its anchor, so the anchor is 1.5 x size above the ground (less a small
// sink so the trunk foot meets the turf).
std::vector<Billboard> MakeBillboards(const Ground& ground);
// The file bytes, through the model's writer.
std::vector<std::uint8_t> WriteBillboards(const std::vector<Billboard>& list);

// The shader texts (vs.1.0), as stored in the archive.
const std::string& BillboardShaderText();
const std::string& GrassShaderText();

// One camera key as the track file stores it.
struct CameraKeyPlan {
    Vector3 position;
    bool hasTarget = false;
    Vector3 target{};
    float speed = 3.0f;  // path units per 100 ms
    float hold = 0.0f;   // 100 ms units
};
struct CameraTrackPlan {
    std::string title;  // what the shot shows (for the report)
    bool pivot = false;
    std::vector<CameraKeyPlan> keys;  // 3n + 1 keys in travel order
};

// The sixteen tracks: 0-6 and 10-15 daylight tours, 7-9 the vision's close shots.
std::vector<CameraTrackPlan> MakeCameraTracks(const Ground& ground);
// The track file "Data/Cam_Tracks.evd" (model/track_format.h) of the plans, in order; no
// track is marked or skipped. The model writer's E_INVALIDARG when a plan holds more keys
// than a track can store.
HRESULT WriteCameraTracks(const std::vector<CameraTrackPlan>& tracks,
                          std::vector<std::uint8_t>* out);

// Where the camera eye goes on a track, sampled along every segment (`perSegment` points
// each): the Bezier path, or for a pivot track the look-at points of its segment starts.
std::vector<Vector3> EyePath(const CameraTrackPlan& track, int perSegment);

}  // namespace eh::mediagen::world

namespace eh::mediagen::world {

// Distance from the world point `p` to the nearest solid the camera must keep out of
// (the horse's box, the sword and beam, the oak's trunk and crown); negative inside one.
float ModelClearance(const Vector3& p);

// Length of segment `segment` of a track (chords of the Bezier, as the camera measures
// it) and the seconds the camera needs for it at its end speeds, hold included.
float SegmentLength(const CameraTrackPlan& track, int segment);
float SegmentSeconds(const CameraTrackPlan& track, int segment);

}  // namespace eh::mediagen::world
