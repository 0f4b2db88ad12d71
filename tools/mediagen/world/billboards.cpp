#include <algorithm>
#include <cmath>

#include "mediagen/world/data_files.h"
#include "mediagen/world/world_math.h"

namespace eh::mediagen::world {
namespace {

struct Keepout {
    float x, z, radius;
};
// The oak, the horse and the sword stay clear of trees.
constexpr Keepout kKeepouts[] = {
    {-533.7f, 135.6f, 95.0f}, {-422.2f, 7.4f, 80.0f}, {222.5f, 62.9f, 200.0f}};

}  // namespace

std::vector<Billboard> MakeBillboards(const Ground& ground) {
    Random random(0xB111B0A2Dull);
    std::vector<Billboard> list;
    // Groves: a few trees around each grove centre on the band 440..585 from the middle.
    while (static_cast<int>(list.size()) < kBillboardCount) {
        const float along = random.Range(0.0f, 4.0f);
        const float inset = random.Range(450.0f, 585.0f);
        const int side = std::min(static_cast<int>(along), 3);
        const float t = (along - static_cast<float>(side)) * 2.0f - 1.0f;  // -1..1 along the side
        float x = 0, z = 0;
        switch (side) {
            case 0:
                x = t * inset;
                z = inset;
                break;
            case 1:
                x = inset;
                z = -t * inset;
                break;
            case 2:
                x = -t * inset;
                z = -inset;
                break;
            default:
                x = -inset;
                z = t * inset;
                break;
        }
        x = Clamp(x, -588.0f, 588.0f);
        z = Clamp(z, -588.0f, 588.0f);
        bool clear = true;
        for (const Keepout& k : kKeepouts) clear = clear && std::hypot(x - k.x, z - k.z) > k.radius;
        for (const Billboard& b : list)
            clear = clear && std::hypot(x - b.anchor.x, z - b.anchor.z) > 14.0f;
        if (!clear) continue;
        Billboard b;
        const int i = static_cast<int>(list.size());
        // The extremes of the size range occur once each; the rest lie between.
        b.size =
            i == 0 ? kBillboardMinSize : (i == 1 ? kBillboardMaxSize : random.Range(27.0f, 60.0f));
        b.size = std::round(b.size * 10.0f) / 10.0f;
        b.kind = 0;
        const float sink = 0.03f * b.size;
        b.anchor = Vector3{x, ground.SurfaceAt(x, z) + 1.5f * b.size - sink, z};
        list.push_back(b);
    }
    // Kinds: 84 of kind 0 and 75 of kind 1, mixed evenly along the list.
    int zeros = 0;
    for (int i = 0; i < kBillboardCount; ++i) {
        const int wantZeros = (i + 1) * kBillboardKind0 / kBillboardCount;
        list[static_cast<std::size_t>(i)].kind = zeros < wantZeros ? 0 : 1;
        if (list[static_cast<std::size_t>(i)].kind == 0) ++zeros;
    }
    return list;
}

std::vector<std::uint8_t> WriteBillboards(const std::vector<Billboard>& list) {
    return model::billboard::Write(list);
}

}  // namespace eh::mediagen::world
