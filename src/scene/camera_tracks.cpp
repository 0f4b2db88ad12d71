#include "scene/camera_tracks.h"

#include <algorithm>
#include <cmath>

#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {

constexpr float kDegreesPerRadian = 57.29578f;
// How far ahead of the eye the camera aims, in segment parameter units (0.035 chord).
constexpr float kAimAhead = 0.035f / CameraTrack::kSamplesPerSegment;

using model::Length;
using model::Subtract;

// Normalises `v` into `out`; false (and `out` untouched) for a zero vector.
bool normalise(const Vector3& v, Vector3& out) {
    float l = Length(v);
    if (!(l > 1e-12f)) return false;
    out = {v.x / l, v.y / l, v.z / l};
    return true;
}

float clampUnit(float v) { return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v); }


}  // namespace

std::array<Vector3, 4> CameraTrack::ControlPoints(int segment) const {
    std::array<Vector3, 4> p{};
    for (int i = 0; i < 4; ++i) {
        int k = segment * 3 + i;
        if (k >= 0 && k < kMaxKeys) p[static_cast<std::size_t>(i)] = keys[static_cast<std::size_t>(k)].position;
    }
    return p;
}

CameraTrackFile CameraTrackFile::Parse(const std::uint8_t* data, std::size_t size) {
    CameraTrackFile file;
    for (const model::track::Track& stored : model::track::Parse(data, size).tracks) {
        CameraTrack track;
        track.marker = stored.marker;
        track.skip = stored.skip;
        track.pivot = stored.pivot;
        // The parser keeps at most kMaxKeys keys per track.
        track.keyCount = static_cast<int>(stored.keys.size());
        std::copy(stored.keys.begin(), stored.keys.end(), track.keys.begin());
        file.tracks.push_back(track);
    }
    return file;
}

const CameraTrack* CameraTrackSet::current() const {
    if (current_ < 0 || current_ >= TrackCount()) return nullptr;
    return &tracks_[static_cast<std::size_t>(current_)];
}

bool CameraTrackSet::CurrentIsPivot() const {
    const CameraTrack* t = current();
    return t != nullptr && t->pivot;
}

Vector3 CameraTrackSet::bezier(int segment, float t) const {
    const CameraTrack* track = current();
    std::array<Vector3, 4> p = track ? track->ControlPoints(segment) : std::array<Vector3, 4>{};
    Vector3 out{};
    model::BezierPoint(&out, t, p.data());
    return out;
}

bool CameraTrackSet::segmentHasTarget(int segment) const {
    const CameraTrack* t = current();
    if (t == nullptr || !lookAtTargets_) return false;
    int k = segment * 3;
    return k >= 0 && k < CameraTrack::kMaxKeys && t->keys[static_cast<std::size_t>(k)].hasTarget;
}

void CameraTrackSet::sampleSegment() {
    constexpr int n = CameraTrack::kSamplesPerSegment;
    if (sampleTrack_ == current_ && sampleSegment_ == segment_ &&
        samples_.size() == static_cast<std::size_t>(n) + 1)
        return;
    samples_.resize(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i)
        samples_[static_cast<std::size_t>(i)] = bezier(segment_, 1.0f - static_cast<float>(i) / n);
    sampleTrack_ = current_;
    sampleSegment_ = segment_;
}

void CameraTrackSet::Load(const CameraTrackFile& file) {
    sampleTrack_ = sampleSegment_ = -1;
    tracks_.assign(file.tracks.begin(), file.tracks.end());
    if (tracks_.size() > static_cast<std::size_t>(CameraTrackFile::kMaxTracks))
        tracks_.resize(CameraTrackFile::kMaxTracks);
    for (int t = 0; t < TrackCount(); ++t) {
        current_ = t;
        tracks_[static_cast<std::size_t>(t)].pathBuffer = -1;
        Prepare();
    }
    current_ = 0;
}

void CameraTrackSet::Prepare() {
    if (current_ < 0 || current_ >= TrackCount()) return;
    CameraTrack& track = tracks_[static_cast<std::size_t>(current_)];
    if (track.keyCount < 2) return;
    track.segmentCount = (track.keyCount - 1) / 3;
    constexpr int n = CameraTrack::kSamplesPerSegment;
    for (int k = 0; k < track.segmentCount; ++k) {
        float sum = 0.0f;
        Vector3 prev = bezier(k, 1.0f);
        for (int i = 1; i <= n; ++i) {
            Vector3 p = bezier(k, 1.0f - static_cast<float>(i) / n);
            sum += Length(Subtract(p, prev));
            prev = p;
        }
        track.segmentLengths[static_cast<std::size_t>(k)] = sum;
    }
}

float CameraTrackSet::YawOf(const Vector3& d) {
    if (d.x == 0.0f) return d.z > 0.0f ? 90.0f : (d.z < 0.0f ? 270.0f : 0.0f);
    float yaw = std::atan(d.z / d.x) * kDegreesPerRadian;
    if (d.x < 0.0f) yaw += 180.0f;
    else if (d.z < 0.0f) yaw += 360.0f;
    return yaw;
}

float CameraTrackSet::PitchOf(const Vector3& d) { return std::asin(clampUnit(d.y)) * kDegreesPerRadian; }

void CameraTrackSet::Start(int track, int segment) {
    current_ = track;
    cut_ = false;
    distance_ = 0.0f;
    segment_ = segment;
    const CameraTrack* t = current();
    int k = segment * 3;
    bool validKey = t != nullptr && k >= 0 && k < CameraTrack::kMaxKeys;
    hold_ = validKey ? t->keys[static_cast<std::size_t>(k)].hold : 0.0f;

    Vector3 aim;
    if (validKey && segmentHasTarget(segment)) {
        eye_ = t->keys[static_cast<std::size_t>(k)].position;
        aim = t->keys[static_cast<std::size_t>(k)].target;
    } else {
        eye_ = bezier(segment, 1.0f);
        aim = bezier(segment, 0.965f);
    }
    pathPoint_ = eye_;
    Vector3 d;
    if (normalise(Subtract(aim, eye_), d)) {
        pitch_ = PitchOf(d);
        yaw_ = YawOf(d);
    }
}

void CameraTrackSet::Update(float s) {
    cut_ = false;
    if (s == 0.0f) s = 0.0001f;
    const CameraTrack* t = current();
    // A track without segments, or a segment that has no length, can never be travelled:
    // it ends at once instead of stepping through zero-length segments forever.
    if (t == nullptr || t->segmentCount <= 0 || segment_ < 0 || segment_ >= t->segmentCount ||
        !(t->segmentLengths[static_cast<std::size_t>(segment_)] > 0.0f)) {
        cut_ = true;
        return;
    }

    bool moving = true;
    float step = s;
    if (hold_ > 0.0f) {
        hold_ -= s;
        if (hold_ > 0.0f) {
            moving = false;
        } else {
            step = -hold_;  // only the overshoot moves the camera
            hold_ = 0.0f;
        }
    }

    if (moving) {
        auto keyAt = [&](int i) -> const CameraKey& { return t->keys[static_cast<std::size_t>(i)]; };
        int k = segment_;
        float length = t->segmentLengths[static_cast<std::size_t>(k)];
        float startSpeed = keyAt(3 * k).speed;
        float endSpeed = keyAt(std::min(3 * k + 3, CameraTrack::kMaxKeys - 1)).speed;
        speed_ = startSpeed + (endSpeed - startSpeed) * distance_ / length;
        if (speed_ < 0.01f) speed_ = 0.01f;
        distance_ += step * speed_;
        while (distance_ > t->segmentLengths[static_cast<std::size_t>(segment_)]) {
            distance_ -= t->segmentLengths[static_cast<std::size_t>(segment_)];
            segment_ += 1;
            if (segment_ >= t->segmentCount) {
                segment_ = 0;
                cut_ = true;
            }
            hold_ = keyAt(3 * segment_).hold;
            if (!(t->segmentLengths[static_cast<std::size_t>(segment_)] > 0.0f)) {
                cut_ = true;
                distance_ = 0.0f;
                break;
            }
        }
    }

    // Eye by arc length: walk the segment in the same chords as Prepare. The walk starts
    // with the zero-length chord from B(1) to itself.
    constexpr int n = CameraTrack::kSamplesPerSegment;
    float sum = 0.0f;
    float last = 0.0f;
    int walked = 0;
    sampleSegment();
    Vector3 prev = samples_[0];
    while (sum < distance_ && walked <= n) {
        const Vector3& p = samples_[static_cast<std::size_t>(walked)];
        last = Length(Subtract(p, prev));
        sum += last;
        prev = p;
        ++walked;
    }
    float u = 0.0f;
    if (walked > 0 && last > 0.0f) {
        // Chord `walked - 1` runs from sample walked-2 to walked-1: its start lies at
        // parameter (walked - 2) / n. Counting from there keeps the eye continuous across
        // segment starts.
        u = (static_cast<float>(walked - 2) + (distance_ - (sum - last)) / last) / n;
        if (u < 0.0f) u = 0.0f;
    }
    eye_ = bezier(segment_, 1.0f - u);
    pathPoint_ = eye_;

    if (sum == distance_ || last == 0.0f) return;  // orientation kept for this update

    Vector3 aim = bezier(segment_, 1.0f - (u + kAimAhead));
    if (segmentHasTarget(segment_)) aim = t->keys[static_cast<std::size_t>(3 * segment_)].target;
    Vector3 d;
    if (!normalise(Subtract(aim, eye_), d)) return;

    float k = s * turnRate_;
    float targetPitch = PitchOf(d);
    float dp = targetPitch - pitch_;
    if (std::fabs(k * dp) >= std::fabs(dp)) pitch_ = targetPitch;
    else pitch_ += k * dp;

    float targetYaw = YawOf(d);
    if (yaw_ > 360.0f) yaw_ -= 360.0f;
    if (yaw_ < 0.0f) yaw_ += 360.0f;
    float dy = targetYaw - yaw_;
    if (dy > 180.0f) dy -= 360.0f;
    if (dy < -180.0f) dy += 360.0f;
    yaw_ += (k > 1.0f) ? dy : dy * k;
    if (yaw_ >= 360.0f) yaw_ -= 360.0f;
    if (yaw_ < 0.0f) yaw_ += 360.0f;
}

void CameraTrackSet::ApplyPivot() {
    const CameraTrack* t = current();
    int k = segment_ * 3;
    if (t == nullptr || k < 0 || k >= CameraTrack::kMaxKeys) return;
    eye_ = t->keys[static_cast<std::size_t>(k)].target;
    Vector3 d;
    if (!normalise(Subtract(pathPoint_, eye_), d)) return;
    pitch_ = PitchOf(d);
    // A direction straight along ±z faces 90° or 270°, not 0°.
    yaw_ = YawOf(d);
}

void CameraTrackSet::BuildPlaylist(CameraPlaylist& playlist) const {
    auto skipped = [&](int t) { return t < TrackCount() && tracks_[static_cast<std::size_t>(t)].skip; };
    auto shuffle = [&](int from, int to) {
        int n = to - from;
        int swaps = static_cast<int>(os::RandomUnit() * 100.0f + 25.0f);
        for (int i = 0; i < swaps; ++i) {
            int a = from + os::RandomIndex(n > 0 ? n : 1);
            int b = from + os::RandomIndex(n > 0 ? n : 1);
            if (n > 0) std::swap(playlist.entries[static_cast<std::size_t>(a)],
                                 playlist.entries[static_cast<std::size_t>(b)]);
        }
    };
    auto special = [&]() { return 7 + os::RandomIndex(3); };

    playlist.count = 0;
    for (int t = 0; t <= 6; ++t)
        if (!skipped(t)) playlist.entries[static_cast<std::size_t>(playlist.count++)] = t;
    shuffle(0, playlist.count);
    if (playlist.count > 0) --playlist.count;
    int sp = special();
    if (playlist.count > 0) playlist.entries[static_cast<std::size_t>(playlist.count - 1)] = sp;

    int second = playlist.count;
    for (int t = 10; t <= 15; ++t)
        if (!skipped(t)) playlist.entries[static_cast<std::size_t>(playlist.count++)] = t;
    shuffle(second, playlist.count);
    // Two, not three: the second group keeps three of its tracks before its special one.
    playlist.count = playlist.count >= second + 2 ? playlist.count - 2 : second;
    sp = special();
    if (playlist.count > second) playlist.entries[static_cast<std::size_t>(playlist.count - 1)] = sp;
    playlist.position = 0;
}

}  // namespace eh::scene
