#include "mediagen/images/catalog.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "mediagen/images/image_codecs.h"
#include "mediagen/images/image_writers.h"
#include "mediagen/images/paint.h"
#include "mediagen/images/pictures.h"
#include "mediagen/images/sky.h"

namespace eh::mediagen {

namespace {

// JPEG qualities: the additive pictures on black need high quality, or the 8 x 8 blocks
// of the black areas show as faint grey squares.
constexpr int kQualityAdditive = 95;
constexpr int kQualityTexture = 90;

constexpr int kSkySize = 512;
constexpr int kCubeSize = 128;

std::vector<uint8_t> Encode(const Image8& img, PictureFormat f, int quality) {
    switch (f) {
        case PictureFormat::kJpeg:
            return EncodeJpeg(img, quality);
        case PictureFormat::kTga32:
            return EncodeTga(img, TgaDepth::k32);
        case PictureFormat::kTga24:
            return EncodeTga(img, TgaDepth::k24);
        case PictureFormat::kBmp24:
            return EncodeBmp24(img);
        default:
            return {};
    }
}

std::string Backslashed(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

using Job = std::function<Picture()>;

// A picture stored in an archive under the given entry path ('/' separated here).
Job Entry(int archive, std::string path, PictureFormat f, int quality,
          std::function<Image8()> make) {
    return [=] {
        Picture p;
        p.path = path;
        p.entry = Backslashed(path);
        p.archive = archive;
        p.format = f;
        p.preview = make();
        p.bytes = Encode(p.preview, f, quality);
        return p;
    };
}

Job Resource(int id, std::string name, PictureFormat f, int quality, std::function<Image8()> make) {
    return [=] {
        Picture p;
        p.path = "resources/" + name;
        p.resourceId = id;
        p.format = f;
        p.preview = make();
        p.bytes = Encode(p.preview, f, quality);
        return p;
    };
}

Image8 SolidImage(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    Image8 img(w, h);
    for (size_t i = 0; i < img.rgba.size(); i += 4) {
        img.rgba[i] = r;
        img.rgba[i + 1] = g;
        img.rgba[i + 2] = b;
        img.rgba[i + 3] = a;
    }
    return img;
}

std::vector<Job> AllJobs() {
    using F = PictureFormat;
    std::vector<Job> jobs;
    // Archive 452: clock digits.
    for (int i = 0; i < kDigitCount; ++i) {
        jobs.push_back(Entry(452, std::string("Digits/") + DigitFileName(i), F::kJpeg, 95,
                             [i] { return MakeDigit(i); }));
    }
    // Archive 453: scene textures.
    const int q = kQualityTexture;
    jobs.push_back(
        Entry(453, "Texture/grass5.tga", F::kTga32, 0, [] { return MakeGrassTuft(256); }));
    jobs.push_back(
        Entry(453, "Texture/particle.tga", F::kTga32, 0, [] { return MakeParticle(64); }));
    jobs.push_back(Entry(453, "Texture/tree00.tga", F::kTga32, 0, [] { return MakeTree(0); }));
    jobs.push_back(Entry(453, "Texture/tree01.tga", F::kTga32, 0, [] { return MakeTree(1); }));
    for (int i = 0; i < kVisionCount; ++i) {
        // Names come from "sl0%i.jpg" with i = 1..10, hence sl010.jpg for the tenth.
        std::string name = "Texture/sl0" + std::to_string(i + 1) + ".jpg";
        jobs.push_back(
            Entry(453, name, F::kJpeg, kQualityAdditive, [i] { return MakeVision(i, 512); }));
    }
    jobs.push_back(Entry(453, "Texture/Rays.BMP", F::kBmp24, 0, [] { return MakeRays(); }));
    jobs.push_back(Entry(453, "Texture/Ribbon.tga", F::kTga32, 0, [] { return MakeRibbon(); }));
    jobs.push_back(Entry(453, "Texture/corona.tga", F::kTga32, 0, [] { return MakeCorona(256); }));
    for (int f = 0; f < kSkyFaceCount; ++f) {
        SkyFace face = static_cast<SkyFace>(f);
        jobs.push_back(Entry(453, std::string("Texture/mpcarentan_") + SkyFaceSuffix(face) + ".jpg",
                             F::kJpeg, 92, [face] { return RenderSkyFace(face, kSkySize); }));
    }
    jobs.push_back([] {
        Picture p;
        p.path = "Texture/Env_cubemap.dds";
        p.entry = Backslashed(p.path);
        p.archive = 453;
        p.format = F::kDdsCube;
        std::array<Image8, 6> faces = RenderEnvironmentCube(kCubeSize);
        p.bytes = EncodeDdsCube(faces, true);
        p.preview = Image8(kCubeSize * 6, kCubeSize);
        for (int f = 0; f < 6; ++f)
            for (int y = 0; y < kCubeSize; ++y)
                std::copy_n(faces[f].at(0, y), kCubeSize * 4, p.preview.at(f * kCubeSize, y));
        return p;
    });
    jobs.push_back(
        Entry(453, "Texture/Terra/Ground.jpg", F::kJpeg, q, [] { return MakeGround(512); }));
    jobs.push_back(Entry(453, "Texture/Terra/Black.bmp", F::kBmp24, 0,
                         [] { return SolidImage(8, 8, 0, 0, 0, 255); }));
    // Model textures (named in the meshes' material tables).
    jobs.push_back(Entry(453, "Texture/horse.jpg", F::kJpeg, q, [] { return MakeHorseCoat(); }));
    jobs.push_back(Entry(453, "Texture/crow.tga", F::kTga32, 0, [] { return MakeCrowFeathers(); }));
    jobs.push_back(Entry(453, "Texture/sword.jpg", F::kJpeg, q, [] { return MakeSwordSteel(); }));
    jobs.push_back(
        Entry(453, "Texture/spotlight.tga", F::kTga32, 0, [] { return MakeSpotlightBeam(); }));
    jobs.push_back(Entry(453, "Texture/oak_bark.jpg", F::kJpeg, q, [] { return MakeOakBark(); }));
    jobs.push_back(
        Entry(453, "Texture/oak_leaves.jpg", F::kJpeg, q, [] { return MakeOakLeaves(); }));
    // Executable resources: loading screen, bitmaps, icon.
    jobs.push_back(Resource(491, "loading_491.jpg", F::kJpeg, 92, [] { return MakeKeyArt(); }));
    jobs.push_back(Resource(486, "logo_486.tga", F::kTga32, 0, [] { return MakeLogo(); }));
    for (int id : {487, 488, 489}) {
        jobs.push_back(Resource(id, "corner_" + std::to_string(id) + ".tga", F::kTga32, 0,
                                [] { return SolidImage(1, 1, 255, 255, 255, 0); }));
    }
    jobs.push_back(
        Resource(432, "preview_432.bmp", F::kBmp24, 0, [] { return MakePreviewBitmap(); }));
    jobs.push_back(
        Resource(434, "config_434.bmp", F::kBmp24, 0, [] { return MakeConfigBitmap(); }));
    jobs.push_back(Resource(437, "about_437.bmp", F::kBmp24, 0, [] { return MakeAboutBitmap(); }));
    jobs.push_back([] {
        Picture p;
        p.path = "resources/icon_224.ico";
        p.resourceId = 224;
        p.format = F::kIco;
        std::vector<Image8> sizes = {MakeEmblem(16, false), MakeEmblem(32, false),
                                     MakeEmblem(48, false)};
        p.bytes = EncodeIco(sizes);
        p.preview = sizes[2];
        return p;
    });
    return jobs;
}

}  // namespace

std::vector<Picture> GenerateAllPictures() {
    std::vector<Job> jobs = AllJobs();
    std::vector<Picture> out(jobs.size());
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) out[i] = jobs[i]();
    };
    // The slow jobs (visions, sky, trees) spread over two threads; each job only writes its
    // own slot, so the result does not depend on the scheduling.
    std::thread second(worker);
    worker();
    second.join();
    return out;
}

bool WritePictures(const std::vector<Picture>& pictures, const std::string& dir,
                   std::string* error) {
    namespace fs = std::filesystem;
    for (const Picture& p : pictures) {
        fs::path path = fs::path(dir) / p.path;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(p.bytes.data()),
                static_cast<std::streamsize>(p.bytes.size()));
        if (!f) {
            if (error) *error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

Image8 MakeContactSheet(const std::vector<Picture>& pictures) {
    constexpr int kCell = 200, kThumb = 184, kLabel = 16, kColumns = 8;
    int rows = (static_cast<int>(pictures.size()) + kColumns - 1) / kColumns;
    Image8 sheet(kCell * kColumns, (kCell + kLabel) * rows);
    for (size_t i = 0; i < sheet.rgba.size(); i += 4) {
        sheet.rgba[i] = sheet.rgba[i + 1] = sheet.rgba[i + 2] = 48;
        sheet.rgba[i + 3] = 255;
    }
    for (size_t n = 0; n < pictures.size(); ++n) {
        const Image8& src = pictures[n].preview;
        int cx = static_cast<int>(n % kColumns) * kCell,
            cy = static_cast<int>(n / kColumns) * (kCell + kLabel);
        float scale = std::min(static_cast<float>(kThumb) / src.width,
                               static_cast<float>(kThumb) / src.height);
        int tw = std::max(1, static_cast<int>(src.width * scale)),
            th = std::max(1, static_cast<int>(src.height * scale));
        Image8 thumb = ResizeArea(src, tw, th);
        int ox = cx + (kCell - tw) / 2, oy = cy + (kCell - th) / 2;
        for (int y = 0; y < th; ++y) {
            for (int x = 0; x < tw; ++x) {
                const uint8_t* s = thumb.at(x, y);
                uint8_t check = ((x / 8 + y / 8) % 2) ? 200 : 140;
                uint8_t* d = sheet.at(ox + x, oy + y);
                for (int k = 0; k < 3; ++k)
                    d[k] = static_cast<uint8_t>((s[k] * s[3] + check * (255 - s[3])) / 255);
            }
        }
        std::string name = pictures[n].path.substr(pictures[n].path.find_last_of('/') + 1);
        Mask label(kCell, kLabel);
        float h = 7;
        float w = TextWidth(name, h);
        if (w > kCell - 6) h = h * (kCell - 6) / w, w = TextWidth(name, h);
        StrokeText(label, name, (kCell - w) / 2, (kLabel - h) / 2, h, 0.6f);
        for (int y = 0; y < kLabel; ++y) {
            for (int x = 0; x < kCell; ++x) {
                uint8_t* d = sheet.at(cx + x, cy + kCell + y);
                uint8_t v = static_cast<uint8_t>(48 + 200 * Clamp01(label.at(x, y)));
                d[0] = d[1] = d[2] = v;
            }
        }
    }
    return sheet;
}

}  // namespace eh::mediagen
