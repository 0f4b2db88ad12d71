// Checks on the whole generated set: names, formats, sizes, alpha rules, tiling and
// determinism, read back from the encoded bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "mediagen/images/catalog.h"
#include "mediagen/images/image_codecs.h"
#include "tests/mediagen/images/format_readers.h"

namespace eh::mediagen {
namespace {

using test::Luma;

class PictureSet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pictures_ = GenerateAllPictures();
        for (const Picture& p : pictures_) byPath_[p.path] = &p;
    }
    static const Picture& Get(const std::string& path) {
        auto it = byPath_.find(path);
        if (it == byPath_.end()) {
            ADD_FAILURE() << "missing " << path;
            static Picture empty;
            return empty;
        }
        return *it->second;
    }
    static Image8 Jpeg(const std::string& path) {
        Image8 img;
        EXPECT_TRUE(DecodeJpeg(Get(path).bytes, img)) << path;
        return img;
    }
    static Image8 Tga(const std::string& path, int expectBits) {
        Image8 img;
        int bits = 0;
        EXPECT_TRUE(test::ReadTga(Get(path).bytes, img, &bits)) << path;
        EXPECT_EQ(bits, expectBits) << path;
        return img;
    }
    static Image8 Bmp(const std::string& path) {
        Image8 img;
        EXPECT_TRUE(test::ReadBmp24(Get(path).bytes, img)) << path;
        return img;
    }
    static std::vector<Picture> pictures_;
    static std::map<std::string, const Picture*> byPath_;
};
std::vector<Picture> PictureSet::pictures_;
std::map<std::string, const Picture*> PictureSet::byPath_;

TEST_F(PictureSet, EveryRequestedTextureExistsOnceUnderNormalisedNames) {
    std::vector<std::string> required = {
        "Texture/grass5.tga",      "Texture/particle.tga",    "Texture/tree00.tga",
        "Texture/tree01.tga",      "Texture/Rays.BMP",        "Texture/Ribbon.tga",
        "Texture/corona.tga",      "Texture/Env_cubemap.dds", "Texture/Terra/Ground.jpg",
        "Texture/Terra/Black.bmp", "Texture/sl010.jpg"};
    for (int i = 1; i <= 9; ++i) required.push_back("Texture/sl0" + std::to_string(i) + ".jpg");
    for (const char* s : {"ft", "bk", "lf", "rt", "up", "dn"})
        required.push_back(std::string("Texture/mpcarentan_") + s + ".jpg");
    for (const std::string& r : required) {
        const Picture& p = Get(r);
        EXPECT_EQ(p.archive, 453) << r;
        std::string entry = r;
        std::replace(entry.begin(), entry.end(), '/', '\\');
        EXPECT_EQ(p.entry, entry);
    }
    // The archive reader upper-cases names and maps both slashes to '_': the first match
    // wins, so names must stay distinct under that mapping.
    std::set<std::string> seen;
    for (const Picture& p : pictures_) {
        std::string key = p.path;
        for (char& c : key)
            c = c == '/' || c == '\\'
                    ? '_'
                    : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(key).second) << p.path;
        EXPECT_FALSE(p.bytes.empty()) << p.path;
    }
    EXPECT_EQ(Get("Texture/sl010.jpg").path.find("sl10"), std::string::npos);
}

TEST_F(PictureSet, ClockDigitsAreWhiteGlyphsOnBlackInsideTheAdvance) {
    int count = 0;
    for (const Picture& p : pictures_) {
        if (p.archive != 452) continue;
        ++count;
        EXPECT_EQ(p.path.rfind("Digits/digit_", 0), 0u) << p.path;
        EXPECT_EQ(p.path.substr(p.path.size() - 4), ".jpg");
        Image8 img = Jpeg(p.path);
        ASSERT_EQ(img.width, 64);
        ASSERT_EQ(img.height, 64);
        float peak = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                float l = Luma(img.at(x, y));
                peak = std::max(peak, l);
                // Glyphs overlap by 21 % of their width: ink keeps to the central 79 %.
                if (x < 6 || x > 57 || y < 4 || y > 59) {
                    EXPECT_LT(l, 20) << p.path << " " << x << "," << y;
                }
                EXPECT_LT(std::abs(img.at(x, y)[0] - img.at(x, y)[2]), 12);  // neutral
            }
        }
        EXPECT_GT(peak, 240) << p.path;
    }
    EXPECT_EQ(count, 15);
    EXPECT_TRUE(byPath_.count("Digits/digit_ddot.jpg") && byPath_.count("Digits/digit_P.jpg"));
}

TEST_F(PictureSet, TreesAreFullSizeCutOutsWithAClearMargin) {
    for (const char* name : {"Texture/tree00.tga", "Texture/tree01.tga"}) {
        EXPECT_EQ(Get(name).bytes.size(), 1048594u);
        Image8 img = Tga(name, 32);
        ASSERT_EQ(img.width, 512);
        int shown = 0, faint = 0;
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                int a = img.at(x, y)[3];
                if (x < 14 || y < 14 || x >= 498 || y >= 498) {
                    EXPECT_EQ(a, 0);
                }
                // Alpha test at 48 against alpha * 70 / 255: 175 and up shows.
                if (a >= 175)
                    ++shown;
                else if (a > 0)
                    ++faint;
            }
        }
        EXPECT_GT(shown, 512 * 512 / 8) << name;
        EXPECT_LT(faint, shown / 5) << name;
        // The trunk stands on the bottom of the shown area.
        int foot = 0;
        for (int x = 200; x < 312; ++x) foot += img.at(x, 494)[3] >= 175;
        EXPECT_GT(foot, 4) << name;
    }
    // Two distinct silhouettes.
    Image8 a = Tga("Texture/tree00.tga", 32), b = Tga("Texture/tree01.tga", 32);
    int differ = 0;
    for (size_t i = 3; i < a.rgba.size(); i += 4)
        differ += (a.rgba[i] >= 175) != (b.rgba[i] >= 175);
    EXPECT_GT(differ, 512 * 512 / 10);
}

TEST_F(PictureSet, GrassRisesFromTheBottomEdgeWithTransparentSurroundings) {
    Image8 img = Tga("Texture/grass5.tga", 32);
    int bottom = 0, top = 0;
    for (int x = 0; x < img.width; ++x) {
        bottom += img.at(x, img.height - 1)[3] > 200;
        top += img.at(x, 1)[3] > 30;
    }
    EXPECT_GT(bottom, img.width / 6);
    EXPECT_LT(top, img.width / 20);
    EXPECT_EQ(img.at(0, 0)[3], 0);
    EXPECT_EQ(img.at(img.width - 1, 0)[3], 0);
}

TEST_F(PictureSet, SparklePassesTheAlphaTestOnlyInItsCore) {
    Image8 img = Tga("Texture/particle.tga", 32);
    int n = img.width;
    EXPECT_GE(img.at(n / 2, n / 2)[3], 230);
    int passing = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            float r = std::hypot(x + 0.5f - n / 2.0f, y + 0.5f - n / 2.0f) / (n / 2.0f);
            int a = img.at(x, y)[3];
            if (a >= 100) {
                ++passing;
                EXPECT_LT(r, 0.6f) << x << "," << y;
            }
            if (r >= 1.0f) {
                EXPECT_EQ(a, 0);
            }
        }
    }
    EXPECT_LT(passing, n * n / 6);
    EXPECT_GT(passing, 20);
}

TEST_F(PictureSet, CoronaFallsToZeroAtItsEdge) {
    Image8 img = Tga("Texture/corona.tga", 32);
    int n = img.width;
    EXPECT_GE(img.at(n / 2, n / 2)[3], 250);
    double ring[4] = {0, 0, 0, 0};
    int ringN[4] = {0, 0, 0, 0};
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            float r = std::hypot(x + 0.5f - n / 2.0f, y + 0.5f - n / 2.0f) / (n / 2.0f);
            const uint8_t* p = img.at(x, y);
            if (r >= 0.98f) {
                EXPECT_EQ(p[3], 0);
                EXPECT_EQ(p[0] + p[1] + p[2], 0);
            }
            EXPECT_EQ(p[0], p[2]);  // neutral: the vertex colour tints it
            int band = std::min(3, static_cast<int>(r * 4));
            ring[band] += p[3];
            ++ringN[band];
        }
    }
    for (int b = 0; b + 1 < 4; ++b) EXPECT_GT(ring[b] / ringN[b], ring[b + 1] / ringN[b + 1]);
}

TEST_F(PictureSet, RaysAreStreaksOnBlackInTwoHalves) {
    Image8 img = Bmp("Texture/Rays.BMP");
    ASSERT_EQ(img.width, 256);
    ASSERT_EQ(img.height, 512);
    for (int x = 0; x < 256; ++x) {
        EXPECT_LT(Luma(img.at(x, 0)), 3);
        EXPECT_LT(Luma(img.at(x, 511)), 3);
    }
    for (int y = 0; y < 512; ++y)
        for (int x : {0, 127, 128, 255}) EXPECT_LT(Luma(img.at(x, y)), 3);
    float left = 0, right = 0;
    for (int x = 0; x < 256; ++x) {
        float l = Luma(img.at(x, 256));
        (x < 128 ? left : right) = std::max(x < 128 ? left : right, l);
    }
    EXPECT_GT(left, 150);
    EXPECT_GT(right, 150);
}

TEST_F(PictureSet, VisionsAreTenDistinctLightOnBlackPictures) {
    std::vector<Image8> images;
    for (int i = 1; i <= 10; ++i)
        images.push_back(Jpeg("Texture/sl0" + std::to_string(i) + ".jpg"));
    for (size_t i = 0; i < images.size(); ++i) {
        const Image8& img = images[i];
        ASSERT_EQ(img.width, 512);
        double sum = 0;
        float peak = 0;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                float l = Luma(img.at(x, y));
                sum += l;
                peak = std::max(peak, l);
                bool border = x < 4 || y < 4 || x >= img.width - 4 || y >= img.height - 4;
                if (border) {
                    EXPECT_LT(l, 4) << i << " " << x << "," << y;
                }
            }
        }
        EXPECT_LT(sum / (512 * 512), 60) << i;  // mostly dark: added to the screen
        EXPECT_GT(peak, 200) << i;
        for (size_t j = 0; j < i; ++j) {
            double diff = 0;
            for (size_t k = 0; k < img.rgba.size(); k += 4)
                diff += std::abs(img.rgba[k + 1] - images[j].rgba[k + 1]);
            EXPECT_GT(diff / (512 * 512), 5) << i << " vs " << j;
        }
    }
}

// The figures only read when their key parts are lit where the drawing puts them and the
// space that shapes their silhouette stays dark: a moved or lost part shows up here.
TEST_F(PictureSet, VisionKnightAndHorseShowTheirKeyParts) {
    Image8 knight = Jpeg("Texture/sl01.jpg");
    ASSERT_EQ(knight.width, 512);
    EXPECT_GT(Luma(knight.at(256, 138)), 200);  // the visor slit
    EXPECT_GT(Luma(knight.at(256, 420)), 200);  // the blade below the guard
    EXPECT_GT(Luma(knight.at(152, 140)), 100);  // the ring of light beside the helm
    EXPECT_LT(Luma(knight.at(190, 100)), 90);   // the dark between ring and helm

    Image8 horse = Jpeg("Texture/sl08.jpg");
    ASSERT_EQ(horse.width, 512);
    EXPECT_GT(Luma(horse.at(182, 118)), 180);  // the eye, high on the left
    EXPECT_GT(Luma(horse.at(430, 330)), 70);   // the tail flying out to the right
    EXPECT_LT(Luma(horse.at(270, 400)), 40);   // the gap under the reared body
    EXPECT_LT(Luma(horse.at(120, 380)), 20);   // nothing below the raised forelegs
}

TEST_F(PictureSet, GroundTilesWithoutASeam) {
    Image8 img = Jpeg("Texture/Terra/Ground.jpg");
    ASSERT_EQ(img.width, 512);
    ASSERT_EQ(img.height, 512);
    auto colDiff = [&](int a, int b) {
        double d = 0;
        for (int y = 0; y < 512; ++y)
            for (int k = 0; k < 3; ++k) d += std::abs(img.at(a, y)[k] - img.at(b, y)[k]);
        return d / (512 * 3);
    };
    auto rowDiff = [&](int a, int b) {
        double d = 0;
        for (int x = 0; x < 512; ++x)
            for (int k = 0; k < 3; ++k) d += std::abs(img.at(x, a)[k] - img.at(x, b)[k]);
        return d / (512 * 3);
    };
    double interiorCol = 0, interiorRow = 0;
    for (int i = 100; i < 110; ++i) {
        interiorCol += colDiff(i, i + 1) / 10;
        interiorRow += rowDiff(i, i + 1) / 10;
    }
    // Wrapping neighbours differ no more than ordinary neighbours do.
    EXPECT_LT(colDiff(511, 0), interiorCol * 1.5 + 1);
    EXPECT_LT(rowDiff(511, 0), interiorRow * 1.5 + 1);
    // ... while a far column is clearly different, so the comparison means something.
    EXPECT_GT(colDiff(0, 256), interiorCol);
}

TEST_F(PictureSet, FormatsAndSizesOfTheRemainingPictures) {
    struct Expect {
        const char* path;
        int w, h;
    };
    for (Expect e :
         {Expect{"Texture/horse.jpg", 512, 512}, Expect{"Texture/sword.jpg", 256, 512},
          Expect{"Texture/oak_bark.jpg", 256, 512}, Expect{"Texture/oak_leaves.jpg", 256, 256},
          Expect{"resources/loading_491.jpg", 512, 512}}) {
        Image8 img = Jpeg(e.path);
        EXPECT_EQ(img.width, e.w) << e.path;
        EXPECT_EQ(img.height, e.h) << e.path;
        // Baseline (SOF0) with 4:4:4 sampling: component sampling bytes are 0x11.
        const std::vector<uint8_t>& b = Get(e.path).bytes;
        static const uint8_t kSof0[] = {0xFF, 0xC0};
        auto sof = std::search(b.begin(), b.end(), std::begin(kSof0), std::end(kSof0));
        ASSERT_NE(sof, b.end()) << e.path;
        size_t at = static_cast<size_t>(sof - b.begin());
        EXPECT_EQ(b[at + 9], 3);
        EXPECT_EQ(b[at + 11], 0x11);
        EXPECT_EQ(b[at + 14], 0x11);
    }
    for (Expect e :
         {Expect{"resources/preview_432.bmp", 155, 115},
          Expect{"resources/config_434.bmp", 190, 144}, Expect{"resources/about_437.bmp", 70, 70},
          Expect{"Texture/Terra/Black.bmp", 8, 8}}) {
        Image8 img = Bmp(e.path);
        EXPECT_EQ(img.width, e.w) << e.path;
        EXPECT_EQ(img.height, e.h) << e.path;
    }
    Image8 black = Bmp("Texture/Terra/Black.bmp");
    for (size_t i = 0; i < black.rgba.size(); i += 4)
        EXPECT_EQ(black.rgba[i] + black.rgba[i + 1] + black.rgba[i + 2], 0);
    Image8 logo = Tga("resources/logo_486.tga", 32);
    EXPECT_EQ(logo.width, 256);
    EXPECT_EQ(logo.height, 128);
    int clear = 0, solid = 0;
    for (size_t i = 3; i < logo.rgba.size(); i += 4)
        clear += logo.rgba[i] == 0, solid += logo.rgba[i] == 255;
    EXPECT_GT(clear, 256 * 128 / 4);
    EXPECT_GT(solid, 256 * 128 / 10);
    for (int id : {487, 488, 489}) {
        Image8 c = Tga("resources/corner_" + std::to_string(id) + ".tga", 32);
        ASSERT_EQ(c.width, 1);
        EXPECT_EQ(c.at(0, 0)[0] & c.at(0, 0)[1] & c.at(0, 0)[2], 255);
        EXPECT_EQ(c.at(0, 0)[3], 0);
    }
    Image8 ribbon = Tga("Texture/Ribbon.tga", 32);
    for (size_t i = 3; i < ribbon.rgba.size(); i += 4) ASSERT_EQ(ribbon.rgba[i], 255);
    Image8 crow = Tga("Texture/crow.tga", 32);
    int cut = 0;
    for (size_t i = 3; i < crow.rgba.size(); i += 4) cut += crow.rgba[i] == 0;
    EXPECT_GT(cut, 1000);  // gaps between the feather tips
    // The wing-tip primaries (rows 192-255, two per row) stay separate feathers: near
    // their tips a column crosses feather, gap, feather, gap, feather.
    for (int x : {100, 228}) {
        int runs = 0;
        bool inside = false;
        for (int y = 192; y < 256; ++y) {
            const bool feather = crow.at(x, y)[3] > 128;
            runs += feather && !inside;
            inside = feather;
        }
        EXPECT_EQ(runs, 3) << "column " << x;
    }
    const std::vector<uint8_t>& dds = Get("Texture/Env_cubemap.dds").bytes;
    EXPECT_EQ(test::Le32(dds, 0), 0x20534444u);
    EXPECT_EQ(test::Le32(dds, 112) & 0xFE00u, 0xFE00u);
    EXPECT_EQ(dds.size(),
              128u + 6 * 4 * (128 * 128 + 64 * 64 + 32 * 32 + 16 * 16 + 8 * 8 + 4 * 4 + 2 * 2 + 1));
    EXPECT_EQ(test::Le16(Get("resources/icon_224.ico").bytes, 4), 3u);
}

TEST_F(PictureSet, TwoRunsGiveTheSameBytes) {
    std::vector<Picture> again = GenerateAllPictures();
    ASSERT_EQ(again.size(), pictures_.size());
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].path, pictures_[i].path);
        EXPECT_TRUE(again[i].bytes == pictures_[i].bytes) << again[i].path;
    }
}

TEST_F(PictureSet, ContactSheetHoldsEveryPicture) {
    Image8 sheet = MakeContactSheet(pictures_);
    int cells = (sheet.width / 200) * (sheet.height / 216);
    EXPECT_GE(cells, static_cast<int>(pictures_.size()));
    EXPECT_LT(cells, static_cast<int>(pictures_.size()) + 8);
}

}  // namespace
}  // namespace eh::mediagen
