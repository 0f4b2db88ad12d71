#include "mediagen/images/sky.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mediagen/images/image_codecs.h"
#include "tests/mediagen/images/format_readers.h"

namespace eh::mediagen {
namespace {

constexpr float kM = kSkyUvInset;

// Which face a ray from the eye hits, and where (texture coordinates with the inset).
void SkyFaceAt(Vec3 d, SkyFace* face, float* u, float* v) {
    float tx = kSkyHalfWidth / std::max(std::fabs(d.x), 1e-9f);
    float ty = kSkyHalfHeight / std::max(std::fabs(d.y), 1e-9f);
    float tz = kSkyHalfWidth / std::max(std::fabs(d.z), 1e-9f);
    float t = std::min({tx, ty, tz});
    Vec3 p{d.x * t, d.y * t, d.z * t};
    float a = 0, b = 0, w = kSkyHalfWidth, h = kSkyHalfHeight;
    if (t == ty) {
        *face = d.y > 0 ? SkyFace::kTop : SkyFace::kBottom;
        a = p.x / w;
        b = d.y > 0 ? p.z / w : -p.z / w;
    } else if (t == tz) {
        *face = d.z > 0 ? SkyFace::kFront : SkyFace::kBack;
        a = d.z > 0 ? p.x / w : -p.x / w;
        b = -p.y / h;
    } else {
        *face = d.x > 0 ? SkyFace::kRight : SkyFace::kLeft;
        a = d.x > 0 ? -p.z / w : p.z / w;
        b = -p.y / h;
    }
    *u = kM + (a + 1) / 2 * (1 - 2 * kM);
    *v = kM + (b + 1) / 2 * (1 - 2 * kM);
}

void CubeFaceAt(Vec3 d, int* face, float* s, float* t) {
    float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ax >= ay && ax >= az) {
        *face = d.x > 0 ? 0 : 1;
        *s = d.x > 0 ? -d.z / ax : d.z / ax;
        *t = -d.y / ax;
    } else if (ay >= az) {
        *face = d.y > 0 ? 2 : 3;
        *s = d.x / ay;
        *t = d.y > 0 ? d.z / ay : -d.z / ay;
    } else {
        *face = d.z > 0 ? 4 : 5;
        *s = d.z > 0 ? d.x / az : -d.x / az;
        *t = -d.y / az;
    }
}

float Sample(const Image8& img, float u, float v, int k) {
    float x = std::clamp(u * img.width - 0.5f, 0.0f, img.width - 1.0f);
    float y = std::clamp(v * img.height - 0.5f, 0.0f, img.height - 1.0f);
    int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    int x1 = std::min(x0 + 1, img.width - 1), y1 = std::min(y0 + 1, img.height - 1);
    float fx = x - x0, fy = y - y0;
    float a = img.at(x0, y0)[k] * (1 - fx) + img.at(x1, y0)[k] * fx;
    float b = img.at(x0, y1)[k] * (1 - fx) + img.at(x1, y1)[k] * fx;
    return a * (1 - fy) + b * fy;
}

struct SeamStats {
    double seamMean = 0, interiorMean = 0, seamMax = 0;
};

// Compares every border texel of every face with the texel one step beyond the border,
// which lies on the neighbouring face; interior neighbours give the reference.
template <class PointAt, class FaceAt>
SeamStats MeasureSeams(const std::array<Image8, 6>& faces, PointAt pointAt, FaceAt faceAt) {
    SeamStats st;
    size_t seamN = 0, interiorN = 0;
    int n = faces[0].width;
    for (int f = 0; f < 6; ++f) {
        for (int side = 0; side < 4; ++side) {
            for (int i = 0; i < n; ++i) {
                int x = side == 0 ? 0 : side == 1 ? n - 1 : i;
                int y = side == 2 ? 0 : side == 3 ? n - 1 : i;
                int ox = side == 0   ? -1
                         : side == 1 ? 1
                                     : 0,
                    oy = side == 2   ? -1
                         : side == 3 ? 1
                                     : 0;
                Vec3 beyond = pointAt(f, (x + ox + 0.5f) / n, (y + oy + 0.5f) / n);
                int g = 0;
                float u = 0, v = 0;
                faceAt(beyond, &g, &u, &v);
                EXPECT_NE(g, f) << "step beyond face " << f << " side " << side << " stays on it";
                for (int k = 0; k < 3; ++k) {
                    double diff = std::fabs(faces[f].at(x, y)[k] - Sample(faces[g], u, v, k));
                    st.seamMean += diff;
                    st.seamMax = std::max(st.seamMax, diff);
                    ++seamN;
                    int ix = std::clamp(x - ox, 0, n - 1), iy = std::clamp(y - oy, 0, n - 1);
                    st.interiorMean += std::abs(faces[f].at(x, y)[k] - faces[f].at(ix, iy)[k]);
                    ++interiorN;
                }
            }
        }
    }
    st.seamMean /= seamN;
    st.interiorMean /= interiorN;
    return st;
}

TEST(SkyFaces, CornersOfEveryFaceAreBoxCornersAndEdgesFollowTheTable) {
    for (int f = 0; f < kSkyFaceCount; ++f) {
        for (float u : {kM, 1 - kM}) {
            for (float v : {kM, 1 - kM}) {
                Vec3 p = SkyFacePoint(static_cast<SkyFace>(f), u, v);
                EXPECT_NEAR(std::fabs(p.x), 1000, 1e-2) << f;
                EXPECT_NEAR(std::fabs(p.y), 750, 1e-2) << f;
                EXPECT_NEAR(std::fabs(p.z), 1000, 1e-2) << f;
            }
        }
    }
    // Inside view: front's left edge meets left's right edge; back's right edge meets left's
    // left edge (where the sun stands); top's bottom row meets front's top row.
    Vec3 a = SkyFacePoint(SkyFace::kFront, kM, 0.3f),
         b = SkyFacePoint(SkyFace::kLeft, 1 - kM, 0.3f);
    EXPECT_NEAR(a.x, b.x, 1e-2);
    EXPECT_NEAR(a.y, b.y, 1e-2);
    EXPECT_NEAR(a.z, b.z, 1e-2);
    a = SkyFacePoint(SkyFace::kBack, 1 - kM, 0.5f);
    b = SkyFacePoint(SkyFace::kLeft, kM, 0.5f);
    EXPECT_NEAR(a.x, -1000, 1e-2);
    EXPECT_NEAR(a.z, -1000, 1e-2);
    EXPECT_NEAR(b.x, -1000, 1e-2);
    EXPECT_NEAR(b.z, -1000, 1e-2);
    a = SkyFacePoint(SkyFace::kTop, 0.4f, 1 - kM);
    b = SkyFacePoint(SkyFace::kFront, 0.4f, kM);
    EXPECT_NEAR(a.x, b.x, 1e-2);
    EXPECT_NEAR(a.z, b.z, 1e-2);
    a = SkyFacePoint(SkyFace::kBottom, 0.4f, kM);
    b = SkyFacePoint(SkyFace::kFront, 0.4f, 1 - kM);
    EXPECT_NEAR(a.x, b.x, 1e-2);
    EXPECT_NEAR(a.z, b.z, 1e-2);
}

class SkyBoxImages : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (int f = 0; f < kSkyFaceCount; ++f) {
            // Through the JPEG encoder, as the program will see them.
            ASSERT_TRUE(
                DecodeJpeg(EncodeJpeg(RenderSkyFace(static_cast<SkyFace>(f), 256), 92), faces_[f]));
        }
    }
    static std::array<Image8, 6> faces_;
};
std::array<Image8, 6> SkyBoxImages::faces_;

TEST_F(SkyBoxImages, NeighbouringFacesAgreeAtEveryEdge) {
    SeamStats st = MeasureSeams(
        faces_, [](int f, float u, float v) { return SkyFacePoint(static_cast<SkyFace>(f), u, v); },
        [](Vec3 d, int* g, float* u, float* v) {
            SkyFace face;
            SkyFaceAt(d, &face, u, v);
            *g = static_cast<int>(face);
        });
    EXPECT_LT(st.seamMean, 2 * st.interiorMean + 1.5) << "interior " << st.interiorMean;
    EXPECT_LT(st.seamMax, 60);
}

TEST_F(SkyBoxImages, SunGlowsAtTheBackLeftEdgeAtTwentyDegrees) {
    // The sun's texel: on the edge between back and left, which is 1000 * sqrt(2) away
    // horizontally, so v = 0.5 - tan(20 deg) * 1414.2 / 1500 (about 0.157).
    float sunV = 0.5f - std::tan(20 * 3.14159265f / 180) * 1000 * std::sqrt(2.0f) / 1500;
    for (SkyFace f : {SkyFace::kBack, SkyFace::kLeft}) {
        const Image8& img = faces_[static_cast<int>(f)];
        float best = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) best = std::max(best, test::Luma(img.at(x, y)));
        EXPECT_GT(best, 240);
        // Centre of the brightest texels (the glow saturates around the disc).
        double sx = 0, sy = 0, n = 0;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                if (test::Luma(img.at(x, y)) >= best - 3) sx += x + 0.5, sy += y + 0.5, n += 1;
            }
        }
        EXPECT_NEAR(sy / n / img.height, sunV, 0.03f);
        if (f == SkyFace::kBack) {
            EXPECT_GT(sx / n, img.width * 0.95f);
        } else {
            EXPECT_LT(sx / n, img.width * 0.05f);
        }
    }
    // Opposite the sun (front and right faces) the sky stays below full brightness.
    for (SkyFace f : {SkyFace::kFront, SkyFace::kRight}) {
        const Image8& img = faces_[static_cast<int>(f)];
        for (int y = 0; y < img.height; y += 8)
            for (int x = 0; x < img.width; x += 8) EXPECT_LT(test::Luma(img.at(x, y)), 250);
    }
}

TEST_F(SkyBoxImages, SkyAboveIsBlueAndLandBelowIsGreen) {
    const Image8& top = faces_[static_cast<int>(SkyFace::kTop)];
    const Image8& bottom = faces_[static_cast<int>(SkyFace::kBottom)];
    double topBlue = 0, topRed = 0, downGreen = 0, downBlue = 0;
    for (int y = 0; y < top.height; ++y) {
        for (int x = 0; x < top.width; ++x) {
            topBlue += top.at(x, y)[2];
            topRed += top.at(x, y)[0];
            downGreen += bottom.at(x, y)[1];
            downBlue += bottom.at(x, y)[2];
        }
    }
    EXPECT_GT(topBlue, topRed);
    EXPECT_GT(downGreen, downBlue * 1.5);
}

TEST(EnvironmentCube, FacesJoinAndStayMidValued) {
    std::array<Image8, 6> faces = RenderEnvironmentCube(32);
    SeamStats st = MeasureSeams(
        faces, [](int f, float u, float v) { return CubeFaceDirection(f, u * 2 - 1, v * 2 - 1); },
        [](Vec3 d, int* g, float* u, float* v) {
            float s, t;
            CubeFaceAt(d, g, &s, &t);
            *u = (s + 1) / 2;
            *v = (t + 1) / 2;
        });
    EXPECT_LT(st.seamMean, 2 * st.interiorMean + 1.5) << "interior " << st.interiorMean;
    double up = 0, down = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            up += test::Luma(faces[2].at(x, y));
            down += test::Luma(faces[3].at(x, y));
            for (int f = 0; f < 6; ++f) EXPECT_EQ(faces[f].at(x, y)[3], 255);
        }
    EXPECT_GT(up, down * 1.3);             // sky above, ground below
    EXPECT_LT(up / (32 * 32), 0.7 * 255);  // mid value, so ADDSMOOTH does not saturate
}

}  // namespace
}  // namespace eh::mediagen
