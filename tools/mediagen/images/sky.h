// The evening sky: one colour function over world directions, and the two pictures made
// from it, the six sky box faces and the sword's environment cube map.
//
// World frame: Direct3D left-handed, x east, y up, z north. The sun stands at azimuth 225
// degrees, elevation 20 degrees (azimuth 0 = +x, 90 = +z), which is where the corona is
// drawn and where light 0 comes from.
#pragma once

#include <array>

#include "mediagen/images/image.h"

namespace eh::mediagen {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

Vec3 SunDirection();  // unit vector toward the sun

// Colour of the sky and the distant landscape seen in direction d (need not be unit).
// pixelAngle is the angular size of one output pixel in radians; edges of the sun and of
// the hills are smoothed over it.
Color SkyColor(Vec3 d, float pixelAngle);

// Sky box faces, in the order the scene draws them.
enum class SkyFace { kFront, kBack, kLeft, kRight, kTop, kBottom };
constexpr int kSkyFaceCount = 6;
const char* SkyFaceSuffix(SkyFace f);  // "ft", "bk", "lf", "rt", "up", "dn"

// The box is 2000 wide (x, z) and 1500 tall (y), centred on the eye; each face maps texture
// coordinates [m, 1 - m] over its full extent, m = kSkyUvInset. Looking at a face from
// inside, the image's right and down directions are:
//   front (z = +1000): right +x, down -y      back (z = -1000): right -x, down -y
//   left  (x = -1000): right +z, down -y      right (x = +1000): right -z, down -y
//   top   (y = +750):  right +x, down +z      bottom (y = -750): right +x, down -z
// The sky box geometry must use the same table.
constexpr float kSkyUvInset = 0.00075f;
constexpr float kSkyHalfWidth = 1000.0f;
constexpr float kSkyHalfHeight = 750.0f;

// The point on the box (world units, relative to the eye) that texture coordinate (u, v)
// of a face is drawn at.
Vec3 SkyFacePoint(SkyFace f, float u, float v);

Image8 RenderSkyFace(SkyFace f, int size);

// Cube map faces in DDS order +X, -X, +Y, -Y, +Z, -Z with Direct3D's face orientation
// (+X: right = -z, down = -y; +Y: right = +x, down = +z; +Z: right = +x, down = -y, and
// so on), darkened to a mid value because the sword adds the reflection (a + b - ab).
std::array<Image8, 6> RenderEnvironmentCube(int size);
Vec3 CubeFaceDirection(int face, float s, float t);  // s, t in [-1, 1], t downwards

}  // namespace eh::mediagen
