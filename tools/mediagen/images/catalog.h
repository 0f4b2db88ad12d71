// The list of every picture the program shows, with its archive entry name and file
// format, and the operations on the whole set: generate, write to a folder, contact sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mediagen/images/image.h"

namespace eh::mediagen {

enum class PictureFormat { kJpeg, kTga32, kTga24, kBmp24, kDdsCube, kIco };

struct Picture {
    // Output path below the --out folder, '/' separated, in the archive entry's own
    // letter case ("Texture/Terra/Ground.jpg", "Digits/digit_0.jpg"); resources of the
    // executable live under "resources/".
    std::string path;
    // Archive entry name with backslashes ("Texture\\Terra\\Ground.jpg"); empty for
    // resources of the executable.
    std::string entry;
    int archive = 0;     // 452, 453, or 0 for an executable resource
    int resourceId = 0;  // the resource id for executable resources, else 0
    PictureFormat format = PictureFormat::kJpeg;
    std::vector<uint8_t> bytes;  // the encoded file
    Image8 preview;              // the pixels as drawn (cube maps: the six faces in a row)
};

// Generates every picture (about 60), using up to two threads; the result and its order
// are the same on every run.
std::vector<Picture> GenerateAllPictures();

// Writes each picture to dir/path, creating folders. False with a message on failure.
bool WritePictures(const std::vector<Picture>& pictures, const std::string& dir,
                   std::string* error);

// All pictures side by side, alpha shown over a checkerboard, each labelled with its name.
Image8 MakeContactSheet(const std::vector<Picture>& pictures);

}  // namespace eh::mediagen
